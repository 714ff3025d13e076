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
#include <QFileSystemModel>
#include <QSettings>

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
    // renames one, -style, -stylesheet ...). The viewer's command line changes nothing, so
    // the toolkit sees the program's name only; the rest is kept to be read and ignored.
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
    QStringList aArguments;
    for (const std::string& strArgument : m_aArguments)
        aArguments << QString::fromLocal8Bit(strArgument.c_str());
    QCommandLineParser parser;
    parser.addPositionalArgument("files", "ignored");
    parser.parse(aArguments);

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
