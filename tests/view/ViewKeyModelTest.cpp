// The keyboard as the view's key handler sees it: the keypad by what each event says
// about Num Lock, and every key reaching the handler except the system keys.
#include "ViewHarness.h"

#include <QSignalSpy>

namespace {

class ViewKeyModel : public COpenCubeTest {
protected:
    // What X delivers for a keypad key with Num Lock off is its navigation key, flagged
    // as coming from the keypad.
    void Keypad(Qt::Key key) { QTest::keyClick(m_pView, key, Qt::KeypadModifier); }
};

TEST_F(ViewKeyModel, KeypadWithNumLockOffIsTheNavigationBlock)
{
    // Object mode: the keypad arrows turn, keypad 7 (Home) turns back, keypad 5 is nothing.
    Keypad(Qt::Key_Up);
    Keypad(Qt::Key_Left);
    Keypad(Qt::Key_Left);
    EXPECT_EQ(m_pView->m_fAngleX, -71.0f);
    EXPECT_EQ(m_pView->m_fAngleZ, -43.0f);
    Keypad(Qt::Key_Clear);
    EXPECT_EQ(m_pView->m_fAngleZ, -43.0f);
    Keypad(Qt::Key_Home);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
    EXPECT_EQ(m_pView->m_fAngleZ, -45.0f);

    // Keypad 9 and 3 are Page Up and Page Down: the animation period stays, no spin starts.
    Keypad(Qt::Key_PageUp);
    Keypad(Qt::Key_PageDown);
    EXPECT_EQ(m_pView->m_nTimerPeriod, 50);
    EXPECT_FALSE(m_pView->IsTimerRunning(m_pView->m_nTimerID));

    // Keypad + and - are Add and Subtract either way.
    Keypad(Qt::Key_Plus);
    EXPECT_NEAR(m_pView->m_fDistance, 4.9f, 1e-5f);
    Keypad(Qt::Key_Minus);
    EXPECT_NEAR(m_pView->m_fDistance, 5.0f, 1e-5f);

    // Walk mode: keypad 8 steps forward, keypad 9 rises.
    m_pView->OnWalkAround();
    Keypad(Qt::Key_Up);
    Keypad(Qt::Key_PageUp);
    EXPECT_NEAR(m_pView->m_dEyeY, -9.5, 1e-9);
    EXPECT_NEAR(m_pView->m_dEyeZ, 2.1, 1e-9);
}

TEST_F(ViewKeyModel, EveryKeyButTheSystemKeysReachesTheHandler)
{
    QSignalSpy handled(m_pView, &CTessaronView::KeyHandled);
    ASSERT_EQ(m_pView->window()->focusWidget(), m_pView);
    const Qt::Key keys[] = {Qt::Key_Space, Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Insert, Qt::Key_Delete,
                            Qt::Key_F3,    Qt::Key_F7,     Qt::Key_F10, Qt::Key_F12,    Qt::Key_section};
    int nExpected = 0;
    for (Qt::Key key : keys) {
        QTest::keyClick(m_pView, key);
        EXPECT_EQ(handled.count(), ++nExpected) << std::hex << key;
    }
    // Tab kept the focus where it was.
    EXPECT_EQ(m_pView->window()->focusWidget(), m_pView);
    // Any other key changes nothing.
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
    EXPECT_FALSE(m_pView->m_bWhiteBackground);

    // With Alt held a key is a system key: letters and arrows do nothing in the view.
    for (Qt::Key key : {Qt::Key_W, Qt::Key_N, Qt::Key_A, Qt::Key_Left, Qt::Key_Up, Qt::Key_Home})
        QTest::keyClick(m_pView, key, Qt::AltModifier);
    EXPECT_EQ(handled.count(), nExpected);
    EXPECT_FALSE(m_pView->m_bWhiteBackground);
    EXPECT_TRUE(m_pView->m_bShowNet);
    EXPECT_EQ(m_pView->m_fAngleZ, -45.0f);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
}

} // namespace
