#pragma once

// Lock keys of the X keyboard as bits: 1 Caps Lock, 2 Num Lock, 4 Scroll Lock; 0 when
// the display is not X. Kept apart because Xlib's macros clash with Qt's names.
unsigned KeyboardLockState();
