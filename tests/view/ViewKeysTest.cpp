#include "ViewHarness.h"

#include "MessageRecorder.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>

namespace {

constexpr double kHomeAngle = 1.57079632675;

class ViewKeys : public COpenCubeTest {
protected:
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, int nTimes = 1)
    {
        for (int i = 0; i < nTimes; ++i)
            QTest::keyClick(m_pView, key, mods);
    }
    void Keypad(Qt::Key key, int nTimes = 1) { Press(key, Qt::KeypadModifier, nTimes); }

    void ExpectWalkCameraAtHome() const
    {
        EXPECT_EQ(m_pView->m_dEyeX, 0.0);
        EXPECT_EQ(m_pView->m_dEyeY, -10.0);
        EXPECT_EQ(m_pView->m_dEyeZ, 2.0);
        EXPECT_EQ(m_pView->m_dPitch, kHomeAngle);
        EXPECT_EQ(m_pView->m_dHeading, kHomeAngle);
    }
};

TEST_F(ViewKeys, ObjectModeTurnsAndMovesTheModelOnly)
{
    Press(Qt::Key_Left, Qt::NoModifier, 2);
    Press(Qt::Key_Right);
    Press(Qt::Key_Up, Qt::NoModifier, 3);
    Press(Qt::Key_Down);
    EXPECT_EQ(m_pView->m_fAngleZ, -44.0f);
    EXPECT_EQ(m_pView->m_fAngleX, -72.0f);
    EXPECT_EQ(m_pView->m_fAngleY, 0.0f);
    EXPECT_EQ(m_pView->m_fDistance, 5.0f);

    // Walk keys that have no object-mode meaning leave both cameras alone.
    const float fX = m_pView->m_fAngleX, fZ = m_pView->m_fAngleZ;
    Press(Qt::Key_PageDown);
    Press(Qt::Key_F2);
    Keypad(Qt::Key_8);
    Keypad(Qt::Key_4);
    EXPECT_EQ(m_pView->m_fAngleX, fX);
    EXPECT_EQ(m_pView->m_fAngleZ, fZ);
    EXPECT_FALSE(m_pView->m_bLevelView);
    ExpectWalkCameraAtHome();

    // Nearer without a floor: fifty steps reach the eye, the next passes through it.
    float fExpected = 5.0f;
    for (int i = 0; i < 50; ++i)
        fExpected -= 0.1f;
    Keypad(Qt::Key_Plus, 50);
    EXPECT_EQ(m_pView->m_fDistance, fExpected);
    EXPECT_NEAR(m_pView->m_fDistance, 0.0f, 1e-4f);
    Keypad(Qt::Key_Plus);
    EXPECT_NEAR(m_pView->m_fDistance, -0.1f, 1e-4f);
    Keypad(Qt::Key_Minus, 3);
    EXPECT_NEAR(m_pView->m_fDistance, 0.2f, 1e-4f);
    EXPECT_EQ(m_pView->m_dWalkScale, 0.0);  // no walk frame has fixed a scale

    // Home and keypad 5 both reset the angles and keep the distance; the walk camera is
    // not theirs to reset in this mode.
    m_pView->m_dEyeX = 3.0;
    const float fDistance = m_pView->m_fDistance;
    for (bool bHomeKey : {true, false}) {
        Press(Qt::Key_Left, Qt::NoModifier, 5);
        Press(Qt::Key_Down, Qt::NoModifier, 5);
        if (bHomeKey)
            Press(Qt::Key_Home);
        else
            Keypad(Qt::Key_5);
        EXPECT_EQ(m_pView->m_fAngleX, -70.0f) << bHomeKey;
        EXPECT_EQ(m_pView->m_fAngleY, 0.0f) << bHomeKey;
        EXPECT_EQ(m_pView->m_fAngleZ, -45.0f) << bHomeKey;
        EXPECT_EQ(m_pView->m_fDistance, fDistance) << bHomeKey;
        EXPECT_EQ(m_pView->m_dEyeX, 3.0) << bHomeKey;
    }
}

TEST_F(ViewKeys, LetterAndPeriodKeysWorkInBothModes)
{
    for (bool bWalk : {false, true}) {
        if (bWalk)
            m_pView->OnWalkAround();
        ASSERT_EQ(m_pView->m_bWalkAround, bWalk);
        const unsigned nID = m_pView->m_nTimerID;

        Press(Qt::Key_A);
        Press(Qt::Key_N);
        Press(Qt::Key_W);
        Press(Qt::Key_S);
        EXPECT_TRUE(m_pView->m_bShowAxes) << bWalk;
        EXPECT_FALSE(m_pView->m_bShowNet) << bWalk;
        EXPECT_TRUE(m_pView->m_bWhiteBackground) << bWalk;
        EXPECT_TRUE(m_pView->m_bFullShading) << bWalk;
        Press(Qt::Key_A);
        Press(Qt::Key_N);
        Press(Qt::Key_W);
        Press(Qt::Key_S);
        EXPECT_FALSE(m_pView->m_bShowAxes) << bWalk;
        EXPECT_TRUE(m_pView->m_bShowNet) << bWalk;
        EXPECT_FALSE(m_pView->m_bWhiteBackground) << bWalk;
        EXPECT_FALSE(m_pView->m_bFullShading) << bWalk;

        Press(Qt::Key_R);
        EXPECT_TRUE(m_pView->m_bAutoRotate) << bWalk;
        EXPECT_TRUE(m_pView->IsTimerRunning(nID)) << bWalk;
        Press(Qt::Key_R);
        EXPECT_FALSE(m_pView->m_bAutoRotate) << bWalk;
        EXPECT_FALSE(m_pView->IsTimerRunning(nID)) << bWalk;

        // A period key arms the timer even with auto rotation off.
        const int nPeriod = m_pView->m_nTimerPeriod;
        Keypad(Qt::Key_3);
        EXPECT_EQ(m_pView->m_nTimerPeriod, nPeriod + 10) << bWalk;
        EXPECT_TRUE(m_pView->IsTimerRunning(nID)) << bWalk;
        EXPECT_FALSE(m_pView->m_bAutoRotate) << bWalk;
        Keypad(Qt::Key_9);
        EXPECT_EQ(m_pView->m_nTimerPeriod, nPeriod) << bWalk;
        Press(Qt::Key_R, Qt::NoModifier, 2);  // on and off again stops that timer
        EXPECT_FALSE(m_pView->IsTimerRunning(nID)) << bWalk;
    }
}

TEST_F(ViewKeys, WalkKeysMoveTurnPitchAndRaiseTheEye)
{
    m_pView->OnWalkAround();
    const double h = kHomeAngle;

    Press(Qt::Key_Up);
    EXPECT_EQ(m_pView->m_dEyeX, 0.5 * std::cos(h));
    EXPECT_EQ(m_pView->m_dEyeY, -9.5);
    EXPECT_EQ(m_pView->m_dEyeZ, 2.0);
    Press(Qt::Key_Down);
    ExpectWalkCameraAtHome();

    // Side steps go at right angles to the heading: left of +Y is -X.
    Press(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dEyeX, -0.5 * std::sin(h));
    EXPECT_NEAR(m_pView->m_dEyeY, -10.0, 1e-9);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_NEAR(m_pView->m_dEyeX, 0.0, 1e-12);
    EXPECT_EQ(m_pView->m_dHeading, h);

    // Shift with Up and Down changes only the height.
    Press(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dEyeZ, 2.1);
    EXPECT_NEAR(m_pView->m_dEyeX, 0.0, 1e-12);
    EXPECT_NEAR(m_pView->m_dEyeY, -10.0, 1e-12);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dEyeZ, 2.0);

    // Ctrl with Up and Down pitches; with Left it turns like the plain key.
    Press(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dPitch, h + 0.1);
    EXPECT_NEAR(m_pView->m_dEyeY, -10.0, 1e-12);
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dPitch, h);
    Press(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dHeading, h + 0.1);
    Press(Qt::Key_Left);
    EXPECT_DOUBLE_EQ(m_pView->m_dHeading, h + 0.2);
    Press(Qt::Key_Right, Qt::ControlModifier);
    Press(Qt::Key_Right);
    EXPECT_DOUBLE_EQ(m_pView->m_dHeading, h);

    // Ctrl and Shift together are the fine controls: a tenth of a turn, a tenth of a step.
    Press(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dHeading, h + 0.01);
    Press(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dHeading, h);
    const double x0 = m_pView->m_dEyeX, y0 = m_pView->m_dEyeY;
    Press(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dEyeY, y0 + 0.05);
    EXPECT_NEAR(m_pView->m_dEyeX, x0, 1e-11);
    EXPECT_DOUBLE_EQ(m_pView->m_dPitch, h);
    EXPECT_DOUBLE_EQ(m_pView->m_dEyeZ, 2.0);
    Press(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(m_pView->m_dEyeY, y0);

    // The keypad turns and pitches, Page Up and Down change the height.
    Keypad(Qt::Key_4);
    EXPECT_DOUBLE_EQ(m_pView->m_dHeading, h + 0.1);
    Keypad(Qt::Key_6, 2);
    EXPECT_DOUBLE_EQ(m_pView->m_dHeading, h - 0.1);
    Keypad(Qt::Key_8);
    EXPECT_DOUBLE_EQ(m_pView->m_dPitch, h + 0.1);
    Keypad(Qt::Key_2, 2);
    EXPECT_DOUBLE_EQ(m_pView->m_dPitch, h - 0.1);
    Press(Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(m_pView->m_dEyeZ, 2.1);

    // Keypad plus and minus scale the model, which the first walk frame has fixed.
    const double dScale = m_pView->m_dWalkScale;
    ASSERT_GT(dScale, 0.0);
    Keypad(Qt::Key_Plus);
    EXPECT_EQ(m_pView->m_dWalkScale, dScale * 1.1);
    Keypad(Qt::Key_Minus);
    EXPECT_EQ(m_pView->m_dWalkScale, dScale * 1.1 * 0.9);
    EXPECT_EQ(m_pView->m_fDistance, 5.0f);

    // F2 toggles the level view.
    Press(Qt::Key_F2);
    EXPECT_TRUE(m_pView->m_bLevelView);
    Press(Qt::Key_F2);
    EXPECT_FALSE(m_pView->m_bLevelView);

    // None of this touched the object-mode angles.
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
    EXPECT_EQ(m_pView->m_fAngleZ, -45.0f);
}

TEST_F(ViewKeys, WalkAreaStopsTheEyeAndItSlidesAlongTheEdge)
{
    m_pView->OnWalkAround();
    Press(Qt::Key_Up, Qt::NoModifier, 74);
    EXPECT_EQ(m_pView->m_dEyeY, 27.0);  // the edge itself is inside
    EXPECT_FALSE(m_pView->IsOutsideWalkArea());

    double x = m_pView->m_dEyeX;
    for (int i = 0; i < 3; ++i) {
        Press(Qt::Key_Up);
        EXPECT_EQ(m_pView->m_dEyeY, 27.0);
        EXPECT_GT(m_pView->m_dEyeX, x);  // the tiny X part of each step still applies
        x = m_pView->m_dEyeX;
    }

    // At an oblique heading the eye slides along the edge towards -X.
    Press(Qt::Key_Left, Qt::NoModifier, 5);
    for (int i = 0; i < 4; ++i) {
        Press(Qt::Key_Up);
        EXPECT_EQ(m_pView->m_dEyeY, 27.0);
        EXPECT_DOUBLE_EQ(m_pView->m_dEyeX, x + 0.5 * std::cos(m_pView->m_dHeading));
        x = m_pView->m_dEyeX;
    }
    Press(Qt::Key_Down);
    EXPECT_LT(m_pView->m_dEyeY, 27.0);
}

TEST_F(ViewKeys, RefusedPartOfAStepLeavesThatCoordinateExactlyWhereItWas)
{
    // A path along which X meets the -X edge away from a round value; the refused X
    // part of the last steps must not move X at all, not even by rounding.
    m_pView->OnWalkAround();
    Press(Qt::Key_Left, Qt::NoModifier, 13);
    Press(Qt::Key_Up, Qt::NoModifier, 56);
    Press(Qt::Key_Left, Qt::NoModifier, 9);
    int nRefused = 0;
    for (int i = 0; i < 20; ++i) {
        const double x = m_pView->m_dEyeX, y = m_pView->m_dEyeY;
        const double dx = 0.5 * std::cos(m_pView->m_dHeading);
        Press(Qt::Key_Up);
        if (std::fabs(x + dx) > 27.0) {
            ++nRefused;
            EXPECT_EQ(m_pView->m_dEyeX, x) << std::setprecision(17) << "step " << i << ": " << x << " became "
                                           << m_pView->m_dEyeX;
        }
        EXPECT_NE(m_pView->m_dEyeY, y) << "step " << i;
        EXPECT_FALSE(m_pView->IsOutsideWalkArea());
    }
    EXPECT_EQ(nRefused, 20);
}

TEST_F(ViewKeys, HeightHasNoLimitAndPitchStaysWithinItsRange)
{
    m_pView->OnWalkAround();
    Press(Qt::Key_PageDown, Qt::NoModifier, 20);
    EXPECT_NEAR(m_pView->m_dEyeZ, 0.0, 1e-9);
    Press(Qt::Key_PageDown, Qt::NoModifier, 5);
    EXPECT_NEAR(m_pView->m_dEyeZ, -0.5, 1e-9);

    Press(Qt::Key_Up, Qt::ControlModifier, 15);
    EXPECT_NEAR(m_pView->m_dPitch, 3.07079632675, 1e-9);
    const double dMax = m_pView->m_dPitch;
    Press(Qt::Key_Up, Qt::ControlModifier, 3);
    Keypad(Qt::Key_8, 3);
    EXPECT_EQ(m_pView->m_dPitch, dMax);

    Keypad(Qt::Key_2, 30);
    EXPECT_NEAR(m_pView->m_dPitch, 0.07079632675, 1e-9);
    const double dMin = m_pView->m_dPitch;
    Keypad(Qt::Key_2, 3);
    Press(Qt::Key_Down, Qt::ControlModifier, 3);
    EXPECT_EQ(m_pView->m_dPitch, dMin);
}

TEST_F(ViewKeys, WalkHomeRestoresCameraAndSpinButNotScaleOrLevelView)
{
    m_pView->OnWalkAround();
    for (bool bHomeKey : {true, false}) {
        Press(Qt::Key_Up, Qt::NoModifier, 3);
        Press(Qt::Key_Left, Qt::ShiftModifier);
        Press(Qt::Key_Left, Qt::NoModifier, 2);
        Press(Qt::Key_PageUp);
        Press(Qt::Key_Up, Qt::ControlModifier);
        Press(Qt::Key_F2);
        Keypad(Qt::Key_Plus);
        m_pView->m_dWalkStep = 0.7;
        m_pView->m_dTurnStep = 0.2;
        m_pView->m_dSpinX = 10.0;
        m_pView->m_dSpinY = 20.0;
        m_pView->m_dSpinZ = 30.0;
        const double dScale = m_pView->m_dWalkScale;
        const bool bLevel = m_pView->m_bLevelView;

        if (bHomeKey)
            Press(Qt::Key_Home);
        else
            Keypad(Qt::Key_5);
        ExpectWalkHome(m_pView, dScale, bLevel);
        EXPECT_EQ(m_pView->m_dHomeEyeY, -10.0);
        EXPECT_EQ(m_pView->m_dHomeWalkStep, 0.5);
    }
}

TEST_F(ViewKeys, AutoRepeatedKeyAppliesOneStep)
{
    auto sendRepeat = [&](Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(m_pView, &press);
    };
    for (int i = 0; i < 3; ++i)
        sendRepeat(Qt::Key_Left);
    EXPECT_EQ(m_pView->m_fAngleZ, -42.0f);

    m_pView->OnWalkAround();
    for (int i = 0; i < 3; ++i)
        sendRepeat(Qt::Key_Up);
    EXPECT_EQ(m_pView->m_dEyeY, -8.5);
}

} // namespace
