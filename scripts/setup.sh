#!/usr/bin/env bash
# Installs what is missing (Debian packages, through apt-get, with sudo when
# not root), then configures and builds into build/. Safe to run again.
# Usage: scripts/setup.sh [--game | --arm64 | --windows] [extra cmake arguments...]
#   --game: only what building and playing the game needs, and only the game
#           is built; quiet unless something changes (scripts/play.sh).
#   Otherwise the test tools too, the tests required, and everything built
#   (scripts/test.sh); with --arm64, built for arm64 into build-arm64/ instead
#   (scripts/arm64.sh sets up the cross compiler and the arm64 sysroot); with
#   --windows, for 64-bit Windows into build-windows/ (scripts/windows.sh sets
#   up mingw-w64, Wine, NSIS and the libraries built from Debian's sources).
set -euo pipefail
cd "$(dirname "$0")/.."

game_only=
arm64=
windows=
case ${1:-} in
--game) game_only=1; shift ;;
--arm64) arm64=1; shift ;;
--windows) windows=1; shift ;;
esac

# libsdl1.2-compat: on Debian 12, sdl12-compat in a private directory, which
# scripts/play.sh takes (classic SDL 1.2 cannot aim on a Wayland desktop) and
# the tests run on too.
packages=(build-essential cmake pkg-config libsdl1.2-dev libsdl-image1.2-dev libpng-dev libx11-dev
          libxrandr-dev libsdl1.2-compat)
if [ -z "$game_only" ]; then
    # openbox: the window manager of some of the tests; weston with XWayland: the
    # Wayland session of others.
    packages+=(libgtest-dev libbenchmark-dev xvfb xdotool x11-utils imagemagick python3
               openbox weston xwayland desktop-file-utils appstream lintian git)
fi
# The Windows package test unpacks the zip.
[ -z "$windows" ] || packages+=(unzip)

# One query for all: installed packages print "ii".
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${packages[@]}" 2>/dev/null |
            awk '$1 == "ii" { print $2 }') || true
missing=()
for p in "${packages[@]}"; do
    [[ $'\n'$installed$'\n' == *$'\n'$p$'\n'* ]] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    # Through env: sudo would drop the variable from the environment.
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ -n "$game_only" ]; then
    # Configured once; later builds re-run CMake by themselves when needed.
    if [ ! -e build/CMakeCache.txt ]; then
        cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    # Asking make costs most of a second; no source or build file newer than
    # the start of the last build asked for here means there is nothing to do.
    # Not the game's own date: a file it is not built from (a test, say) stays
    # newer than the game, and make would be asked again on every run.
    stamp=build/play.stamp
    if [ -e build/fiends ] && [ -e "$stamp" ] && [ -z "$(find . \( -path ./.git -o -path './build*' \) -prune -o \
            \( -name '*.cpp' -o -name '*.h' -o -name '*.cmake' -o -name CMakeLists.txt \) \
            -newer "$stamp" -print -quit)" ]; then
        exit 0
    fi
    # Dated before the build starts, so a file changed during it is seen next time.
    touch "$stamp.next"
    # Make prints its progress even when there is nothing to do: show it
    # only when the game was rebuilt, or the build failed.
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    before=$(stat -c %Y.%i build/fiends 2>/dev/null || true)
    if ! cmake --build build -j"$(nproc)" --target fiends >"$log" 2>&1; then
        cat "$log"
        exit 1
    fi
    mv "$stamp.next" "$stamp"
    if [ "$(stat -c %Y.%i build/fiends)" != "$before" ]; then
        cat "$log"
    fi
    exit 0
fi

werror=OFF
[ -n "${CI:-}" ] && werror=ON
build=build
if [ -n "$arm64" ]; then
    sysroot=$(scripts/arm64.sh)
    build=build-arm64
    set -- --toolchain cmake/aarch64-linux-gnu.cmake -DFIENDS_SYSROOT="$sysroot" "$@"
fi
if [ -n "$windows" ]; then
    prefix=$(scripts/windows.sh --package)
    build=build-windows
    set -- --toolchain cmake/x86_64-w64-mingw32.cmake -DFIENDS_WINDOWS_PREFIX="$prefix" "$@"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIENDS_WERROR="$werror" -DFIENDS_TESTS=ON "$@"
cmake --build "$build" -j"$(nproc)"
