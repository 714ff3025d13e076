#include "ViewHarness.h"

#include "MessageRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using ViewCommands = COpenCubeTest;

TEST_F(ViewCommands, SwitchesToggleTheirCheckMarksAndDrawOneFrame)
{
    struct SSwitch {
        const char* pszName;
        std::function<void()> command;
        std::function<bool()> update;
        bool* pFlag;
        int nFrames;
    };
    CTessaronView* v = m_pView;
    const SSwitch aSwitches[] = {
        {"auto rotate", [v] { v->OnAutoRotate(); }, [v] { return v->OnUpdateAutoRotate(); },
         &v->m_bAutoRotate, 0},
        {"walk around", [v] { v->OnWalkAround(); }, [v] { return v->OnUpdateWalkAround(); },
         &v->m_bWalkAround, 1},
        {"white background", [v] { v->OnWhiteBackground(); },
         [v] { return v->OnUpdateWhiteBackground(); }, &v->m_bWhiteBackground, 1},
        {"show net", [v] { v->OnShowNet(); }, [v] { return v->OnUpdateShowNet(); },
         &v->m_bShowNet, 1},
        {"full shading", [v] { v->OnFullShading(); }, [v] { return v->OnUpdateFullShading(); },
         &v->m_bFullShading, 1},
    };
    for (const SSwitch& s : aSwitches) {
        const bool bBefore = *s.pFlag;
        for (int i = 1; i <= 2; ++i) {
            const int n = v->m_nFramesDrawn;
            s.command();
            EXPECT_EQ(v->m_nFramesDrawn, n + s.nFrames) << s.pszName;
            const bool bExpected = (i % 2 == 1) ? !bBefore : bBefore;
            EXPECT_EQ(*s.pFlag, bExpected) << s.pszName;
            EXPECT_EQ(s.update(), bExpected) << s.pszName;
        }
    }
    // The five check marks answer for their own flag only.
    m_pView->OnShowNet();
    EXPECT_FALSE(m_pView->OnUpdateShowNet());
    EXPECT_FALSE(m_pView->OnUpdateFullShading());
    EXPECT_FALSE(m_pView->OnUpdateAutoRotate());
    EXPECT_FALSE(m_pView->OnUpdateWalkAround());
    EXPECT_FALSE(m_pView->OnUpdateWhiteBackground());

    for (bool bWalk : {false, true}) {
        m_pView->m_bWalkAround = bWalk;
        const std::function<void()> aCommands[] = {[v] { v->OnZoomIn(); }, [v] { v->OnZoomOut(); },
                                                   [v] { v->OnHome(); }};
        for (const auto& command : aCommands) {
            const int n = m_pView->m_nFramesDrawn;
            command();
            EXPECT_EQ(m_pView->m_nFramesDrawn, n + 1) << bWalk;
        }
    }
}

TEST_F(ViewCommands, ZoomMovesTheModelInObjectModeAndScalesItInWalkMode)
{
    float fExpected = 5.0f;
    for (int i = 0; i < 10; ++i) {
        m_pView->OnZoomIn();
        fExpected -= 0.1f;
        EXPECT_EQ(m_pView->m_fDistance, fExpected);
    }
    EXPECT_NEAR(m_pView->m_fDistance, 4.0f, 1e-5f);
    m_pView->OnZoomOut();
    EXPECT_EQ(m_pView->m_fDistance, fExpected + 0.1f);
    EXPECT_EQ(m_pView->m_dWalkScale, 0.0);

    m_pView->OnWalkAround();
    ASSERT_GT(m_pView->m_dWalkScale, 0.0);  // fixed by the first walk frame
    m_pView->m_dWalkScale = 2.0;
    double dExpected = 2.0;
    for (int i = 0; i < 10; ++i) {
        m_pView->OnZoomIn();
        dExpected *= 1.1;
        EXPECT_EQ(m_pView->m_dWalkScale, dExpected);
    }
    EXPECT_NEAR(m_pView->m_dWalkScale, 2.0 * std::pow(1.1, 10), 1e-9);
    m_pView->OnZoomOut();
    EXPECT_EQ(m_pView->m_dWalkScale, dExpected * 0.9);
    EXPECT_EQ(m_pView->m_fDistance, fExpected + 0.1f);
}

TEST_F(ViewCommands, HomeResetsTheCameraOfTheCurrentModeOnly)
{
    // Object mode: angles back, distance and walk camera untouched.
    for (int i = 0; i < 3; ++i)
        m_pView->OnZoomIn();
    const float fDistance = m_pView->m_fDistance;
    m_pView->m_fAngleX = 12.0f;
    m_pView->m_fAngleY = 34.0f;
    m_pView->m_fAngleZ = 56.0f;
    m_pView->m_dEyeX = 3.0;
    m_pView->m_dSpinZ = 7.0;
    m_pView->OnHome();
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
    EXPECT_EQ(m_pView->m_fAngleY, 0.0f);
    EXPECT_EQ(m_pView->m_fAngleZ, -45.0f);
    EXPECT_EQ(m_pView->m_fDistance, fDistance);
    EXPECT_EQ(m_pView->m_dEyeX, 3.0);
    EXPECT_EQ(m_pView->m_dSpinZ, 7.0);

    // Walk mode: the walk camera and spin go home, the object angles and the scale stay.
    m_pView->OnWalkAround();
    const double dScale = m_pView->m_dWalkScale;
    m_pView->m_fAngleX = 12.0f;
    m_pView->m_dEyeY = 5.0;
    m_pView->m_dEyeZ = -1.0;
    m_pView->m_dPitch = 0.5;
    m_pView->m_dHeading = 9.0;
    m_pView->m_dWalkStep = 1.0;
    m_pView->m_dTurnStep = 0.3;
    m_pView->m_dSpinX = 1.0;
    m_pView->m_dSpinY = 2.0;
    m_pView->m_bLevelView = true;
    m_pView->OnHome();
    ExpectWalkHome(m_pView, dScale, true);
    EXPECT_EQ(m_pView->m_fAngleX, 12.0f);
}

} // namespace
