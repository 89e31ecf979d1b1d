#!/bin/sh
# Rewrites the golden replay files in tests/golden/ from the game as it now plays.
# Use it only when the game's behaviour is meant to change, and read the diff
# before committing it.
#
#   tests/regen_golden.sh [build-dir]      (default: build)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target game_tests -j2
bin="$build/tests/game_tests"
# One process per replay: sprite-cache counts, part of every digest, cannot be
# reset within a process.
for name in $("$bin" --gtest_list_tests --gtest_filter='Replay.*' | sed -n 's/^  \([A-Za-z0-9_]*\).*/\1/p'); do
    FIENDS_REGEN_GOLDEN=1 "$bin" --gtest_filter="Replay.$name" --gtest_brief=1
done
