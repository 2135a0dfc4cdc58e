// The lifecycle flags, the process-wide values start-up prepares, and the program
// thread's ways out: end_program and park_program_thread.
#include "runtime/core/lifecycle.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/memory.h"
#include "runtime/core/private/startup.h"
#include "runtime/files/files.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"
#include "runtime/screen/images.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/text_screen.h"
#include "runtime/strings/strings.h"

std::atomic<int32_t> checkpoint_requested{0};
std::atomic<uint8_t> suspended{0};
std::atomic<uint8_t> stop_requested{0};
std::atomic<uint8_t> exit_in_progress{0};
std::atomic<uint32_t> close_request{0};
std::atomic<int32_t> program_handles_close{0};
std::atomic<uint32_t> thread_exit_acks{0};
std::atomic<int32_t> exit_code{0};
std::atomic<int32_t> auto_display{1};
std::atomic<int32_t> window_created{0};
std::atomic<int32_t> threads_started{0};

namespace {

StrDesc* the_command_line = nullptr;
std::string the_executable_directory;
int32_t the_environment_count = 0;
int64_t the_tick_base = 0;
int32_t the_time_of_day_base = 0;

constexpr int32_t PARK_POLL_MS = 16;
constexpr uint32_t PROGRAM_THREAD_ACK = 1;
constexpr int64_t MS_PER_DAY = 86400000;

}  // namespace

// ---------------------------------------------------------------------------------------
// Process-wide values
// ---------------------------------------------------------------------------------------

StrDesc* command_line() {
    return the_command_line;
}

void command_line_build(int argc, char** argv) {
    uint64_t length = 0;
    for (int n = 1; n < argc; ++n)
        length += std::strlen(argv[n]) + (n > 1 ? 1 : 0);
    if (length > STRING_MAX_LENGTH) length = STRING_MAX_LENGTH;
    the_command_line = string_new(static_cast<uint32_t>(length), NOT_TEMPORARY);
    uint8_t* out = the_command_line->text;
    uint8_t* const end = out + length;
    for (int n = 1; n < argc && out != end; ++n) {
        if (n > 1) *out++ = ' ';
        const size_t part = std::min<size_t>(std::strlen(argv[n]), end - out);
        std::memcpy(out, argv[n], part);
        out += part;
    }
}

const std::string& executable_directory() {
    return the_executable_directory;
}

std::string executable_directory_of(const std::string& path) {
    for (size_t n = path.size(); n-- > 0;) {
        const char c = path[n];
        if (c == ':') return path.substr(0, n + 1);
        if (c == '/' || c == '\\') {
            // The root directory keeps its slash: cutting it away would name no directory.
            return path.substr(0, n == 0 ? 1 : n);
        }
    }
    return path;
}

void executable_directory_init(const std::string& executable_path) {
    the_executable_directory = executable_directory_of(executable_path);
    platform_change_directory(the_executable_directory);  // a failure is ignored
}

int32_t environment_count() {
    return the_environment_count;
}

void environment_count_init(int32_t count) {
    the_environment_count = count;
}

// ---------------------------------------------------------------------------------------
// Time base and the BIOS tick count
// ---------------------------------------------------------------------------------------

int64_t tick_base() {
    return the_tick_base;
}

int32_t time_of_day_base() {
    return the_time_of_day_base;
}

void time_base_init() {
    int64_t second = platform_calendar_seconds();
    if (second >= 0) {
        // Wait for the next whole second, so that the millisecond clock read below and the
        // time of day taken from the calendar describe the same instant.
        const int64_t first = second;
        while ((second = platform_calendar_seconds()) == first)
            platform_sleep_ms(0);
    }
    the_tick_base = platform_clock_ms();
    LocalTime local;
    the_time_of_day_base = second >= 0 && platform_local_time(second, &local)
                               ? local.hour * 3600000 + local.minute * 60000 + local.second * 1000
                               : 0;
}

int32_t time_of_day_ms() {
    int64_t now = (platform_clock_ms() - the_tick_base + the_time_of_day_base) % MS_PER_DAY;
    if (now < 0) now += MS_PER_DAY;
    return static_cast<int32_t>(now);
}

void bios_tick_update() {
    // 18.2 ticks a second from midnight, in exact integer arithmetic: at most 1,572,479,
    // three bytes, low byte first. The fourth byte of the double word is left alone.
    const uint32_t ticks =
        static_cast<uint32_t>(static_cast<int64_t>(time_of_day_ms()) * 182 / 10000);
    low_memory_store(BIOS_TICK_COUNT, static_cast<uint8_t>(ticks));
    low_memory_store(BIOS_TICK_COUNT + 1, static_cast<uint8_t>(ticks >> 8));
    low_memory_store(BIOS_TICK_COUNT + 2, static_cast<uint8_t>(ticks >> 16));
}

// ---------------------------------------------------------------------------------------
// The program thread's ways out
// ---------------------------------------------------------------------------------------

void show_closing_prompt() {
    // The prompt goes to the page on view, in a text window of its bottom row alone: the
    // empty line scrolls that one row and so clears it, whatever the program left there.
    set_dest(-display_page_slot.load(std::memory_order_acquire));
    const int32_t rows = image_text_rows(*write_page.image);
    set_text_window(rows, rows, GIVEN);
    print_string(shared_empty_string, WITH_LINE_END);
    StrDesc* prompt = string_from_cstring("Press any key to continue");
    print_string(prompt, WITHOUT_LINE_END);
    string_free(prompt);
}

void park_program_thread() {
    thread_exit_acks.fetch_or(PROGRAM_THREAD_ACK, std::memory_order_acq_rel);
    while (exit_in_progress.load(std::memory_order_acquire) == 0)
        platform_sleep_ms(PARK_POLL_MS);
    for (;;)
        platform_sleep_ms(PARK_POLL_MS);
}

void end_program() {
    close_all_files();
    program_handles_close.store(0, std::memory_order_release);
    show_closing_prompt();
    // FIXME: the wait for a key typed after the prompt appeared joins here once the
    // keyboard exists; until then the end follows the prompt at once.
    auto_display.store(1, std::memory_order_release);
    stop_requested.store(1, std::memory_order_release);
    park_program_thread();
}

int32_t read_close_request() {
    program_handles_close.store(1, std::memory_order_release);
    return static_cast<int32_t>(close_request.exchange(0, std::memory_order_acq_rel));
}
