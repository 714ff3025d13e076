// Tests that read or change what the whole X server shares: the picture on its screen and
// its keyboard's lock state. They run on an X server of their own (see CMakeLists.txt),
// so windows of other test processes cannot cover theirs and nothing they change outlives
// their server.
#include "AppFixture.h"

#include "view/CTessaronView.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>

// Last: Xlib's macros clash with Qt's names.
#include <X11/XKBlib.h>

namespace {

// Caps Lock on the X server as the key itself sets it; the old state comes back when the
// guard goes, also when an assertion ends the test half-way.
class CCapsLockGuard {
public:
    CCapsLockGuard()
    {
        if (auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            m_pDisplay = pX11->display();
        XkbStateRec state{};
        if (m_pDisplay != nullptr && XkbGetState(m_pDisplay, XkbUseCoreKbd, &state) == Success)
            m_bWasOn = (state.locked_mods & LockMask) != 0;
    }
    ~CCapsLockGuard() { Set(m_bWasOn); }
    CCapsLockGuard(const CCapsLockGuard&) = delete;
    CCapsLockGuard& operator=(const CCapsLockGuard&) = delete;

    bool Available() const { return m_pDisplay != nullptr; }
    void Set(bool bOn)
    {
        if (m_pDisplay == nullptr)
            return;
        XkbLockModifiers(m_pDisplay, XkbUseCoreKbd, LockMask, bOn ? LockMask : 0);
        XSync(m_pDisplay, False);
    }

private:
    Display* m_pDisplay = nullptr;
    bool m_bWasOn = false;
};

TEST_F(App, TheModelReachesTheScreen)
{
    // What the X server shows, not what the view's framebuffer holds: the composition
    // step between the two is where a frame can get lost.
    auto pApp = Start();
    ASSERT_TRUE(pApp->OpenDocumentFile(Sample("house.3ds")));
    CTessaronView* pView = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (pView = pApp->MainFrame()->ActiveView()) != nullptr; }, 10000));

    QImage screen;
    auto teal = [&](const QPoint& at) {
        const QColor c = screen.pixelColor(pView->mapToGlobal(at));
        return std::abs(c.red() - 77) <= 3 && std::abs(c.green() - 153) <= 3 && std::abs(c.blue() - 153) <= 3;
    };
    // The first composed frame may take a while on a loaded machine; a lost one never comes.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        screen = pView->screen()->grabWindow(0).toImage();
        return teal(QPoint(3, 3));
    }, 10000));
    int nModel = 0;
    for (int y = 0; y < pView->height(); y += 4)
        for (int x = 0; x < pView->width(); x += 4) {
            const QColor p = screen.pixelColor(pView->mapToGlobal(QPoint(x, y)));
            nModel += p.red() > p.green() + 40 ? 1 : 0;  // the red roof
        }
    EXPECT_GT(nModel, 50);
}

TEST_F(App, LockPanesFollowTheKeyboard)
{
    auto pApp = Start();
    CMainFrame* pFrame = pApp->MainFrame();
    auto texts = [pFrame] {
        std::string s;
        for (QLabel* pLabel : pFrame->StatusBar()->findChildren<QLabel*>())
            s += "[" + pLabel->text().toStdString() + "]";
        return s;
    };
    CCapsLockGuard caps;
    ASSERT_TRUE(caps.Available());
    caps.Set(false);
    pFrame->UpdateIndicators();
    EXPECT_EQ(texts(), "[][][]");
    caps.Set(true);
    pFrame->UpdateIndicators();
    EXPECT_EQ(texts(), "[CAP][][]");
    caps.Set(false);
    pFrame->UpdateIndicators();
    EXPECT_EQ(texts(), "[][][]");
}

} // namespace
