// CPU used by a waiting process, and how punctually timers fire meanwhile.
//
// A child process runs the whole runtime with a program that waits the way the closing
// prompt does (zero-length sleeps with a checkpoint after each), once with no timer and
// once with a 250 ms timer armed. The parent reads the child's CPU time from /proc over a
// measuring window; the child reports how late each timer event reached its handler.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/checkpoint.h"
#include "runtime/core/events.h"
#include "runtime/core/lifecycle.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"

namespace {

constexpr double TIMER_INTERVAL_S = 0.25;
constexpr int MEASURE_MS = 10000;
constexpr int SETTLE_MS = 1000;

int report_fd = -1;
bool arm_timer = false;
int32_t timer_number = 0;

void timer_handler(int32_t, int64_t) {
    // The scan set last to the due time when it fired; the handler runs at the program's
    // next checkpoint.
    const double late_ms =
        static_cast<double>(platform_clock_ms()) - timer_slot(timer_number).last.load() * 1000.0;
    char line[64];
    const int length = std::snprintf(line, sizeof(line), "%.3f\n", late_ms);
    if (write(report_fd, line, static_cast<size_t>(length)) < 0) std::_Exit(3);
}

void waiting_program(int32_t) {
    if (arm_timer) {
        set_handler_routine(timer_handler);
        timer_number = timer_new();
        timer_set(timer_number, TIMER_INTERVAL_S, 1, 0);
        timer_switch(timer_number, SlotSwitch::on);
    }
    for (;;) {
        platform_sleep_ms(0);
        statement_end(0);
    }
}

void idle_window_loop(int, char**) {
    for (;;)
        platform_sleep_ms(1000);
}

double cpu_seconds(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return -1;
    char buffer[1024] = {};
    const size_t got = std::fread(buffer, 1, sizeof(buffer) - 1, file);
    std::fclose(file);
    buffer[got] = 0;
    // Fields 14 and 15 (user and system time in clock ticks) follow the command name.
    const char* after_name = std::strrchr(buffer, ')');
    unsigned long user = 0, system = 0;
    if (after_name == nullptr ||
        std::sscanf(after_name + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                    &system) != 2) {
        return -1;
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Run {
    double cpu_percent;
    std::vector<double> late_ms;
};

Run measure(bool with_timer) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(2);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        report_fd = fds[1];
        arm_timer = with_timer;
        char name[] = "idle";
        char* argv[] = {name, nullptr};
        runtime_main(1, argv, waiting_program, idle_window_loop);
        std::_Exit(0);
    }
    close(fds[1]);
    usleep(SETTLE_MS * 1000);
    const double before = cpu_seconds(child);
    usleep(MEASURE_MS * 1000);
    const double after = cpu_seconds(child);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    Run run{100.0 * (after - before) / (MEASURE_MS / 1000.0), {}};
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof(buffer))) > 0)
        text.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        run.late_ms.push_back(std::atof(text.substr(at, end - at).c_str()));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return run;
}

}  // namespace

int main() {
    const Run idle = measure(false);
    std::printf("idle CPU, waiting with no timer:    %6.2f %% of one core (target <= 3 %%)\n",
                idle.cpu_percent);
    Run timed = measure(true);
    std::printf("idle CPU, waiting with 250 ms timer: %6.2f %% of one core (target <= 3 %%)\n",
                timed.cpu_percent);
    if (!timed.late_ms.empty()) {
        std::sort(timed.late_ms.begin(), timed.late_ms.end());
        std::printf(
            "timer events: %zu, due to handler: median %.1f ms, max %.1f ms "
            "(target: about 1 ms)\n",
            timed.late_ms.size(), timed.late_ms[timed.late_ms.size() / 2], timed.late_ms.back());
    }
    return 0;
}
