#include "ViewHarness.h"

#include "MessageRecorder.h"

#include <GL/glu.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool IsTeal(int r, int g, int b) { return std::abs(r - 77) <= 2 && std::abs(g - 153) <= 2 && std::abs(b - 153) <= 2; }
bool IsBlack(int r, int g, int b) { return r < 20 && g < 20 && b < 20; }
bool IsRed(int r, int g, int b) { return r > 100 && g < 30 && b < 30; }  // lit by the one light

class ViewFrame : public ::testing::Test {
protected:
    CMessageRecorder m_recorder;
    CViewHarness m_harness;
};

TEST_F(ViewFrame, DefaultFrameShowsBackgroundGridAndModel)
{
    CTessaronView* pView = m_harness.Open(SamplePath("house.3ds"));
    ASSERT_NE(pView, nullptr);
    ASSERT_NE(pView->m_hRC, nullptr);
    EXPECT_TRUE(m_recorder.m_aMessages.empty());
    EXPECT_TRUE(Near(CViewHarness::Pixel(pView, 2, 2), 77, 153, 153));
    const int nTeal = CViewHarness::Count(pView, IsTeal);
    const int nBlack = CViewHarness::Count(pView, IsBlack);
    const int nTotal = pView->width() * pView->height();
    EXPECT_GT(nTeal, nTotal / 3);
    EXPECT_GT(nBlack, 200);                               // the grid
    EXPECT_GT(nTotal - nTeal - nBlack, nTotal / 50);      // the lit model and the axes

    pView->OnWhiteBackground();
    EXPECT_TRUE(Near(CViewHarness::Pixel(pView, 2, 2), 255, 255, 255));
    EXPECT_EQ(CViewHarness::Count(pView, IsTeal), 0);
}

TEST_F(ViewFrame, NetOffShowsLongAxesOnlyInObjectMode)
{
    CTessaronView* pView = m_harness.Open("");  // empty model: only grid or axes
    ASSERT_NE(pView, nullptr);
    EXPECT_GT(CViewHarness::Count(pView, IsBlack), 200);
    pView->m_bShowAxes = true;
    pView->OnShowNet();
    EXPECT_EQ(CViewHarness::Count(pView, IsBlack), 0);
    const int nRed = CViewHarness::Count(pView, IsRed);
    EXPECT_GT(nRed, 20);
    pView->OnWalkAround();
    EXPECT_EQ(CViewHarness::Count(pView, IsRed), 0);
    EXPECT_EQ(CViewHarness::Count(pView, [](int r, int g, int b) { return !IsTeal(r, g, b); }), 0);
}

TEST_F(ViewFrame, ViewsKeepTheirOwnContextsAndTimerIds)
{
    CTessaronView* pA = m_harness.Open(SamplePath("house.3ds"));
    CTessaronView* pB = m_harness.Open(SamplePath("cube.3ds"));
    ASSERT_TRUE(pA && pB);
    EXPECT_NE(pA->m_hRC, pB->m_hRC);
    EXPECT_EQ(pA->m_hRC, pA->context());
    EXPECT_EQ(pB->m_hRC, pB->context());
    EXPECT_EQ(pB->m_nTimerID, pA->m_nTimerID + 1);

    // Light state lives per context: a change in one is not seen in the other.
    pA->makeCurrent();
    glDisable(GL_LIGHT0);
    pB->makeCurrent();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    pA->makeCurrent();
    glEnable(GL_LIGHT0);

    // Closing one leaves the other drawing.
    m_harness.m_template.GetFrame(pA->GetDocument())->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_harness.m_area.subWindowList().size() == 1; }, 10000));
    const int nBefore = pB->m_nFramesDrawn;
    pB->OnWhiteBackground();
    EXPECT_EQ(pB->m_nFramesDrawn, nBefore + 1);
    EXPECT_TRUE(Near(CViewHarness::Pixel(pB, 1, 1), 255, 255, 255));
}

TEST_F(ViewFrame, ResizeSetsAspectAndKeepsProjectionForZeroHeight)
{
    CTessaronView* pView = m_harness.Open("");
    ASSERT_NE(pView, nullptr);
    pView->OnSize(0, 400, 200);
    EXPECT_DOUBLE_EQ(pView->m_dAspect, 2.0);
    pView->makeCurrent();
    GLdouble proj[16];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    const double f = 1.0 / std::tan(45.0 * M_PI / 360.0);
    EXPECT_NEAR(proj[0], f / 2.0, 1e-6);
    EXPECT_NEAR(proj[5], f, 1e-6);
    pView->OnSize(0, 400, 0);
    EXPECT_DOUBLE_EQ(pView->m_dAspect, 2.0);
    pView->makeCurrent();
    GLdouble after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(0, std::memcmp(proj, after, sizeof proj));
}

TEST_F(ViewFrame, WalkCameraMatchesLookAt)
{
    CTessaronView* pView = m_harness.Open("");
    ASSERT_NE(pView, nullptr);
    auto expectLookAt = [&](double tx, double ty, double tz) {
        pView->makeCurrent();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        pView->SetWalkCamera();
        GLdouble got[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, got);
        glLoadIdentity();
        gluLookAt(pView->m_dEyeX, pView->m_dEyeY, pView->m_dEyeZ, tx, ty, tz, 0, 0, 1);
        GLdouble want[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, want);
        glPopMatrix();
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(got[i], want[i], 1e-5) << i;
    };
    // Home: pitch pi/2 puts the target far ahead at eye height.
    const double d0 = std::fabs(std::tan(1.57079632675) * 2.0);
    expectLookAt(d0 * std::cos(1.57079632675), -10.0 + d0 * std::sin(1.57079632675), (std::cos(1.57079632675) + 1) * 2.0);
    // Pitch lowered by three steps: the target drops towards the ground.
    pView->m_dPitch += 0.3;
    const double d1 = std::fabs(std::tan(pView->m_dPitch) * 2.0);
    expectLookAt(d1 * std::cos(1.57079632675), -10.0 + d1 * std::sin(1.57079632675), (std::cos(pView->m_dPitch) + 1) * 2.0);
    EXPECT_LT((std::cos(pView->m_dPitch) + 1) * 2.0, 2.0);
    pView->m_bLevelView = true;
    expectLookAt(d1 * std::cos(1.57079632675), -10.0 + d1 * std::sin(1.57079632675), 2.0);
}

TEST_F(ViewFrame, EachEventDrawsItsFrames)
{
    // Frames a handler draws itself are counted exactly, the moment it returns; frames of
    // the repaint it asks for are waited for. Expose events from windows of other test
    // processes may add repaints at any time, so after a wait only a lower bound holds.
    CTessaronView* pView = m_harness.Open(SamplePath("cube.3ds"));
    ASSERT_NE(pView, nullptr);
    auto waitFrames = [pView](int nAtLeast) {
        return QTest::qWaitFor([&] { return pView->m_nFramesDrawn >= nAtLeast; }, 10000);
    };
    int n = pView->m_nFramesDrawn;
    pView->OnAutoRotate();  // toggling auto rotation draws nothing itself
    EXPECT_EQ(pView->m_nFramesDrawn, n);
    pView->OnAutoRotate();

    pView->OnWalkAround();
    EXPECT_EQ(pView->m_nFramesDrawn, n + 1);
    EXPECT_GT(pView->m_dWalkScale, 0.0);  // the first walk frame fixed the fit scale

    // A walk key draws one frame itself and one more through the repaint.
    n = pView->m_nFramesDrawn;
    QTest::keyClick(pView, Qt::Key_Left);
    EXPECT_EQ(pView->m_nFramesDrawn, n + 1);
    EXPECT_TRUE(waitFrames(n + 2));

    // With auto rotation on, every walk frame advances the spin, whatever caused it.
    pView->m_bAutoRotate = true;
    const double dSpinY = pView->m_dSpinY;
    n = pView->m_nFramesDrawn;
    QTest::keyClick(pView, Qt::Key_F2);  // two frames, then the repaint
    EXPECT_EQ(pView->m_nFramesDrawn, n + 2);
    EXPECT_DOUBLE_EQ(pView->m_dSpinY, dSpinY + 2.0);
    EXPECT_TRUE(waitFrames(n + 3));
    pView->m_bAutoRotate = false;
    EXPECT_DOUBLE_EQ(pView->m_dSpinY, dSpinY + (pView->m_nFramesDrawn - n));

    // Object mode keys appear through the repaint alone.
    pView->OnWalkAround();
    n = pView->m_nFramesDrawn;
    QTest::keyClick(pView, Qt::Key_Up);
    EXPECT_EQ(pView->m_nFramesDrawn, n);
    EXPECT_TRUE(waitFrames(n + 1));
}

TEST_F(ViewFrame, ReentrantFrameIsSkippedAndAFailedFrameDoesNotBlockOthers)
{
    CTessaronView* pView = m_harness.Open(SamplePath("cube.3ds"));
    ASSERT_NE(pView, nullptr);
    pView->makeCurrent();
    g_bInRender = 1;
    const int n = pView->m_nFramesDrawn;
    EXPECT_EQ(pView->RenderScene(), 1);
    EXPECT_EQ(pView->m_nFramesDrawn, n);
    g_bInRender = 0;

    // A model whose faces point far outside its vertices still draws and leaves the
    // modelview stack balanced.
    pView->m_c3DS.m_aFaces.push_back(S3DSFace{1, 60000, 60001, 60002, 0});
    GLint nDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    pView->RenderScene();
    pView->makeCurrent();
    GLint nAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nAfter);
    EXPECT_EQ(nAfter, nDepth);
    EXPECT_EQ(g_bInRender, 0);
    EXPECT_EQ(pView->m_nFramesDrawn, n + 1);
}

} // namespace
