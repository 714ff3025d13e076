#include "CHelp.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

CHelp::CHelp(QMainWindow* pFrame) : QObject(pFrame), m_pFrame(pFrame) {}

CHelp::~CHelp()
{
    ExitHelpMode();
}

void CHelp::ShowHelp(std::string_view strTopic)
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
        m_pHelpViewer = new QDialog(m_pFrame);
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

void CHelp::HelpOnCommand(unsigned nID)
{
    ExitHelpMode();
    ShowHelp(HelpTopic(nID));
}

void CHelp::EnterHelpMode()
{
    if (m_bHelpMode)
        return;
    m_bHelpMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    qApp->installEventFilter(this);
    emit HelpModeChanged();
}

void CHelp::ExitHelpMode()
{
    if (!m_bHelpMode)
        return;
    m_bHelpMode = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    emit HelpModeChanged();
}

bool CHelp::eventFilter(QObject* pObject, QEvent* pEvent)
{
    // Installed on the application while help mode lasts: the next click on one of the
    // main window's commands asks for help on it, Esc leaves the mode.
    if (!m_bHelpMode)
        return QObject::eventFilter(pObject, pEvent);
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
        if (pWidget == nullptr || pWidget->window() != m_pFrame || qobject_cast<QMenuBar*>(pWidget))
            break;
        if (auto* pButton = qobject_cast<QToolButton*>(pWidget); pButton && pButton->defaultAction()) {
            // Disabled buttons have their help too.
            HelpOnCommand(pButton->defaultAction()->data().toUInt());
            return true;
        }
        for (QWidget* p = pWidget; p != nullptr && p != m_pFrame; p = p->parentWidget())
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
    return QObject::eventFilter(pObject, pEvent);
}
