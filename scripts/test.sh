#!/usr/bin/env bash
# Sets everything up if needed, test tools included, and runs every test:
# unit, whole-game, end-to-end, install and package tests on the normal build,
# then the same but the picture check and the install tests under
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) with the soak
# and a minute of random play in a real X server.
#
# scripts/test.sh --arm64: instead, cross builds everything for arm64 into
# build-arm64/ and runs there, under qemu's emulation, the unit, whole-game and
# golden-replay tests, one end-to-end scenario and the arm64 package's test.
#
# scripts/test.sh --windows: instead, cross builds everything for 64-bit
# Windows into build-windows/ and runs there, under Wine, the unit, whole-game
# and golden-replay tests, the end-to-end scenarios a Windows player meets and
# the Windows package test.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --arm64 ]; then
    scripts/setup.sh --arm64
    exec ctest --test-dir build-arm64 --output-on-failure -j"$(nproc)" -LE soak
fi
if [ "${1:-}" = --windows ]; then
    # One Wine prefix a run, made afresh when the build is configured.
    rm -rf build-windows/wine
    scripts/setup.sh --windows
    export WINEPREFIX=$PWD/build-windows/wine
    wineserver -w
    # The tests on SDL's dummy driver, with Wine's server kept up (a program
    # then starts in about a second, against 5 s). The session's own programs
    # (services, devices) start with its first program and keep its output
    # open: started first, writing nowhere, so that no test's output stays
    # open after it.
    wineserver -p &
    trap 'wineserver -k 2>/dev/null || true' EXIT
    wine wineboot </dev/null >/dev/null 2>&1
    status=0
    ctest --test-dir build-windows --output-on-failure -j"$(nproc)" -LE e2e || status=$?
    wineserver -k
    wineserver -w
    # The games in real windows: each scenario's start a session of their own,
    # whose desktop is on that scenario's X server (a desktop left on another
    # server, or on none, shows the game's window black or not at all).
    ctest --test-dir build-windows --output-on-failure -j"$(nproc)" -L e2e || status=$?
    exit "$status"
fi
scripts/setup.sh

# Unit, whole-game, golden-replay and end-to-end tests run on both SDL 1.2
# runtimes: classic SDL (label classic) and sdl12-compat (label compat, names
# starting compat/). CI must not lose the second one quietly.
if [ -n "${CI:-}" ] && ctest --test-dir build -N -L compat | grep -q "^Total Tests: 0$"; then
    echo "no tests on sdl12-compat: is libsdl1.2-compat installed?" >&2
    exit 1
fi
if [ -n "${CI:-}" ] && ctest --test-dir build -N -L wayland | grep -q "^Total Tests: 0$"; then
    echo "no tests in a Wayland session: are weston and xwayland installed?" >&2
    exit 1
fi
ctest --test-dir build --output-on-failure -j"$(nproc)" -LE soak

# Warnings are errors in build/ under CI already; here GCC's instrumented code
# draws false "may be used uninitialized" warnings from the standard library.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIENDS_SANITIZE=ON \
      -DFIENDS_WERROR=OFF -DFIENDS_TESTS=ON
cmake --build build-asan -j"$(nproc)"
# The picture check and the packaging tests gain nothing from sanitizers.
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E '^images_match_committed$' -LE install
