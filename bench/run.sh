#!/usr/bin/env bash
# Builds the benchmarks (normal build) and runs every one of them.
source "$(dirname "${BASH_SOURCE[0]}")/../tools/setup.sh"

ensure_packages "${RUNTIME_PACKAGES[@]}" libbenchmark-dev googletest libgtest-dev libxtst-dev
build_tree build-bench -DCMAKE_BUILD_TYPE=Release -DGRAVEWICK_BUILD_TESTS=OFF
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
"$GRAVEWICK_ROOT/build-bench/bench/statement_end_bench" --benchmark_min_time=1
"$GRAVEWICK_ROOT/build-bench/bench/string_bench" --benchmark_min_time=1
"$GRAVEWICK_ROOT/build-bench/bench/format_bench" --benchmark_min_time=1
"$GRAVEWICK_ROOT/build-bench/bench/number_text_bench" --benchmark_min_time=1
"$GRAVEWICK_ROOT/build-bench/bench/screen_bench" --benchmark_min_time=1
"$GRAVEWICK_ROOT/build-bench/bench/idle_cpu_bench"
