// What DrawModel does to the caller's GL state: blending and alpha test while it draws,
// everything put back afterwards, and nothing at all for an empty model.
#include "DrawModelFixture.h"

#include <array>

namespace {

struct SSavedState {
    GLboolean bAlphaTest, bBlend;
    GLint nSrc, nDst;
    std::array<GLfloat, 4> fAmbient, fDiffuse, fSpecular;
    GLfloat fShininess;
    std::array<GLfloat, 16> fModelview;
    GLint nModelviewDepth;
};

SSavedState ReadState()
{
    SSavedState s{};
    glGetBooleanv(GL_ALPHA_TEST, &s.bAlphaTest);
    glGetBooleanv(GL_BLEND, &s.bBlend);
    glGetIntegerv(GL_BLEND_SRC, &s.nSrc);
    glGetIntegerv(GL_BLEND_DST, &s.nDst);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, s.fAmbient.data());
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, s.fDiffuse.data());
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, s.fSpecular.data());
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &s.fShininess);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.fModelview.data());
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.nModelviewDepth);
    return s;
}

void ExpectSameState(const SSavedState& a, const SSavedState& b)
{
    EXPECT_EQ(a.bAlphaTest, b.bAlphaTest);
    EXPECT_EQ(a.bBlend, b.bBlend);
    EXPECT_EQ(a.nSrc, b.nSrc);
    EXPECT_EQ(a.nDst, b.nDst);
    EXPECT_EQ(a.fAmbient, b.fAmbient);
    EXPECT_EQ(a.fDiffuse, b.fDiffuse);
    EXPECT_EQ(a.fSpecular, b.fSpecular);
    EXPECT_EQ(a.fShininess, b.fShininess);
    EXPECT_EQ(a.fModelview, b.fModelview);
    EXPECT_EQ(a.nModelviewDepth, b.nModelviewDepth);
}

class DrawModelState : public CDrawModelTest {
protected:
    // A square over the whole viewport in a material unlike the caller's front material.
    void AddSquare()
    {
        AddVertex(1, -8, -8, 0);
        AddVertex(1, 8, -8, 0);
        AddVertex(1, 8, 8, 0);
        AddVertex(1, -8, 8, 0);
        AddFace(1, 0, 1, 2);
        AddFace(1, 0, 2, 3);
        AddFaceMaterial(1, 0, "glass");
        S3DSMaterial& m = AddMaterial("glass", {0.5f, 0.25f, 1.0f});
        m.fDiffuse[1] = 0.75f;
        m.fSpecular[2] = 0.125f;
        m.nShininess = 500;  // beyond GL's range, as only a damaged file has it
        m.nTransparency = 30;
    }

    // The caller's state: front material set with colour tracking off, so it sticks.
    void SetCallerState(bool bAlphaTest, bool bBlend, GLenum nSrc, GLenum nDst)
    {
        bAlphaTest ? glEnable(GL_ALPHA_TEST) : glDisable(GL_ALPHA_TEST);
        bBlend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        glBlendFunc(nSrc, nDst);
        const GLfloat fAmbient[4] = {0.1f, 0.2f, 0.3f, 0.4f};
        const GLfloat fDiffuse[4] = {0.5f, 0.6f, 0.7f, 0.8f};
        const GLfloat fSpecular[4] = {0.9f, 0.8f, 0.7f, 0.6f};
        glMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, fDiffuse);
        glMaterialfv(GL_FRONT, GL_SPECULAR, fSpecular);
        glMaterialf(GL_FRONT, GL_SHININESS, 17.0f);
    }
};

TEST_F(DrawModelState, EveryCombinationOfCallerStateIsRestored)
{
    AddSquare();
    for (bool bAlphaTest : {false, true}) {
        for (bool bBlend : {false, true}) {
            for (auto [nSrc, nDst] : {std::pair<GLenum, GLenum>{GL_ONE, GL_ZERO},
                                      std::pair<GLenum, GLenum>{GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA}}) {
                SCOPED_TRACE(testing::Message() << bAlphaTest << bBlend << nSrc);
                SetCallerState(bAlphaTest, bBlend, nSrc, nDst);
                glTranslatef(1.0f, 2.0f, 3.0f);
                const SSavedState before = ReadState();
                m_model.DrawModel(0.0, true, true);
                ExpectSameState(ReadState(), before);
                EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
                glLoadIdentity();
            }
        }
    }
}

TEST_F(DrawModelState, DrawsWithSourceAlphaAndSourceColourBlending)
{
    AddSquare();
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    m_model.DrawModel(1.0, false, false);

    // Source (0.5, 0.25, 1) with alpha 1 from glColor3fv over a grey destination: each
    // channel is src * 1 + dst * src, not the src of plain or "over" blending.
    const auto blended = CGLTestContext::Instance().ReadPixel(32, 32);
    EXPECT_NEAR(blended[0], 191, 2);
    EXPECT_NEAR(blended[1], 96, 2);
    EXPECT_EQ(blended[2], 255);

    // The caller's unblended state is back for whatever it draws next.
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0.5f, 0.25f, 1.0f);
    glRectf(-8, -8, 8, 8);
    const auto plain = CGLTestContext::Instance().ReadPixel(32, 32);
    EXPECT_NEAR(plain[0], 128, 2);
    EXPECT_NEAR(plain[1], 64, 2);
}

// Between glBegin and glEnd every query, enable, matrix or glBegin call raises
// GL_INVALID_OPERATION, and in feedback mode every vertex shows up: a clean error flag and
// an empty buffer after the call mean no such call was made.
TEST_F(DrawModelState, EmptyModelMakesNoGlCall)
{
    // The premise first: a query inside an open primitive is caught.
    CaptureFeedback([] {
        glBegin(GL_POINTS);
        GLboolean b = GL_FALSE;
        glGetBooleanv(GL_BLEND, &b);
        glEnd();
    });
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));

    const GLfloat fColour[4] = {0.125f, 0.25f, 0.375f, 1.0f};
    for (int nCase = 0; nCase < 3; ++nCase) {
        SCOPED_TRACE(nCase);
        C3DS model;
        if (nCase == 1)
            model.m_aVertices.push_back({1, 1, 2, 3});
        if (nCase == 2) {
            model.m_aFaces.push_back({1, 0, 1, 2, 0});
            model.m_aFaceMaterials.push_back({1, 0, "m"});
            model.m_aMaterials.push_back({});
            model.m_aMaterials.back().strName = "m";
        }
        glColor4fv(fColour);
        double dZero = -1.0, dGiven = -1.0;
        const auto aFeedback = CaptureFeedback([&] {
            glBegin(GL_POINTS);
            dZero = model.DrawModel(0.0, true, true);
            dGiven = model.DrawModel(2.5, true, true);
            glEnd();
        });
        EXPECT_EQ(dZero, 0.0);
        EXPECT_EQ(dGiven, 2.5);
        EXPECT_TRUE(aFeedback.empty());
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        GLfloat fCurrent[4] = {};
        glGetFloatv(GL_CURRENT_COLOR, fCurrent);
        EXPECT_EQ(fCurrent[0], fColour[0]);
        EXPECT_EQ(fCurrent[2], fColour[2]);
    }
}

} // namespace
