// Full shading read back from a real context: materials per face, smoothing, textures,
// transparency, and the caller's state left as it was. Models come from files written by
// the test writer and read by the real reader, so the side data is the reader's own.
#include "geometry/CShadedModel.h"
#include "geometry/CTextureLibrary.h"
#include "geometry/DrawModel.h"
#include "platform/DecodeTexture.h"
#include "platform/TextureImages.h"
#include "tools/C3dsWriter.h"
#include "support/GLTest.h"
#include "support/TestFiles.h"

#include <QColor>
#include <QImage>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using SPixel = std::array<std::uint8_t, 4>;

// Orthographic view of [-8, 8]^3, 4 pixels per unit, lit by one white directional light
// from the viewer with no ambient light anywhere: a face facing the viewer shows exactly its
// diffuse colour.
class ShadedModel : public CGLTest {
protected:
    void SetUp() override
    {
        CGLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(-8, 8, -8, 8, -8, 8);
        glMatrixMode(GL_MODELVIEW);
        const GLfloat fBlack[4] = {0, 0, 0, 1}, fWhite[4] = {1, 1, 1, 1}, fFromViewer[4] = {0, 0, 1, 0};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, fBlack);
        glLightfv(GL_LIGHT0, GL_POSITION, fFromViewer);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, fWhite);
        glLightfv(GL_LIGHT0, GL_AMBIENT, fBlack);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);  // as the viewer has it; full shading must not track colour
        glEnable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    void TearDown() override
    {
        m_shaded.ReleaseContext();
        CGLTest::TearDown();
    }

    void Read(C3dsWriter& w)
    {
        w.Finish();
        ASSERT_EQ(m_model.ReadBuffer(w.Bytes().data(), w.Bytes().size()), 1);
        m_shaded.Build(m_model);
    }

    // Pixel at model coordinates (x, y).
    static SPixel At(float x, float y)
    {
        return CGLTestContext::Instance().ReadPixel(static_cast<int>((x + 8.0f) * 4.0f),
                                                    static_cast<int>((y + 8.0f) * 4.0f));
    }

    C3DS m_model;
    CShadedModel m_shaded;
};

void ExpectPixel(const SPixel& p, int r, int g, int b, int nTolerance = 3)
{
    EXPECT_NEAR(p[0], r, nTolerance);
    EXPECT_NEAR(p[1], g, nTolerance);
    EXPECT_NEAR(p[2], b, nTolerance);
}

// A quad from (x0, y0) to (x1, y1) at height z, facing the viewer, as faces 2k and 2k + 1
// of an object whose vertices start at 4k.
std::vector<float> Quad(float x0, float y0, float x1, float y1, float z)
{
    return {x0, y0, z, x1, y0, z, x1, y1, z, x0, y1, z};
}

TEST_F(ShadedModel, EveryFaceInTheLastMaterialListingItAndUnlistedFacesInTheDefault)
{
    C3dsWriter w;
    w.LeadIn().Material("red", {0, 0, 0}, {255, 0, 0}, {0, 0, 0}).Material("green", {0, 0, 0}, {0, 255, 0}, {0, 0, 0});
    std::vector<float> xyz = Quad(-8, 0, 0, 8, 0);
    const std::vector<float> right = Quad(0, 0, 8, 8, 0);
    xyz.insert(xyz.end(), right.begin(), right.end());
    w.BeginObject("top").Vertices(xyz);
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0, 4, 5, 6, 0, 4, 6, 7, 0});
    // The classic frame draws the whole object in red, its first group's material.
    w.FaceMaterial("red", {0, 1, 2, 3}).FaceMaterial("nothing", {0}).FaceMaterial("green", {2, 3}).End().End().End();
    w.BeginObject("bottom").Vertices(Quad(-8, -8, 8, 0, 0)).BeginFaces({0, 1, 2, 0, 0, 2, 3, 0});
    Read(w);

    m_shaded.Draw(1.0);
    ExpectPixel(At(-4, 4), 255, 0, 0);  // a group naming no material is passed over
    ExpectPixel(At(4, 4), 0, 255, 0);
    ExpectPixel(At(0, -4), 204, 204, 204);  // GL's default diffuse, 0.8
    EXPECT_EQ(m_shaded.Mesh().aBatches.size(), 3u);
}

// A roof with its ridge along y at x = 0: two slopes of 45 degrees, lit from straight above.
void Roof(C3dsWriter& w, std::uint32_t nLeftMask, std::uint32_t nRightMask)
{
    w.LeadIn().Material("white", {0, 0, 0}, {255, 255, 255}, {0, 0, 0});
    w.BeginObject("roof").Vertices({-6, -6, -4, -6, 6, -4, 6, -6, -4, 6, 6, -4, 0, -6, 2, 0, 6, 2});
    w.BeginFaces({0, 4, 5, 0, 0, 5, 1, 0, 4, 2, 3, 0, 4, 3, 5, 0}).FaceMaterial("white", {0, 1, 2, 3});
    w.Smoothing({nLeftMask, nLeftMask, nRightMask, nRightMask});
}

TEST_F(ShadedModel, FacesSharingASmoothingBitShareTheirNormalsOthersStayFaceted)
{
    auto ridge = [this](std::uint32_t nLeft, std::uint32_t nRight) {
        C3dsWriter w;
        Roof(w, nLeft, nRight);
        Read(w);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_shaded.Draw(1.0);
        return At(-0.5f, 0.0f)[0];
    };
    const int nFaceted = ridge(0, 0);
    EXPECT_NEAR(nFaceted, 180, 3);                   // cos 45 degrees
    EXPECT_GT(ridge(1, 3), nFaceted + 60);           // bit 1 shared: the ridge faces up
    EXPECT_NEAR(ridge(1, 2), nFaceted, 1);           // no bit shared
    // Weighted by angle, the ridge's normal is straight up although its two sides meet it
    // with different numbers of triangles.
    C3dsWriter w;
    Roof(w, 1, 1);
    Read(w);
    const std::vector<float>& n = m_shaded.Mesh().aNormals;
    const std::vector<float>& p = m_shaded.Mesh().aPositions;
    for (std::size_t v = 0; v < p.size() / 3; ++v) {
        if (p[3 * v] == 0.0f) {
            EXPECT_NEAR(n[3 * v], 0.0f, 1e-6f) << v;
            EXPECT_NEAR(n[3 * v + 2], 1.0f, 1e-6f) << v;
        }
    }
}

// A 2 x 2 RGBA texture, bottom row first, by default red, green; blue, white: a flipped v,
// a wrong sign or a wrong centre of the map lands another quadrant's colour. Nearest
// texels, and the wrap mode the texture library would give it.
class CTestTexture {
public:
    explicit CTestTexture(GLint nWrap = GL_REPEAT,
                          std::array<std::uint8_t, 16> texels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255,
                                                                 255, 255, 255})
    {
        glGenTextures(1, &m_nName);
        glBindTexture(GL_TEXTURE_2D, m_nName);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, nWrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, nWrap);
        const GLfloat fBorder[4] = {0, 0, 0, 0};
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, fBorder);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    ~CTestTexture() { glDeleteTextures(1, &m_nName); }
    CShadedModel::TextureResolver Resolver(ETextureAlpha eAlpha = ETextureAlpha::opaque) const
    {
        return [this, eAlpha](const S3DSTextureMap&) { return STextureRef{m_nName, eAlpha}; };
    }
    GLuint m_nName = 0;
};

// A textured quad over the whole view, mapping coordinates 0..1, its map as given.
void MappedQuad(C3dsWriter& w, float fUScale, float fVScale, float fUOffset, float fVOffset, std::uint16_t wTiling,
                float fRotation)
{
    w.LeadIn().BeginMaterial("map", {0, 0, 0}, {40, 40, 40}, {0, 0, 0});
    w.TextureMap("QUADRANTS.TGA", 100, fUScale, fVScale, fUOffset, fVOffset, wTiling, fRotation).End();
    w.BeginObject("quad").Vertices(Quad(-8, -8, 8, 8, 0)).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("map", {0, 1});
}

enum : int { R, G, B, W, M };  // red, green, blue, white texels; M: the material's own colour

void ExpectQuadrants(const std::vector<std::pair<std::array<float, 2>, int>>& aExpected)
{
    static const int kRGB[5][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {40, 40, 40}};
    for (const auto& [xy, nColour] : aExpected) {
        SCOPED_TRACE(testing::Message() << "at " << xy[0] << ", " << xy[1]);
        const SPixel p = CGLTestContext::Instance().ReadPixel(static_cast<int>((xy[0] + 8.0f) * 4.0f),
                                                              static_cast<int>((xy[1] + 8.0f) * 4.0f));
        ExpectPixel(p, kRGB[nColour][0], kRGB[nColour][1], kRGB[nColour][2]);
    }
}

TEST_F(ShadedModel, TexelsLandWhereTheMapsOffsetsRotationAndScaleSay)
{
    {
        // u moves against its offset, v with it (a quarter, which repeat cannot hide).
        SCOPED_TRACE("offsets");
        C3dsWriter w;
        MappedQuad(w, 1, 1, 0.25f, 0.25f, 0, 0);
        Read(w);
        CTestTexture texture;
        std::string strAsked;
        m_shaded.Draw(1.0, [&](const S3DSTextureMap& map) {
            strAsked = map.strFile.str();
            return STextureRef{texture.m_nName, ETextureAlpha::opaque};
        });
        EXPECT_EQ(strAsked, "QUADRANTS.TGA");
        ExpectQuadrants({{{-6, -6}, G}, {{-2, -6}, R}, {{2, -6}, R}, {{6, -6}, G},
                         {{-6, -2}, W}, {{-2, 2}, B}, {{2, 6}, R}, {{6, 6}, G}});
    }
    // A quarter turn, and one scaled by 2: about the middle of the picture, not its
    // corner, the two differ by half a repeat.
    for (const float fScale : {1.0f, 2.0f}) {
        SCOPED_TRACE(testing::Message() << "a quarter turn, scaled by " << fScale);
        C3dsWriter w;
        MappedQuad(w, fScale, fScale, 0, 0, 0, 90);
        Read(w);
        CTestTexture texture;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_shaded.Draw(1.0, texture.Resolver());
        if (fScale == 1.0f)
            ExpectQuadrants({{{-4, -4}, B}, {{4, -4}, R}, {{-4, 4}, W}, {{4, 4}, G}});
        else
            ExpectQuadrants({{{-6, -2}, R}, {{-2, -6}, W}, {{2, 2}, G}, {{6, 6}, B}});
    }
}

TEST_F(ShadedModel, MirrorAndDecalAreTheTexturesWrapAndADecalShowsItsMaterialOutside)
{
    {
        // u becomes 2u - 0.5: at the left edge -0.25, mirrored back to 0.25.
        SCOPED_TRACE("mirror");
        C3dsWriter w;
        MappedQuad(w, 2, 1, 0, 0, TILING_MIRROR, 0);
        Read(w);
        CTestTexture texture(GL_MIRRORED_REPEAT);
        m_shaded.Draw(1.0, texture.Resolver());
        ExpectQuadrants({{{-7, -4}, R}, {{-3, -4}, R}, {{1, -4}, G}, {{7, -4}, G}});
    }
    for (const ETextureAlpha eAlpha : {ETextureAlpha::opaque, ETextureAlpha::partial}) {
        // Scaled by 2 the picture covers the middle half once; the rest is the material.
        SCOPED_TRACE(eAlpha == ETextureAlpha::opaque ? "decal" : "decal with partial alpha");
        C3dsWriter w;
        MappedQuad(w, 2, 2, 0, 0, TILING_NO_TILE, 0);
        Read(w);
        CTestTexture texture(GL_CLAMP_TO_BORDER);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_shaded.Draw(1.0, texture.Resolver(eAlpha));
        ExpectQuadrants({{{-7, -7}, M}, {{-2, -2}, R}, {{2, -2}, G}, {{-2, 2}, B}, {{2, 2}, W}, {{7, 0}, M}, {{0, 7}, M}});
    }
}

TEST_F(ShadedModel, ZeroPercentIsTheMaterialsColourAndNoTextureIsAskedFor)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("none", {0, 0, 0}, {102, 153, 204}, {0, 0, 0}).TextureMap("QUADRANTS.TGA", 0).End();
    w.BeginObject("quad").Vertices(Quad(-8, -8, 8, 8, 0)).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("none", {0, 1});
    Read(w);
    CTestTexture texture;
    int nAsked = 0;
    m_shaded.Draw(1.0, [&](const S3DSTextureMap&) {
        ++nAsked;
        return STextureRef{texture.m_nName, ETextureAlpha::opaque};
    });
    EXPECT_EQ(nAsked, 0);
    ExpectPixel(At(0, 0), 102, 153, 204);
}

TEST_F(ShadedModel, TextureIsAskedForEveryFrameAndShowsOnceItIsThere)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("late", {0, 0, 0}, {102, 153, 204}, {0, 0, 0}).TextureMap("QUADRANTS.TGA").End();
    w.BeginObject("quad").Vertices(Quad(-8, -8, 8, 8, 0)).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("late", {0, 1});
    Read(w);

    CTestTexture texture;
    int nAsked = 0;
    const CShadedModel::TextureResolver decoding = [&](const S3DSTextureMap&) {
        // Still decoding for the first two frames.
        return ++nAsked <= 2 ? STextureRef{} : STextureRef{texture.m_nName, ETextureAlpha::opaque};
    };
    m_shaded.Draw(1.0, decoding);
    m_shaded.Draw(1.0, decoding);
    EXPECT_EQ(nAsked, 2);
    ExpectPixel(At(-4, -4), 102, 153, 204);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_shaded.Draw(1.0, decoding);
    EXPECT_EQ(nAsked, 3);
    ExpectPixel(At(-4, -4), 255, 0, 0);
    ExpectPixel(At(4, 4), 255, 255, 255);
}

// Two quads of one textured material facing the viewer, the far one last in the file and
// mapped to the texture's other column, so a far face painted over a near one shows.
void NearAndFar(C3dsWriter& w)
{
    w.LeadIn().BeginMaterial("map", {0, 0, 0}, {40, 40, 40}, {0, 0, 0}).TextureMap("QUADRANTS.PNG").End();
    std::vector<float> xyz = Quad(-8, -8, 8, 8, 2);
    const std::vector<float> far = Quad(-8, -8, 8, 8, -2);
    xyz.insert(xyz.end(), far.begin(), far.end());
    w.BeginObject("pair").Vertices(xyz).Mapping({0, 0, 1, 0, 1, 1, 0, 1, 0.5f, 0, 1.5f, 0, 1.5f, 1, 0.5f, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0, 4, 5, 6, 0, 4, 6, 7, 0}).FaceMaterial("map", {0, 1, 2, 3});
}

TEST_F(ShadedModel, OpaqueTextureFromAFileHidesWhatLiesBehindWhateverTheFileOrder)
{
    // A real PNG through the texture library, as the viewer loads it: RGBA8, told opaque.
    QImage image(2, 2, QImage::Format_RGBA8888);
    image.setPixelColor(0, 1, QColor(255, 0, 0));  // the image's bottom row is GL's first
    image.setPixelColor(1, 1, QColor(0, 255, 0));
    image.setPixelColor(0, 0, QColor(0, 0, 255));
    image.setPixelColor(1, 0, QColor(255, 255, 255));
    CTempFile model({}, "pair.3ds");
    ASSERT_TRUE(image.save(QString::fromStdString(model.Dir() + "/QUADRANTS.PNG")));
    C3dsWriter w;
    NearAndFar(w);
    Read(w);
    CTextureLibrary library(model.Path(), DecodeTextureFile);
    m_shaded.Draw(1.0, [&](const S3DSTextureMap& map) { return library.Texture(map); });
    library.ReleaseTextures();
    // Linear filtering blends neighbouring texels a little: compare channels coarsely.
    const SPixel p = At(-4, -4);
    EXPECT_GT(p[0], 150);
    EXPECT_LT(p[1], 100);
}

TEST_F(ShadedModel, CutOutDropsItsClearTexelsAndHidesWhatLiesBehindTheRest)
{
    C3dsWriter w;
    NearAndFar(w);
    w.End().End().End();
    // A wall behind both, last in the file.
    w.BeginObject("wall").Vertices(Quad(-8, -8, 8, 8, -4)).BeginFaces({0, 1, 2, 0, 0, 2, 3, 0});
    Read(w);
    // Blue is clear: through it the near quad shows the far one (its white) or the wall.
    CTestTexture texture(GL_REPEAT, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 255, 255, 255, 255});
    m_shaded.Draw(1.0, texture.Resolver(ETextureAlpha::cutout));
    ExpectPixel(At(-4, -4), 255, 0, 0);
    ExpectPixel(At(4, -4), 0, 255, 0);
    ExpectPixel(At(-4, 4), 255, 255, 255);  // the far quad's right column, behind the hole
    ExpectPixel(At(4, 4), 255, 255, 255);
}

TEST_F(ShadedModel, BlendedFacesAreDrawnBackToFrontForTheCurrentEye)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("blue", {0, 0, 0}, {0, 0, 255}, {0, 0, 0}, 0, 50).TwoSided().End();
    w.BeginMaterial("red", {0, 0, 0}, {255, 0, 0}, {0, 0, 0}, 0, 50).TwoSided().End();
    std::vector<float> xyz = Quad(-8, -8, 8, 8, 2);  // blue in front, first in the file
    const std::vector<float> far = Quad(-8, -8, 8, 8, -2);
    xyz.insert(xyz.end(), far.begin(), far.end());
    w.BeginObject("panes").Vertices(xyz);
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0, 4, 5, 6, 0, 4, 6, 7, 0}).FaceMaterial("blue", {0, 1}).FaceMaterial("red", {2, 3});
    Read(w);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);

    m_shaded.Draw(1.0);
    ExpectPixel(At(0, 0), 64, 0, 128, 2);  // red, then blue over it
    // Turned round, red is in front: drawn last.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    m_shaded.Draw(1.0);
    glPopMatrix();
    ExpectPixel(At(0, 0), 128, 0, 64, 2);
}

TEST_F(ShadedModel, TransparentPaneShowsWhatLiesBehindItWhateverTheFileOrder)
{
    C3dsWriter w;
    w.LeadIn().Material("glass", {0, 0, 0}, {0, 0, 255}, {0, 0, 0}, 0, 50);
    w.Material("wall", {0, 0, 0}, {255, 0, 0}, {0, 0, 0});
    std::vector<float> xyz = Quad(-8, -8, 8, 8, 2);  // the pane first, in front
    const std::vector<float> wall = Quad(-8, -8, 8, 8, -2);
    xyz.insert(xyz.end(), wall.begin(), wall.end());
    w.BeginObject("scene").Vertices(xyz);
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0, 4, 5, 6, 0, 4, 6, 7, 0});
    w.FaceMaterial("glass", {0, 1}).FaceMaterial("wall", {2, 3});
    Read(w);

    m_shaded.Draw(1.0);
    ExpectPixel(At(0, 0), 128, 0, 128, 2);
}

// What the caller has set, unlike anything full shading sets, and a reading of it.
class CCallerState {
public:
    CCallerState()
    {
        glGenBuffers(2, m_nBuffers);
        glBindBuffer(GL_ARRAY_BUFFER, m_nBuffers[0]);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_nBuffers[1]);
        glGenTextures(1, &m_nTexture);
        glBindTexture(GL_TEXTURE_2D, m_nTexture);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_NOTEQUAL, 0.25f);
        glBlendFunc(GL_ONE, GL_ONE);
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_LEQUAL);
        const GLfloat fAmbient[4] = {0.1f, 0.2f, 0.3f, 0.4f};
        glMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
        glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    ~CCallerState()
    {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glDeleteBuffers(2, m_nBuffers);
        glDeleteTextures(1, &m_nTexture);
        glDisable(GL_ALPHA_TEST);
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LESS);
    }

    static std::vector<GLfloat> Read()
    {
        std::vector<GLfloat> f(8);
        glGetMaterialfv(GL_FRONT, GL_AMBIENT, &f[0]);
        glGetFloatv(GL_CURRENT_COLOR, &f[4]);
        for (const GLenum e : {GL_ARRAY_BUFFER_BINDING, GL_ELEMENT_ARRAY_BUFFER_BINDING, GL_BLEND_SRC, GL_DEPTH_WRITEMASK,
                               GL_DEPTH_FUNC, GL_ALPHA_TEST_FUNC, GL_LIGHT_MODEL_TWO_SIDE, GL_TEXTURE_BINDING_2D}) {
            GLint n = 0;
            glGetIntegerv(e, &n);
            f.push_back(static_cast<float>(n));
        }
        GLfloat fRef = 0.0f;
        glGetFloatv(GL_ALPHA_TEST_REF, &fRef);
        f.push_back(fRef);
        GLint nEnv = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &nEnv);
        f.push_back(static_cast<float>(nEnv));
        for (const GLenum e : {GL_ALPHA_TEST, GL_BLEND, GL_COLOR_MATERIAL, GL_TEXTURE_2D, GL_VERTEX_ARRAY, GL_NORMAL_ARRAY,
                               GL_TEXTURE_COORD_ARRAY})
            f.push_back(glIsEnabled(e));
        return f;
    }

private:
    GLuint m_nBuffers[2] = {0, 0};
    GLuint m_nTexture = 0;
};

// A textured, two-sided triangle, so that every state the frame touches is touched.
void TexturedTriangle(C3dsWriter& w)
{
    // Largest x 4: both drawings fit it with 0.25.
    w.LeadIn().BeginMaterial("grey", {50, 50, 50}, {128, 128, 128}, {0, 0, 0}).TextureMap("LIGHT.TGA").TwoSided().End();
    w.BeginObject("t").Vertices({-3, -20, 0, 4, -8, 0, -1, 25, 0}).Mapping({0, 0, 1, 0, 0, 1});
    w.BeginFaces({0, 1, 2, 0}).FaceMaterial("grey", {0});
}

TEST_F(ShadedModel, LandsOnTheClassicPixelsAndRestoresTheCallersState)
{
    C3dsWriter w;
    TexturedTriangle(w);
    Read(w);
    const CTestTexture light(GL_REPEAT, {200, 150, 100, 255, 200, 150, 100, 255, 200, 150, 100, 255, 200, 150, 100, 255});

    auto coverage = [](const std::function<void()>& draw) {
        GLboolean bDepthMask = GL_TRUE;  // the caller's may be off, which glClear obeys
        glGetBooleanv(GL_DEPTH_WRITEMASK, &bDepthMask);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDepthMask(bDepthMask);
        draw();
        std::vector<bool> aCovered;
        for (int y = 0; y < CGLTestContext::kHeight; ++y)
            for (int x = 0; x < CGLTestContext::kWidth; ++x)
                aCovered.push_back(CGLTestContext::Instance().ReadPixel(x, y)[0] != 0);
        return aCovered;
    };
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.2, 1.2, -8, 8, -8, 8);
    glMatrixMode(GL_MODELVIEW);
    double dClassic = 0.0, dShaded = 0.0;
    const auto classic = coverage([&] { dClassic = m_model.DrawModel(0.0, false, false); });

    const CCallerState caller;
    const auto before = CCallerState::Read();
    const auto shaded = coverage([&] { dShaded = m_shaded.Draw(0.0, light.Resolver(ETextureAlpha::cutout)); });
    EXPECT_EQ(CCallerState::Read(), before);
    EXPECT_EQ(dShaded, dClassic);
    EXPECT_EQ(dShaded, 0.25);
    EXPECT_EQ(shaded, classic);
    EXPECT_EQ(coverage([&] { m_shaded.Draw(0.0, light.Resolver(ETextureAlpha::partial)); }), classic);
    EXPECT_EQ(CCallerState::Read(), before);
}

TEST_F(ShadedModel, ResolverThatThrowsLeavesTheCallersStateAndTheNextFrameWhole)
{
    C3dsWriter w;
    TexturedTriangle(w);
    Read(w);
    const CCallerState caller;
    const auto before = CCallerState::Read();
    EXPECT_THROW(m_shaded.Draw(0.0, [](const S3DSTextureMap&) -> STextureRef { throw std::runtime_error("decoder"); }),
                 std::runtime_error);
    EXPECT_EQ(CCallerState::Read(), before);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDepthMask(GL_FALSE);
    m_shaded.Draw(1.0);
    EXPECT_EQ(At(0, 0)[0], 128);  // in its colour, lit from straight ahead
    EXPECT_EQ(CCallerState::Read(), before);
}

TEST_F(ShadedModel, ATextureArrivingInSlicesShowsTheMaterialUntilItsLastLevelIsIn)
{
    C3dsWriter w;
    MappedQuad(w, 1, 1, 0, 0, 0, 0);
    Read(w);
    CTempTree tree;
    const std::string strFile = tree.Write("m/quadrants.tga");
    CTextureLibrary library(tree.Path("m/m.3ds"), {});
    library.DecodeInBackground([](const std::string&, int) {});
    library.SetUploadBytesPerStep(1);  // one row of the widest texture, 16 KiB
    const auto resolver = [&](const S3DSTextureMap& map) { return library.Texture(map); };
    const auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_shaded.Draw(1.0, resolver);
    };
    frame();
    // The four colours of the 2 x 2 texture the other tests draw, 64 texels each way.
    STextureImage image{128, 128, std::vector<std::uint8_t>(128 * 128 * 4, 255)};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            std::uint8_t* p = &image.aRGBA[(static_cast<std::size_t>(y) * 128 + x) * 4];
            const int nQuadrant = (y >= 64 ? 2 : 0) + (x >= 64 ? 1 : 0);
            p[0] = nQuadrant == 0 || nQuadrant == 3 ? 255 : 0;
            p[1] = nQuadrant == 1 || nQuadrant == 3 ? 255 : 0;
            p[2] = nQuadrant >= 2 ? 255 : 0;
        }
    library.Accept(strFile, ETextureStatus::ok, TextureLevels(image));
    int nSteps = 0;
    while (library.HasUploadsWaiting() && nSteps < 100) {
        ++nSteps;
        library.UploadSome();
        frame();
        if (library.HasUploadsWaiting())
            ExpectQuadrants({{{-4, -4}, M}, {{4, -4}, M}, {{-4, 4}, M}, {{4, 4}, M}});
    }
    EXPECT_EQ(nSteps, 7);  // the allocation, then 64 KiB, 16 KiB and 5 KiB of levels at 16 KiB a step
    ExpectQuadrants({{{-4, -4}, R}, {{4, -4}, G}, {{-4, 4}, B}, {{4, 4}, W}});
    library.ReleaseTextures();
}

TEST_F(ShadedModel, ContextThatLostItsBuffersIsSetUpAgain)
{
    C3dsWriter w;
    MappedQuad(w, 1, 1, 0, 0, 0, 0);
    Read(w);
    CTestTexture texture;
    m_shaded.Draw(1.0, texture.Resolver());
    ExpectQuadrants({{{-4, -4}, R}, {{4, 4}, W}});
    // A context replaced behind its back: every buffer name there is gone.
    for (GLuint n = 1; n < 64; ++n)
        glDeleteBuffers(1, &n);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_shaded.Draw(1.0, texture.Resolver());
    ExpectQuadrants({{{-4, -4}, R}, {{4, 4}, W}});
    // A context that is gone, told.
    m_shaded.ForgetContext();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_shaded.Draw(1.0, texture.Resolver());
    ExpectQuadrants({{{-4, -4}, R}, {{4, 4}, W}});
}

} // namespace
