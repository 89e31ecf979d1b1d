#!/usr/bin/env bash
# Installs the built game into a temporary prefix and checks it like a player
# would meet it: the files in their standard places, valid desktop entry and
# metainfo, an icon drawn from the game's art, a readable manual page, the
# launcher starting the game from an unrelated directory under Xvfb and ending
# with status 0 on a held Escape, a moved install still working, and a broken
# install failing with the game's own message and status.
#
# Usage: install_test.sh <build dir> <source dir>
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
. "$source_dir/tests/install/common.sh"

APP_ID=org.fiends.Fiends
work=$(mktemp -d)
cleanup() {
    stop_xvfb
    restore_manifest
    rm -rf "$work"
}
trap cleanup EXIT
save_manifest

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }

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
} | sort >"$work/expected"
sed "s|^$prefix/||" "$manifest" | sort >"$work/installed"
diff -u "$work/expected" "$work/installed" || fail "installed files differ from the expected layout"
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/on_disk"
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
grep -qx "Exec=\"$prefix/bin/fiends\"" "$desktop" || fail "desktop entry does not start $prefix/bin/fiends"
metainfo="$prefix/share/metainfo/$APP_ID.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
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

echo "== starting the installed game from another directory under Xvfb"
elsewhere="$work/elsewhere"
mkdir "$elsewhere"
start_xvfb
(cd "$elsewhere" && PATH="$prefix/bin:$PATH" exec timeout -k 5 60 fiends) \
    >"$work/out" 2>"$work/err" &
game=$!
wait_for_frame "$work/out" "$game" 30 || {
    cat "$work/err" >&2
    fail "no first frame from the installed game"
}
# The first frame shows the background picture with a few sprites on it.
import -window root "$work/screen.png"
differ=$(compare -metric AE -fuzz 10% "$work/screen.png" "$source_dir/images/bgtest.png" null: 2>&1) || true
echo "screen differs from the background picture in $differ of 1024000 pixels"
[ "$differ" -lt 51200 ] || fail "screen does not show the background picture ($differ pixels differ)"
hold_escape
status=0
wait "$game" || status=$?
[ "$status" = 0 ] || { cat "$work/err" >&2; fail "game exited with status $status after Escape"; }
[ -z "$(real_errors "$work/err")" ] || { cat "$work/err" >&2; fail "unexpected messages on stderr"; }
stop_xvfb

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
# expect_failure <message>: the launcher must end with status 1 and say so.
expect_failure() {
    local status=0
    (cd "$elsewhere" && SDL_VIDEODRIVER=dummy exec timeout -k 5 30 "$moved/bin/fiends") \
        >"$work/out" 2>"$work/err" || status=$?
    [ "$status" = 1 ] || { cat "$work/err" >&2; fail "status $status, expected 1, when: $1"; }
    grep -qxF "$1" "$work/err" || { cat "$work/err" >&2; fail "expected message: $1"; }
}
rm "$moved/share/fiends/images/player.png"
expect_failure "unable to load a vital sprite: Couldn't open images/player.png"
rm -r "$moved/share/fiends/images"
expect_failure "unable to load a vital sprite: Couldn't open images/mouse.png"
rm -r "$moved/share/fiends"
expect_failure "fiends: game data directory $(readlink -f "$moved/bin")/../share/fiends is missing; reinstall the game"

echo "PASS"
