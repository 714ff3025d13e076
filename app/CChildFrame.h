#pragma once

#include "platform/CMDIChildWnd.h"

// The frame of one model window: caption from the document title, icon 129.
class CChildFrame : public CMDIChildWnd {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* pParent = nullptr);
};
