// A private X server for tests, and the few X client calls the window tests need:
// finding a top-level window by its title, reading titles, and typing real key events
// into a window through the XTest extension.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

typedef struct _XDisplay Display;

class XvfbServer {
public:
    // Starts Xvfb on a free display number with one 1280x1024x24 screen; ok() tells
    // whether it came up.
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool ok() const { return display_number_ >= 0; }
    // ":N", for the DISPLAY variable.
    std::string display_name() const;
    // "DISPLAY=:N", for a child's environment.
    std::string display_env() const { return "DISPLAY=" + display_name(); }

private:
    pid_t pid_ = -1;
    int display_number_ = -1;
};

// A client connection to a test X server.
class XClient {
public:
    explicit XClient(const std::string& display_name);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool ok() const { return display_ != nullptr; }

    // Titles of the mapped top-level windows (and their direct children), in stacking order.
    std::vector<std::string> window_titles();

    // Waits up to timeout_ms for a top-level window whose title starts with prefix;
    // returns its id, or 0.
    unsigned long wait_for_window(const std::string& prefix, int timeout_ms);

    // Waits up to timeout_ms until no window title starts with prefix.
    bool wait_for_no_window(const std::string& prefix, int timeout_ms);

    // The title of window, or empty.
    std::string title_of(unsigned long window);

    // Gives window the input focus and presses and releases the key named by keysym_name
    // ("Return", "Escape", "a", ...) as real input through XTest.
    bool press_key(unsigned long window, const std::string& keysym_name);

    // Presses (down) or releases a key through XTest, without touching the focus.
    bool key_event(const std::string& keysym_name, bool down);

    Display* display() const { return display_; }

private:
    Display* display_ = nullptr;
};
