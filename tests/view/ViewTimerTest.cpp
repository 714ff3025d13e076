#include "ViewHarness.h"

#include "MessageRecorder.h"
#include "platform/GLBinding.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// Ticks are counted by the 1-degree Z turn each one applies.
int TicksSince(CTessaronView* pView, float fBefore)
{
    return static_cast<int>(pView->m_fAngleZ - fBefore);
}

// Waits, with a generous bound, for nTicks more ticks. A timer never fires faster than its
// period, so the time they took bounds the count from above whatever the machine's load.
void ExpectTicksAtPeriod(CTessaronView* pView, int nTicks, int nPeriod)
{
    const float fBefore = pView->m_fAngleZ;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return TicksSince(pView, fBefore) >= nTicks; }, 10000));
    const auto nElapsed = clock.elapsed();
    EXPECT_LE(TicksSince(pView, fBefore), nElapsed / nPeriod + 1);
}

// No timer runs, so however long the loop turns, nothing ticks.
void ExpectNoTicks(CTessaronView* pView)
{
    const float fBefore = pView->m_fAngleZ;
    QTest::qWait(120);
    EXPECT_EQ(TicksSince(pView, fBefore), 0);
}

using ViewTimer = COpenCubeTest;

TEST_F(ViewTimer, AutoRotateSpinsAboutZAndStopsAtOnce)
{
    EXPECT_FALSE(m_pView->IsTimerRunning(m_pView->m_nTimerID));
    ExpectNoTicks(m_pView);  // no timer before the command

    m_pView->OnAutoRotate();
    EXPECT_TRUE(m_pView->OnUpdateAutoRotate());
    EXPECT_EQ(m_pView->TimerPeriod(m_pView->m_nTimerID), 50);
    ExpectTicksAtPeriod(m_pView, 3, 50);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);  // object mode turns about Z only
    EXPECT_EQ(m_pView->m_fAngleY, 0.0f);

    m_pView->OnAutoRotate();
    EXPECT_FALSE(m_pView->OnUpdateAutoRotate());
    EXPECT_FALSE(m_pView->IsTimerRunning(m_pView->m_nTimerID));
    ExpectNoTicks(m_pView);
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
    // Armed at 10 ms without auto rotation.
    EXPECT_EQ(m_pView->TimerPeriod(nID), 10);
    EXPECT_FALSE(m_pView->OnUpdateAutoRotate());
    ExpectTicksAtPeriod(m_pView, 5, 10);

    // Auto rotate takes over the running timer; its second use stops the spin.
    m_pView->OnAutoRotate();
    EXPECT_TRUE(m_pView->OnUpdateAutoRotate());
    EXPECT_EQ(m_pView->TimerPeriod(nID), 10);
    ExpectTicksAtPeriod(m_pView, 1, 10);
    m_pView->OnAutoRotate();
    EXPECT_FALSE(m_pView->IsTimerRunning(nID));
    ExpectNoTicks(m_pView);

    QTest::keyClick(m_pView, Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(m_pView->m_nTimerPeriod, 20);
    EXPECT_EQ(m_pView->TimerPeriod(nID), 20);
    EXPECT_FALSE(m_pView->OnUpdateAutoRotate());
    ExpectTicksAtPeriod(m_pView, 1, 20);
}

TEST_F(ViewTimer, TwoViewsSpinIndependently)
{
    CTessaronView* pOther = m_harness.Open(SamplePath("house.3ds"));
    ASSERT_NE(pOther, nullptr);
    ASSERT_NE(pOther->m_nTimerID, m_pView->m_nTimerID);

    m_pView->OnAutoRotate();
    pOther->OnAutoRotate();
    const float fA = m_pView->m_fAngleZ, fB = pOther->m_fAngleZ;
    EXPECT_TRUE(QTest::qWaitFor([&] { return TicksSince(m_pView, fA) >= 2 && TicksSince(pOther, fB) >= 2; }, 10000));

    m_pView->OnAutoRotate();
    EXPECT_FALSE(m_pView->IsTimerRunning(m_pView->m_nTimerID));
    EXPECT_TRUE(pOther->IsTimerRunning(pOther->m_nTimerID));
    const float fStopped = m_pView->m_fAngleZ;
    ExpectTicksAtPeriod(pOther, 2, 50);
    EXPECT_EQ(m_pView->m_fAngleZ, fStopped);

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
    ExpectTicksAtPeriod(m_pView, 1, 10);

    // The loop is blocked for thirty periods, as by a slow frame, then gets one pass: a
    // backlog would show as a burst of ticks in that pass.
    const float fBefore = m_pView->m_fAngleZ;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QCoreApplication::processEvents();
    EXPECT_LE(TicksSince(m_pView, fBefore), 2);
    ExpectTicksAtPeriod(m_pView, 1, 10);  // and the timer goes on
    m_pView->OnAutoRotate();
}

} // namespace
