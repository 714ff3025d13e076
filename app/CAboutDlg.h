#pragma once

#include <QDialog>

// The about box, dialog IDD_ABOUTBOX: icon 128, the program name and version, and OK.
// Laid out in dialog units of its own font, so it keeps its proportions at any font size.
class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
};
