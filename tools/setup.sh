#!/usr/bin/env bash
# Shared by play.sh and test.sh: installs the Debian packages that are missing (one
# apt-get update at most) and configures and builds one build tree.
#
#   ensure_packages pkg...              install whichever of pkg... is not installed
#   configure_tree DIR [cmake args...]  configure DIR with Ninja unless it already is; the
#                                       compiler comes from CC and CXX, as cmake reads them
#   build_tree DIR [cmake args...]      configure DIR if needed, then build all of it

set -euo pipefail

GRAVEWICK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-2}"

# What building and running the game needs.
RUNTIME_PACKAGES=(cmake ninja-build g++ pkg-config libsdl2-dev libx11-dev tzdata)
# What the test suite, the benchmarks and the fuzz targets (clang with its libFuzzer and
# sanitizer runtimes) need on top.
TEST_PACKAGES=(googletest libgtest-dev libbenchmark-dev libxtst-dev xvfb xdotool x11-apps
               clang libclang-rt-14-dev)

ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
}

configure_tree() {
    local dir="$1"
    shift
    if [ ! -f "$GRAVEWICK_ROOT/$dir/build.ninja" ]; then
        cmake -S "$GRAVEWICK_ROOT" -B "$GRAVEWICK_ROOT/$dir" -G Ninja "$@"
    fi
}

build_tree() {
    configure_tree "$@"
    cmake --build "$GRAVEWICK_ROOT/$1" -j "$JOBS"
}
