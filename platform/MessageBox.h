#pragma once

#include <functional>
#include <string>

// Message boxes go through one replaceable sink: a modal QMessageBox in the viewer,
// stderr in command-line tools (the default), a recorder in tests.
enum : unsigned { MB_OK = 0x0000, MB_ICONEXCLAMATION = 0x0030 };
enum : int { IDOK = 1 };

// owner is an opaque window (a QWidget* in the viewer); null means no owner window.
using MessageBoxSink =
    std::function<int(const std::string& strText, const std::string& strCaption, void* pOwner, unsigned nType)>;

// Installs a sink and returns the previous one. An empty sink restores the stderr default.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

// A box with an explicit caption, raised directly by the code.
int MessageBox(void* pOwner, const std::string& strText, const std::string& strCaption, unsigned nType = MB_OK);

// A box raised through the framework: it carries the application title as its caption.
int AfxMessageBox(const std::string& strText, unsigned nType = MB_OK);

extern const char* const g_szAppTitle;  // "Tessaron"
