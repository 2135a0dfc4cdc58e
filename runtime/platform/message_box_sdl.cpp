// Host message boxes through SDL2, which opens its own X connection and needs no window.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>

#include "runtime/platform/private/message_box_backend.h"

namespace {

bool display_present() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
}

constexpr int YES_BUTTON = 1;
constexpr int NO_BUTTON = 0;

}  // namespace

MessageBoxAnswer host_message_box(const std::string& caption, const std::string& text,
                                  MessageBoxButtons buttons) {
    if (!display_present()) {
        std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
        return MessageBoxAnswer::failed;
    }
    // Without this SDL may try a desktop helper program before X11 and give up when the
    // helper is missing.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");

    const SDL_MessageBoxButtonData ok_buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
         YES_BUTTON, "OK"},
    };
    const SDL_MessageBoxButtonData yes_no_buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, YES_BUTTON, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, NO_BUTTON, "No"},
    };
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_INFORMATION;
    data.title = caption.c_str();
    data.message = text.c_str();
    if (buttons == MessageBoxButtons::ok) {
        data.numbuttons = 1;
        data.buttons = ok_buttons;
    } else {
        data.numbuttons = 2;
        data.buttons = yes_no_buttons;
    }
    int chosen = -1;
    if (SDL_ShowMessageBox(&data, &chosen) != 0) {
        std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
        return MessageBoxAnswer::failed;
    }
    if (buttons == MessageBoxButtons::ok) return MessageBoxAnswer::ok;
    if (chosen == YES_BUTTON) return MessageBoxAnswer::yes;
    if (chosen == NO_BUTTON) return MessageBoxAnswer::no;
    return MessageBoxAnswer::failed;  // the box was closed without an answer
}
