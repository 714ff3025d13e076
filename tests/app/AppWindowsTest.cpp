// Model windows in the workspace: the arrangement commands, the caption, the title-bar
// icon, and what opening a file that is not a model says.
#include "AppFixture.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"
#include "platform/CDocument.h"

#include <QIcon>
#include <QImage>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

using AppWindows = CAppTest;

bool WaitForTitle(QWidget* pWindow, const QString& strTitle)
{
    return QTest::qWaitFor([&] { return pWindow->windowTitle() == strTitle; }, 2000);
}

TEST_F(AppWindows, TileStacksTheWindowsAtFullWidth)
{
    NewWindow();
    NewWindow();
    QMdiSubWindow* pMinimised = NewWindow();
    pMinimised->showMinimized();
    QMdiSubWindow* pActive = Area()->subWindowList()[1];
    Area()->setActiveSubWindow(pActive);
    m_pFrame->Action(ID_WINDOW_TILE_HORZ)->trigger();

    const QRect area = Area()->viewport()->rect();
    std::vector<QRect> tiles;
    for (QMdiSubWindow* pSub : Area()->subWindowList())
        if (!pSub->isMinimized())
            tiles.push_back(pSub->geometry());
    ASSERT_EQ(tiles.size(), 2u);
    std::sort(tiles.begin(), tiles.end(), [](const QRect& a, const QRect& b) { return a.y() < b.y(); });
    EXPECT_EQ(pActive->geometry(), tiles[0]);  // the active window on top
    for (const QRect& tile : tiles) {
        EXPECT_EQ(tile.x(), 0);
        EXPECT_EQ(tile.width(), area.width());
    }
    EXPECT_EQ(tiles[0].y(), 0);
    EXPECT_EQ(tiles[1].y(), tiles[0].bottom() + 1);
    // The minimised window keeps the bottom edge; the tiles end where it begins.
    EXPECT_EQ(pMinimised->geometry().bottom(), area.bottom());
    EXPECT_EQ(tiles[1].bottom() + 1, pMinimised->y());
}

TEST_F(AppWindows, ArrangeIconsLinesUpMinimisedWindowsAndLeavesTheOthers)
{
    QMdiSubWindow* pFirst = NewWindow();
    QMdiSubWindow* pOpen = NewWindow();
    QMdiSubWindow* pThird = NewWindow();
    pFirst->showMinimized();
    pThird->showMinimized();
    pFirst->move(200, 150);
    pThird->move(40, 300);
    pOpen->setGeometry(100, 60, 300, 200);
    m_pFrame->Action(ID_WINDOW_ARRANGE)->trigger();

    EXPECT_EQ(pOpen->geometry(), QRect(100, 60, 300, 200));
    const QRect area = Area()->viewport()->rect();
    EXPECT_EQ(pFirst->pos(), QPoint(0, area.bottom() + 1 - pFirst->height()));
    EXPECT_EQ(pThird->pos(), QPoint(pFirst->width(), area.bottom() + 1 - pThird->height()));
    EXPECT_TRUE(pFirst->isMinimized());
}

TEST_F(AppWindows, CaptionShowsTheDocumentInBracketsWhileItsWindowIsMaximised)
{
    QMdiSubWindow* pFirst = NewWindow();
    EXPECT_TRUE(WaitForTitle(m_pFrame, "Tessaron - Tessaron1")) << m_pFrame->windowTitle().toStdString();
    pFirst->showMaximized();
    EXPECT_TRUE(WaitForTitle(m_pFrame, "Tessaron - [Tessaron1]")) << m_pFrame->windowTitle().toStdString();
    QMdiSubWindow* pSecond = NewWindow();  // opens maximised like the active one
    EXPECT_TRUE(WaitForTitle(m_pFrame, "Tessaron - [Tessaron2]")) << m_pFrame->windowTitle().toStdString();
    pSecond->showNormal();
    EXPECT_TRUE(WaitForTitle(m_pFrame, "Tessaron - Tessaron2")) << m_pFrame->windowTitle().toStdString();
    Area()->closeAllSubWindows();
    EXPECT_TRUE(WaitForTitle(m_pFrame, "Tessaron")) << m_pFrame->windowTitle().toStdString();
}

TEST_F(AppWindows, TitleBarShowsTheSixteenPixelIcon)
{
    QMdiSubWindow* pSub = NewWindow();
    ASSERT_NE(pSub, nullptr);
    const QImage icon = LoadResourceIcon(IDR_MODELTYPE).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(16, 16));
    const QImage bar = pSub->grab(QRect(0, 0, 60, 40)).toImage().convertToFormat(QImage::Format_ARGB32);
    // Somewhere at the left of the title bar every opaque pixel of the image appears as it is.
    auto drawnAt = [&](int x0, int y0) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (qAlpha(icon.pixel(x, y)) == 255 && bar.pixel(x0 + x, y0 + y) != icon.pixel(x, y))
                    return false;
        return true;
    };
    bool bFound = false;
    for (int y0 = 0; y0 + 16 <= bar.height() && !bFound; ++y0)
        for (int x0 = 0; x0 + 16 <= bar.width() && !bFound; ++x0)
            bFound = drawnAt(x0, y0);
    EXPECT_TRUE(bFound);
}

TEST_F(AppWindows, FilesThatAreNotModelsSayWhyNamingThem)
{
    CTempFile folder({});
    const std::string strPipe = folder.Dir() + "/pipe.3ds";
    ASSERT_EQ(::mkfifo(strPipe.c_str(), 0600), 0);
    EXPECT_FALSE(m_pApp->OpenDocumentFile(folder.Dir()));
    EXPECT_FALSE(m_pApp->OpenDocumentFile(strPipe));
    EXPECT_FALSE(m_pApp->OpenDocumentFile(folder.Dir() + "/gone.3ds"));
    ASSERT_EQ(m_recorder.m_aMessages.size(), 3u);
    EXPECT_EQ(m_recorder.m_aMessages[0].strText, folder.Dir() + " is not a regular file.");
    EXPECT_EQ(m_recorder.m_aMessages[1].strText, strPipe + " is not a regular file.");
    EXPECT_EQ(m_recorder.m_aMessages[2].strText,
              "gone.3ds\nCannot find this file.\nPlease verify that the correct path and file name are given.");
    EXPECT_TRUE(Area()->subWindowList().isEmpty());
    // Root reads any file, so a denied read is checked on the message itself.
    EXPECT_EQ(FormatOpenFailure(EACCES, "/srv/house.3ds"), "Access to /srv/house.3ds was denied.");
    EXPECT_EQ(FormatOpenFailure(EIO, "/srv/house.3ds"),
              "A hardware I/O error was reported while accessing /srv/house.3ds.");
}

} // namespace
