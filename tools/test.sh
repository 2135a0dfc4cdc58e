#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite three times: the normal
# build, under AddressSanitizer with UndefinedBehaviorSanitizer, and under ThreadSanitizer;
# then builds the fuzz targets with clang and fuzzes for a minute.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ensure_packages "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

run_suite() {
    local dir="$1"
    shift
    echo "=== $dir"
    build_tree "$dir" -DGRAVEWICK_BUILD_TESTS=ON "$@"
    ctest --test-dir "$GRAVEWICK_ROOT/$dir" -j "$JOBS" --output-on-failure
}

# Fuzzes the string statements for FUZZ_SECONDS over a scratch copy of the seed corpus,
# so that neither new inputs nor a crashing one are written into the work tree. A crash or
# a model mismatch fails the run; so does a run that never reaches libFuzzer's closing
# line, since a critical error ends the process with exit code 0.
run_fuzz() {
    local seconds="${FUZZ_SECONDS:-60}"
    echo "=== build-fuzz (string_ops_fuzz, ${seconds} s)"
    CC=clang CXX=clang++ configure_tree build-fuzz -DGRAVEWICK_FUZZ=ON \
        -DGRAVEWICK_BUILD_TESTS=OFF -DGRAVEWICK_BUILD_BENCHMARKS=OFF
    cmake --build "$GRAVEWICK_ROOT/build-fuzz" -j "$JOBS" --target string_ops_fuzz

    local scratch
    scratch="$(mktemp -d)"
    cp -r "$GRAVEWICK_ROOT/tests/fuzz/corpus/string_ops" "$scratch/corpus"
    mkdir "$scratch/artifacts"
    local status=0
    "$GRAVEWICK_ROOT/build-fuzz/tests/fuzz/string_ops_fuzz" -max_total_time="$seconds" \
        -timeout=60 -print_final_stats=1 -artifact_prefix="$scratch/artifacts/" \
        "$scratch/corpus" >"$scratch/fuzz.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ] || ! grep -q '^Done [0-9]* runs' "$scratch/fuzz.log"; then
        tail -n 80 "$scratch/fuzz.log"
        echo "string_ops_fuzz failed (exit $status); its log and inputs are in $scratch"
        return 1
    fi
    grep -E '^(Done|stat::)|DONE' "$scratch/fuzz.log"
    rm -rf "$scratch"
}

run_suite build-test
run_suite build-asan -DGRAVEWICK_SANITIZER=address
run_suite build-tsan -DGRAVEWICK_SANITIZER=thread
run_fuzz
echo "=== all suites passed"
