// The housekeeping thread: the BIOS clock, compose ticks, the lock-key poll, and the exit
// sequence that every way of ending the process leads to.
#include "runtime/core/lifecycle.h"
#include "runtime/display/display.h"
#include "runtime/files/files.h"
#include "runtime/input/keyboard.h"
#include "runtime/machine/machine.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"

namespace {

constexpr int32_t PASS_SLEEP_MS = 15;
constexpr int32_t RETRACE_SLEEP_MS = 1;
constexpr int32_t SHELL_WAIT_SLEEP_MS = 64;
constexpr int32_t EXIT_POLL_MS = 16;

bool close_honoured() {
    return close_request.load(std::memory_order_acquire) != 0 &&
           program_handles_close.load(std::memory_order_acquire) == 0;
}

// A compose tick: a frame when automatic display is on, and the blink clock in any case.
void compose_tick() {
    if (auto_display.load(std::memory_order_acquire) != 0) compose_frame();
    frame_counter.fetch_add(1, std::memory_order_acq_rel);
    retrace_flags[0].store(0, std::memory_order_release);
}

}  // namespace

void housekeeping_thread_entry() {
    bool compose_pass = false;
    for (;;) {
        if (close_honoured()) break;
        bios_tick_update();
        const int32_t shell_state = shell_wait_state.load(std::memory_order_acquire);
        if (shell_state != 0) {
            // While a child process runs the display composes one last frame, then rests.
            if (shell_state == -1) {
                platform_sleep_ms(SHELL_WAIT_SLEEP_MS);
            } else {
                shell_wait_state.store(-1, std::memory_order_release);
                compose_tick();
            }
            continue;
        }
        platform_sleep_ms(PASS_SLEEP_MS);
        retrace_flags[0].store(1, std::memory_order_release);
        retrace_flags[1].store(1, std::memory_order_release);
        platform_sleep_ms(RETRACE_SLEEP_MS);
        if (stop_requested.load(std::memory_order_acquire) != 0) break;
        compose_pass = !compose_pass;
        printer_page_check();
        if (compose_pass) {
            compose_tick();
        } else {
            keyboard_poll_lock_keys();
        }
    }
    run_exit_sequence();
}

void run_exit_sequence() {
    exit_in_progress.store(1, std::memory_order_release);
    checkpoint_requested.store(1, std::memory_order_release);
    platform_wake_sleepers();
    while (thread_exit_acks.load(std::memory_order_acquire) != ALL_THREADS_ACKNOWLEDGED) {
        platform_sleep_ms(EXIT_POLL_MS);
    }
    printer_page_flush();
    close_all_files();
    platform_exit(exit_code.load(std::memory_order_acquire));
}
