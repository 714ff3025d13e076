#include "CMDIChildWnd.h"

#include <QAction>
#include <QMenu>

CMDIChildWnd::CMDIChildWnd(QWidget* pParent) : QMdiSubWindow(pParent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Qt gives the window menu's Close the desktop's close keys (Ctrl+W, Ctrl+F4). Only the
    // accelerator table says which keys are commands; every other key belongs to the view,
    // where W toggles the background whatever modifier is held.
    if (QMenu* pMenu = systemMenu())
        for (QAction* pAction : pMenu->actions())
            pAction->setShortcuts({});
}
