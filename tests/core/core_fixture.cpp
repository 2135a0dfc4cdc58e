#include "tests/core/core_fixture.h"

#include "runtime/core/errors.h"
#include "runtime/core/events.h"
#include "runtime/core/lifecycle.h"
#include "runtime/core/memory.h"
#include "runtime/core/program.h"
#include "runtime/platform/clock.h"
#include "runtime/strings/strings.h"

void reset_core_state() {
    checkpoint_requested = 0;
    suspended = 0;
    stop_requested = 0;
    exit_in_progress = 0;
    close_request = 0;
    program_handles_close = 0;
    thread_exit_acks = 0;
    exit_code = 0;
    auto_display = 1;
    window_created = 0;
    threads_started = 0;
    sleep_wake = 0;
    pending_error = 0;
    error_line = 0;
    error_trap_registered = 0;
    error_trap_running = 0;
    set_handler_routine(nullptr);
    key_event_slots_init();
    device_tables_init();
    timer_table_init();
    return_stack_init();
    lock_records_init();
    variable_memory_init();
    low_memory_init();
    string_tables_init();
    strings_init();
    clock_seam_reset();
}

void CoreTest::SetUp() {
    reset_core_state();
    message_box_seam_install({});
}

void CoreTest::TearDown() {
    message_box_seam_remove();
    clock_seam_reset();
}

void CoreTest::script_boxes(std::vector<MessageBoxAnswer> answers) {
    message_box_seam_install(std::move(answers));
}

std::vector<MessageBoxRecord> CoreTest::boxes() {
    return message_box_seam_records();
}
