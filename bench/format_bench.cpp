// The formatted print statement the game runs every frame of its countdown: the template
// " ###:##.###" with the minutes and seconds left as single-precision values, from making
// the output and template strings to freeing them (printing the text is not timed).
#include <benchmark/benchmark.h>

#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/core/memory.h"
#include "runtime/strings/print_using.h"
#include "runtime/strings/strings.h"

namespace {

void strings_ready() {
    low_memory_init();
    string_tables_init();
    strings_init();
}

// One statement per frame, the seconds running down by a thirtieth of a second per frame
// through all of the ten minutes, so the digits change as they do in the game.
void countdown_statement(benchmark::State& state) {
    strings_ready();
    const uint32_t mark = temporary_mark();
    constexpr int FRAMES = 10 * 60 * 30;
    int frame = 0;
    int32_t length = 0;
    for (auto _ : state) {
        const int left = FRAMES - 1 - frame;
        const auto minutes = static_cast<float>(left / (60 * 30));
        const float seconds = static_cast<float>(left % (60 * 30)) / 30.0f;
        PrintUsingStatement statement = print_using_begin(string_from_literal(" ###:##.###", 11));
        print_using_next(statement, minutes);
        print_using_next(statement, seconds);
        length = statement.output->length;
        print_using_end(statement);
        free_temporaries(mark, 0);
        frame = (frame + 1) % FRAMES;
    }
    if (length != 11 || error_pending()) state.SkipWithError("the countdown text is wrong");
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items = statements");
}
BENCHMARK(countdown_statement);

}  // namespace

BENCHMARK_MAIN();
