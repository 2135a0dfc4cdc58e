// Linux backend of the process layer: /proc/self/exe, chdir, environ and _exit.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "runtime/platform/process.h"

extern char** environ;

void platform_init() {
    // The window, the message boxes and the keyboard-state queries each open their own
    // display connection on whichever thread needs it; Xlib must be told before any of
    // them that it is used from several threads.
    XInitThreads();
}

std::string platform_executable_path() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < buffer.size())
            return {buffer.data(), static_cast<size_t>(length)};
        buffer.resize(buffer.size() * 2);
    }
}

bool platform_change_directory(const std::string& path) {
    return !path.empty() && chdir(path.c_str()) == 0;
}

std::string platform_working_directory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

int32_t platform_environment_count() {
    int32_t count = 0;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        ++count;
    return count;
}

void platform_exit(int32_t code) {
    // Whatever a thread printed must reach its destination; nothing else is flushed or
    // destroyed, since the other threads are still running.
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(code);
}
