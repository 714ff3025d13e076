#include "ViewHarness.h"

#include "MessageRecorder.h"
#include "platform/GLBinding.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// Ticks seen over a stretch of running event loop, counted by the 1-degree Z turn.
int TicksDuring(CTessaronView* pView, int nMilliseconds)
{
    const float fBefore = pView->m_fAngleZ;
    QTest::qWait(nMilliseconds);
    return static_cast<int>(pView->m_fAngleZ - fBefore);
}

using ViewTimer = COpenCubeTest;

TEST_F(ViewTimer, AutoRotateSpinsAboutZAndStopsAtOnce)
{
    EXPECT_FALSE(m_pView->IsTimerRunning(m_pView->m_nTimerID));
    EXPECT_EQ(TicksDuring(m_pView, 120), 0);  // no timer before the command

    m_pView->OnAutoRotate();
    EXPECT_TRUE(m_pView->OnUpdateAutoRotate());
    EXPECT_TRUE(m_pView->IsTimerRunning(m_pView->m_nTimerID));
    const int nTicks = TicksDuring(m_pView, 300);
    EXPECT_GE(nTicks, 2);
    EXPECT_LE(nTicks, 10);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);  // object mode turns about Z only
    EXPECT_EQ(m_pView->m_fAngleY, 0.0f);

    m_pView->OnAutoRotate();
    EXPECT_FALSE(m_pView->OnUpdateAutoRotate());
    EXPECT_FALSE(m_pView->IsTimerRunning(m_pView->m_nTimerID));
    EXPECT_EQ(TicksDuring(m_pView, 200), 0);
}

TEST_F(ViewTimer, TickTurnsAllThreeAnglesInWalkModeAndDrawsAFrame)
{
    const unsigned nID = m_pView->m_nTimerID;
    int n = m_pView->m_nFramesDrawn;
    m_pView->OnTimer(nID);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
    EXPECT_EQ(m_pView->m_fAngleY, 0.0f);
    EXPECT_EQ(m_pView->m_fAngleZ, -44.0f);
    EXPECT_EQ(m_pView->m_nFramesDrawn, n + 1);

    m_pView->OnWalkAround();
    n = m_pView->m_nFramesDrawn;
    m_pView->OnTimer(nID);
    EXPECT_EQ(m_pView->m_fAngleX, -69.0f);
    EXPECT_EQ(m_pView->m_fAngleY, 1.0f);
    EXPECT_EQ(m_pView->m_fAngleZ, -43.0f);
    EXPECT_EQ(m_pView->m_nFramesDrawn, n + 1);

    // Another view's id is not this view's tick.
    m_pView->OnTimer(nID + 1);
    EXPECT_EQ(m_pView->m_fAngleZ, -43.0f);
    EXPECT_EQ(m_pView->m_nFramesDrawn, n + 1);
}

TEST_F(ViewTimer, PeriodKeysSetTheRateAndArmTheTimer)
{
    const unsigned nID = m_pView->m_nTimerID;
    for (int nExpected : {40, 30, 20, 10, 10, 10}) {
        QTest::keyClick(m_pView, Qt::Key_9, Qt::KeypadModifier);
        EXPECT_EQ(m_pView->m_nTimerPeriod, nExpected);
    }
    // Armed at 10 ms without auto rotation; far more ticks than the 50 ms default gives.
    EXPECT_TRUE(m_pView->IsTimerRunning(nID));
    EXPECT_FALSE(m_pView->OnUpdateAutoRotate());
    EXPECT_GE(TicksDuring(m_pView, 400), 15);

    // Auto rotate takes over the running timer; its second use stops the spin.
    m_pView->OnAutoRotate();
    EXPECT_TRUE(m_pView->OnUpdateAutoRotate());
    EXPECT_TRUE(m_pView->IsTimerRunning(nID));
    EXPECT_GT(TicksDuring(m_pView, 100), 0);
    m_pView->OnAutoRotate();
    EXPECT_FALSE(m_pView->IsTimerRunning(nID));
    EXPECT_EQ(TicksDuring(m_pView, 100), 0);

    QTest::keyClick(m_pView, Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(m_pView->m_nTimerPeriod, 20);
    EXPECT_TRUE(m_pView->IsTimerRunning(nID));
    EXPECT_FALSE(m_pView->OnUpdateAutoRotate());
    EXPECT_GT(TicksDuring(m_pView, 150), 0);
}

TEST_F(ViewTimer, TwoViewsSpinIndependently)
{
    CTessaronView* pOther = m_harness.Open(SamplePath("house.3ds"));
    ASSERT_NE(pOther, nullptr);
    ASSERT_NE(pOther->m_nTimerID, m_pView->m_nTimerID);

    m_pView->OnAutoRotate();
    pOther->OnAutoRotate();
    const float fA = m_pView->m_fAngleZ, fB = pOther->m_fAngleZ;
    QTest::qWait(250);
    EXPECT_GE(m_pView->m_fAngleZ - fA, 2.0f);
    EXPECT_GE(pOther->m_fAngleZ - fB, 2.0f);

    m_pView->OnAutoRotate();
    EXPECT_FALSE(m_pView->IsTimerRunning(m_pView->m_nTimerID));
    EXPECT_TRUE(pOther->IsTimerRunning(pOther->m_nTimerID));
    const float fStopped = m_pView->m_fAngleZ, fRunning = pOther->m_fAngleZ;
    QTest::qWait(250);
    EXPECT_EQ(m_pView->m_fAngleZ, fStopped);
    EXPECT_GE(pOther->m_fAngleZ - fRunning, 2.0f);

    // A tick draws in its own view's context and gives back whatever was current.
    ASSERT_TRUE(wglMakeCurrent(m_pView, m_pView->m_hRC));
    const int nFramesA = m_pView->m_nFramesDrawn, nFramesB = pOther->m_nFramesDrawn;
    pOther->OnTimer(pOther->m_nTimerID);
    EXPECT_EQ(wglGetCurrentContext(), m_pView->m_hRC);
    EXPECT_EQ(pOther->m_nFramesDrawn, nFramesB + 1);
    EXPECT_EQ(m_pView->m_nFramesDrawn, nFramesA);
    pOther->OnAutoRotate();
}

TEST_F(ViewTimer, SlowFrameDoesNotBuildABacklogOfTicks)
{
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(m_pView, Qt::Key_9, Qt::KeypadModifier);
    ASSERT_EQ(m_pView->m_nTimerPeriod, 10);
    m_pView->OnAutoRotate();
    QTest::qWait(50);

    // The loop is blocked for thirty periods, then gets one pass.
    const float fBefore = m_pView->m_fAngleZ;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QCoreApplication::processEvents();
    const int nTicks = static_cast<int>(m_pView->m_fAngleZ - fBefore);
    EXPECT_GE(nTicks, 1);
    EXPECT_LE(nTicks, 2);
    m_pView->OnAutoRotate();
}

} // namespace
