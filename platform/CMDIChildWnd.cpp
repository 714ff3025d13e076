#include "CMDIChildWnd.h"

CMDIChildWnd::CMDIChildWnd(QWidget* pParent) : QMdiSubWindow(pParent)
{
    setAttribute(Qt::WA_DeleteOnClose);
}
