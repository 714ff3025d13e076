#pragma once

#include <string>

class QWidget;

// Brings a top-level window to the front for a launch that asked for it elsewhere, with the
// token its launcher gave (DESKTOP_STARTUP_ID on X11, XDG_ACTIVATION_TOKEN on Wayland), so
// the desktop lets it come forward and ends the launch's busy feedback. Either may be empty.
void ActivateWindow(QWidget& window, const std::string& strStartupId, const std::string& strActivationToken);
