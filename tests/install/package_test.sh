#!/usr/bin/env bash
# Builds the Debian package as the README says (scripts/package.sh) in two
# clones of the source, in different directories and at different times, and
# checks: the two packages are the same to the byte (the first clone built once
# before with another maintainer, which must not stick); lintian --pedantic has
# nothing to say; the control fields (name, version for this release,
# architecture, section, maintainer, the SDL runtime packages among the
# dependencies, sdl12-compat too where SDL 1.2 is classic); exactly the install's files in Debian's places for games, with
# sane modes; a desktop entry that starts /usr/games/fiends; an unpacked tree
# whose launcher reaches the game's first frame. The second clone belongs to
# an ordinary user, who builds it; root then installs from that build, and the
# user installs after root. The package is never installed on this machine.
#
# With an architecture other than the machine's (arm64), the packages are
# cross built and their game is not started.
#
# Usage: package_test.sh <source dir> <version> <system SDL 1.2: classic or compat> [<arch>]
set -euo pipefail
source_dir=$(cd "$1" && pwd)
version=$2
sdl_runtime=$3
arch=${4:-$(dpkg --print-architecture)}
out=build-deb
[ "$arch" = "$(dpkg --print-architecture)" ] || out=build-deb-$arch
# AppStream 1.0 (Debian 13) warns about metainfo without a homepage, and so
# lintian; the project has none, so the package is built with an example one.
homepage=-DFIENDS_HOMEPAGE=https://fiends.example.org
. "$source_dir/tests/install/common.sh"

APP_ID=org.fiends.Fiends
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

# A user to build the second clone, when this runs as root.
as_user=()
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1 && command -v setpriv >/dev/null; then
    as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups
             env HOME="$work/home" USER=nobody)
    mkdir "$work/home"
    chown nobody "$work/home"
fi

echo "== two packages from two clones"
first="$work/one/fiends"
second="$work/elsewhere/second-clone/src"
clone "$first"
# Built first with a maintainer given, which must not stick to the next build:
# the two clones' packages are the same only if it does not.
(cd "$first" && scripts/package.sh --arch "$arch" "$homepage" -DFIENDS_MAINTAINER="Else <else@example.net>" &&
    dpkg-deb -f "$out"/fiends_*.deb Maintainer | grep -qx "Else <else@example.net>" &&
    scripts/package.sh --arch "$arch" "$homepage") >"$work/first.log" 2>&1 ||
    { cat "$work/first.log" >&2; fail "scripts/package.sh failed, or took no maintainer"; }
clone "$second"
if [ ${#as_user[@]} -gt 0 ]; then chown -R nobody "$second"; fi
(cd "$second" && umask 0002 && TZ=Pacific/Kiritimati "${as_user[@]}" scripts/package.sh --arch "$arch" "$homepage") \
    >"$work/second.log" 2>&1 || { cat "$work/second.log" >&2; fail "scripts/package.sh failed in the second clone"; }
version=$version~$(. /etc/os-release && echo "deb$VERSION_ID")
deb="$first/$out/fiends_${version}_$arch.deb"
[ -f "$deb" ] || { ls "$first/$out" >&2; fail "no $deb"; }
sha256sum "$deb" "$second/$out/fiends_${version}_$arch.deb"
cmp "$deb" "$second/$out/fiends_${version}_$arch.deb" || fail "the two packages differ"

echo "== lintian --pedantic -EI"
lintian --pedantic -EI --fail-on error,warning,info,pedantic "$deb" ||
    fail "lintian has something to say about the package"

echo "== control fields"
dpkg-deb -f "$deb" Package Version Architecture Section Maintainer Depends
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = fiends ] || fail "package name is not fiends"
[ "$(field Version)" = "$version" ] || fail "package version is not $version"
[ "$(field Architecture)" = "$arch" ] || fail "architecture is not $arch"
[ "$(field Section)" = games ] || fail "section is not games"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
# Beside classic SDL (Debian 12), sdl12-compat too: the launcher takes it.
runtimes="libsdl1.2debian libsdl-image1.2 libc6"
[ "$sdl_runtime" != classic ] || runtimes="$runtimes libsdl1.2-compat"
for runtime in $runtimes; do
    echo "$depends" | grep -qx "$runtime" || fail "Depends lacks $runtime"
done

echo "== contents"
pictures=$(cd "$source_dir/images" && ls -- *.png)
{
    echo "-rwxr-xr-x usr/games/fiends"
    echo "-rwxr-xr-x usr/libexec/fiends/fiends"
    for p in $pictures; do echo "-rw-r--r-- usr/share/games/fiends/images/$p"; done
    echo "-rw-r--r-- usr/share/applications/$APP_ID.desktop"
    echo "-rw-r--r-- usr/share/icons/hicolor/128x128/apps/$APP_ID.png"
    echo "-rw-r--r-- usr/share/metainfo/$APP_ID.metainfo.xml"
    echo "-rw-r--r-- usr/share/man/man6/fiends.6.gz"
    echo "-rw-r--r-- usr/share/doc/fiends/copyright"
    echo "-rw-r--r-- usr/share/doc/fiends/changelog.gz"
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
grep -qx 'Exec="/usr/games/fiends" --quiet' "$desktop" || fail "packaged desktop entry does not start /usr/games/fiends"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$APP_ID.metainfo.xml" ||
    fail "appstreamcli rejects the packaged metainfo"
for p in $pictures; do
    cmp -s "$source_dir/images/$p" "$work/root/usr/share/games/fiends/images/$p" || fail "packaged picture $p differs"
done
# The unpacked usr/ is a prefix like any other, so its launcher must run.
if [ "$arch" = "$(dpkg --print-architecture)" ]; then
    mkdir "$work/run"
    run_to_first_frame "$work/run" "$work/game.out" "$work/game.err" "$work/root/usr/games/fiends" || {
        cat "$work/game.err" >&2
        fail "the packaged game does not reach its first frame"
    }
else
    echo "(an $arch package: not started here)"
fi

echo "== root installs from a user's build, then the user does"
if [ ${#as_user[@]} -eq 0 ]; then
    echo "(not root: skipped)"
else
    cmake --install "$second/$out" --prefix "$work/root-prefix" >"$work/install.log" ||
        { cat "$work/install.log" >&2; fail "root cannot install from the user's build"; }
    mkdir "$work/user-prefix"
    chown nobody "$work/user-prefix"
    "${as_user[@]}" cmake --install "$second/$out" --prefix "$work/user-prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "the user cannot install after root did"; }
    [ -x "$work/user-prefix/games/fiends" ] || fail "the user's install has no launcher"
fi

echo "PASS"
