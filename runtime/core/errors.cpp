// raise_error and dispatch_error: how a failure reaches the player.
#include "runtime/core/errors.h"

#include <string>

#include "runtime/core/lifecycle.h"
#include "runtime/core/private/error_tables.h"
#include "runtime/platform/message_box.h"
#include "runtime/platform/process.h"

ErrorCode pending_error = 0;
int32_t error_line = 0;
int32_t error_trap_registered = 0;
int32_t error_trap_running = 0;

namespace {

// The memory-block errors are critical when they reach the dialog, though raise_error
// records them like any other error.
bool critical_at_dispatch(ErrorCode n) {
    return n >= 300 && n <= 313;
}

}  // namespace

void critical_error(ErrorCode n) {
    platform_message_box(critical_box_caption(n), critical_box_text(n), MessageBoxButtons::ok,
                         MessageBoxModality::system);
    platform_exit(0);
}

int32_t raise_error(int32_t n) {
    if (n > 0 && is_critical_error(static_cast<ErrorCode>(n))) {
        critical_error(static_cast<ErrorCode>(n));
    }
    if (pending_error != 0) return static_cast<int32_t>(pending_error);
    if (n < 1) n = 5;
    pending_error = static_cast<ErrorCode>(n);
    checkpoint_requested.store(1, std::memory_order_release);
    return n;
}

void dispatch_error() {
    const ErrorCode error = pending_error;
    const bool critical = critical_at_dispatch(error);
    std::string text =
        "Line:" + std::to_string(static_cast<uint32_t>(error_line)) + "\n" + error_message(error);
    if (!critical) text += "\nContinue?";
    std::string caption =
        (critical ? "Critical Error #" : "Unhandled Error #") + std::to_string(error);

    if (critical) {
        platform_message_box(caption, text, MessageBoxButtons::ok, MessageBoxModality::application);
        platform_exit(0);
    }
    MessageBoxAnswer answer =
        platform_message_box(caption, text, MessageBoxButtons::yes_no, MessageBoxModality::system);
    if (answer == MessageBoxAnswer::no) {
        stop_requested.store(1, std::memory_order_release);
        park_program_thread();
    }
    pending_error = 0;
}
