#!/usr/bin/env bash
# The real game's processor time a frame on each SDL 1.2 runtime this machine
# has and on screens from 1366x768 to 3840x2160, under Xvfb (bench/frame_cpu.py): what
# presenting frames costs, which scripts/bench.sh does not see.
# Usage: scripts/bench_runtimes.sh [--rounds N] [--frames N]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >/dev/null # the game, Xvfb, openbox and Debian 12's sdl12-compat
# sdl12-compat where scripts/play.sh and the launcher take it from.
compat=${FIENDS_SDL12_COMPAT_DIR:-/usr/lib/$(gcc -print-multiarch)/sdl12-compat}
args=()
if [ "$(build/sdl_runtime | cut -d' ' -f1)" = classic ]; then
    args+=(--classic --compat-dir "$compat")
fi
exec python3 bench/frame_cpu.py build/fiends "${args[@]}" "$@"
