#include "CCommandLineInfo.h"
#include "CTessaronApp.h"
#include "CViewerSocket.h"

#include "platform/CView.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace {

std::string Environment(const char* pszName)
{
    const char* psz = std::getenv(pszName);
    return psz ? psz : "";
}

} // namespace

int main(int argc, char** argv)
{
    CCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(std::vector<std::string>(argv, argv + argc));
    switch (cmdInfo.m_action) {
    case CCommandLineInfo::EAction::Help: std::fputs(CommandLineHelp().c_str(), stdout); return 0;
    case CCommandLineInfo::EAction::Version: std::fputs(CommandLineVersion().c_str(), stdout); return 0;
    case CCommandLineInfo::EAction::UsageError: std::fputs(cmdInfo.m_strError.c_str(), stderr); return 2;
    case CCommandLineInfo::EAction::Run: break;
    }

    // Without an X server Qt would abort with a long message; say it in one line instead.
    const char* pszPlatform = std::getenv("QT_QPA_PLATFORM");
    const bool bX11 = pszPlatform == nullptr || std::string_view(pszPlatform).starts_with("xcb");
    if (bX11 && Environment("DISPLAY").empty()) {
        std::fprintf(stderr, "tessaron: no X display (DISPLAY is not set); run it on a desktop or under xvfb-run\n");
        return 1;
    }
    if (bX11)
        qputenv("QT_QPA_PLATFORM", "xcb");

    // One viewer per user and display takes every launch's files. The hand-over comes
    // before the toolkit starts, so a launch that only passes its files on ends at once.
    const std::string strSocket = ViewerSocketPath(Environment(bX11 ? "DISPLAY" : "WAYLAND_DISPLAY"));
    if (!cmdInfo.m_aFiles.empty() && !cmdInfo.m_bNewInstance && !strSocket.empty()) {
        SHandOver handOver;
        const std::string strDir = CurrentDirectory();
        for (const std::string& strFile : cmdInfo.m_aFiles)
            handOver.aFiles.push_back(AbsoluteArgument(strFile, strDir));
        handOver.strStartupId = Environment("DESKTOP_STARTUP_ID");
        handOver.strActivationToken = Environment("XDG_ACTIVATION_TOKEN");
        if (HandOverToViewer(strSocket, handOver) == EHandOverResult::Delivered)
            return 0;
    }

    CView::InstallDefaultSurfaceFormat();
    CTessaronApp app(argc, argv);
    SetMessageBoxSink([](const std::string& strText, const std::string& strCaption, void* pOwner, unsigned nType) {
        QMessageBox box(nType & MB_ICONEXCLAMATION ? QMessageBox::Warning : QMessageBox::NoIcon,
                        QString::fromStdString(strCaption), QString::fromStdString(strText), QMessageBox::Ok,
                        static_cast<QWidget*>(pOwner));
        box.exec();
        return IDOK;
    });
    app.SetLaunchSocketPath(strSocket);
    if (!app.InitInstance())
        return 1;
    return app.Run();
}
