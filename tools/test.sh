#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite three times: the normal
# build, under AddressSanitizer with UndefinedBehaviorSanitizer, and under ThreadSanitizer.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ensure_packages "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

run_suite() {
    local dir="$1"
    shift
    echo "=== $dir"
    build_tree "$dir" -DGRAVEWICK_BUILD_TESTS=ON "$@"
    ctest --test-dir "$GRAVEWICK_ROOT/$dir" -j "$JOBS" --output-on-failure
}

run_suite build-test
run_suite build-asan -DGRAVEWICK_SANITIZER=address
run_suite build-tsan -DGRAVEWICK_SANITIZER=thread
echo "=== all suites passed"
