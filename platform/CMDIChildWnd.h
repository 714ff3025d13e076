#pragma once

#include <QMdiSubWindow>

// A child frame inside the main window's workspace, holding one view.
class CMDIChildWnd : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CMDIChildWnd(QWidget* pParent = nullptr);
};
