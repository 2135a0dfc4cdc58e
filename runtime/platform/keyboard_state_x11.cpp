// X11 backend of the keyboard state: Xkb indicators for the locks and XQueryKeymap for the
// held keys, on a display connection of its own so that it never interferes with the
// window's.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>

#include "runtime/platform/keyboard_state.h"

namespace {

struct Connection {
    Display* display = nullptr;
    bool tried = false;
};

Connection connection;

Display* keyboard_display() {
    if (!connection.tried) {
        connection.tried = true;
        const char* name = std::getenv("DISPLAY");
        if (name != nullptr && name[0] != '\0') connection.display = XOpenDisplay(nullptr);
    }
    return connection.display;
}

bool indicator_on(Display* display, const char* name) {
    Atom atom = XInternAtom(display, name, False);
    Bool on = False;
    if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) {
        return false;
    }
    return on != False;
}

bool key_held(Display* display, const char keymap[32], KeySym symbol) {
    KeyCode code = XKeysymToKeycode(display, symbol);
    return code != 0 && (keymap[code / 8] & (1 << (code % 8))) != 0;
}

}  // namespace

HostKeyboardState platform_keyboard_state() {
    HostKeyboardState state;
    Display* display = keyboard_display();
    if (display == nullptr) return state;
    state.scroll_lock_on = indicator_on(display, "Scroll Lock");
    state.caps_lock_on = indicator_on(display, "Caps Lock");
    state.num_lock_on = indicator_on(display, "Num Lock");
    char keymap[32] = {};
    XQueryKeymap(display, keymap);
    state.scroll_lock_down = key_held(display, keymap, XK_Scroll_Lock);
    state.left_shift_down = key_held(display, keymap, XK_Shift_L);
    state.right_shift_down = key_held(display, keymap, XK_Shift_R);
    state.left_ctrl_down = key_held(display, keymap, XK_Control_L);
    state.right_ctrl_down = key_held(display, keymap, XK_Control_R);
    state.left_alt_down = key_held(display, keymap, XK_Alt_L);
    state.right_alt_down = key_held(display, keymap, XK_Alt_R);
    return state;
}
