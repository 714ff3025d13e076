#pragma once

#include "app/CMainFrame.h"
#include "app/CTessaronApp.h"
#include "app/resources/resource.h"

#include "MessageRecorder.h"
#include "TestFiles.h"

#include <QApplication>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

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
