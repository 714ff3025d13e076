#include "CMainFrame.h"

#include "CHelp.h"
#include "PrintView.h"
#include "ViewCommands.h"
#include "WindowArrangement.h"
#include "app/resources/Resources.h"
#include "app/resources/resource.h"
#include "platform/CRecentFileList.h"
#include "platform/GLBinding.h"
#include "platform/KeyboardLockState.h"
#include "platform/MessageBox.h"
#include "view/CTessaronView.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace {

// A drag is welcome only when it brings at least one file of this computer.
bool HoldsLocalFile(const QMimeData* pData)
{
    if (pData == nullptr || !pData->hasUrls())
        return false;
    const auto urls = pData->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

QString Text(std::string_view sv)
{
    return QString::fromUtf8(sv.data(), static_cast<qsizetype>(sv.size()));
}

} // namespace

CMainFrame::CMainFrame()
{
    setWindowTitle(QString::fromStdString(LoadResourceString(IDR_MAINFRAME)));
    setWindowIcon(LoadResourceIcon(IDR_MAINFRAME));
    // Neither the workspace nor the model windows take drops, so whatever is dropped on
    // them comes here.
    setAcceptDrops(true);
    m_pArea = new QMdiArea(this);
    m_pArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pArea);
    m_pHelp = new CHelp(this);
    connect(m_pHelp, &CHelp::HelpModeChanged, this, &CMainFrame::ShowIdleMessage);
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
    // While this frame can still show the idle text that the end of help mode asks for.
    m_pHelp->ExitHelpMode();
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
    for (const SViewCommand& command : ViewCommands())
        m_actions.at(command.nID)->setCheckable(command.pfnChecked != nullptr);
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
                        RunOrExplain(nID, [this, i] {
                            if (m_fnOpenRecent)
                                m_fnOpenRecent(i);
                        });
                    });
                }
            } else if (item.bGrayed) {
                QAction* pPlaceholder = pMenu->addAction(Text(item.strText));
                pPlaceholder->setEnabled(false);
            } else {
                pMenu->addAction(m_actions.at(item.nID));
            }
        }
        const bool bWindowMenu = std::any_of(popup.aItems.begin(), popup.aItems.end(),
                                             [](const SMenuItem& item) { return item.nID == ID_WINDOW_CASCADE; });
        if (bWindowMenu)
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
            RunOrExplain(AFX_IDM_FIRST_MDICHILD, [this, pSub] { m_pArea->setActiveSubWindow(pSub); });
        });
    }
}

void CMainFrame::UpdateCommandUI()
{
    CTessaronView* pView = ActiveView();
    for (const SViewCommand& command : ViewCommands()) {
        QAction* pAction = m_actions.at(command.nID);
        pAction->setEnabled(pView != nullptr);
        if (command.pfnChecked)
            pAction->setChecked(pView && (pView->*command.pfnChecked)());
    }
    m_actions.at(ID_FILE_CLOSE)->setEnabled(pView != nullptr);
    m_actions.at(ID_VIEW_TOOLBAR)->setChecked(m_wndToolBar && m_wndToolBar->isVisibleTo(this));
    m_actions.at(ID_VIEW_STATUS_BAR)->setChecked(m_wndStatusBar && m_wndStatusBar->isVisibleTo(this));
    for (const auto& [nID, pButton] : m_buttons) {
        pButton->setEnabled(m_actions.at(nID)->isEnabled());
        pButton->setChecked(m_actions.at(nID)->isChecked());
    }
    if (pView) {
        connect(pView, &CTessaronView::KeyHandled, this, &CMainFrame::UpdateCommandUI, Qt::UniqueConnection);
        connect(pView, &CTessaronView::TextureWarning, this, &CMainFrame::ShowStatusMessage, Qt::UniqueConnection);
        connect(pView, &CTessaronView::TextureProgress, this, &CMainFrame::ShowTextureProgress, Qt::UniqueConnection);
    }
}

void CMainFrame::RunOrExplain(unsigned nID, const std::function<void()>& fnRun)
{
    if (m_pHelp->IsInHelpMode())
        m_pHelp->HelpOnCommand(nID);
    else
        fnRun();
}

void CMainFrame::OnCommand(unsigned nID)
{
    RunOrExplain(nID, [this, nID] { RunCommand(nID); });
}

void CMainFrame::RunCommand(unsigned nID)
{
    if (const SViewCommand* pCommand = FindViewCommand(nID)) {
        if (CTessaronView* pView = ActiveView())
            (pView->*pCommand->pfnRun)();
        UpdateCommandUI();
        return;
    }
    switch (nID) {
    case ID_FILE_CLOSE:
        if (QMdiSubWindow* pSub = m_pArea->activeSubWindow())
            pSub->close();
        break;
    case ID_FILE_PRINT:
        if (CTessaronView* pView = ActiveView())
            PrintView(*pView, this);
        break;
    case ID_APP_EXIT: close(); break;
    case ID_VIEW_TOOLBAR: if (m_wndToolBar) m_wndToolBar->setVisible(!m_wndToolBar->isVisibleTo(this)); break;
    case ID_VIEW_STATUS_BAR: if (m_wndStatusBar) m_wndStatusBar->setVisible(!m_wndStatusBar->isVisibleTo(this)); break;
    case ID_WINDOW_CASCADE: m_pArea->cascadeSubWindows(); break;
    case ID_WINDOW_TILE_HORZ: TileHorizontally(*m_pArea); break;
    case ID_WINDOW_ARRANGE: ArrangeIcons(*m_pArea); break;
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_DEFAULT_HELP: m_pHelp->ShowHelp(); break;
    case ID_CONTEXT_HELP: m_pHelp->EnterHelpMode(); break;
    default:
        if (auto it = m_appCommands.find(nID); it != m_appCommands.end() && it->second)
            it->second();
        break;
    }
    UpdateCommandUI();
}

void CMainFrame::ShowStatusMessage(const QString& strText)
{
    if (m_wndStatusBar)
        m_wndStatusBar->showMessage(strText);
}

void CMainFrame::ShowTextureProgress(const QString& strText)
{
    if (strText.isEmpty())
        ShowIdleMessage();
    else
        ShowStatusMessage(strText);
}

void CMainFrame::ShowIdleMessage()
{
    const unsigned nID = m_pHelp->IsInHelpMode() ? AFX_IDS_HELPMODEMESSAGE : AFX_IDS_IDLEMESSAGE;
    ShowStatusMessage(QString::fromStdString(LoadResourceString(nID)));
}

void CMainFrame::UpdateIndicators()
{
    if (m_pIndicators[0] == nullptr)
        return;
    const unsigned nState = KeyboardLockState();
    static const unsigned kPanes[] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i)
        m_pIndicators[i]->setText((nState & (1u << i)) ? QString::fromStdString(LoadResourceString(kPanes[i])) : "");
}

bool CMainFrame::event(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::StatusTip && m_wndStatusBar) {
        // An empty tip means the pointer left: back to the idle text.
        const QString strTip = static_cast<QStatusTipEvent*>(pEvent)->tip();
        if (strTip.isEmpty())
            ShowIdleMessage();
        else
            ShowStatusMessage(strTip);
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

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent)
{
    dragMoveEvent(pEvent);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* pEvent)
{
    if (HoldsLocalFile(pEvent->mimeData())) {
        pEvent->setDropAction(Qt::CopyAction);
        pEvent->accept();
    } else {
        pEvent->ignore();
    }
}

void CMainFrame::dropEvent(QDropEvent* pEvent)
{
    if (!HoldsLocalFile(pEvent->mimeData())) {
        pEvent->ignore();
        return;
    }
    pEvent->setDropAction(Qt::CopyAction);
    pEvent->accept();
    std::vector<std::string> aFiles;
    for (const QUrl& url : pEvent->mimeData()->urls())
        aFiles.push_back(url.isLocalFile() ? QFile::encodeName(url.toLocalFile()).toStdString()
                                           : url.toString().toStdString());
    // The drag's source waits for the drop to end: open the files once it has.
    QTimer::singleShot(0, this, [this, aFiles] {
        if (m_fnOpenDropped)
            m_fnOpenDropped(aFiles);
    });
}
