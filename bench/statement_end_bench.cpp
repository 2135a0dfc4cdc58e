// The cost of the test after every statement when nothing is pending: the translated
// program pays it once per statement, so it must stay one load and one branch.
#include <benchmark/benchmark.h>

#include "runtime/core/checkpoint.h"

namespace {

void statement_end_nothing_pending(benchmark::State& state) {
    checkpoint_requested.store(0);
    int32_t line = 0;
    for (auto _ : state) {
        // Eight statements per iteration, so that the loop's own cost is spread thin.
        statement_end(++line);
        statement_end(++line);
        statement_end(++line);
        statement_end(++line);
        statement_end(++line);
        statement_end(++line);
        statement_end(++line);
        statement_end(++line);
        benchmark::DoNotOptimize(line);
    }
    state.SetItemsProcessed(state.iterations() * 8);
    state.SetLabel("items = statements");
}
BENCHMARK(statement_end_nothing_pending);

}  // namespace

BENCHMARK_MAIN();
