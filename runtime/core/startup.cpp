// Process entry and the start-up sequence.
//
// Every table of every subsystem is filled here, in one fixed order, before the program
// thread starts; the program's first statements then run while the window is still being
// created, and nothing they call depends on the window.
#include "runtime/core/private/startup.h"
#include "runtime/core/events.h"
#include "runtime/core/lifecycle.h"
#include "runtime/core/memory.h"
#include "runtime/core/program.h"
#include "runtime/display/display.h"
#include "runtime/files/files.h"
#include "runtime/input/keyboard.h"
#include "runtime/machine/machine.h"
#include "runtime/net/net.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

ProgramMain program_main = nullptr;

// Tables that exist before the process entry runs in the classic runtime; the key trap
// and timer tables are filled by start-up's own steps below.
void static_tables_init() {
    device_tables_init();
    return_stack_init();
    string_tables_init();
    lock_records_init();
}

}  // namespace

void runtime_prepare(int argc, char** argv) {
    static_tables_init();
    net_lists_init();
    frame_ring_clear();
    key_event_slots_init();  // the default key codes
    timer_table_init();      // slot 0 allocated, no handler, off, not pending
    executable_directory_init(platform_executable_path());
    environment_count_init(platform_environment_count());
    font_metrics_init();
    image_table_init();
    machine_registers_init();
    file_layer_init();
    scan_code_queue_init();
    variable_memory_init();
    low_memory_init();
    strings_init();
    command_line_build(argc, argv);
    time_base_init();
    keyboard_seed_from_host();
    keyboard_buffer_init();
    palettes_init();
    screen_init_first_mode();
}

void program_thread_entry() {
    if (program_main != nullptr) program_main(0);
    park_program_thread();
}

void runtime_start_threads(ProgramMain program) {
    program_main = program;
    platform_start_thread(program_thread_entry);
    platform_start_thread(timer_thread_entry);
    threads_started.store(1, std::memory_order_release);
    platform_start_thread(housekeeping_thread_entry);
}

int runtime_main(int argc, char** argv, ProgramMain program, WindowLoop window_loop) {
    platform_init();
    runtime_prepare(argc, argv);
    runtime_start_threads(program);
    window_loop(argc, argv);
    return 0;
}
