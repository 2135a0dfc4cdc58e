// The string statements the game runs in its loops: a temporary assigned to a variable
// (which must steal the text, not copy it), two short strings joined and cleaned up, and
// a typed command upper-cased and trimmed.
#include <benchmark/benchmark.h>

#include <cstring>

#include "runtime/core/memory.h"
#include "runtime/strings/string_functions.h"
#include "runtime/strings/strings.h"

namespace {

void strings_ready() {
    low_memory_init();
    string_tables_init();
    strings_init();
}

// v = a 16-byte temporary, then the statement cleanup.
void assign_temporary_to_variable(benchmark::State& state) {
    strings_ready();
    StrDesc* v = string_new(0, NOT_TEMPORARY);
    const uint32_t mark = temporary_mark();
    int64_t copies = 0;
    for (auto _ : state) {
        StrDesc* t = string_new(16, TEMPORARY);
        uint8_t* const bytes = t->text;
        string_assign(v, t);
        copies += v->text != bytes;
        free_temporaries(mark, 0);
    }
    if (copies != 0) state.SkipWithError("an assignment copied its temporary");
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items = assignments, none copied");
}
BENCHMARK(assign_temporary_to_variable);

// v = "NORTH" + "WEST", then the statement cleanup.
void concatenate_two_short_strings(benchmark::State& state) {
    strings_ready();
    StrDesc* v = string_new(0, NOT_TEMPORARY);
    const uint32_t mark = temporary_mark();
    for (auto _ : state) {
        string_assign(
            v, string_concat(string_from_literal("NORTH", 5), string_from_literal("WEST", 4)));
        free_temporaries(mark, 0);
    }
    benchmark::DoNotOptimize(v->text[0]);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items = statements");
}
BENCHMARK(concatenate_two_short_strings);

// command = trim left(trim right(upper(typed))) on a 40-byte variable.
void upper_and_trim_a_command(benchmark::State& state) {
    strings_ready();
    const char typed[] = "   examine the axe by the cellar door   ";
    static_assert(sizeof typed - 1 == 40);
    StrDesc* source = string_assign(string_new(0, NOT_TEMPORARY), string_from_literal(typed, 40));
    StrDesc* command = string_new(0, NOT_TEMPORARY);
    const uint32_t mark = temporary_mark();
    for (auto _ : state) {
        string_assign(command, string_trim_left(string_trim_right(string_to_upper(source))));
        free_temporaries(mark, 0);
    }
    if (std::memcmp(command->text, "EXAMINE THE AXE", 15) != 0) state.SkipWithError("wrong");
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items = statements");
}
BENCHMARK(upper_and_trim_a_command);

}  // namespace

BENCHMARK_MAIN();
