// The process spine: start-up, the four threads, the lifecycle flags and the exit sequence.
//
// Every way the process ends (the end statement, a refused error box, a break key, closing
// the window) funnels into one exit sequence on the housekeeping thread. The threads meet
// only through the flag words below, each written whole by its writers and polled by the
// others; none of them is guarded by a lock.
#pragma once

struct StrDesc;

#include <atomic>
#include <cstdint>
#include <string>

// The program must call statement_checkpoint at the end of its current statement.
// Any thread sets it to 1; only statement_checkpoint clears it.
extern std::atomic<int32_t> checkpoint_requested;
// Bit 0: the program is held at its next checkpoint (Pause).
extern std::atomic<uint8_t> suspended;
// The process is to end; the housekeeping thread acts on it.
extern std::atomic<uint8_t> stop_requested;
// The exit sequence has begun: every waiting loop parks or ends.
extern std::atomic<uint8_t> exit_in_progress;
// Bit 0: the window was asked to close; bit 1: a break key while the program handles closes.
extern std::atomic<uint32_t> close_request;
// While 1, a window close does not end the process.
extern std::atomic<int32_t> program_handles_close;
// Bit 0: the program thread has parked; bit 1: the timer thread has ended.
extern std::atomic<uint32_t> thread_exit_acks;
// The code the exit sequence ends the process with.
extern std::atomic<int32_t> exit_code;
// 1: the housekeeping thread composes frames; 0: it does not; -1: one more frame, then 0.
extern std::atomic<int32_t> auto_display;
// 1 once the window exists.
extern std::atomic<int32_t> window_created;
// 1 once the program and timer threads run: screen rebuilds must hand-shake from then on.
extern std::atomic<int32_t> threads_started;

// The value every thread acknowledges with before the exit sequence ends the process.
inline constexpr uint32_t ALL_THREADS_ACKNOWLEDGED = 3;

// The program's main routine, called on the program thread with argument 0.
using ProgramMain = void (*)(int32_t argument);
// The window event loop, run on the first thread once start-up is done.
using WindowLoop = void (*)(int argc, char** argv);

// Process entry: runs start-up in its fixed order, starts the program, timer and
// housekeeping threads, then runs window_loop; returns 0 only if that loop ever returns.
int runtime_main(int argc, char** argv, ProgramMain program, WindowLoop window_loop);

// Start-up up to the threads: fills every runtime table in its fixed order.
void runtime_prepare(int argc, char** argv);

// Starts the program thread running program, the timer thread and the housekeeping thread.
void runtime_start_threads(ProgramMain program);

// The program's end statement: shows the closing prompt, waits for a key, ends the process.
[[noreturn]] void end_program();

// The end statement's screen steps: "Press any key to continue" alone on the bottom row
// of the displayed page, which becomes the write page.
void show_closing_prompt();

// The program thread's last act: acknowledges, then sleeps until the process exit ends it.
[[noreturn]] void park_program_thread();

// Lets the program handle window closes itself: returns the close_request bits and clears
// them.
int32_t read_close_request();

// The process arguments after the program name, joined by single spaces: a non-temporary
// string of the main pool.
StrDesc* command_line();

// Builds the command line from the process arguments (start-up step, after the strings).
void command_line_build(int argc, char** argv);

// The executable's directory as start-up cut it from the executable path.
const std::string& executable_directory();

// Cuts an executable path after its directory: at a colon the colon is kept, at a slash or
// backslash the separator is dropped (except the root slash); a path without one is whole.
std::string executable_directory_of(const std::string& path);

// The number of environment entries counted at start-up.
int32_t environment_count();

// The millisecond clock read at the whole second where the time of day was taken.
int64_t tick_base();
// Local time of day at that second, in milliseconds since midnight.
int32_t time_of_day_base();
// Takes the time base: waits for the calendar's next whole second, then reads the
// millisecond clock and the local time of day at that second.
void time_base_init();
// Local time of day now, in milliseconds since midnight, from the time base.
int32_t time_of_day_ms();

// Rewrites the BIOS tick count at 46Ch from the time of day (18.2 ticks per second).
void bios_tick_update();

// The program thread: runs the program's main routine with 0, then parks.
void program_thread_entry();
// The housekeeping thread: its loop, then the exit sequence.
void housekeeping_thread_entry();
// The exit sequence: waits for both threads' acknowledgements, then ends the process.
[[noreturn]] void run_exit_sequence();
