#pragma once

// Virtual-key codes of the keys the view handles, and the mapping from Qt's key events.
enum : unsigned {
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_NUMPAD0 = 0x60,
    VK_NUMPAD1, VK_NUMPAD2, VK_NUMPAD3, VK_NUMPAD4, VK_NUMPAD5,
    VK_NUMPAD6, VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD9,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
};

class QKeyEvent;

// The virtual-key code of a Qt key event, 0 for keys the program has no code for.
// Keypad keys map to their VK_NUMPAD codes whatever Num Lock says, as users of the
// walk keys expect the keypad to steer either way.
unsigned VirtualKeyFromEvent(const QKeyEvent& event);
