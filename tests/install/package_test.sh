#!/usr/bin/env bash
# Builds the Debian package with CPack and checks what apt would get: the
# control fields (name, version, architecture, section and the SDL runtime
# packages among the dependencies), exactly the files of the install under
# /usr with sane modes, a desktop entry that starts /usr/bin/fiends, and an
# unpacked tree whose launcher reaches the game's first frame. The package is
# never installed on this machine.
#
# Usage: package_test.sh <build dir> <source dir> <version>
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
version=$3
. "$source_dir/tests/install/common.sh"

APP_ID=org.fiends.Fiends
work=$(mktemp -d)
cleanup() {
    restore_manifest
    rm -rf "$work"
}
trap cleanup EXIT
save_manifest

echo "== cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
arch=$(dpkg --print-architecture)
deb="$work/out/fiends_${version}_$arch.deb"
[ -f "$deb" ] || { ls "$work/out" >&2; fail "no $deb"; }

echo "== control fields"
dpkg-deb -f "$deb" Package Version Architecture Section Depends
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = fiends ] || fail "package name is not fiends"
[ "$(field Version)" = "$version" ] || fail "package version is not $version"
[ "$(field Architecture)" = "$arch" ] || fail "architecture is not $arch"
[ "$(field Section)" = games ] || fail "section is not games"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for runtime in libsdl1.2debian libsdl-image1.2 libc6; do
    echo "$depends" | grep -qx "$runtime" || fail "Depends lacks $runtime"
done

echo "== contents"
pictures=$(cd "$source_dir/images" && ls -- *.png)
{
    echo "-rwxr-xr-x usr/bin/fiends"
    echo "-rwxr-xr-x usr/libexec/fiends/fiends"
    for p in $pictures; do echo "-rw-r--r-- usr/share/fiends/images/$p"; done
    echo "-rw-r--r-- usr/share/applications/$APP_ID.desktop"
    echo "-rw-r--r-- usr/share/icons/hicolor/128x128/apps/$APP_ID.png"
    echo "-rw-r--r-- usr/share/metainfo/$APP_ID.metainfo.xml"
    echo "-rw-r--r-- usr/share/man/man6/fiends.6.gz"
} | sort -k2 >"$work/expected"
dpkg-deb -c "$deb" >"$work/listing"
# Files only: mode and path (dpkg-deb -c: mode owner size date time path).
awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $1, $6 }' "$work/listing" | sort -k2 >"$work/files"
diff -u "$work/expected" "$work/files" || fail "package files differ from the install"
awk '{ print $2 }' "$work/listing" | grep -vx root/root && fail "files not owned by root"
awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' "$work/listing" | grep . && fail "odd directory modes"

echo "== unpacked package"
dpkg-deb -x "$deb" "$work/root"
desktop="$work/root/usr/share/applications/$APP_ID.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the packaged entry"
grep -qx 'Exec="/usr/bin/fiends"' "$desktop" || fail "packaged desktop entry does not start /usr/bin/fiends"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$APP_ID.metainfo.xml" ||
    fail "appstreamcli rejects the packaged metainfo"
for p in $pictures; do
    cmp -s "$source_dir/images/$p" "$work/root/usr/share/fiends/images/$p" || fail "packaged picture $p differs"
done
# The unpacked usr/ is a prefix like any other, so its launcher must run.
mkdir "$work/elsewhere"
run_to_first_frame "$work/elsewhere" "$work/game.out" "$work/game.err" "$work/root/usr/bin/fiends" || {
    cat "$work/game.err" >&2
    fail "the packaged game does not reach its first frame"
}

echo "PASS"
