#pragma once

#include "app/CHelp.h"
#include "app/CMainFrame.h"
#include "app/CTessaronApp.h"
#include "app/resources/resource.h"

#include "MessageRecorder.h"
#include "TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QToolBar>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

inline std::string Sample(const char* name)
{
    return std::string(TESSARON_SOURCE_DIR) + "/samples/" + name;
}

inline const unsigned kModelCommands[] = {ID_AUTO_ROTATE, ID_WALK_AROUND, ID_WHITE_BACKGROUND, ID_SHOW_NET,
                                   ID_ZOOM_IN,     ID_ZOOM_OUT,    ID_HOME};

// Each test gets its own settings folder, so recent files never leak between tests.
class CAppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pConfig = std::make_unique<CTempFile>(std::vector<std::uint8_t>{});
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_pConfig->Dir()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(m_pConfig->Dir()));
    }
    std::string SettingsFile() const { return m_pConfig->Dir() + "/Brannock/Tessaron.ini"; }

    CMessageRecorder m_recorder;
    std::unique_ptr<CTempFile> m_pConfig;
};

// The program started by each test itself, with the command line it chooses.
class App : public CAppSettingsTest {
protected:
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
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
    int m_argc = 0;
};

// The whole program with its own settings folder, so recent files never leak between
// tests, and a recorder in place of the desktop's help viewer, so no browser ever opens.
class CAppTest : public CAppSettingsTest {
protected:
    void SetUp() override
    {
        CAppSettingsTest::SetUp();
        m_pApp = std::make_unique<CTessaronApp>(m_argc, m_argv);
        ASSERT_TRUE(m_pApp->InitInstance());
        m_pFrame = m_pApp->MainFrame();
        m_pFrame->Help().m_fnOpenUrl = [this](const QUrl& url) {
            m_aOpenedUrls.push_back(url);
            return m_bDesktopViewer;
        };
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame));
        Activate();
    }
    // Without a window manager nothing keeps the main window active once a model window
    // takes the focus, and shortcuts only reach the active window: make it so again.
    void Activate() { QApplication::setActiveWindow(m_pFrame); }
    void TearDown() override
    {
        m_pApp.reset();
        QTest::qWait(0);
    }

    QMdiArea* Area() const { return m_pFrame->MdiArea(); }

    // A new, empty model window (File New), its view focused.
    QMdiSubWindow* NewWindow()
    {
        m_pApp->OnFileNew();
        QMdiSubWindow* pSub = Area()->activeSubWindow();
        EXPECT_NE(pSub, nullptr);
        if (pSub != nullptr) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(pSub));
        }
        Activate();
        return pSub;
    }

    // The popup of the menu bar whose title is strTitle ("&File").
    QMenu* Popup(const QString& strTitle) const
    {
        for (QAction* pAction : m_pFrame->menuBar()->actions())
            if (pAction->text() == strTitle)
                return pAction->menu();
        return nullptr;
    }

    // The toolbar's button for a command.
    QWidget* ToolButton(unsigned nID) const
    {
        for (QAction* pAction : m_pFrame->ToolBar()->actions())
            if (pAction->data().toUInt() == nID)
                return m_pFrame->ToolBar()->widgetForAction(pAction);
        return nullptr;
    }

    // The accelerator action for keys, as the main window holds it.
    QAction* Accelerator(const QKeySequence& keys) const
    {
        for (QAction* pAction : m_pFrame->actions())
            if (pAction->shortcut() == keys)
                return pAction;
        return nullptr;
    }

    int m_argc = 1;
    char m_szName[9] = "tessaron";
    char* m_argv[2] = {m_szName, nullptr};
    std::unique_ptr<CTessaronApp> m_pApp;
    CMainFrame* m_pFrame = nullptr;
    std::vector<QUrl> m_aOpenedUrls;
    bool m_bDesktopViewer = true;  // what the recorder answers: a desktop viewer showed the page
};
