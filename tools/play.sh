#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it. Arguments go to gravewick.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ensure_packages "${RUNTIME_PACKAGES[@]}"
build_tree build -DGRAVEWICK_BUILD_TESTS=OFF -DGRAVEWICK_BUILD_BENCHMARKS=OFF
exec "$GRAVEWICK_ROOT/build/game/gravewick" "$@"
