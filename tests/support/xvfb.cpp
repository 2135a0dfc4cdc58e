#include "tests/support/xvfb.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Errors of a window that vanished while it was being looked at are expected.
int ignore_x_errors(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

XvfbServer::XvfbServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd_text = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",         "-displayfd", fd_text.c_str(), "-screen",  "0",
                          "1280x1024x24", "-nolisten",  "tcp",           "-noreset", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const int failed =
        posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (failed != 0) {
        pid_ = -1;
        close(fds[0]);
        return;
    }
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    const int64_t deadline = now_ms() + 10000;
    while (now_ms() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c;
        if (read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (!number.empty()) display_number_ = std::atoi(number.c_str());
}

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

std::string XvfbServer::display_name() const {
    return ":" + std::to_string(display_number_);
}

XClient::XClient(const std::string& display_name) {
    display_ = XOpenDisplay(display_name.c_str());
    XSetErrorHandler(ignore_x_errors);
}

XClient::~XClient() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

std::string XClient::title_of(unsigned long window) {
    // Titles may be stored as UTF-8 rather than Latin-1; either way the bytes of an
    // 8-bit text property are the title, which is all the tests compare.
    XTextProperty property{};
    std::string title;
    if (!XGetWMName(display_, window, &property) || property.value == nullptr) return title;
    if (property.format == 8) {
        title.assign(reinterpret_cast<const char*>(property.value), property.nitems);
    }
    XFree(property.value);
    return title;
}

std::vector<std::string> XClient::window_titles() {
    std::vector<std::string> titles;
    Window root_return, parent_return;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent_return, &children,
                    &count)) {
        return titles;
    }
    for (unsigned int n = 0; n < count; ++n) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, children[n], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        std::string title = title_of(children[n]);
        if (!title.empty()) titles.push_back(title);
    }
    if (children != nullptr) XFree(children);
    return titles;
}

unsigned long XClient::wait_for_window(const std::string& prefix, int timeout_ms) {
    const int64_t deadline = now_ms() + timeout_ms;
    do {
        Window root_return, parent_return;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent_return,
                       &children, &count)) {
            for (unsigned int n = 0; n < count; ++n) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display_, children[n], &attributes) &&
                    attributes.map_state == IsViewable &&
                    title_of(children[n]).rfind(prefix, 0) == 0) {
                    const Window found = children[n];
                    XFree(children);
                    return found;
                }
            }
            if (children != nullptr) XFree(children);
        }
        sleep_ms(20);
    } while (now_ms() < deadline);
    return 0;
}

bool XClient::wait_for_no_window(const std::string& prefix, int timeout_ms) {
    const int64_t deadline = now_ms() + timeout_ms;
    do {
        bool seen = false;
        for (const std::string& title : window_titles()) {
            if (title.rfind(prefix, 0) == 0) seen = true;
        }
        if (!seen) return true;
        sleep_ms(20);
    } while (now_ms() < deadline);
    return false;
}

bool XClient::key_event(const std::string& keysym_name, bool down) {
    const KeySym symbol = XStringToKeysym(keysym_name.c_str());
    if (symbol == NoSymbol) return false;
    const KeyCode code = XKeysymToKeycode(display_, symbol);
    if (code == 0) return false;
    XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
    XSync(display_, False);
    return true;
}

bool XClient::press_key(unsigned long window, const std::string& keysym_name) {
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    XSync(display_, False);
    sleep_ms(50);
    return key_event(keysym_name, true) && key_event(keysym_name, false);
}
