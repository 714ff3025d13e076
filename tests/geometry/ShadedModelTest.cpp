// Full shading read back from a real context: materials per face, smoothing, textures,
// transparency, and the caller's state left as it was. Models come from files written by
// the test writer and read by the real reader, so the side data is the reader's own.
#include "geometry/CShadedModel.h"
#include "geometry/DrawModel.h"
#include "tools/C3dsWriter.h"
#include "support/GLTest.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <cstdint>

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
    EXPECT_EQ(m_shaded.Batches().size(), 3u);
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
    ASSERT_EQ(m_shaded.Normals().size(), 12u * 3);
    C3dsWriter w;
    Roof(w, 1, 1);
    Read(w);
    const std::vector<float>& n = m_shaded.Normals();
    const std::vector<float>& p = m_shaded.Positions();
    for (std::size_t v = 0; v < p.size() / 3; ++v) {
        if (p[3 * v] == 0.0f) {
            EXPECT_NEAR(n[3 * v], 0.0f, 1e-6f) << v;
            EXPECT_NEAR(n[3 * v + 2], 1.0f, 1e-6f) << v;
        }
    }
}

// A 2 x 2 texture, bottom row first: red, green; blue, white. Nearest texels, no filtering.
class CTestTexture {
public:
    CTestTexture()
    {
        const std::uint8_t texels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
        glGenTextures(1, &m_nName);
        glBindTexture(GL_TEXTURE_2D, m_nName);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    ~CTestTexture() { glDeleteTextures(1, &m_nName); }
    GLuint m_nName = 0;
};

TEST_F(ShadedModel, TexelsLandWhereTheMappingCoordinatesAndTheMapsOffsetsSay)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("map", {0, 0, 0}, {40, 40, 40}, {0, 0, 0});
    // u is halved and moved by a half: the quad shows the texture's right column only.
    w.TextureMap("CHECKER.TGA", 100, 0.5f, 1.0f, 0.5f, 0.0f).End();
    w.BeginObject("quad").Vertices(Quad(-8, -8, 8, 8, 0)).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("map", {0, 1});
    Read(w);

    CTestTexture texture;
    std::string strAsked;
    m_shaded.Draw(1.0, [&](const S3DSTextureMap& map) {
        strAsked = map.strFile.str();
        return STextureRef{texture.m_nName, ETextureAlpha::opaque};
    });
    EXPECT_EQ(strAsked, "CHECKER.TGA");
    ExpectPixel(At(-4, -4), 0, 255, 0);
    ExpectPixel(At(4, -4), 0, 255, 0);
    ExpectPixel(At(-4, 4), 255, 255, 255);
}

TEST_F(ShadedModel, MaterialWithoutItsTextureIsDrawnInItsColourAndAskedOncePerContext)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("lost", {0, 0, 0}, {102, 153, 204}, {0, 0, 0}).TextureMap("MISSING.PNG").End();
    w.BeginObject("quad").Vertices(Quad(-8, -8, 8, 8, 0)).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("lost", {0, 1});
    Read(w);

    int nAsked = 0;
    const CShadedModel::TextureResolver missing = [&](const S3DSTextureMap&) {
        ++nAsked;
        return STextureRef{};
    };
    m_shaded.Draw(1.0, missing);
    m_shaded.Draw(1.0, missing);
    EXPECT_EQ(nAsked, 1);
    ExpectPixel(At(0, 0), 102, 153, 204);
    // A new context asks again.
    m_shaded.ReleaseContext();
    m_shaded.Draw(1.0, missing);
    EXPECT_EQ(nAsked, 2);
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

TEST_F(ShadedModel, LandsOnTheClassicPixelsAndRestoresTheCallersState)
{
    C3dsWriter w;  // largest x 4: both fit it with 0.25
    w.LeadIn().Material("grey", {50, 50, 50}, {128, 128, 128}, {0, 0, 0});
    w.BeginObject("t").Vertices({-3, -20, 0, 4, -8, 0, -1, 25, 0});
    w.BeginFaces({0, 1, 2, 0}).FaceMaterial("grey", {0});
    Read(w);

    auto coverage = [](const std::function<void()>& draw) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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

    // The caller's state, unlike anything full shading sets.
    GLuint nCallerBuffer = 0;
    glGenBuffers(1, &nCallerBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, nCallerBuffer);
    glEnable(GL_ALPHA_TEST);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthMask(GL_FALSE);
    const GLfloat fAmbient[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    auto state = [] {
        std::array<GLfloat, 16> f{};
        GLint n[5] = {};
        glGetMaterialfv(GL_FRONT, GL_AMBIENT, &f[0]);
        glGetFloatv(GL_CURRENT_COLOR, &f[4]);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &n[0]);
        glGetIntegerv(GL_BLEND_SRC, &n[1]);
        glGetIntegerv(GL_DEPTH_WRITEMASK, &n[2]);
        glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &n[3]);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &n[4]);
        for (int k = 0; k < 5; ++k)
            f[8 + k] = static_cast<float>(n[k]);
        f[13] = glIsEnabled(GL_ALPHA_TEST) + 2.0f * glIsEnabled(GL_BLEND) + 4.0f * glIsEnabled(GL_COLOR_MATERIAL) +
                8.0f * glIsEnabled(GL_TEXTURE_2D);
        f[14] = glIsEnabled(GL_VERTEX_ARRAY) + 2.0f * glIsEnabled(GL_NORMAL_ARRAY) +
                4.0f * glIsEnabled(GL_TEXTURE_COORD_ARRAY);
        return f;
    };
    const auto before = state();
    glDepthMask(GL_TRUE);
    const auto shaded = coverage([&] {
        glDepthMask(GL_FALSE);
        dShaded = m_shaded.Draw(0.0);
    });
    EXPECT_EQ(state(), before);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteBuffers(1, &nCallerBuffer);

    EXPECT_EQ(dShaded, dClassic);
    EXPECT_EQ(dShaded, 0.25);
    EXPECT_EQ(shaded, classic);
}

} // namespace
