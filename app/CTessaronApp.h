#pragma once

#include "HandOverMessage.h"
#include "platform/CRecentFileList.h"

#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class CMultiDocTemplate;
class CViewerSocket;
class QApplication;
class QSettings;

// The application: settings, the recent-file list, the one document template and the
// main frame. It uses the QApplication that exists, or makes one.
class CTessaronApp {
public:
    CTessaronApp(int& argc, char** argv);
    ~CTessaronApp();
    CTessaronApp(const CTessaronApp&) = delete;
    CTessaronApp& operator=(const CTessaronApp&) = delete;

    bool InitInstance();
    int Run();           // the message loop; returns the exit code
    void ExitInstance();  // writes the recent-file list back

    // File New, File Open (with the dialog), a path as File Open would open it, About.
    void OnFileNew();
    void OnFileOpen();
    bool OpenDocumentFile(const std::string& strPath);
    void OnAppAbout();

    // Files from outside the program (its command line, another launch, a drop), each
    // opened as File Open would, in order; paths are absolute, a URI left gets a message.
    void OpenFromOutside(const std::vector<std::string>& aArguments);

    // Where InitInstance listens for other launches' files; set before it. Empty: nowhere.
    void SetLaunchSocketPath(std::string strPath) { m_strLaunchSocketPath = std::move(strPath); }
    const CViewerSocket* LaunchSocket() const { return m_pLaunchSocket.get(); }

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CMultiDocTemplate* Template() const { return m_pTemplate.get(); }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    int PreviewPages() const { return m_nPreviewPages; }

private:
    void OpenRecentFile(std::size_t nIndex);
    // Opens what other launches handed over once no dialog is in the way.
    void OpenHandedOver();

    std::vector<std::string> m_aArguments;  // the command line as the system gave it
    std::string m_strQtProgramName;
    int m_nQtArgc = 1;                       // what the toolkit sees: the program's name only
    char* m_aQtArgv[2] = {};
    std::unique_ptr<QApplication> m_pOwnApp;
    std::unique_ptr<QSettings> m_pSettings;
    CRecentFileList m_recentFiles{15};
    int m_nPreviewPages = 0;
    std::unique_ptr<CMultiDocTemplate> m_pTemplate;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    std::string m_strLaunchSocketPath;
    std::unique_ptr<CViewerSocket> m_pLaunchSocket;
    std::vector<SHandOver> m_aHandedOver;  // waiting for the dialog in the way to close
    bool m_bHandOverWaits = false;          // a look for that dialog is due
    bool m_bExited = false;
};
