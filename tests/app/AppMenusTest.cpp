// Menus as the user sees them: plain check marks and no glyphs, the Window menu's list,
// the recent-file entries, and the Open dialog's filter.
#include "AppFixture.h"

#include "app/resources/resource.h"
#include "tools/C3dsWriter.h"
#include "platform/CRecentFileList.h"
#include "view/CTessaronView.h"

#include <QCursor>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <fstream>

namespace {

using AppMenus = CAppTest;

// The menu popped up away from the pointer (so no item is highlighted) and grabbed.
QImage Picture(QMenu* pMenu)
{
    const QPoint pointer = QCursor::pos();
    pMenu->popup(QPoint(pointer.x() < 640 ? 900 : 100, pointer.y() < 512 ? 600 : 100));
    if (!QTest::qWaitForWindowExposed(pMenu))
        return {};
    QImage image = pMenu->grab().toImage();
    pMenu->close();
    return image;
}

// A menu with the same items as pMenu, drawn as plain text items without glyphs, each with
// a check box only where bCheckable(item) says so.
template <typename Pred>
QImage PlainPicture(const QList<QAction*>& aItems, Pred bCheckable)
{
    QMenu menu;
    for (QAction* pItem : aItems) {
        if (pItem->isSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* pPlain = menu.addAction(pItem->text());
        pPlain->setEnabled(pItem->isEnabled());
        pPlain->setCheckable(bCheckable(pItem));
        pPlain->setChecked(pItem->isChecked());
    }
    return Picture(&menu);
}

TEST_F(AppMenus, ViewMenuShowsCheckMarksNotGlyphs)
{
    NewWindow();
    m_pFrame->Action(ID_WHITE_BACKGROUND)->trigger();
    m_pFrame->Action(ID_AUTO_ROTATE)->trigger();
    QMenu* pView = Popup("&View");
    ASSERT_NE(pView, nullptr);
    const QImage real = Picture(pView);
    ASSERT_FALSE(real.isNull());
    EXPECT_TRUE(real == PlainPicture(pView->actions(), [](QAction* p) { return p->isCheckable(); }));
}

TEST_F(AppMenus, FullShadingIsCheckedOnMenuAndToolbarAndNamesAMissingTexture)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("Lost", {0, 0, 0}, {102, 153, 204}, {0, 0, 0}).TextureMap("MISSING.PNG").End();
    w.BeginObject("Quad").Vertices({0, 0, 0, 1, 0, 0, 1, 1, 0}).Mapping({0, 0, 1, 0, 1, 1});
    w.BeginFaces({0, 1, 2, 0}).FaceMaterial("Lost", {0});
    CTempFile model(w.Finish().Bytes(), "lost.3ds");
    ASSERT_TRUE(m_pApp->OpenDocumentFile(model.Path()));
    Activate();
    QAction* pCommand = m_pFrame->Action(ID_VIEW_FULL_SHADING);
    ASSERT_NE(pCommand, nullptr);
    auto* pButton = qobject_cast<QToolButton*>(ToolButton(ID_VIEW_FULL_SHADING));
    ASSERT_NE(pButton, nullptr);
    EXPECT_FALSE(pCommand->isChecked());

    pCommand->trigger();
    EXPECT_TRUE(m_pFrame->ActiveView()->m_bFullShading);
    EXPECT_TRUE(pCommand->isChecked());
    EXPECT_TRUE(pButton->isChecked());
    const QString strMessage = m_pFrame->StatusBar()->currentMessage();
    EXPECT_TRUE(strMessage.contains("lost.3ds: texture MISSING.PNG not found")) << strMessage.toStdString();

    QTest::mouseClick(pButton, Qt::LeftButton);
    EXPECT_FALSE(m_pFrame->ActiveView()->m_bFullShading);
    EXPECT_FALSE(pCommand->isChecked());
}

TEST_F(AppMenus, WindowMenuChecksOnlyTheActiveWindow)
{
    NewWindow();
    NewWindow();
    QMdiSubWindow* pLast = NewWindow();
    Area()->setActiveSubWindow(Area()->subWindowList().front());
    QMenu* pWindow = Popup("&Window");
    ASSERT_NE(pWindow, nullptr);
    const QImage real = Picture(pWindow);
    ASSERT_FALSE(real.isNull());
    const QList<QAction*> aItems = pWindow->actions();
    ASSERT_EQ(aItems.size(), 7);
    EXPECT_EQ(aItems[4]->text().toStdString(), "&1 Tessaron1");
    EXPECT_TRUE(aItems[4]->isChecked());
    EXPECT_TRUE(real == PlainPicture(aItems, [](QAction* p) { return p->isChecked(); }));

    // Choosing an entry activates its window.
    aItems[6]->trigger();
    EXPECT_EQ(Area()->activeSubWindow(), pLast);
}

TEST_F(AppMenus, OpenDialogShowsItsFilterAndListsEveryFile)
{
    CTempFile plain({'x'}, "model");  // no dot in the name
    std::ofstream(plain.Dir() + "/cube.3ds") << "x";
    const QString strDir = QString::fromStdString(plain.Dir());
    QStringList aFilters;
    QStringList aNames;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (pDialog == nullptr)
            return;
        poll.stop();
        aFilters = pDialog->nameFilters();
        pDialog->setDirectory(strDir);
        auto* pModel = pDialog->findChild<QFileSystemModel*>();
        auto names = [&] {
            QStringList a;
            const QModelIndex root = pModel->index(strDir);
            for (int i = 0; i < pModel->rowCount(root); ++i)
                a << pModel->index(i, 0, root).data().toString();
            return a;
        };
        // A filter that hid the file without a dot makes this wait run out.
        if (pModel != nullptr) {
            (void)QTest::qWaitFor([&] { return names().contains("cube.3ds") && names().contains("model"); }, 5000);
            aNames = names();
        }
        pDialog->reject();
    });
    poll.start();
    m_pFrame->Action(ID_FILE_OPEN)->trigger();
    EXPECT_EQ(aFilters, QStringList{"All Files (*.*)"});
    EXPECT_TRUE(aNames.contains("cube.3ds")) << aNames.join(' ').toStdString();
    EXPECT_TRUE(aNames.contains("model")) << aNames.join(' ').toStdString();
    EXPECT_TRUE(m_recorder.m_aMessages.empty());
}

TEST(RecentFileMenu, LongPathsLoseWholeFoldersAfterTheFirstAndKeepTheName)
{
    EXPECT_EQ(AbbreviatePath("/usr/share/assimp/models/3DS/accesspoint_inet.3ds", 30), "/usr/.../accesspoint_inet.3ds");
    EXPECT_EQ(AbbreviatePath("/home/ann/a/deep/folder/models/cube.3ds", 30), "/home/.../models/cube.3ds");
    EXPECT_EQ(AbbreviatePath("/home/ann/models/cube.3ds", 30), "/home/ann/models/cube.3ds");
    // Not even the first folder fits beside the name: the name alone.
    EXPECT_EQ(AbbreviatePath("/a-rather-long-folder-name/model-of-a-house.3ds", 30), "model-of-a-house.3ds");
    // A name too long alone is cut, in characters, never inside one.
    const std::string strLong = "/data/" + std::string(40, 'x') + ".3ds";
    EXPECT_EQ(AbbreviatePath(strLong, 30), std::string(27, 'x') + "...");
    std::string strAccented = "/data/";
    for (int i = 0; i < 40; ++i)
        strAccented += "\xC3\xA9";  // é
    const QString strCut = QString::fromStdString(AbbreviatePath(strAccented, 30));
    EXPECT_EQ(strCut, QString(27, QChar(0xE9)) + "...");

    // The menu entry: numbered, '&' doubled after shortening.
    CRecentFileList list(4);
    list.Add("/usr/share/assimp/models/3DS/house&garden.3ds");
    EXPECT_EQ(list.MenuText(0), "&1 /usr/.../3DS/house&&garden.3ds");
}

} // namespace
