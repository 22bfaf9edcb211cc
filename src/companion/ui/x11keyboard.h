#pragma once

// The keyboard's state as the X server knows it, whichever window has the focus. Kept apart from Qt
// code: Xlib's macros (KeyPress, None, Bool) collide with Qt's names.
namespace X11Keyboard {

// Whether the program runs on an X server it can ask.
bool available();
// Whether the key of that keysym is down (and with shift, a Shift key too).
bool isDown(unsigned long keysym, bool shift);

} // namespace X11Keyboard
