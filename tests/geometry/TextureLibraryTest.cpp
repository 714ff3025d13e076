// Texture images uploaded into a real context, and the per-model library that finds,
// decodes and uploads them once and warns once per texture that cannot be had.
#include "geometry/CTextureLibrary.h"
#include "geometry/UploadTexture.h"
#include "platform/DecodeTexture.h"
#include "platform/TextureImages.h"
#include "support/GLTest.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <new>
#include <stdexcept>
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
    const unsigned nTiled = UploadTexture(image, ETextureWrap::repeat);
    const unsigned nClamped = UploadTexture(image, ETextureWrap::decal);
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
    EXPECT_EQ(Parameter(nClamped, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_BORDER);
    EXPECT_EQ(Parameter(nTiled, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);

    EXPECT_EQ(UploadTexture(STextureImage{3, 2, std::vector<std::uint8_t>(24)}, ETextureWrap::repeat), 0u);
    EXPECT_EQ(UploadTexture(STextureImage{2, 2, std::vector<std::uint8_t>(3)}, ETextureWrap::repeat), 0u);
    const GLuint aNames[] = {nTiled, nClamped};
    glDeleteTextures(2, aNames);
}

TEST_F(TextureUpload, LibraryFindsEachTextureOnceAndWarnsOncePerMissingOne)
{
    CTempTree tree;
    tree.Write("car/Textures/Paint.tga", TinyTga());
    tree.Write("car/models/broken.png", std::vector<std::uint8_t>(64, 7));
    CTextureLibrary library(tree.Path("car/models/car.3ds"), DecodeTextureFile);

    const unsigned nPaint = library.Texture("C:\\MAPS\\PAINT.TGA", ETextureWrap::repeat);
    ASSERT_NE(nPaint, 0u);
    EXPECT_EQ(ReadLevel(nPaint, 0, 4)[4], 0u);  // bottom right texel is green
    EXPECT_EQ(ReadLevel(nPaint, 0, 4)[5], 255u);
    EXPECT_EQ(library.Texture("paint.tga", ETextureWrap::repeat), nPaint);
    EXPECT_NE(library.Texture("paint.tga", ETextureWrap::decal), nPaint);

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(library.Texture("WHEEL.GIF", ETextureWrap::repeat), 0u);
        EXPECT_EQ(library.Texture("broken.png", ETextureWrap::decal), 0u);
    }
    ASSERT_EQ(library.Warnings().size(), 2u);
    EXPECT_EQ(library.Warnings()[0], "car.3ds: texture WHEEL.GIF not found; its material is drawn in its colour.");
    EXPECT_NE(library.Warnings()[1].find("car.3ds: texture broken.png is not an image"), std::string::npos);
    EXPECT_EQ(library.TakeNewWarnings().size(), 2u);
    EXPECT_TRUE(library.TakeNewWarnings().empty());
    EXPECT_EQ(library.Texture("seat\n.png", ETextureWrap::repeat), 0u);
    EXPECT_EQ(library.TakeNewWarnings(),
              std::vector<std::string>{"car.3ds: texture seat?.png not found; its material is drawn in its colour."});

    library.ReleaseTextures();
    EXPECT_FALSE(glIsTexture(nPaint));
}

TEST_F(TextureUpload, WrapModesUseOnlyWhatTheContextsVersionHas)
{
    EXPECT_EQ(TextureWrapParameters(ETextureWrap::repeat, 1, 1).nWrap, GL_REPEAT);
    EXPECT_EQ(TextureWrapParameters(ETextureWrap::mirror, 1, 3).nWrap, GL_REPEAT);
    EXPECT_EQ(TextureWrapParameters(ETextureWrap::mirror, 1, 4).nWrap, GL_MIRRORED_REPEAT);
    EXPECT_EQ(TextureWrapParameters(ETextureWrap::decal, 1, 1).nWrap, GL_CLAMP);
    EXPECT_EQ(TextureWrapParameters(ETextureWrap::decal, 1, 2).nWrap, GL_CLAMP);
    EXPECT_EQ(TextureWrapParameters(ETextureWrap::decal, 1, 3).nWrap, GL_CLAMP_TO_BORDER);
    EXPECT_EQ(TextureWrapParameters(ETextureWrap::decal, 2, 0).nWrap, GL_CLAMP_TO_BORDER);
    EXPECT_TRUE(TextureWrapParameters(ETextureWrap::decal, 1, 1).bBorder);
    EXPECT_FALSE(TextureWrapParameters(ETextureWrap::mirror, 4, 5).bBorder);

    // This context is far past 1.4: the real modes, and a decal's border is transparent.
    const STextureImage image{1, 1, {10, 20, 30, 255}};
    const unsigned nMirror = UploadTexture(image, ETextureWrap::mirror);
    const unsigned nDecal = UploadTexture(image, ETextureWrap::decal);
    EXPECT_EQ(Parameter(nMirror, GL_TEXTURE_WRAP_S), GL_MIRRORED_REPEAT);
    EXPECT_EQ(Parameter(nDecal, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_BORDER);
    std::array<GLfloat, 4> aBorder = {1, 1, 1, 1};
    glBindTexture(GL_TEXTURE_2D, nDecal);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, aBorder.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(aBorder, (std::array<GLfloat, 4>{0, 0, 0, 0}));
    const GLuint aNames[] = {nMirror, nDecal};
    glDeleteTextures(2, aNames);
}

TEST_F(TextureUpload, TheCallersPendingErrorsStayAndNoneIsTakenForARefusal)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    glEnable(0x1234);  // GL_INVALID_ENUM, the caller's
    const unsigned nTexture = UploadTexture(STextureImage{1, 1, {1, 2, 3, 4}}, ETextureWrap::repeat);
    EXPECT_NE(nTexture, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(1, &nTexture);

    // Wider than the context takes: refused without an error of its own.
    GLint nMax = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &nMax);
    const STextureImage wide{2 * nMax, 1, std::vector<std::uint8_t>(static_cast<std::size_t>(nMax) * 8)};
    GLint nBefore = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nBefore);
    EXPECT_EQ(UploadTexture(wide, ETextureWrap::repeat), 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A library whose files are decoded elsewhere, as the viewer does it: the requests are
// recorded, and the test hands the images back when it likes.
struct SBackground {
    std::vector<std::string> aRequests;
    CTextureLibrary library;
    explicit SBackground(const std::string& strModel) : library(strModel, {})
    {
        library.DecodeInBackground([this](const std::string& strPath, int) { aRequests.push_back(strPath); });
    }
};

STextureImage Checker(int nSide)
{
    STextureImage image{nSide, nSide, std::vector<std::uint8_t>(static_cast<std::size_t>(nSide) * nSide * 4, 200)};
    image.eAlpha = ETextureAlpha::cutout;
    return image;
}

TEST_F(TextureUpload, BackgroundDecodingAnswersZeroUntilTheLevelsArriveAndAreAllUploaded)
{
    CTempTree tree;
    const std::string strWall = tree.Write("house/wall.tga", TinyTga());
    const std::string strRoof = tree.Write("house/maps/roof.png");
    const std::string strDoor = tree.Write("house/door.png");
    SBackground background(tree.Path("house/house.3ds"));
    CTextureLibrary& library = background.library;

    S3DSTextureMap wall;
    wall.strFile = "WALL.TGA";
    S3DSTextureMap wallDecal = wall;
    wallDecal.wTiling = TILING_NO_TILE;
    S3DSTextureMap roof;
    roof.strFile = "roof.png";
    S3DSTextureMap door;
    door.strFile = "door.png";
    for (int nFrame = 0; nFrame < 2; ++nFrame)
        for (const S3DSTextureMap* pMap : {&wall, &wallDecal, &roof, &door})
            EXPECT_EQ(library.Texture(*pMap).nName, 0u);
    // One request per file, whatever wraps and frames ask for it.
    EXPECT_EQ(background.aRequests, (std::vector<std::string>{strWall, strRoof, strDoor}));
    EXPECT_EQ(library.Requested(), 3);
    EXPECT_EQ(library.Arrived(), 0);
    EXPECT_FALSE(library.HasUploadsWaiting());

    library.Accept(strWall, ETextureStatus::ok, TextureLevels(Checker(4)));
    library.Accept(strRoof, ETextureStatus::ok, TextureLevels(Checker(2)));
    library.Accept(tree.Path("house/never-asked.png"), ETextureStatus::ok, TextureLevels(Checker(2)));
    // Decoded is not yet drawn: a frame does not upload, the steps between frames do.
    EXPECT_EQ(library.Arrived(), 0);
    EXPECT_TRUE(library.HasUploadsWaiting());
    EXPECT_EQ(library.Texture(wall).nName, 0u);
    // Three textures (two wraps of the wall, the roof), each allocated in a step of its
    // own and copied whole in the next.
    std::vector<bool> aWhole;
    while (library.HasUploadsWaiting() && aWhole.size() < 10)
        aWhole.push_back(library.UploadSome());
    EXPECT_EQ(aWhole, (std::vector<bool>{false, true, false, true, false, true}));
    for (const S3DSTextureMap* pMap : {&wall, &wallDecal, &roof})
        EXPECT_EQ(library.Texture(*pMap).eAlpha, ETextureAlpha::cutout);
    EXPECT_EQ(library.Arrived(), 2);
    EXPECT_EQ(Parameter(library.Texture(wallDecal).nName, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_BORDER);
    EXPECT_EQ(Parameter(library.Texture(wall).nName, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(ReadLevel(library.Texture(roof).nName, 1, 1), (std::vector<std::uint8_t>{200, 200, 200, 200}));

    // A failure arrives once, and is final.
    library.Accept(strDoor, ETextureStatus::malformed, {});
    EXPECT_FALSE(library.UploadSome());
    EXPECT_EQ(library.Texture(door).nName, 0u);
    EXPECT_EQ(library.Arrived(), 3);
    EXPECT_EQ(background.aRequests.size(), 3u);
    EXPECT_EQ(library.TakeNewWarnings(),
              std::vector<std::string>{"house.3ds: texture door.png is not an image Tessaron can read; its material is drawn in its colour."});

    // The context goes: the next frame asks again, and the counts stay honest.
    library.ForgetTextures();
    EXPECT_EQ(library.Texture(roof).nName, 0u);
    EXPECT_EQ(background.aRequests.size(), 4u);
    EXPECT_EQ(library.Requested(), 4);
    library.Accept(strRoof, ETextureStatus::ok, TextureLevels(Checker(2)));
    EXPECT_FALSE(library.UploadSome());
    EXPECT_TRUE(library.UploadSome());
    EXPECT_NE(library.Texture(roof).nName, 0u);
    EXPECT_EQ(library.Arrived(), library.Requested());
    library.ReleaseTextures();
}

// Every level of texture read back as levels has it.
void ExpectLevels(unsigned nTexture, const STextureLevels& levels)
{
    for (std::size_t i = 0; i < levels.aLevels.size(); ++i) {
        const STextureImage& level = levels.aLevels[i];
        EXPECT_EQ(ReadLevel(nTexture, static_cast<int>(i), level.nWidth * level.nHeight), level.aRGBA) << "level " << i;
    }
}

TEST_F(TextureUpload, TexturesGoIntoGLABoundedSliceAStepOneAfterTheOtherAndAreNamedOnlyWhenWhole)
{
    CTempTree tree;
    const std::string strWall = tree.Write("m/wall.png");
    const std::string strRoof = tree.Write("m/roof.png");
    SBackground background(tree.Path("m/m.3ds"));
    CTextureLibrary& library = background.library;
    library.SetUploadBytesPerStep(1);
    const std::uint64_t nBound = library.UploadBytesPerStep();
    EXPECT_EQ(nBound, CTextureLibrary::MAX_TEXTURE_SIDE * 4u);  // one row of the widest

    STextureImage wallImage = Checker(128);  // 64 KiB, then 21 KiB of smaller levels
    for (std::size_t i = 0; i < wallImage.aRGBA.size(); ++i)
        wallImage.aRGBA[i] = static_cast<std::uint8_t>(i * 7 + i / 512);  // a row out of place shows
    const STextureLevels wall = TextureLevels(wallImage);
    const STextureLevels roof = TextureLevels(Checker(64));
    EXPECT_EQ(library.Texture("wall.png", ETextureWrap::repeat), 0u);
    EXPECT_EQ(library.Texture("roof.png", ETextureWrap::repeat), 0u);
    library.Accept(strWall, ETextureStatus::ok, wall);
    library.Accept(strRoof, ETextureStatus::ok, roof);

    std::uint64_t nTotal = 0;
    int nSteps = 0, nWallStep = 0, nRoofStep = 0;
    while (library.HasUploadsWaiting() && nSteps < 100) {
        ++nSteps;
        const bool bWhole = library.UploadSome();
        const std::uint64_t nBytes = library.UploadedLastStep();
        EXPECT_LE(nBytes, nBound) << "step " << nSteps;
        nTotal += nBytes;
        const unsigned nWall = library.Texture("wall.png", ETextureWrap::repeat);
        const unsigned nRoof = library.Texture("roof.png", ETextureWrap::repeat);
        // Named in the step its last level went in, and whole then.
        if (nWall != 0 && nWallStep == 0) {
            nWallStep = nSteps;
            ExpectLevels(nWall, wall);
        }
        if (nRoof != 0 && nRoofStep == 0) {
            nRoofStep = nSteps;
            ExpectLevels(nRoof, roof);
        }
        EXPECT_EQ(bWhole, nWallStep == nSteps || nRoofStep == nSteps) << "step " << nSteps;
        EXPECT_EQ(library.Arrived(), (nWallStep != 0) + (nRoofStep != 0));
    }
    EXPECT_EQ(nTotal, wall.Bytes() + roof.Bytes());
    // One texture at a time, as full as the bound allows: an allocation, then its copies.
    const auto steps = [&](const STextureLevels& levels) { return 1 + static_cast<int>((levels.Bytes() + nBound - 1) / nBound); };
    const int nFirst = std::min(nWallStep, nRoofStep), nLast = std::max(nWallStep, nRoofStep);
    EXPECT_TRUE(nFirst == steps(wall) || nFirst == steps(roof)) << nFirst;
    EXPECT_EQ(nLast, steps(wall) + steps(roof));
    EXPECT_EQ(nSteps, nLast);
    library.ReleaseTextures();
}

TEST_F(TextureUpload, AContextLostHalfWayThroughAnUploadStartsItAfreshAndNeverNamesTheHalfTexture)
{
    CTempTree tree;
    const std::string strWall = tree.Write("m/wall.png");
    SBackground background(tree.Path("m/m.3ds"));
    CTextureLibrary& library = background.library;
    library.SetUploadBytesPerStep(1);
    STextureImage image = Checker(128);
    for (std::size_t i = 0; i < image.aRGBA.size(); ++i)
        image.aRGBA[i] = static_cast<std::uint8_t>(i / 3);
    const STextureLevels levels = TextureLevels(image);

    EXPECT_EQ(library.Texture("wall.png", ETextureWrap::repeat), 0u);
    library.Accept(strWall, ETextureStatus::ok, levels);
    EXPECT_FALSE(library.UploadSome());
    EXPECT_FALSE(library.UploadSome());
    EXPECT_GT(library.UploadedLastStep(), 0u);
    EXPECT_EQ(library.Texture("wall.png", ETextureWrap::repeat), 0u);
    EXPECT_TRUE(library.HasUploadsWaiting());

    library.ForgetTextures();
    EXPECT_FALSE(library.HasUploadsWaiting());
    EXPECT_FALSE(library.UploadSome());
    EXPECT_EQ(library.Requested(), 0);
    // The new context's first frame asks anew; the old answer, if late, is the new one's.
    EXPECT_EQ(library.Texture("wall.png", ETextureWrap::repeat), 0u);
    EXPECT_EQ(background.aRequests.size(), 2u);
    EXPECT_EQ(library.Requested(), 1);
    library.Accept(strWall, ETextureStatus::ok, levels);
    unsigned nName = 0;
    int nSteps = 0;
    while (nName == 0 && nSteps++ < 100) {
        library.UploadSome();
        nName = library.Texture("wall.png", ETextureWrap::repeat);
    }
    ASSERT_NE(nName, 0u);
    EXPECT_GT(nSteps, 2);
    ExpectLevels(nName, levels);
    EXPECT_EQ(library.Arrived(), 1);
    library.ReleaseTextures();
}

TEST_F(TextureUpload, TexturesBeyondTheModelsBudgetAreDrawnSmallerWithOneWarning)
{
    CTempTree tree;
    tree.Write("m/a.png");
    tree.Write("m/b.png");
    tree.Write("m/c.png");
    const int nSide = 1024;  // 4 MiB each
    CTextureLibrary library(tree.Path("m/big.3ds"), [&](const std::string&, int, STextureImage& image) {
        image = Checker(nSide);
        return ETextureStatus::ok;
    });
    // Every level counts: 5.3 MiB each with its chain.
    library.SetTexelBudget(12ull << 20);
    GLint nWidth[3] = {};
    int i = 0;
    for (const char* pName : {"a.png", "b.png", "c.png"}) {
        glBindTexture(GL_TEXTURE_2D, library.Texture(pName, ETextureWrap::repeat));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nWidth[i++]);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(nWidth[0], nSide);
    EXPECT_EQ(nWidth[1], nSide);
    EXPECT_EQ(nWidth[2], nSide / 2);
    EXPECT_EQ(library.TakeNewWarnings(),
              std::vector<std::string>{"big.3ds: the textures need more than 12 MiB; some are drawn smaller."});
    library.ReleaseTextures();
}

TEST_F(TextureUpload, ADecoderThatThrowsLeavesAWarningAndTheMaterialInItsColour)
{
    CTempTree tree;
    tree.Write("m/a.png");
    tree.Write("m/b.png");
    CTextureLibrary library(tree.Path("m/m.3ds"), [](const std::string& strPath, int, STextureImage&) -> ETextureStatus {
        if (strPath.ends_with("a.png"))
            throw std::bad_alloc();
        throw std::runtime_error("broken");
    });
    EXPECT_EQ(library.Texture("a.png", ETextureWrap::repeat), 0u);
    EXPECT_EQ(library.Texture("b.png", ETextureWrap::repeat), 0u);
    EXPECT_EQ(library.Texture("b.png", ETextureWrap::repeat), 0u);
    EXPECT_EQ(library.TakeNewWarnings(),
              (std::vector<std::string>{"m.3ds: texture a.png is too large; its material is drawn in its colour.",
                                        "m.3ds: texture b.png cannot be read; its material is drawn in its colour."}));

    SBackground background(tree.Path("m/m.3ds"));
    background.library.DecodeInBackground([](const std::string&, int) { throw std::runtime_error("no threads"); });
    EXPECT_EQ(background.library.Texture("a.png", ETextureWrap::repeat), 0u);
    EXPECT_EQ(background.library.Requested(), 0);
    EXPECT_EQ(background.library.TakeNewWarnings().size(), 1u);
}

TEST_F(TextureUpload, FoldersAndFilesLinkedOutOfTheModelsTreeAreNamedInTheWarnings)
{
    CTempTree tree;
    tree.Write("outside/sky.tga", TinyTga());
    std::filesystem::create_directories(tree.Path("m"));
    std::filesystem::create_symlink("../outside/sky.tga", tree.Path("m/sky.tga"));
    std::filesystem::create_symlink("../outside", tree.Path("m/maps"));
    CTextureLibrary library(tree.Path("m/m.3ds"), DecodeTextureFile);
    EXPECT_EQ(library.Texture("SKY.TGA", ETextureWrap::repeat), 0u);
    EXPECT_EQ(library.TakeNewWarnings(),
              (std::vector<std::string>{
                  "m.3ds: texture folder maps leads out of the model's folder and is not searched.",
                  "m.3ds: texture SKY.TGA is not used: sky.tga leads out of the model's folder; its material is drawn in its colour."}));
}

} // namespace
