#include "VirtualKeys.h"

#include <QKeyEvent>

unsigned VirtualKeyFromEvent(const QKeyEvent& event)
{
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier) {
        switch (key) {
        case Qt::Key_0: case Qt::Key_Insert: return VK_NUMPAD0;
        case Qt::Key_1: case Qt::Key_End: return VK_NUMPAD1;
        case Qt::Key_2: case Qt::Key_Down: return VK_NUMPAD2;
        case Qt::Key_3: case Qt::Key_PageDown: return VK_NUMPAD3;
        case Qt::Key_4: case Qt::Key_Left: return VK_NUMPAD4;
        case Qt::Key_5: case Qt::Key_Clear: return VK_NUMPAD5;
        case Qt::Key_6: case Qt::Key_Right: return VK_NUMPAD6;
        case Qt::Key_7: case Qt::Key_Home: return VK_NUMPAD7;
        case Qt::Key_8: case Qt::Key_Up: return VK_NUMPAD8;
        case Qt::Key_9: case Qt::Key_PageUp: return VK_NUMPAD9;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        default: break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<unsigned>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<unsigned>('0' + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_F1: return VK_F1;
    case Qt::Key_F2: return VK_F2;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    default: return 0;
    }
}
