// Keys in the whole program: the accelerator table is the only source of shortcuts, every
// other key reaches the focused model view, and Alt belongs to the menus.
#include "AppFixture.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"
#include "view/CTessaronView.h"

#include <QShortcut>
#include <QSignalSpy>

#include <set>

namespace {

using AppKeys = CAppTest;

TEST_F(AppKeys, OnlyTheAcceleratorTableHoldsShortcuts)
{
    NewWindow();
    NewWindow();
    std::set<QKeySequence> allowed;
    for (const SAccelerator& accel : LoadAcceleratorTable())
        allowed.insert(AcceleratorKeys(accel));
    for (QWidget* pWidget : QApplication::allWidgets()) {
        std::vector<QKeySequence> keys;
        for (QAction* pAction : pWidget->actions())
            for (const QKeySequence& seq : pAction->shortcuts())
                keys.push_back(seq);
        for (QShortcut* pShortcut : pWidget->findChildren<QShortcut*>(Qt::FindDirectChildrenOnly))
            keys.push_back(pShortcut->key());
        for (const QKeySequence& seq : keys)
            EXPECT_TRUE(allowed.count(seq)) << pWidget->metaObject()->className() << " "
                                            << seq.toString().toStdString();
    }
}

TEST_F(AppKeys, KeysOfTheViewReachItWithEveryModifier)
{
    QMdiSubWindow* pSub = NewWindow();
    ASSERT_NE(pSub, nullptr);
    CTessaronView* pView = m_pFrame->ActiveView();
    ASSERT_NE(pView, nullptr);
    QSignalSpy handled(pView, &CTessaronView::KeyHandled);
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_A, {}},        {Qt::Key_N, {}},         {Qt::Key_R, {}},        {Qt::Key_W, {}},
        {Qt::Key_S, {}},
        {Qt::Key_Left, {}},     {Qt::Key_Right, {}},     {Qt::Key_Up, {}},       {Qt::Key_Down, {}},
        {Qt::Key_PageUp, {}},   {Qt::Key_PageDown, {}},  {Qt::Key_Home, {}},     {Qt::Key_F2, {}},
        {Qt::Key_Plus, Qt::KeypadModifier}, {Qt::Key_Minus, Qt::KeypadModifier},
        {Qt::Key_3, Qt::KeypadModifier},    {Qt::Key_9, Qt::KeypadModifier},
        {Qt::Key_5, Qt::KeypadModifier},    {Qt::Key_4, Qt::KeypadModifier}};
    const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier,
                                               Qt::ControlModifier | Qt::ShiftModifier};
    int nExpected = 0;
    std::set<QKeySequence> accelerators;
    for (const SAccelerator& accel : LoadAcceleratorTable())
        accelerators.insert(AcceleratorKeys(accel));
    for (auto [key, keyMods] : keys)
        for (Qt::KeyboardModifiers mods : modifiers) {
            if (accelerators.count(QKeySequence(QKeyCombination(mods, key))))
                continue;  // Ctrl+N: the accelerator comes first, as it should
            // The modifier keys are pressed first, and they are keys too.
            nExpected += 1 + (mods & Qt::ControlModifier ? 1 : 0) + (mods & Qt::ShiftModifier ? 1 : 0);
            QTest::keyClick(pView, key, keyMods | mods);
            ASSERT_EQ(Area()->subWindowList().size(), 1) << std::hex << key << " " << mods.toInt();
            EXPECT_EQ(handled.count(), nExpected) << std::hex << key << " " << mods.toInt();
        }
    // W and S four times, once with each modifier: back where they started.
    EXPECT_FALSE(pView->m_bWhiteBackground);
    EXPECT_FALSE(pView->m_bFullShading);
}

TEST_F(AppKeys, AltKeysBelongToTheMenusNotTheView)
{
    NewWindow();
    CTessaronView* pView = m_pFrame->ActiveView();
    ASSERT_NE(pView, nullptr);
    QSignalSpy handled(pView, &CTessaronView::KeyHandled);
    for (Qt::Key key : {Qt::Key_A, Qt::Key_N, Qt::Key_R, Qt::Key_Left, Qt::Key_Up, Qt::Key_Home})
        QTest::keyClick(pView, key, Qt::AltModifier);
    EXPECT_EQ(handled.count(), 0);
    EXPECT_FALSE(pView->m_bShowAxes);
    EXPECT_TRUE(pView->m_bShowNet);
    EXPECT_FALSE(pView->m_bAutoRotate);
    EXPECT_EQ(pView->m_fAngleZ, -45.0f);
    EXPECT_EQ(pView->m_fAngleX, -70.0f);

    QTest::keyClick(pView, Qt::Key_F, Qt::AltModifier);
    QMenu* pFile = Popup("&File");
    ASSERT_NE(pFile, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([pFile] { return pFile->isVisible(); }, 2000));
    pFile->close();
}

} // namespace
