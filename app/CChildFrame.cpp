#include "CChildFrame.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"

#include <QIcon>

CChildFrame::CChildFrame(QWidget* pParent) : CMDIChildWnd(pParent)
{
    setWindowIcon(LoadResourceIcon(IDR_MODELTYPE));
}
