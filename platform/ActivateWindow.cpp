#include "ActivateWindow.h"

#include <QGuiApplication>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstring>

namespace {

// The launch's time stamp, the digits after "_TIME" at the end of a startup id; 0 if none.
unsigned long StartupTime(const std::string& strId)
{
    const std::size_t nAt = strId.rfind("_TIME");
    if (nAt == std::string::npos || nAt + 5 == strId.size())
        return 0;
    unsigned long nTime = 0;
    for (std::size_t i = nAt + 5; i < strId.size(); ++i) {
        if (strId[i] < '0' || strId[i] > '9' || nTime > 0xFFFFFFFFul / 10)
            return 0;
        nTime = nTime * 10 + static_cast<unsigned long>(strId[i] - '0');
    }
    return nTime & 0xFFFFFFFFul;
}

// The startup-notification "remove" message: the launcher stops showing the launch as busy.
void SendStartupRemove(Display* pDisplay, Window window, const std::string& strId)
{
    std::string strMessage = "remove: ID=";
    for (char c : strId) {
        if (c == ' ' || c == '"' || c == '\\')
            strMessage += '\\';
        strMessage += c;
    }
    strMessage += '\0';
    const Window root = DefaultRootWindow(pDisplay);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = pDisplay;
    event.xclient.window = window;
    event.xclient.format = 8;
    event.xclient.message_type = XInternAtom(pDisplay, "_NET_STARTUP_INFO_BEGIN", False);
    const Atom more = XInternAtom(pDisplay, "_NET_STARTUP_INFO", False);
    for (std::size_t nAt = 0; nAt < strMessage.size(); nAt += 20) {
        std::memset(event.xclient.data.b, 0, sizeof event.xclient.data.b);
        std::memcpy(event.xclient.data.b, strMessage.data() + nAt, std::min<std::size_t>(20, strMessage.size() - nAt));
        XSendEvent(pDisplay, root, False, PropertyChangeMask, &event);
        event.xclient.message_type = more;
    }
}

// On X11 with a startup id: the id on the window, the launch ended, and the activation asked
// for with the launch's own time, which a window manager that guards against windows
// pushing forward accepts. False when this is no X11 display or the id has no time.
bool ActivateWithStartupId(QWidget& window, const std::string& strId)
{
    auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (pDisplay == nullptr || strId.empty())
        return false;
    const Window xid = static_cast<Window>(window.winId());
    XChangeProperty(pDisplay, xid, XInternAtom(pDisplay, "_NET_STARTUP_ID", False),
                    XInternAtom(pDisplay, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(strId.data()), static_cast<int>(strId.size()));
    SendStartupRemove(pDisplay, xid, strId);
    const unsigned long nTime = StartupTime(strId);
    if (nTime != 0) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = pDisplay;
        event.xclient.window = xid;
        event.xclient.message_type = XInternAtom(pDisplay, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1;  // from an application
        event.xclient.data.l[1] = static_cast<long>(nTime);
        XSendEvent(pDisplay, DefaultRootWindow(pDisplay), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    }
    XFlush(pDisplay);
    return nTime != 0;
}

} // namespace

void ActivateWindow(QWidget& window, const std::string& strStartupId, const std::string& strActivationToken)
{
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    if (ActivateWithStartupId(window, strStartupId))
        return;
    // Qt's Wayland shell reads the token from here when it asks for the activation.
    if (!strActivationToken.empty())
        qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(strActivationToken));
    window.activateWindow();
}
