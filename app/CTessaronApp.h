#pragma once

#include "platform/CRecentFileList.h"

#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class CMultiDocTemplate;
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

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CMultiDocTemplate* Template() const { return m_pTemplate.get(); }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    int PreviewPages() const { return m_nPreviewPages; }

private:
    void OpenRecentFile(std::size_t nIndex);

    std::vector<std::string> m_aArguments;  // the command line, read and not acted on
    std::string m_strQtProgramName;
    int m_nQtArgc = 1;                       // what the toolkit sees: the program's name only
    char* m_aQtArgv[2] = {};
    std::unique_ptr<QApplication> m_pOwnApp;
    std::unique_ptr<QSettings> m_pSettings;
    CRecentFileList m_recentFiles{15};
    int m_nPreviewPages = 0;
    std::unique_ptr<CMultiDocTemplate> m_pTemplate;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    bool m_bExited = false;
};
