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
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QOpenGLContext>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWhatsThis>


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
    connect(m_pArea, &QMdiArea::subWindowActivated, this, [this] {
        RebuildMenu();
        UpdateCommandUI();
        const CTessaronView* pView = ActiveView();
        const QString strDoc = pView && m_pArea->activeSubWindow() ? m_pArea->activeSubWindow()->windowTitle() : QString();
        setWindowTitle(QString::fromStdString(LoadResourceString(IDR_MAINFRAME)) +
                       (strDoc.isEmpty() ? QString() : " - " + strDoc));
    });
}

CMainFrame::~CMainFrame()
{
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
        QAction* pAction = m_actions.at(button.nID);
        pAction->setIcon(ToolbarButtonIcon(button.nImage, palette()));
        m_wndToolBar->addAction(pAction);
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
    m_wndStatusBar->showMessage(QString::fromStdString(LoadResourceString(AFX_IDS_IDLEMESSAGE)));
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
                    pEntry->setStatusTip(QString::fromStdString(StatusPrompt(ID_FILE_MRU_FILE1 + static_cast<unsigned>(i))));
                    connect(pEntry, &QAction::triggered, this, [this, i] {
                        if (m_fnOpenRecent)
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
    // The open windows follow the three arrangement commands, numbered, the active checked.
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
        pEntry->setCheckable(true);
        pEntry->setChecked(pSub == m_pArea->activeSubWindow());
        connect(pEntry, &QAction::triggered, this, [this, pSub] { m_pArea->setActiveSubWindow(pSub); });
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
    if (pView)
        connect(pView, &CTessaronView::KeyHandled, this, &CMainFrame::UpdateCommandUI, Qt::UniqueConnection);
}

void CMainFrame::OnCommand(unsigned nID)
{
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
    case ID_WINDOW_TILE_HORZ: m_pArea->tileSubWindows(); break;
    case ID_WINDOW_ARRANGE: m_pArea->tileSubWindows(); break;
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_DEFAULT_HELP: ShowHelp(); break;
    case ID_CONTEXT_HELP:
        QWhatsThis::enterWhatsThisMode();
        if (m_wndStatusBar)
            m_wndStatusBar->showMessage(QString::fromStdString(LoadResourceString(AFX_IDS_HELPMODEMESSAGE)));
        break;
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

void CMainFrame::ShowHelp()
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
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(strHelp)))
        return;
    // No desktop browser (a bare X session): the page is plain HTML, so show it here.
    auto* pHelp = new QDialog(this);
    pHelp->setAttribute(Qt::WA_DeleteOnClose);
    pHelp->setObjectName("HelpViewer");
    pHelp->setWindowTitle(QString::fromStdString(LoadResourceString(AFX_IDS_APP_TITLE)) + " Help");
    auto* pBrowser = new QTextBrowser(pHelp);
    pBrowser->setSource(QUrl::fromLocalFile(strHelp));
    auto* pLayout = new QVBoxLayout(pHelp);
    pLayout->addWidget(pBrowser);
    pHelp->resize(640, 560);
    pHelp->show();
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
        m_wndStatusBar->showMessage(strTip.isEmpty() ? QString::fromStdString(LoadResourceString(AFX_IDS_IDLEMESSAGE))
                                                     : strTip);
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
