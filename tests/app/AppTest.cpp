#include "AppFixture.h"

#include "platform/CDocument.h"
#include "platform/CMultiDocTemplate.h"
#include "platform/GLBinding.h"
#include "view/CTessaronView.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <fstream>

namespace {

TEST_F(App, StartsWithNoDocumentWithoutArguments)
{
    auto pApp = Start();
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
    ASSERT_TRUE(QTest::qWaitFor([pFrame] { return pFrame->ActiveView() != nullptr; }, 10000));
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
    EXPECT_TRUE(QTest::qWaitFor([pFrame] { return pFrame->CurrentMenuID() == IDR_MAINFRAME; }, 10000));
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
    auto windowCount = [pFrame](int n) {
        return QTest::qWaitFor([=] { return pFrame->MdiArea()->subWindowList().size() == n; }, 10000);
    };
    QTest::keyClick(pFrame, Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(windowCount(1));
    // Without a window manager the model window's focus keeps later key events from the
    // main window's shortcut map, so the second one goes through its accelerator action.
    auto accelerator = [pFrame](QKeyCombination key) -> QAction* {
        for (QAction* a : pFrame->actions())
            if (a->shortcut() == QKeySequence(key))
                return a;
        return nullptr;
    };
    ASSERT_NE(accelerator(Qt::CTRL | Qt::Key_N), nullptr);
    accelerator(Qt::CTRL | Qt::Key_N)->trigger();
    ASSERT_TRUE(windowCount(2));
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

    // Print with no model window does nothing. A dialog it opened by mistake would be
    // closed by the timer and counted instead of blocking the run.
    for (QMdiSubWindow* w : pFrame->MdiArea()->subWindowList())
        w->close();
    ASSERT_TRUE(windowCount(0));
    int nDialogs = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            ++nDialogs;
            pModal->close();
        }
    });
    closer.start(50);
    ASSERT_NE(accelerator(Qt::CTRL | Qt::Key_P), nullptr);
    accelerator(Qt::CTRL | Qt::Key_P)->trigger();  // a modal dialog would run inside this call
    EXPECT_EQ(nDialogs, 0);
    EXPECT_TRUE(m_recorder.m_aMessages.empty());
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

