#!/usr/bin/env bash
# Installs the built game into a temporary prefix and checks it like a player
# would meet it: the files in their standard places, valid desktop entry and
# metainfo, an icon drawn from the game's art, a readable manual page, the
# launcher starting the game from an unrelated directory under Xvfb on
# sdl12-compat (its own default) and on the system's SDL 1.2, a window whose class is the desktop entry's
# StartupWMClass, ending with status 0 on a held Escape, the menu's command
# keeping standard output empty, scripts/play.sh keeping the system's SDL 1.2
# when asked and showing a failed build's own message, the uninstall script leaving the prefix as it was but for a
# user's and a Debian package's files, a moved install still working, a broken
# install failing with the game's own message and status, and an incomplete
# build refused before anything is installed.
#
# Usage: tests/e2e/harness.py bash install_test.sh <build dir> <source dir>
# (the harness gives it a private X server as its display)
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
. "$source_dir/tests/install/common.sh"

APP_ID=org.fiends.Fiends
work=$(mktemp -d)
cleanup() {
    if [ -e "$work/icon.built" ]; then mv "$work/icon.built" "$build/packaging/$APP_ID.png"; fi
    rm -f "${stray:-}"
    restore_manifest
    rm -rf "$work"
}
trap cleanup EXIT
save_manifest

# The prefix already holds someone else's files; uninstalling must leave it so.
prefix="$work/prefix"
mkdir -p "$prefix/bin" "$prefix/share/applications"
touch "$prefix/bin/other" "$prefix/share/applications/other.desktop"
snapshot() { (cd "$prefix" && find . -printf '%y %m %p\n' | sort); }
snapshot >"$work/before"

echo "== an install from a build of the game alone (scripts/play.sh) refused"
mv "$build/packaging/$APP_ID.png" "$work/icon.built"
status=0
cmake --install "$build" --prefix "$work/refused" >"$work/refused.log" 2>&1 || status=$?
mv "$work/icon.built" "$build/packaging/$APP_ID.png"
[ "$status" != 0 ] && [ ! -e "$work/refused" ] && tr -s '\n ' ' ' <"$work/refused.log" | grep -q 'Run first: cmake --build' ||
    { cat "$work/refused.log" >&2; fail "not refused before copying, with what to run"; }

install_game() {
    cmake --install "$build" --prefix "$prefix" --strip >"$work/install.log" ||
        { cat "$work/install.log" >&2; fail "cmake --install failed"; }
}
install_game

echo "== installed files"
pictures=$(cd "$source_dir/images" && ls -- *.png)
[ -n "$pictures" ] || fail "no pictures in $source_dir/images"
{
    echo "bin/fiends"
    echo "libexec/fiends/fiends"
    for p in $pictures; do echo "share/fiends/images/$p"; done
    echo "share/applications/$APP_ID.desktop"
    echo "share/icons/hicolor/128x128/apps/$APP_ID.png"
    echo "share/metainfo/$APP_ID.metainfo.xml"
    echo "share/man/man6/fiends.6.gz"
    echo "share/doc/fiends/copyright"
    echo "share/doc/fiends/changelog.gz"
    echo "share/fiends/uninstall.sh"
} | sort >"$work/expected"
sed "s|^$prefix/||" "$manifest" | sort >"$work/installed"
diff -u "$work/expected" "$work/installed" || fail "installed files differ from the expected layout"
(cd "$prefix" && find . -type f ! -name 'other*' | sed 's|^\./||' | sort) >"$work/on_disk"
diff -u "$work/expected" "$work/on_disk" || fail "files on disk differ from the install manifest"
[ -x "$prefix/bin/fiends" ] || fail "launcher is not executable"
[ -x "$prefix/libexec/fiends/fiends" ] || fail "game is not executable"
for p in $pictures; do
    cmp -s "$source_dir/images/$p" "$prefix/share/fiends/images/$p" || fail "picture $p differs"
done

echo "== desktop entry and metainfo"
desktop="$prefix/share/applications/$APP_ID.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
grep -Eq '^Categories=(.*;)?Game;' "$desktop" || fail "desktop entry is not in category Game"
grep -qx "Icon=$APP_ID" "$desktop" || fail "desktop entry does not name the installed icon"
grep -qx "Exec=\"$prefix/bin/fiends\" --quiet" "$desktop" || fail "desktop entry does not start $prefix/bin/fiends --quiet"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[ -n "$wm_class" ] || fail "desktop entry has no StartupWMClass"
metainfo="$prefix/share/metainfo/$APP_ID.metainfo.xml"
# Built without FIENDS_HOMEPAGE (the project has no web site), the metainfo has
# no homepage, which AppStream 1.0 (Debian 13) warns about: that warning alone
# is expected. The package test builds with one and allows nothing.
if ! appstreamcli validate --no-net "$metainfo" >"$work/appstream"; then
    problems=$(grep -E '^[WE]: ' "$work/appstream" | sed 's/.*: //')
    if grep -q '<url type="homepage">' "$metainfo" || [ "$problems" != url-homepage-missing ]; then
        cat "$work/appstream" >&2
        fail "appstreamcli rejects $metainfo"
    fi
fi
grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not point at the desktop entry"
grep -q "<id>$APP_ID</id>" "$metainfo" || fail "metainfo id differs from the desktop entry"

echo "== icon"
icon="$prefix/share/icons/hicolor/128x128/apps/$APP_ID.png"
[ "$(identify -format '%wx%h' "$icon")" = 128x128 ] || fail "icon is not 128x128"
# The icon must be the player's first frame with white made transparent,
# cropped to the figure and scaled by a whole factor. Redo that here with
# ImageMagick and compare on an opaque backdrop.
convert "$source_dir/images/player.png" -crop 50x50+0+0 +repage -transparent white \
    -trim +repage "$work/figure.png"
convert "$icon" -trim +repage "$work/icon_figure.png"
fw=$(identify -format %w "$work/figure.png")
iw=$(identify -format %w "$work/icon_figure.png")
[ $((iw % fw)) -eq 0 ] && [ $((iw / fw)) -ge 2 ] || fail "icon figure is not the frame scaled by a whole factor"
scale=$((iw / fw * 100))
convert "$work/figure.png" -scale "$scale%" -background magenta -flatten "$work/a.png"
convert "$work/icon_figure.png" -background magenta -flatten "$work/b.png"
diff_pixels=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1) || true
[ "$diff_pixels" = 0 ] || fail "icon differs from the player's first frame in $diff_pixels pixels"
# Corners are see-through, so the icon sits on any menu background.
[ "$(convert "$icon" -format '%[fx:p{0,0}.a]' info:)" = 0 ] || fail "icon background is not transparent"

echo "== manual page"
man_page="$prefix/share/man/man6/fiends.6.gz"
gzip -t "$man_page" || fail "manual page is not valid gzip"
if command -v man >/dev/null; then
    MANWIDTH=80 man -l "$man_page" >"$work/man.txt" 2>"$work/man.err" || fail "man cannot render the page"
    [ ! -s "$work/man.err" ] || { cat "$work/man.err" >&2; fail "man warns about the page"; }
    for section in NAME SYNOPSIS CONTROLS FILES "EXIT STATUS"; do
        grep -qx "$section" "$work/man.txt" || fail "manual page lacks $section"
    done
    grep -q Escape "$work/man.txt" || fail "manual page does not say how to quit"
else
    zcat "$man_page" | grep -q '^\.SH "\?EXIT STATUS' || fail "manual page lacks EXIT STATUS"
    echo "(man not installed: rendering not checked)"
fi

echo "== launcher options"
"$prefix/bin/fiends" --version | grep -qx "fiends [0-9.]*" || fail "--version does not print the version"
"$prefix/bin/fiends" --help | grep -q '^Usage: fiends' || fail "--help does not print the usage"
status=0
"$prefix/bin/fiends" --no-such-option 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "an unknown option ends with status $status, expected 2"

# The menu's command line, as the desktop entry gives it: the game runs, and
# its per-frame lines go nowhere.
echo "== started as the menu starts it"
elsewhere="$work/elsewhere"
mkdir "$elsewhere"
eval "set -- $(sed -n 's/^Exec=//p' "$desktop")"
status=0
(cd "$elsewhere" && SDL_VIDEODRIVER=dummy exec timeout -k 1 3 "$@") >"$work/out" 2>"$work/err" || status=$?
case $status in
124 | 137) ;; # still playing when stopped
*) cat "$work/err" >&2; fail "the game ended by itself with status $status" ;;
esac
[ ! -s "$work/out" ] || fail "the menu's command writes to standard output"
[ -z "$(real_errors "$work/err")" ] || { cat "$work/err" >&2; fail "unexpected messages on stderr"; }

# The launcher takes sdl12-compat from its private directory where that is
# installed, with the variable unset; empty, the variable keeps the system's SDL 1.2 (classic on Debian
# 12, sdl12-compat itself on Debian 13). The loader's log says which was loaded.
loaded_sdl() { sed -n 's/.*calling init: \(.*libSDL-1\.2\.so.*\)/\1/p' "$work"/ld.* | sort -u; }
for runtime in sdl12-compat system; do
    echo "== the installed game on the $runtime SDL 1.2, started from another directory under Xvfb"
    compat_dir=/usr/lib/$(gcc -print-multiarch)/sdl12-compat
    setting=(-u FIENDS_SDL12_COMPAT_DIR)
    if [ "$runtime" = system ]; then
        compat_dir=
        setting=(FIENDS_SDL12_COMPAT_DIR=)
    elif [ ! -e "$compat_dir/libSDL-1.2.so.0" ]; then
        echo "(sdl12-compat not installed: skipped)"
        continue
    fi
    rm -f "$work"/ld.*
    : >"$work/out" # emptied now: the child's own emptying may come after the first look
    (cd "$elsewhere" && PATH="$prefix/bin:$PATH" LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/ld" \
        exec env "${setting[@]}" timeout -k 5 60 fiends) >"$work/out" 2>"$work/err" &
    game=$!
    wait_for_frame "$work/out" "$game" 30 || {
        cat "$work/err" >&2
        fail "no first frame from the installed game"
    }
    sdl=$(loaded_sdl)
    echo "SDL 1.2 loaded from $sdl"
    case $runtime:$sdl in
    sdl12-compat:"$compat_dir"/*) ;;
    system:*/sdl12-compat/*) fail "the system's SDL 1.2 wanted, $sdl loaded" ;;
    system:/*) ;;
    *) fail "$runtime wanted, ${sdl:-no SDL 1.2} loaded" ;;
    esac
    # The first frame shows the background picture with a few sprites on it.
    import -window root "$work/screen.png"
    differ=$(compare -metric AE -fuzz 10% "$work/screen.png" "$source_dir/images/bgtest.png" null: 2>&1) || true
    echo "screen differs from the background picture in $differ of 1024000 pixels"
    [ "$differ" -lt 51200 ] || fail "screen does not show the background picture ($differ pixels differ)"
    # Task bars match the window to the menu entry by its class, and show its
    # title and icon.
    # sdl12-compat makes its window twice at start-up: take the one shown.
    window=$(xdotool search --onlyvisible --classname "^$wm_class\$" | tail -n 1)
    [ -n "$window" ] || fail "no window of class $wm_class"
    xprop -id "$window" WM_CLASS | grep -qF "= \"$wm_class\", \"$wm_class\"" ||
        fail "window class $(xprop -id "$window" WM_CLASS) is not $wm_class"
    xprop -id "$window" WM_NAME | grep -qF '"Fiends"' || fail "window title is not Fiends"
    # A task bar shows the icon whenever it comes; here it may follow the first
    # frame by a moment.
    for tries in $(seq 30); do
        xprop -id "$window" WM_HINTS _NET_WM_ICON | grep -Eq 'bitmap id # to use for icon|Icon \(50 x 50\)' &&
            break
        [ "$tries" -lt 30 ] || fail "window has no icon"
        sleep 0.1
    done
    hold_escape
    status=0
    wait "$game" || status=$?
    [ "$status" = 0 ] || { cat "$work/err" >&2; fail "game exited with status $status after Escape"; }
    [ -z "$(real_errors "$work/err")" ] || { cat "$work/err" >&2; fail "unexpected messages on stderr"; }
done

# A spy on PATH logs each cmake that scripts/play.sh runs; a second run with no
# change since the first must ask for no build.
echo "== scripts/play.sh with FIENDS_SDL12_COMPAT_DIR empty, twice after a file outside the game changed"
if [ "$build" != "$source_dir/build" ]; then
    echo "(the build tested is not scripts/play.sh's: skipped)"
else
    stray=$(mktemp "$source_dir/tests/not-the-game-XXXXXX.h")
    mkdir "$work/spy"
    printf '#!/bin/sh\necho "$*" >>"%s"\nexec "%s" "$@"\n' "$work/cmake.log" "$(command -v cmake)" >"$work/spy/cmake"
    chmod +x "$work/spy/cmake"
    for run in 1 2; do
        rm -f "$work"/ld.* "$work/cmake.log"
        run_to_first_frame "$source_dir" "$work/out" "$work/err" env PATH="$work/spy:$PATH" \
            FIENDS_SDL12_COMPAT_DIR= LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/ld" scripts/play.sh ||
            { cat "$work/err" >&2; fail "no first frame from scripts/play.sh"; }
    done
    [ ! -e "$work/cmake.log" ] || fail "scripts/play.sh ran cmake $(cat "$work/cmake.log") again"
    sdl=$(loaded_sdl)
    case $sdl in
    */sdl12-compat/* | "") fail "scripts/play.sh loaded ${sdl:-no SDL 1.2}, not the system's" ;;
    esac
fi

# Stand-ins on PATH, in a copy of the scripts: a user who is not root, with
# every package missing, and a sudo that clears the environment as the real
# one does; apt-get notes what reaches it.
echo "== scripts/setup.sh as a user installs through sudo, non-interactively"
mkdir -p "$work/user/bin" "$work/user/tree"
cp -r "$source_dir/scripts" "$work/user/tree/"
stand_in() { printf '#!/bin/sh\n%s\n' "$2" >"$work/user/bin/$1"; chmod +x "$work/user/bin/$1"; }
stand_in id 'echo 1000'
stand_in dpkg-query 'exit 0'
stand_in sudo 'exec env -i PATH="$PATH" "$@"'
stand_in apt-get "echo \"\$1 DEBIAN_FRONTEND=\$DEBIAN_FRONTEND\" >>'$work/apt.log'"
stand_in cmake 'mkdir -p build'
PATH="$work/user/bin:$PATH" "$work/user/tree/scripts/setup.sh" --game >"$work/setup.log" 2>&1 ||
    { cat "$work/setup.log" >&2; fail "scripts/setup.sh failed for a user"; }
grep -qx 'install DEBIAN_FRONTEND=noninteractive' "$work/apt.log" ||
    { cat "$work/apt.log" >&2; fail "apt-get install ran through sudo without DEBIAN_FRONTEND=noninteractive"; }

echo "== scripts/play.sh shows why the build failed"
stand_in cmake 'mkdir -p build; [ "$1" != --build ] || { echo "game.cpp:1: error: the build broke"; exit 2; }'
status=0
PATH="$work/user/bin:$PATH" "$work/user/tree/scripts/play.sh" >"$work/play.out" 2>"$work/play.err" ||
    status=$?
[ "$status" != 0 ] && grep -q "error: the build broke" "$work/play.err" ||
    { cat "$work/play.err" >&2; fail "status $status, and not the build's own message on stderr"; }

echo "== uninstall"
# A user's file since put into a directory the install created stays, and so
# does a file a Debian package owns (in a dpkg database of the test's own).
echo mine >"$prefix/share/man/man6/mine.6"
owned="$prefix/share/doc/fiends/copyright"
mkdir -p "$work/dpkg/info"
printf 'Package: fiends\nStatus: install ok installed\nVersion: 1\nArchitecture: all\n' >"$work/dpkg/status"
echo "$owned" >"$work/dpkg/info/fiends.list"
DPKG_ADMINDIR="$work/dpkg" sh "$prefix/share/fiends/uninstall.sh" 2>"$work/err" || fail "the uninstall script failed"
[ -f "$prefix/share/man/man6/mine.6" ] || fail "the uninstall removed a user's file"
[ -f "$owned" ] && grep -qx "kept $owned: it belongs to a Debian package" "$work/err" ||
    fail "the uninstall removed a file a Debian package owns"
rm -r "$prefix/share/man" "$prefix/share/doc"
snapshot | diff -u "$work/before" - || fail "the prefix differs from before the install"
install_game

echo "== moved install, started through a symlink"
moved="$work/moved"
mv "$prefix" "$moved"
mkdir "$elsewhere/bin"
ln -s "$moved/bin/fiends" "$elsewhere/bin/fiends"
run_to_first_frame "$elsewhere" "$work/out" "$work/err" "$elsewhere/bin/fiends" || {
    cat "$work/err" >&2
    fail "moved install does not reach its first frame"
}

echo "== broken installs"
# expect_failure <line pattern>: the launcher must end with status 1 and say so.
expect_failure() {
    local status=0
    (cd "$elsewhere" && SDL_VIDEODRIVER=dummy exec timeout -k 5 30 "$moved/bin/fiends") \
        >"$work/out" 2>"$work/err" || status=$?
    [ "$status" = 1 ] || { cat "$work/err" >&2; fail "status $status, expected 1, when: $1"; }
    grep -qx -- "$1" "$work/err" || { cat "$work/err" >&2; fail "expected message: $1"; }
}
# The game's prefix, the file's name, then the reason.
rm "$moved/share/fiends/images/player.png"
expect_failure "unable to load a vital sprite: images/player\.png: .*"
rm -r "$moved/share/fiends/images"
expect_failure "unable to load a vital sprite: images/mouse\.png: .*"
rm -r "$moved/share/fiends"
expect_failure "fiends: game data directory $(readlink -f "$moved/bin")/\.\./share/fiends is missing; reinstall the game"

echo "PASS"
