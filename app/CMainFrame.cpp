#include "CMainFrame.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"
#include "platform/CRecentFileList.h"
#include "platform/GLBinding.h"
#include "platform/KeyboardLockState.h"
#include "platform/MessageBox.h"
#include "view/CTessaronView.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>


namespace {

const unsigned kViewCommands[] = {ID_AUTO_ROTATE, ID_WALK_AROUND, ID_WHITE_BACKGROUND, ID_SHOW_NET,
                                  ID_ZOOM_IN,     ID_ZOOM_OUT,    ID_HOME};

QString Text(std::string_view sv)
{
    return QString::fromUtf8(sv.data(), static_cast<qsizetype>(sv.size()));
}

} // namespace

CMainFrame::CMainFrame()
{
    setWindowTitle(QString::fromStdString(LoadResourceString(IDR_MAINFRAME)));
    setWindowIcon(LoadResourceIcon(IDR_MAINFRAME));
    m_pArea = new QMdiArea(this);
    m_pArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pArea);
    CreateActions();
    connect(m_pArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* pSub) {
        RebuildMenu();
        UpdateCommandUI();
        if (pSub)
            connect(pSub, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateTitle, Qt::UniqueConnection);
        UpdateTitle();
    });
}

void CMainFrame::UpdateTitle()
{
    // Qt appends " - [document]" to the caption of its own accord while a child is
    // maximised; given a caption that already ends so, it leaves it alone.
    QString strTitle = QString::fromStdString(LoadResourceString(IDR_MAINFRAME));
    QMdiSubWindow* pSub = m_pArea->activeSubWindow();
    const QString strDoc = pSub && ActiveView() ? pSub->windowTitle() : QString();
    if (!strDoc.isEmpty())
        strTitle += pSub->isMaximized() ? " - [" + strDoc + "]" : " - " + strDoc;
    if (windowTitle() != strTitle)
        setWindowTitle(strTitle);
}

CMainFrame::~CMainFrame()
{
    ExitHelpMode();
    // No view's context may stay current once the main window is gone. The contexts
    // themselves belong to their widgets, which are gone by now.
    if (wglGetCurrentContext() != nullptr)
        wglMakeCurrent(nullptr, nullptr);
}

void CMainFrame::CreateActions()
{
    auto make = [this](unsigned nID, const QString& strText) {
        auto* pAction = new QAction(strText, this);
        pAction->setStatusTip(QString::fromStdString(StatusPrompt(nID)));
        const std::string strTip = ToolTip(nID);
        if (!strTip.empty())
            pAction->setToolTip(QString::fromStdString(strTip));
        pAction->setData(nID);
        connect(pAction, &QAction::triggered, this, [this, nID] { OnCommand(nID); });
        m_actions[nID] = pAction;
        return pAction;
    };
    // Texts come from the menus; a command on both menus gets one action.
    for (unsigned nMenu : {IDR_MAINFRAME, IDR_MODELTYPE})
        for (const SMenuPopup& popup : LoadMenuTable(nMenu))
            for (const SMenuItem& item : popup.aItems)
                if (!item.bSeparator && !m_actions.count(item.nID))
                    make(item.nID, Text(item.strText));
    for (unsigned nID : {ID_AUTO_ROTATE, ID_WALK_AROUND, ID_WHITE_BACKGROUND, ID_SHOW_NET})
        m_actions[nID]->setCheckable(true);
    m_actions[ID_VIEW_TOOLBAR]->setCheckable(true);
    m_actions[ID_VIEW_STATUS_BAR]->setCheckable(true);

    // Accelerators are in force in every state, menu item or not.
    for (const SAccelerator& accel : LoadAcceleratorTable()) {
        auto* pAction = new QAction(this);
        pAction->setShortcut(AcceleratorKeys(accel));
        pAction->setShortcutContext(Qt::WindowShortcut);
        const unsigned nID = accel.nID;
        pAction->setData(nID);
        connect(pAction, &QAction::triggered, this, [this, nID] { OnCommand(nID); });
        addAction(pAction);
    }
}

int CMainFrame::OnCreate()
{
    if (LoadToolBarBitmap().isNull())
        return -1;
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName("AFX_IDW_TOOLBAR");
    m_wndToolBar->setIconSize(QSize(TOOLBAR_BUTTON_CX, TOOLBAR_BUTTON_CY));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const SToolBarButton& button : LoadToolBarTable()) {
        // A button of its own for each command, beside the menu item: an icon on the
        // menu's action would widen every menu by an icon column and draw glyphs where
        // check marks belong. UpdateCommandUI keeps both in the same state.
        const QAction* pCommand = m_actions.at(button.nID);
        auto* pButton = new QAction(ToolbarButtonIcon(button.nImage, palette()), pCommand->text(), this);
        pButton->setStatusTip(pCommand->statusTip());
        pButton->setToolTip(pCommand->toolTip());
        pButton->setCheckable(pCommand->isCheckable());
        pButton->setData(button.nID);
        connect(pButton, &QAction::triggered, this, [this, nID = button.nID] { OnCommand(nID); });
        m_buttons[button.nID] = pButton;
        m_wndToolBar->addAction(pButton);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    m_wndStatusBar = new QStatusBar(this);
    setStatusBar(m_wndStatusBar);
    for (int i = 0; i < 3; ++i) {
        m_pIndicators[i] = new QLabel(m_wndStatusBar);
        m_pIndicators[i]->setFrameShape(QFrame::Panel);
        m_pIndicators[i]->setFrameShadow(QFrame::Sunken);
        m_pIndicators[i]->setMinimumWidth(m_pIndicators[i]->fontMetrics().horizontalAdvance("SCRL") + 10);
        m_wndStatusBar->addPermanentWidget(m_pIndicators[i]);
    }
    ShowIdleMessage();
    auto* pPoll = new QTimer(this);
    connect(pPoll, &QTimer::timeout, this, &CMainFrame::UpdateIndicators);
    pPoll->start(250);
    UpdateIndicators();

    RebuildMenu();
    UpdateCommandUI();
    return 0;
}

CTessaronView* CMainFrame::ActiveView() const
{
    QMdiSubWindow* pSub = m_pArea->activeSubWindow();
    return pSub ? qobject_cast<CTessaronView*>(pSub->widget()) : nullptr;
}

QAction* CMainFrame::Action(unsigned nID) const
{
    auto it = m_actions.find(nID);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::RebuildMenu()
{
    const unsigned nMenuID = ActiveView() ? IDR_MODELTYPE : IDR_MAINFRAME;
    m_nMenuID = nMenuID;
    QMenuBar* pBar = menuBar();
    pBar->clear();
    for (const SMenuPopup& popup : LoadMenuTable(nMenuID)) {
        QMenu* pMenu = pBar->addMenu(Text(popup.strText));
        for (const SMenuItem& item : popup.aItems) {
            if (item.bSeparator) {
                pMenu->addSeparator();
            } else if (item.nID == ID_FILE_MRU_FILE1 && m_pRecentFiles && !m_pRecentFiles->Entries().empty()) {
                for (std::size_t i = 0; i < m_pRecentFiles->Entries().size(); ++i) {
                    QAction* pEntry = pMenu->addAction(QString::fromStdString(m_pRecentFiles->MenuText(i)));
                    const unsigned nID = ID_FILE_MRU_FILE1 + static_cast<unsigned>(i);
                    pEntry->setStatusTip(QString::fromStdString(StatusPrompt(nID)));
                    pEntry->setData(nID);
                    connect(pEntry, &QAction::triggered, this, [this, i, nID] {
                        if (m_bHelpMode)
                            HelpOnCommand(nID);
                        else if (m_fnOpenRecent)
                            m_fnOpenRecent(i);
                    });
                }
            } else if (item.bGrayed) {
                QAction* pPlaceholder = pMenu->addAction(Text(item.strText));
                pPlaceholder->setEnabled(false);
            } else {
                pMenu->addAction(m_actions.at(item.nID));
            }
        }
        if (popup.strText == "&Window")
            connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { FillWindowMenu(pMenu); });
    }
}

void CMainFrame::FillWindowMenu(QMenu* pMenu)
{
    // The open windows follow the three arrangement commands, numbered; only the active
    // one carries a check mark, the others no box either.
    const auto actions = pMenu->actions();
    for (int i = 3; i < actions.size(); ++i)
        pMenu->removeAction(actions[i]);
    const auto windows = m_pArea->subWindowList();
    if (windows.isEmpty())
        return;
    pMenu->addSeparator();
    int n = 0;
    for (QMdiSubWindow* pSub : windows) {
        QAction* pEntry = pMenu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(pSub->windowTitle()));
        const bool bActive = pSub == m_pArea->activeSubWindow();
        pEntry->setCheckable(bActive);
        pEntry->setChecked(bActive);
        pEntry->setData(AFX_IDM_FIRST_MDICHILD);
        connect(pEntry, &QAction::triggered, this, [this, pSub] {
            if (m_bHelpMode)
                HelpOnCommand(AFX_IDM_FIRST_MDICHILD);
            else
                m_pArea->setActiveSubWindow(pSub);
        });
    }
}

void CMainFrame::UpdateCommandUI()
{
    CTessaronView* pView = ActiveView();
    for (unsigned nID : kViewCommands)
        m_actions.at(nID)->setEnabled(pView != nullptr);
    m_actions.at(ID_FILE_CLOSE)->setEnabled(pView != nullptr);
    m_actions.at(ID_AUTO_ROTATE)->setChecked(pView && pView->OnUpdateAutoRotate());
    m_actions.at(ID_WALK_AROUND)->setChecked(pView && pView->OnUpdateWalkAround());
    m_actions.at(ID_WHITE_BACKGROUND)->setChecked(pView && pView->OnUpdateWhiteBackground());
    m_actions.at(ID_SHOW_NET)->setChecked(pView && pView->OnUpdateShowNet());
    m_actions.at(ID_VIEW_TOOLBAR)->setChecked(m_wndToolBar && m_wndToolBar->isVisibleTo(this));
    m_actions.at(ID_VIEW_STATUS_BAR)->setChecked(m_wndStatusBar && m_wndStatusBar->isVisibleTo(this));
    for (const auto& [nID, pButton] : m_buttons) {
        pButton->setEnabled(m_actions.at(nID)->isEnabled());
        pButton->setChecked(m_actions.at(nID)->isChecked());
    }
    if (pView)
        connect(pView, &CTessaronView::KeyHandled, this, &CMainFrame::UpdateCommandUI, Qt::UniqueConnection);
}

void CMainFrame::OnCommand(unsigned nID)
{
    if (m_bHelpMode) {
        // In help mode a command asks for its help instead of running.
        HelpOnCommand(nID);
        return;
    }
    CTessaronView* pView = ActiveView();
    switch (nID) {
    case ID_AUTO_ROTATE: if (pView) pView->OnAutoRotate(); break;
    case ID_WALK_AROUND: if (pView) pView->OnWalkAround(); break;
    case ID_WHITE_BACKGROUND: if (pView) pView->OnWhiteBackground(); break;
    case ID_SHOW_NET: if (pView) pView->OnShowNet(); break;
    case ID_ZOOM_IN: if (pView) pView->OnZoomIn(); break;
    case ID_ZOOM_OUT: if (pView) pView->OnZoomOut(); break;
    case ID_HOME: if (pView) pView->OnHome(); break;
    case ID_FILE_CLOSE:
        if (QMdiSubWindow* pSub = m_pArea->activeSubWindow())
            pSub->close();
        break;
    case ID_FILE_PRINT: PrintActiveView(); break;
    case ID_APP_EXIT: close(); break;
    case ID_VIEW_TOOLBAR: if (m_wndToolBar) m_wndToolBar->setVisible(!m_wndToolBar->isVisibleTo(this)); break;
    case ID_VIEW_STATUS_BAR: if (m_wndStatusBar) m_wndStatusBar->setVisible(!m_wndStatusBar->isVisibleTo(this)); break;
    case ID_WINDOW_CASCADE: m_pArea->cascadeSubWindows(); break;
    case ID_WINDOW_TILE_HORZ: TileHorizontally(); break;
    case ID_WINDOW_ARRANGE: ArrangeIcons(); break;
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_DEFAULT_HELP: ShowHelp(); break;
    case ID_CONTEXT_HELP: EnterHelpMode(); break;
    default: {
        auto it = m_appCommands.find(nID);
        if (it != m_appCommands.end() && it->second)
            it->second();
        break;
    }
    }
    UpdateCommandUI();
}

void CMainFrame::PrintActiveView()
{
    CTessaronView* pView = ActiveView();
    if (pView == nullptr)
        return;  // nothing to print without a model window
    // The frame as it is on screen, scaled to the page: a printed page that shows the
    // model is what a user asking to print expects.
    const QImage frame = pView->grabFramebuffer();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    QSize size = frame.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(frame.rect());
    painter.drawImage(0, 0, frame);
}

void CMainFrame::ShowHelp(std::string_view strTopic)
{
    // The help page sits beside the executable, under the executable's own name. An
    // installed program keeps it in its data folder instead, since bin/ holds programs only.
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString strName = exe.completeBaseName() + ".html";
    QString strHelp = exe.absolutePath() + "/" + strName;
    if (!QFileInfo::exists(strHelp))
        strHelp = exe.absolutePath() + "/" TESSARON_HELP_DIR "/" + strName;
    if (!QFileInfo::exists(strHelp)) {
        AfxMessageBox(LoadResourceString(AFX_IDP_FAILED_TO_LAUNCH_HELP));
        return;
    }
    QUrl url = QUrl::fromLocalFile(strHelp);
    if (!strTopic.empty())
        url.setFragment(QString::fromUtf8(strTopic.data(), static_cast<qsizetype>(strTopic.size())));
    if (m_fnOpenUrl ? m_fnOpenUrl(url) : QDesktopServices::openUrl(url))
        return;
    // No desktop browser (a bare X session): the page is plain HTML, so show it here, in
    // one window that every later request brings to the front.
    if (m_pHelpViewer == nullptr) {
        m_pHelpViewer = new QDialog(this);
        m_pHelpViewer->setAttribute(Qt::WA_DeleteOnClose);
        m_pHelpViewer->setObjectName("HelpViewer");
        m_pHelpViewer->setWindowTitle(QString::fromStdString(LoadResourceString(AFX_IDS_APP_TITLE)) + " Help");
        auto* pBrowser = new QTextBrowser(m_pHelpViewer);
        auto* pLayout = new QVBoxLayout(m_pHelpViewer);
        pLayout->addWidget(pBrowser);
        m_pHelpViewer->resize(640, 560);
    }
    m_pHelpViewer->findChild<QTextBrowser*>()->setSource(url);
    m_pHelpViewer->showNormal();
    m_pHelpViewer->raise();
    m_pHelpViewer->activateWindow();
}

void CMainFrame::HelpOnCommand(unsigned nID)
{
    ExitHelpMode();
    ShowHelp(HelpTopic(nID));
}

void CMainFrame::EnterHelpMode()
{
    if (m_bHelpMode)
        return;
    m_bHelpMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    qApp->installEventFilter(this);
    ShowIdleMessage();
}

void CMainFrame::ExitHelpMode()
{
    if (!m_bHelpMode)
        return;
    m_bHelpMode = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    ShowIdleMessage();
}

void CMainFrame::ShowIdleMessage()
{
    if (m_wndStatusBar)
        m_wndStatusBar->showMessage(
            QString::fromStdString(LoadResourceString(m_bHelpMode ? AFX_IDS_HELPMODEMESSAGE : AFX_IDS_IDLEMESSAGE)));
}

bool CMainFrame::eventFilter(QObject* pObject, QEvent* pEvent)
{
    // Installed on the application while help mode lasts: the next click on one of this
    // window's commands asks for help on it, Esc leaves the mode.
    if (!m_bHelpMode)
        return QMainWindow::eventFilter(pObject, pEvent);
    auto* pWidget = qobject_cast<QWidget*>(pObject);
    switch (pEvent->type()) {
    case QEvent::KeyPress:
        // With a menu open, Esc closes the menu first, as it always does.
        if (static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape && QApplication::activePopupWidget() == nullptr) {
            ExitHelpMode();
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Menus open as usual; the item chosen in them gives the help.
        if (pWidget == nullptr || pWidget->window() != this || qobject_cast<QMenuBar*>(pWidget))
            break;
        if (auto* pButton = qobject_cast<QToolButton*>(pWidget); pButton && pButton->defaultAction()) {
            // Disabled buttons have their help too.
            HelpOnCommand(pButton->defaultAction()->data().toUInt());
            return true;
        }
        for (QWidget* p = pWidget; p != nullptr && p != this; p = p->parentWidget())
            if (qobject_cast<QMdiSubWindow*>(p)) {
                HelpOnCommand(IDR_MODELTYPE);
                return true;
            }
        HelpOnCommand(0);
        return true;
    case QEvent::MouseButtonRelease:
        if (auto* pMenu = qobject_cast<QMenu*>(pWidget)) {
            QAction* pAction = pMenu->actionAt(static_cast<QMouseEvent*>(pEvent)->position().toPoint());
            if (pAction == nullptr || pAction->isSeparator() || pAction->menu() != nullptr)
                break;
            while (QWidget* pPopup = QApplication::activePopupWidget())
                pPopup->close();
            HelpOnCommand(pAction->data().toUInt());
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(pObject, pEvent);
}

void CMainFrame::TileHorizontally()
{
    // One window above the other, each the full width of the workspace; the row of
    // minimised windows along the bottom keeps its place. Only when the rows would get
    // lower than a window can be do they go into more than one column.
    const int nIconsHeight = ArrangeIcons();
    QList<QMdiSubWindow*> windows;
    const auto stacking = m_pArea->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {  // the active window on top
        QMdiSubWindow* pSub = *it;
        if (pSub->isHidden() || pSub->isMinimized())
            continue;
        if (pSub->isMaximized())
            pSub->showNormal();
        windows.push_back(pSub);
    }
    if (windows.isEmpty())
        return;
    const QRect area = m_pArea->viewport()->rect().adjusted(0, 0, 0, -nIconsHeight);
    int nMinHeight = 1;
    for (QMdiSubWindow* pSub : windows)
        nMinHeight = std::max(nMinHeight, pSub->minimumSizeHint().height());
    const int n = static_cast<int>(windows.size());
    const int nRows = std::clamp(area.height() / nMinHeight, 1, n);
    const int nColumns = (n + nRows - 1) / nRows;
    for (int i = 0; i < n; ++i) {
        const int nColumn = i / nRows;
        const int nRow = i % nRows;
        const int nRowsHere = nColumn == nColumns - 1 ? n - nColumn * nRows : nRows;
        const int x0 = area.width() * nColumn / nColumns;
        const int x1 = area.width() * (nColumn + 1) / nColumns;
        const int y0 = area.top() + area.height() * nRow / nRowsHere;
        const int y1 = area.top() + area.height() * (nRow + 1) / nRowsHere;
        windows[i]->setGeometry(x0, y0, x1 - x0, y1 - y0);
    }
}

int CMainFrame::ArrangeIcons()
{
    // Minimised windows side by side along the bottom of the workspace, in the order they
    // were opened, a new row above when one is full; the other windows stay where they are.
    const QRect area = m_pArea->viewport()->rect();
    int x = 0;
    int nRowBottom = area.bottom() + 1;
    int nRowHeight = 0;
    for (QMdiSubWindow* pSub : m_pArea->subWindowList(QMdiArea::CreationOrder)) {
        if (pSub->isHidden() || !pSub->isMinimized())
            continue;
        const QSize size = pSub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            nRowBottom -= nRowHeight;
            nRowHeight = 0;
        }
        pSub->move(x, nRowBottom - size.height());
        x += size.width();
        nRowHeight = std::max(nRowHeight, size.height());
    }
    return area.bottom() + 1 - nRowBottom + nRowHeight;
}

void CMainFrame::UpdateIndicators()
{
    if (m_pIndicators[0] == nullptr)
        return;
    const unsigned nState = KeyboardLockState();
    static const char* const kTexts[] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i)
        m_pIndicators[i]->setText((nState & (1u << i)) ? kTexts[i] : "");
}

bool CMainFrame::event(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::StatusTip && m_wndStatusBar) {
        // An empty tip means the pointer left: back to the idle text.
        const QString strTip = static_cast<QStatusTipEvent*>(pEvent)->tip();
        if (strTip.isEmpty())
            ShowIdleMessage();
        else
            m_wndStatusBar->showMessage(strTip);
        return true;
    }
    if (pEvent->type() == QEvent::KeyRelease || pEvent->type() == QEvent::KeyPress)
        UpdateIndicators();
    return QMainWindow::event(pEvent);
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    // Documents are never modified, so closing asks nothing.
    m_pArea->closeAllSubWindows();
    QMainWindow::closeEvent(pEvent);
}
