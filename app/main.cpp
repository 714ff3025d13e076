#include "CTessaronApp.h"

#include "platform/CView.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // Without an X server Qt would abort with a long message; say it in one line instead.
    const char* pszPlatform = std::getenv("QT_QPA_PLATFORM");
    const bool bX11 = pszPlatform == nullptr || std::string_view(pszPlatform).starts_with("xcb");
    if (bX11 && (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0')) {
        std::fprintf(stderr, "tessaron: no X display (DISPLAY is not set); run it on a desktop or under xvfb-run\n");
        return 1;
    }
    if (bX11)
        qputenv("QT_QPA_PLATFORM", "xcb");

    CView::InstallDefaultSurfaceFormat();
    CTessaronApp app(argc, argv);
    SetMessageBoxSink([](const std::string& strText, const std::string& strCaption, void* pOwner, unsigned nType) {
        QMessageBox box(nType & MB_ICONEXCLAMATION ? QMessageBox::Warning : QMessageBox::NoIcon,
                        QString::fromStdString(strCaption), QString::fromStdString(strText), QMessageBox::Ok,
                        static_cast<QWidget*>(pOwner));
        box.exec();
        return IDOK;
    });
    if (!app.InitInstance())
        return 1;
    return app.Run();
}
