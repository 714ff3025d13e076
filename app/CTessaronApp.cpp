#include "CTessaronApp.h"

#include "CAboutDlg.h"
#include "CChildFrame.h"
#include "CCommandLineInfo.h"
#include "CMainFrame.h"
#include "CTessaronDoc.h"
#include "CViewerSocket.h"
#include "app/resources/Resources.h"
#include "app/resources/resource.h"
#include "platform/ActivateWindow.h"
#include "platform/CMultiDocTemplate.h"
#include "platform/MessageBox.h"
#include "view/CTessaronView.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSettings>
#include <QTimer>

namespace {

// "All Files (*.*)" is the filter the user reads, but as a pattern "*.*" hides every name
// without a dot ("model", "hostname"). The dialog keeps the text and lists every file. Qt's
// own dialog is used because a desktop's native one would apply the pattern as written.
void ShowEveryFile(QFileDialog& dialog, const QString& strFilter)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(strFilter);
    auto* pModel = dialog.findChild<QFileSystemModel*>();
    if (pModel == nullptr)
        return;
    pModel->setNameFilters({});
    // Choosing the filter again from the list applies its pattern once more.
    QObject::connect(&dialog, &QFileDialog::filterSelected, pModel, [pModel] { pModel->setNameFilters({}); });
}

} // namespace

CTessaronApp::CTessaronApp(int& argc, char** argv)
{
    // The toolkit acts on switches of its own (-reverse mirrors every window, -qwindowtitle
    // renames one, -style, -stylesheet ...). The command line is the viewer's alone, so the
    // toolkit sees the program's name only.
    for (int i = 0; i < argc; ++i)
        m_aArguments.emplace_back(argv[i] ? argv[i] : "");
    m_strQtProgramName = argc > 0 && argv[0] ? argv[0] : "tessaron";
    m_aQtArgv[0] = m_strQtProgramName.data();
    if (QApplication::instance() == nullptr)
        m_pOwnApp = std::make_unique<QApplication>(m_nQtArgc, m_aQtArgv);
}

CTessaronApp::~CTessaronApp()
{
    ExitInstance();
    m_pMainWnd.reset();
    m_pTemplate.reset();
}

bool CTessaronApp::InitInstance()
{
    CCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(m_aArguments);
    if (cmdInfo.m_action != CCommandLineInfo::EAction::Run)
        return false;  // the program's entry answers these before there is any window

    QCoreApplication::setOrganizationName(QString::fromUtf8(VERSION_COMPANY_NAME.data(), VERSION_COMPANY_NAME.size()));
    QCoreApplication::setApplicationName(QString::fromStdString(LoadResourceString(AFX_IDS_APP_TITLE)));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(VERSION_PRODUCT_VERSION.data(), VERSION_PRODUCT_VERSION.size()));
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        AfxMessageBox(LoadResourceString(IDP_OLE_INIT_FAILED), MB_ICONEXCLAMATION);
        return false;
    }

    m_pSettings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Brannock", "Tessaron");
    m_recentFiles.ReadList(*m_pSettings);
    m_nPreviewPages = m_pSettings->value("Settings/PreviewPages", 0).toInt();

    m_pTemplate = std::make_unique<CMultiDocTemplate>(
        IDR_MODELTYPE, ResourceStringField(IDR_MODELTYPE, 1), [] { return std::make_unique<CTessaronDoc>(); },
        [] { return new CChildFrame; }, [] { return new CTessaronView; });
    m_pTemplate->m_fnFileOpened = [this](const std::string& strPath) {
        m_recentFiles.Add(strPath);
        if (m_pMainWnd)
            m_pMainWnd->RebuildMenu();
    };

    m_pMainWnd = std::make_unique<CMainFrame>();
    if (m_pMainWnd->OnCreate() != 0)
        return false;
    m_pTemplate->SetMdiArea(m_pMainWnd->MdiArea());
    m_pMainWnd->m_pRecentFiles = &m_recentFiles;
    m_pMainWnd->m_fnOpenRecent = [this](std::size_t i) { OpenRecentFile(i); };
    m_pMainWnd->m_appCommands[ID_FILE_NEW] = [this] { OnFileNew(); };
    m_pMainWnd->m_appCommands[ID_FILE_OPEN] = [this] { OnFileOpen(); };
    m_pMainWnd->m_appCommands[ID_APP_ABOUT] = [this] { OnAppAbout(); };
    m_pMainWnd->m_fnOpenDropped = [this](const std::vector<std::string>& aFiles) { OpenFromOutside(aFiles); };
    m_pMainWnd->RebuildMenu();

    m_pMainWnd->resize(1000, 750);
    m_pMainWnd->show();

    // Listening before the files open: another launch while their messages are up waits
    // for them instead of starting a second viewer.
    if (!m_strLaunchSocketPath.empty()) {
        m_pLaunchSocket = std::make_unique<CViewerSocket>(m_strLaunchSocketPath);
        m_pLaunchSocket->m_fnHandedOver = [this](SHandOver handOver) {
            m_aHandedOver.push_back(std::move(handOver));
            OpenHandedOver();
        };
        m_pLaunchSocket->Listen();
    }
    if (!cmdInfo.m_aFiles.empty()) {
        const std::string strDir = CurrentDirectory();
        std::vector<std::string> aFiles;
        for (const std::string& strFile : cmdInfo.m_aFiles)
            aFiles.push_back(AbsoluteArgument(strFile, strDir));
        OpenFromOutside(aFiles);
    }
    return true;
}

void CTessaronApp::OpenFromOutside(const std::vector<std::string>& aArguments)
{
    for (const std::string& strArgument : aArguments) {
        if (IsUri(strArgument))
            AfxMessageBox(RemoteUriMessage(strArgument), MB_ICONEXCLAMATION);
        else
            OpenDocumentFile(strArgument);
    }
}

void CTessaronApp::OpenHandedOver()
{
    // A modal dialog (a message, File Open) owns the input; files opening behind it would
    // be lost to the user, and its own loop must not run into this one.
    if (QApplication::activeModalWidget() != nullptr) {
        if (!m_bHandOverWaits) {
            m_bHandOverWaits = true;
            QTimer::singleShot(200, m_pMainWnd.get(), [this] {
                m_bHandOverWaits = false;
                OpenHandedOver();
            });
        }
        return;
    }
    while (!m_aHandedOver.empty()) {
        SHandOver handOver = std::move(m_aHandedOver.front());
        m_aHandedOver.erase(m_aHandedOver.begin());
        ActivateWindow(*m_pMainWnd, handOver.strStartupId, handOver.strActivationToken);
        OpenFromOutside(handOver.aFiles);
    }
}

int CTessaronApp::Run()
{
    const int nCode = QApplication::exec();
    ExitInstance();
    return nCode;
}

void CTessaronApp::ExitInstance()
{
    if (m_bExited || !m_pSettings)
        return;
    m_bExited = true;
    m_pLaunchSocket.reset();  // the next launch starts a viewer of its own at once
    if (m_pTemplate)
        m_pTemplate->CloseAllDocuments();
    m_recentFiles.WriteList(*m_pSettings);
    if (m_nPreviewPages != 0)
        m_pSettings->setValue("Settings/PreviewPages", m_nPreviewPages);
    m_pSettings->sync();
}

void CTessaronApp::OnFileNew()
{
    m_pTemplate->OpenDocumentFile("");
}

void CTessaronApp::OnFileOpen()
{
    QFileDialog dialog(m_pMainWnd.get(), QString::fromStdString(LoadResourceString(AFX_IDS_OPENFILE)));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, true);
    ShowEveryFile(dialog, QString::fromStdString(LoadResourceString(AFX_IDS_ALLFILTER)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenDocumentFile(dialog.selectedFiles().front().toStdString());
}

bool CTessaronApp::OpenDocumentFile(const std::string& strPath)
{
    const bool bOpened = m_pTemplate->OpenDocumentFile(strPath) != nullptr;
    if (m_pMainWnd)
        m_pMainWnd->UpdateCommandUI();
    return bOpened;
}

void CTessaronApp::OpenRecentFile(std::size_t nIndex)
{
    if (nIndex >= m_recentFiles.Entries().size())
        return;
    const std::string strPath = m_recentFiles.Entries()[nIndex];
    if (!OpenDocumentFile(strPath)) {
        m_recentFiles.Remove(nIndex);
        m_pMainWnd->RebuildMenu();
    }
}

void CTessaronApp::OnAppAbout()
{
    CAboutDlg dlg(m_pMainWnd.get());
    dlg.exec();
}
