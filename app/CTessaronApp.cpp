#include "CTessaronApp.h"

#include "CAboutDlg.h"
#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CTessaronDoc.h"
#include "app/resources/Resources.h"
#include "app/resources/resource.h"
#include "platform/CMultiDocTemplate.h"
#include "platform/MessageBox.h"
#include "view/CTessaronView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileDialog>
#include <QSettings>

CTessaronApp::CTessaronApp(int& argc, char** argv)
{
    if (QApplication::instance() == nullptr)
        m_pOwnApp = std::make_unique<QApplication>(argc, argv);
}

CTessaronApp::~CTessaronApp()
{
    ExitInstance();
    m_pMainWnd.reset();
    m_pTemplate.reset();
}

bool CTessaronApp::InitInstance()
{
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
    m_pMainWnd->RebuildMenu();

    // The command line is read and deliberately not acted on: the viewer always starts
    // with no document, whatever a launcher passes.
    QCommandLineParser parser;
    parser.addPositionalArgument("files", "ignored");
    parser.parse(QCoreApplication::arguments());

    m_pMainWnd->resize(1000, 750);
    m_pMainWnd->show();
    return true;
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
    dialog.setNameFilter(QString::fromStdString(LoadResourceString(AFX_IDS_ALLFILTER)));
    dialog.setOption(QFileDialog::ReadOnly, true);
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
