#!/usr/bin/env bash
# Starts the game from the repository root, where it finds images/. The first
# run installs what building the game needs and builds it into build/; later
# runs rebuild only what changed, and say nothing when nothing did.
# Like the installed launcher, runs the game on sdl12-compat (which fits it to
# any screen) where $FIENDS_SDL12_COMPAT_DIR, by default Debian's private
# directory for it, holds the library; set that empty for the system's SDL 1.2.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --game >&2
compat=${FIENDS_SDL12_COMPAT_DIR-/usr/lib/$(gcc -print-multiarch)/sdl12-compat}
if [ -n "$compat" ] && [ -e "$compat/libSDL-1.2.so.0" ]; then
    export LD_LIBRARY_PATH="$compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi
exec build/fiends
