// Texture images uploaded into a real context, and the per-model library that finds,
// decodes and uploads them once and warns once per texture that cannot be had.
#include "geometry/CTextureLibrary.h"
#include "geometry/UploadTexture.h"
#include "platform/DecodeTexture.h"
#include "platform/TextureImages.h"
#include "support/GLTest.h"

#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

namespace {

using TextureUpload = CGLTest;

std::vector<std::uint8_t> ReadLevel(unsigned nTexture, int nLevel, int nTexels)
{
    std::vector<std::uint8_t> a(static_cast<std::size_t>(nTexels) * 4, 0xEE);
    glBindTexture(GL_TEXTURE_2D, nTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, nLevel, GL_RGBA, GL_UNSIGNED_BYTE, a.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return a;
}

GLint Parameter(unsigned nTexture, GLenum nName)
{
    GLint n = 0;
    glBindTexture(GL_TEXTURE_2D, nTexture);
    glGetTexParameteriv(GL_TEXTURE_2D, nName, &n);
    glBindTexture(GL_TEXTURE_2D, 0);
    return n;
}

TEST_F(TextureUpload, TexelsAndMipmapsReadBackWithTheWrapOfTheTilingFlag)
{
    STextureImage image{2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}};
    const unsigned nTiled = UploadTexture(image, true);
    const unsigned nClamped = UploadTexture(image, false);
    ASSERT_NE(nTiled, 0u);
    ASSERT_NE(nClamped, 0u);
    EXPECT_NE(nTiled, nClamped);
    GLint nBinding = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nBinding);
    EXPECT_EQ(nBinding, 0);

    EXPECT_EQ(ReadLevel(nTiled, 0, 4), image.aRGBA);
    // The 1 x 1 level is the mean of the four, so minified texture shows the mixed colour.
    EXPECT_EQ(ReadLevel(nTiled, 1, 1), (std::vector<std::uint8_t>{128, 128, 128, 255}));
    EXPECT_EQ(Parameter(nTiled, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(Parameter(nClamped, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(Parameter(nTiled, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);

    EXPECT_EQ(UploadTexture(STextureImage{3, 2, std::vector<std::uint8_t>(24)}, true), 0u);
    EXPECT_EQ(UploadTexture(STextureImage{2, 2, std::vector<std::uint8_t>(3)}, true), 0u);
    const GLuint aNames[] = {nTiled, nClamped};
    glDeleteTextures(2, aNames);
}

TEST_F(TextureUpload, LibraryFindsEachTextureOnceAndWarnsOncePerMissingOne)
{
    CTempTree tree;
    tree.Write("car/Textures/Paint.tga", TinyTga());
    tree.Write("car/models/broken.png", std::vector<std::uint8_t>(64, 7));
    CTextureLibrary library(tree.Path("car/models/car.3ds"), DecodeTextureFile);

    const unsigned nPaint = library.Texture("C:\\MAPS\\PAINT.TGA", true);
    ASSERT_NE(nPaint, 0u);
    EXPECT_EQ(ReadLevel(nPaint, 0, 4)[4], 0u);  // bottom right texel is green
    EXPECT_EQ(ReadLevel(nPaint, 0, 4)[5], 255u);
    EXPECT_EQ(library.Texture("paint.tga", true), nPaint);
    EXPECT_NE(library.Texture("paint.tga", false), nPaint);

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(library.Texture("WHEEL.GIF", true), 0u);
        EXPECT_EQ(library.Texture("broken.png", false), 0u);
    }
    ASSERT_EQ(library.Warnings().size(), 2u);
    EXPECT_EQ(library.Warnings()[0], "car.3ds: texture WHEEL.GIF not found; its material is drawn in its colour.");
    EXPECT_NE(library.Warnings()[1].find("car.3ds: texture broken.png is not an image"), std::string::npos);
    EXPECT_EQ(library.TakeNewWarnings().size(), 2u);
    EXPECT_TRUE(library.TakeNewWarnings().empty());
    EXPECT_EQ(library.Texture("seat\n.png", true), 0u);
    EXPECT_EQ(library.TakeNewWarnings(),
              std::vector<std::string>{"car.3ds: texture seat?.png not found; its material is drawn in its colour."});

    library.ReleaseTextures();
    EXPECT_FALSE(glIsTexture(nPaint));
}

} // namespace
