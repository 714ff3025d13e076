// Help: Shift+F1's help mode and the one help window of a desktop without a viewer.
#include "AppFixture.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"

#include <QCursor>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>

namespace {

using AppHelp = CAppTest;

const char* const kHelpPrompt = "Click a button, menu or window to get help on it";

TEST_F(AppHelp, HelpModeAnswersTheNextClickOnACommandAndEscLeavesIt)
{
    QAction* pContextHelp = Accelerator(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    ASSERT_NE(pContextHelp, nullptr);
    auto status = [this] { return m_pFrame->StatusBar()->currentMessage().toStdString(); };

    // A toolbar button, disabled with no model window, still has its help.
    pContextHelp->trigger();
    EXPECT_EQ(status(), kHelpPrompt);
    QTest::mouseClick(ToolButton(ID_SHOW_NET), Qt::LeftButton);
    ASSERT_EQ(m_aOpenedUrls.size(), 1u);
    EXPECT_EQ(m_aOpenedUrls[0].fragment().toStdString(), "view-show-net");
    EXPECT_TRUE(m_aOpenedUrls[0].path().endsWith(".html"));
    EXPECT_EQ(status(), " ");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A menu item gives its help instead of running.
    pContextHelp->trigger();
    QMenu* pView = Popup("&View");
    ASSERT_NE(pView, nullptr);
    pView->popup(m_pFrame->mapToGlobal(QPoint(20, 40)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pView));
    QTest::mouseClick(pView, Qt::LeftButton, {}, pView->actionGeometry(m_pFrame->Action(ID_VIEW_TOOLBAR)).center());
    ASSERT_EQ(m_aOpenedUrls.size(), 2u);
    EXPECT_EQ(m_aOpenedUrls[1].fragment().toStdString(), "view-toolbar");
    EXPECT_TRUE(m_pFrame->ToolBar()->isVisible());
    EXPECT_FALSE(pView->isVisible());
    EXPECT_EQ(status(), " ");

    // Esc ends the mode with no help; the next click is an ordinary one again.
    pContextHelp->trigger();
    EXPECT_EQ(status(), kHelpPrompt);
    QTest::keyClick(m_pFrame, Qt::Key_Escape);
    EXPECT_EQ(status(), " ");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    m_pFrame->Action(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_FALSE(m_pFrame->ToolBar()->isVisible());
    EXPECT_EQ(m_aOpenedUrls.size(), 2u);
}

TEST_F(AppHelp, OneHelpWindowThatEveryRequestBringsToTheFront)
{
    m_bDesktopViewer = false;
    QAction* pHelp = Accelerator(QKeySequence(Qt::Key_F1));
    ASSERT_NE(pHelp, nullptr);
    auto viewers = [] {
        QList<QWidget*> a;
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (pWidget->objectName() == "HelpViewer" && pWidget->isVisible())
                a << pWidget;
        return a;
    };
    for (int i = 0; i < 3; ++i)
        pHelp->trigger();
    ASSERT_EQ(viewers().size(), 1);
    QWidget* pViewer = viewers().front();

    // Minimised, it comes back; help mode shows the command's entry in the same window.
    pViewer->showMinimized();
    pHelp->trigger();
    EXPECT_FALSE(pViewer->isMinimized());
    Accelerator(QKeySequence(Qt::SHIFT | Qt::Key_F1))->trigger();
    QTest::mouseClick(ToolButton(ID_HOME), Qt::LeftButton);
    ASSERT_EQ(viewers().size(), 1);
    EXPECT_EQ(pViewer->findChild<QTextBrowser*>()->source().fragment().toStdString(), "view-home");
}

TEST(HelpTopics, EveryCommandHasItsEntryOnThePage)
{
    const QString strPage = LoadHelpPage();
    std::vector<unsigned> aIDs = {AFX_IDM_FIRST_MDICHILD, IDR_MODELTYPE, ID_FILE_MRU_FILE1 + 3};
    for (unsigned nMenu : {IDR_MAINFRAME, IDR_MODELTYPE})
        for (const SMenuPopup& popup : LoadMenuTable(nMenu))
            for (const SMenuItem& item : popup.aItems)
                if (!item.bSeparator)
                    aIDs.push_back(item.nID);
    for (const SAccelerator& accel : LoadAcceleratorTable())
        aIDs.push_back(accel.nID);
    for (unsigned nID : aIDs) {
        const QString strTopic = QString::fromUtf8(HelpTopic(nID));
        // An anchor both a browser and Qt's own viewer find.
        EXPECT_TRUE(!strTopic.isEmpty() && (strPage.contains("<a id=\"" + strTopic + "\">") ||
                                            strPage.contains("<h2 id=\"" + strTopic + "\">")))
            << nID;
    }
}

} // namespace
