// The screen statements of the game's typing loop and start: copying the saved mode-12
// screen back onto page 0 (target within 1.5 times a bare memcpy of the same 307,200
// bytes, measured in the same run), and the switch from the start-up text screen to
// mode 12.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"
#include "runtime/screen/screen.h"

namespace {

void screen_ready() {
    low_memory_init();
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

}  // namespace

BENCHMARK_MAIN();
