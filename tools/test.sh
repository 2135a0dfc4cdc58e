#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite three times: the normal
# build, under AddressSanitizer with UndefinedBehaviorSanitizer, and under ThreadSanitizer;
# then builds the fuzz targets with clang and fuzzes each for FUZZ_SECONDS.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ensure_packages "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

run_suite() {
    local dir="$1"
    shift
    echo "=== $dir"
    build_tree "$dir" -DGRAVEWICK_BUILD_TESTS=ON "$@"
    ctest --test-dir "$GRAVEWICK_ROOT/$dir" -j "$JOBS" --output-on-failure
}

# The libFuzzer targets, each with its seed corpus under tests/fuzz/corpus/<name>/.
FUZZ_TARGETS=(string_ops number_text print_using print_text)

# Fuzzes one target for FUZZ_SECONDS over a scratch copy of its seed corpus, so that
# neither new inputs nor a crashing one are written into the work tree. A crash or a
# failed check fails the run; so does a run that never reaches libFuzzer's closing line,
# since a critical error ends the process with exit code 0.
fuzz_target() {
    local name="$1" seconds="$2"
    local scratch
    scratch="$(mktemp -d)"
    cp -r "$GRAVEWICK_ROOT/tests/fuzz/corpus/$name" "$scratch/corpus"
    mkdir "$scratch/artifacts"
    local status=0
    "$GRAVEWICK_ROOT/build-fuzz/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" \
        -timeout=60 -print_final_stats=1 -artifact_prefix="$scratch/artifacts/" \
        "$scratch/corpus" >"$scratch/fuzz.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ] || ! grep -q '^Done [0-9]* runs' "$scratch/fuzz.log"; then
        tail -n 80 "$scratch/fuzz.log"
        echo "${name}_fuzz failed (exit $status); its log and inputs are in $scratch"
        return 1
    fi
    echo "--- ${name}_fuzz"
    grep -E '^(Done|stat::)|DONE' "$scratch/fuzz.log"
    rm -rf "$scratch"
}

run_fuzz() {
    local seconds="${FUZZ_SECONDS:-40}"
    echo "=== build-fuzz (${FUZZ_TARGETS[*]}, ${seconds} s each)"
    CC=clang CXX=clang++ configure_tree build-fuzz -DGRAVEWICK_FUZZ=ON \
        -DGRAVEWICK_BUILD_TESTS=OFF -DGRAVEWICK_BUILD_BENCHMARKS=OFF
    local name targets=()
    for name in "${FUZZ_TARGETS[@]}"; do targets+=("${name}_fuzz"); done
    cmake --build "$GRAVEWICK_ROOT/build-fuzz" -j "$JOBS" --target "${targets[@]}"
    for name in "${FUZZ_TARGETS[@]}"; do
        fuzz_target "$name" "$seconds" || return 1
    done
}

run_suite build-test
run_suite build-asan -DGRAVEWICK_SANITIZER=address
run_suite build-tsan -DGRAVEWICK_SANITIZER=thread
run_fuzz
echo "=== all suites passed"
