#include "app/CMainFrame.h"
#include "app/CTessaronApp.h"
#include "app/resources/resource.h"
#include "platform/CDocument.h"
#include "platform/CMultiDocTemplate.h"
#include "platform/GLBinding.h"
#include "view/CTessaronView.h"

#include "MessageRecorder.h"
#include "TestFiles.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QScreen>
#include <QToolBar>

#include <gtest/gtest.h>

#include <QLabel>
#include <QGuiApplication>

// Last: Xlib's macros clash with Qt's names.
#include <X11/XKBlib.h>

#include <filesystem>
#include <fstream>

namespace {

// Locks Caps Lock on the X server the way the key itself does.
void SetCapsLock(bool bOn)
{
    auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(pX11, nullptr);
    XkbLockModifiers(pX11->display(), XkbUseCoreKbd, LockMask, bOn ? LockMask : 0);
    XSync(pX11->display(), False);
}

std::string Sample(const char* name)
{
    return std::string(TESSARON_SOURCE_DIR) + "/samples/" + name;
}

const unsigned kModelCommands[] = {ID_AUTO_ROTATE, ID_WALK_AROUND, ID_WHITE_BACKGROUND, ID_SHOW_NET,
                                   ID_ZOOM_IN,     ID_ZOOM_OUT,    ID_HOME};

// Each test gets its own settings folder, so recent files never leak between tests.
class App : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pConfig = std::make_unique<CTempFile>(std::vector<std::uint8_t>{});
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_pConfig->Dir()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(m_pConfig->Dir()));
    }
    std::unique_ptr<CTessaronApp> Start(std::vector<std::string> args = {})
    {
        m_args = {"tessaron"};
        m_args.insert(m_args.end(), args.begin(), args.end());
        m_argv.clear();
        for (auto& a : m_args)
            m_argv.push_back(a.data());
        m_argc = static_cast<int>(m_argv.size());
        auto pApp = std::make_unique<CTessaronApp>(m_argc, m_argv.data());
        EXPECT_TRUE(pApp->InitInstance());
        (void)QTest::qWaitForWindowExposed(pApp->MainFrame());
        QApplication::setActiveWindow(pApp->MainFrame());
        return pApp;
    }
    std::vector<std::string> MenuTitles(CMainFrame* pFrame)
    {
        std::vector<std::string> titles;
        for (QAction* a : pFrame->menuBar()->actions())
            titles.push_back(a->text().toStdString());
        return titles;
    }
    std::string SettingsFile() const { return m_pConfig->Dir() + "/Brannock/Tessaron.ini"; }

    CMessageRecorder m_recorder;
    std::unique_ptr<CTempFile> m_pConfig;
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
    int m_argc = 0;
};

TEST_F(App, StartsWithNoDocumentWhateverTheCommandLineSays)
{
    auto pApp = Start({Sample("house.3ds")});
    CMainFrame* pFrame = pApp->MainFrame();
    EXPECT_TRUE(pFrame->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(pFrame->CurrentMenuID(), IDR_MAINFRAME);
    EXPECT_EQ(MenuTitles(pFrame), (std::vector<std::string>{"&File", "&View", "&Help"}));
    EXPECT_EQ(pFrame->windowTitle().toStdString(), "Tessaron");
    EXPECT_TRUE(pFrame->Action(ID_FILE_OPEN)->isEnabled());
    for (unsigned nID : kModelCommands)
        EXPECT_FALSE(pFrame->Action(nID)->isEnabled()) << nID;
    EXPECT_FALSE(pFrame->Action(ID_FILE_CLOSE)->isEnabled());
    EXPECT_EQ(pFrame->StatusBar()->currentMessage().toStdString(), " ");
}

TEST_F(App, OpeningAModelSwitchesMenusAndCommandsFollowTheView)
{
    auto pApp = Start();
    CMainFrame* pFrame = pApp->MainFrame();
    ASSERT_TRUE(pApp->OpenDocumentFile(Sample("house.3ds")));
    QTest::qWait(100);
    EXPECT_EQ(pFrame->CurrentMenuID(), IDR_MODELTYPE);
    EXPECT_EQ(MenuTitles(pFrame), (std::vector<std::string>{"&File", "&View", "&Window", "&Help"}));
    EXPECT_EQ(pFrame->windowTitle().toStdString(), "Tessaron - house.3ds");
    for (unsigned nID : kModelCommands)
        EXPECT_TRUE(pFrame->Action(nID)->isEnabled()) << nID;
    CTessaronView* pView = pFrame->ActiveView();
    ASSERT_NE(pView, nullptr);
    EXPECT_FALSE(pView->m_c3DS.m_aFaces.empty());
    EXPECT_TRUE(pFrame->Action(ID_SHOW_NET)->isChecked());

    pFrame->Action(ID_WHITE_BACKGROUND)->trigger();
    EXPECT_TRUE(pView->m_bWhiteBackground);
    EXPECT_TRUE(pFrame->Action(ID_WHITE_BACKGROUND)->isChecked());
    QTest::keyClick(pView, Qt::Key_N);  // keys refresh the check marks too
    EXPECT_FALSE(pFrame->Action(ID_SHOW_NET)->isChecked());

    pFrame->Action(ID_FILE_CLOSE)->trigger();
    QTest::qWait(100);
    EXPECT_EQ(pFrame->CurrentMenuID(), IDR_MAINFRAME);
    EXPECT_FALSE(pFrame->Action(ID_HOME)->isEnabled());
    EXPECT_TRUE(m_recorder.m_aMessages.empty());
}

TEST_F(App, RecentFilesMoveToTheTopDropTheOldestAndSurviveARestart)
{
    std::vector<std::unique_ptr<CTempFile>> files;
    {
        auto pApp = Start();
        std::ifstream in(Sample("cube.3ds"), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        for (int i = 0; i < 16; ++i) {
            files.push_back(std::make_unique<CTempFile>(bytes, "m" + std::to_string(i) + ".3ds"));
            ASSERT_TRUE(pApp->OpenDocumentFile(files.back()->Path()));
        }
        const auto& entries = pApp->RecentFiles().Entries();
        ASSERT_EQ(entries.size(), 15u);
        EXPECT_EQ(entries.front(), files[15]->Path());
        EXPECT_EQ(entries.back(), files[1]->Path());  // the first one dropped out
        // Opening an entry again moves it to the top (its window is activated).
        ASSERT_TRUE(pApp->OpenDocumentFile(files[5]->Path()));
        EXPECT_EQ(pApp->RecentFiles().Entries().front(), files[5]->Path());
        pApp->MainFrame()->close();
        pApp->ExitInstance();
        EXPECT_TRUE(m_recorder.m_aMessages.empty());  // exit asks nothing
        EXPECT_EQ(wglGetCurrentContext(), nullptr);
    }
    QSettings saved(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    EXPECT_EQ(saved.value("Recent File List/File1").toString().toStdString(), files[5]->Path());
    EXPECT_EQ(saved.value("Recent File List/File15").toString().toStdString(), files[1]->Path());

    // A restart reads the list back; an entry whose file vanished is dropped when chosen.
    auto pApp = Start();
    ASSERT_EQ(pApp->RecentFiles().Entries().size(), 15u);
    std::filesystem::remove(files[5]->Path());
    QMenu* pFile = pApp->MainFrame()->menuBar()->actions().front()->menu();
    QAction* pFirst = nullptr;
    for (QAction* a : pFile->actions())
        if (a->text().startsWith("&1 "))
            pFirst = a;
    ASSERT_NE(pFirst, nullptr);
    pFirst->trigger();
    ASSERT_EQ(m_recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(m_recorder.m_aMessages[0].strText,
              "m5.3ds\nCannot find this file.\nPlease verify that the correct path and file name are given.");
    EXPECT_EQ(pApp->RecentFiles().Entries().size(), 14u);
    EXPECT_EQ(pApp->RecentFiles().Entries().front(), files[15]->Path());
    EXPECT_TRUE(pApp->MainFrame()->MdiArea()->subWindowList().isEmpty());
}

TEST_F(App, NewDocumentsToolbarAndStatusBar)
{
    auto pApp = Start();
    CMainFrame* pFrame = pApp->MainFrame();
    QTest::keyClick(pFrame, Qt::Key_N, Qt::ControlModifier);
    QTest::qWait(100);
    // Without a window manager the model window's focus keeps later key events from the
    // main window's shortcut map, so the second one goes through its accelerator action.
    for (QAction* a : pFrame->actions())
        if (a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_N))
            a->trigger();
    QTest::qWait(100);
    auto windows = pFrame->MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->windowTitle().toStdString(), "Tessaron1");
    EXPECT_EQ(windows[1]->windowTitle().toStdString(), "Tessaron2");

    // The Show net prompt while the pointer rests on its button, the idle text after.
    QApplication::sendEvent(pFrame, new QStatusTipEvent(pFrame->Action(ID_SHOW_NET)->statusTip()));
    EXPECT_EQ(pFrame->StatusBar()->currentMessage().toStdString(), "Show the coordinate grid");
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(pFrame, &leave);
    EXPECT_EQ(pFrame->StatusBar()->currentMessage().toStdString(), " ");
    EXPECT_EQ(pFrame->Action(ID_SHOW_NET)->toolTip().toStdString(), "Show the coordinate grid");

    pFrame->Action(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_FALSE(pFrame->ToolBar()->isVisible());
    EXPECT_FALSE(pFrame->Action(ID_VIEW_TOOLBAR)->isChecked());
    pFrame->Action(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_TRUE(pFrame->ToolBar()->isVisible());
    EXPECT_EQ(pFrame->toolBarArea(pFrame->ToolBar()), Qt::TopToolBarArea);

    // Print with no model window does nothing (no dialog would let this return).
    for (QMdiSubWindow* w : pFrame->MdiArea()->subWindowList())
        w->close();
    QTest::qWait(50);
    QTest::keyClick(pFrame, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(m_recorder.m_aMessages.empty());
}

} // namespace

namespace {

TEST_F(App, TheModelReachesTheScreen)
{
    // What the X server shows, not what the view's framebuffer holds: the composition
    // step between the two is where a frame can get lost.
    auto pApp = Start();
    ASSERT_TRUE(pApp->OpenDocumentFile(Sample("house.3ds")));
    QTest::qWait(500);
    CTessaronView* pView = pApp->MainFrame()->ActiveView();
    ASSERT_NE(pView, nullptr);
    const QImage screen = pView->screen()->grabWindow(0).toImage();
    const QPoint corner = pView->mapToGlobal(QPoint(3, 3));
    const QColor c = screen.pixelColor(corner);
    EXPECT_NEAR(c.red(), 77, 3);
    EXPECT_NEAR(c.green(), 153, 3);
    EXPECT_NEAR(c.blue(), 153, 3);
    int nModel = 0;
    for (int y = 0; y < pView->height(); y += 4)
        for (int x = 0; x < pView->width(); x += 4) {
            const QColor p = screen.pixelColor(pView->mapToGlobal(QPoint(x, y)));
            nModel += p.red() > p.green() + 40 ? 1 : 0;  // the red roof
        }
    EXPECT_GT(nModel, 50);
}

} // namespace

namespace {

TEST_F(App, HelpShowsThePageBesideTheProgramOrSaysItCannot)
{
    auto pApp = Start();
    CMainFrame* pFrame = pApp->MainFrame();
    const QString strHelp = QCoreApplication::applicationDirPath() + "/" +
                            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".html";
    QFile::remove(strHelp);
    pFrame->Action(ID_HELP_FINDER)->trigger();
    ASSERT_EQ(m_recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(m_recorder.m_aMessages[0].strText, "Failed to launch help.");
    EXPECT_EQ(m_recorder.m_aMessages[0].strCaption, "Tessaron");

    // With the page in place it opens, in the desktop's browser or, with none, in a window
    // of our own; either way without a failure message.
    ASSERT_TRUE(QFile::copy(QString(TESSARON_SOURCE_DIR) + "/app/resources/tessaron.html", strHelp));
    pFrame->Action(ID_HELP_FINDER)->trigger();
    QTest::qWait(200);
    EXPECT_EQ(m_recorder.m_aMessages.size(), 1u);
    QFile::remove(strHelp);

    // An installed viewer finds the page in its data folder, share/tessaron beside bin/.
    const QString strDataDir = QCoreApplication::applicationDirPath() + "/" TESSARON_HELP_DIR;
    const QString strInstalled = strDataDir + "/" + QFileInfo(strHelp).fileName();
    ASSERT_TRUE(QDir().mkpath(strDataDir));
    ASSERT_TRUE(QFile::copy(QString(TESSARON_SOURCE_DIR) + "/app/resources/tessaron.html", strInstalled));
    pFrame->Action(ID_HELP_FINDER)->trigger();
    EXPECT_EQ(m_recorder.m_aMessages.size(), 1u);
    QFile::remove(strInstalled);
    QDir().rmpath(strDataDir);
}

} // namespace

namespace {

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
    SetCapsLock(false);
    pFrame->UpdateIndicators();
    EXPECT_EQ(texts(), "[][][]");
    SetCapsLock(true);
    pFrame->UpdateIndicators();
    EXPECT_EQ(texts(), "[CAP][][]");
    SetCapsLock(false);
    pFrame->UpdateIndicators();
    EXPECT_EQ(texts(), "[][][]");
}

} // namespace
