// Number texts as a print or a string conversion makes them, each measured beside a bare
// "%.7g" of the same values in the same run: the classic text of a single and of a double
// (target within three times the bare conversion), and a short decimal read back.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "runtime/core/memory.h"
#include "runtime/strings/number_text.h"
#include "runtime/strings/strings.h"

namespace {

void strings_ready() {
    low_memory_init();
    string_tables_init();
    strings_init();
}

// Values of every form: fixed point below and above 1, integers, exponent form.
constexpr double VALUES[] = {59.7, 0.5, 1234567, 3.14159265, 1.5e-7, 12345678, 0.001, 1.0 / 3};
constexpr int VALUE_COUNT = sizeof VALUES / sizeof VALUES[0];

void bare_snprintf(benchmark::State& state) {
    char text[64];
    int n = 0;
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "%.7g", VALUES[n]);
        benchmark::DoNotOptimize(text[0]);
        n = (n + 1) % VALUE_COUNT;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bare_snprintf);

template <typename Float>
void number_text(benchmark::State& state) {
    strings_ready();
    const uint32_t mark = temporary_mark();
    int n = 0;
    for (auto _ : state) {
        StrDesc* s = sizeof(Float) == sizeof(float)
                         ? number_to_text_single(static_cast<float>(VALUES[n]))
                         : number_to_text_double(VALUES[n]);
        benchmark::DoNotOptimize(s->text[0]);
        free_temporaries(mark, 0);
        n = (n + 1) % VALUE_COUNT;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(number_text<float>)->Name("number_to_text_single");
BENCHMARK(number_text<double>)->Name("number_to_text_double");

void short_decimal_to_number(benchmark::State& state) {
    strings_ready();
    StrDesc* text = string_from_literal("-12.75", 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(text_to_number(text));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(short_decimal_to_number);

void port_number_to_number(benchmark::State& state) {
    strings_ready();
    StrDesc* text = string_from_literal("8080", 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(text_to_number(text));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(port_number_to_number);

}  // namespace

BENCHMARK_MAIN();
