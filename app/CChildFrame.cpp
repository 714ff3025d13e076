#include "CChildFrame.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"

#include <QIcon>

CChildFrame::CChildFrame(QWidget* pParent) : CMDIChildWnd(pParent)
{
    // A title bar shows 16 pixels: the 16-pixel drawing, not the 32-pixel one shrunk.
    setWindowIcon(LoadResourceIcon(IDR_MODELTYPE, 16));
}
