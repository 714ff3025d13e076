#include "KeyboardLockState.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

unsigned KeyboardLockState()
{
    unsigned nState = 0;
    if (auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        if (Display* pDisplay = pX11->display())
            XkbGetIndicatorState(pDisplay, XkbUseCoreKbd, &nState);
    // Caps, Num and Scroll Lock are the first three indicators of the core keyboard.
    return nState & 0x7u;
}
