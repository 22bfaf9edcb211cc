#include "companion/ui/x11keyboard.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

Display* display() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace

namespace X11Keyboard {

bool available() {
    return display() != nullptr;
}

bool isDown(unsigned long keysym, bool shift) {
    Display* d = display();
    if (!d || keysym == 0)
        return false;
    char keys[32] = {};
    XQueryKeymap(d, keys);
    const auto down = [&](KeySym sym) {
        const KeyCode code = XKeysymToKeycode(d, sym);
        return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
    };
    return down(KeySym(keysym)) && (!shift || down(XK_Shift_L) || down(XK_Shift_R));
}

} // namespace X11Keyboard
