// The screen statements of the game's typing loop and start: copying the saved mode-12
// screen back onto page 0 (target within 1.5 times a bare memcpy of the same 307,200
// bytes, measured in the same run), the switch from the start-up text screen to mode 12,
// printing one 80-column line on a mode-12 page (target under 20 us), scrolling the
// mode-12 text window by one row (target within 2 times a bare memmove of the same
// bytes), clearing the whole mode-12 screen, and the bell's pause (250 ms).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"
#include "runtime/screen/screen.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/text_screen.h"
#include "runtime/strings/strings.h"

namespace {

void screen_ready() {
    low_memory_init();
    string_tables_init();
    strings_init();
    font_metrics_init();
    image_table_init();
    palettes_init();
    screen_init_first_mode();
}

constexpr size_t MODE_12_PAGE_BYTES = 640 * 480;

void bare_memcpy(benchmark::State& state) {
    std::vector<uint8_t> from(MODE_12_PAGE_BYTES, 7);
    std::vector<uint8_t> to(MODE_12_PAGE_BYTES);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), MODE_12_PAGE_BYTES);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * MODE_12_PAGE_BYTES));
}
BENCHMARK(bare_memcpy);

// Restoring the saved screen, as the typing loop does before it redraws the command line.
void copy_page_mode_12(benchmark::State& state) {
    screen_ready();
    set_screen_mode(12, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
    copy_page(0, 1);  // makes page 1
    for (auto _ : state) {
        copy_page(1, 0);
        benchmark::ClobberMemory();
    }
    if (pending_error != 0) state.SkipWithError("copy_page failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * MODE_12_PAGE_BYTES));
}
BENCHMARK(copy_page_mode_12);

// Mode 12 from the start-up text screen; the way back to mode 0 is not timed.
void screen_mode_12_from_mode_0(benchmark::State& state) {
    screen_ready();
    for (auto _ : state) {
        state.PauseTiming();
        set_screen_mode(0, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
        state.ResumeTiming();
        set_screen_mode(12, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
    }
    if (pending_error != 0) state.SkipWithError("set_screen_mode failed");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(screen_mode_12_from_mode_0);

void mode_12_ready() {
    screen_ready();
    set_screen_mode(12, 0, 0, 0, 0, SCREEN_MODE_GIVEN);
    set_color(7, 0, 0, COLOR_FOREGROUND_GIVEN | COLOR_BACKGROUND_GIVEN);
}

// One line of 80 characters through the game's pattern for a string item: the fit check,
// the string, then the empty print that ends the line. The cursor goes back to the top
// row each time, so no scroll is timed.
void print_line_mode_12(benchmark::State& state) {
    mode_12_ready();
    StrDesc* line = string_from_cstring(
        "The candle gutters. Somewhere below, something drags itself across the cellar...");
    for (auto _ : state) {
        locate(1, 1, 0, 0, 0, 3);
        print_fit_check(line);
        print_string(line, WITHOUT_LINE_END);
        print_string(shared_empty_string, WITH_LINE_END);
        benchmark::ClobberMemory();
    }
    if (pending_error != 0 || write_page.image->cursor_row != 2) {
        state.SkipWithError("the line did not print");
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items = lines");
}
BENCHMARK(print_line_mode_12);

// The bytes a one-row scroll of the mode-12 text window (rows 1-29) moves.
constexpr size_t MODE_12_SCROLLED_BYTES = 28 * 16 * 640;

void bare_memmove_of_scroll(benchmark::State& state) {
    std::vector<uint8_t> page(MODE_12_PAGE_BYTES, 7);
    for (auto _ : state) {
        std::memmove(page.data(), page.data() + 16 * 640, MODE_12_SCROLLED_BYTES);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * MODE_12_SCROLLED_BYTES));
}
BENCHMARK(bare_memmove_of_scroll);

// A line end on the window's last row: the rows move up and the new row is filled.
void scroll_mode_12(benchmark::State& state) {
    mode_12_ready();
    for (auto _ : state) {
        locate(29, 1, 0, 0, 0, 3);
        print_newline();
        benchmark::ClobberMemory();
    }
    if (pending_error != 0 || write_page.image->cursor_row != 29) {
        state.SkipWithError("the window did not scroll");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * MODE_12_SCROLLED_BYTES));
}
BENCHMARK(scroll_mode_12);

void clear_screen_mode_12(benchmark::State& state) {
    mode_12_ready();
    for (auto _ : state) {
        clear_screen(0, 0, 0);
        benchmark::ClobberMemory();
    }
    if (pending_error != 0) state.SkipWithError("clear_screen failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * MODE_12_PAGE_BYTES));
}
BENCHMARK(clear_screen_mode_12);

// The bell pauses without painting; real time, a few rounds.
void bell(benchmark::State& state) {
    mode_12_ready();
    StrDesc* bell_code = string_from_cstring("\a");
    for (auto _ : state)
        print_string(bell_code, WITHOUT_LINE_END);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bell)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
