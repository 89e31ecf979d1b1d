#!/usr/bin/env bash
# Builds the Debian package, build-deb/fiends_<version>~<release>_<arch>.deb
# (release: deb12, deb13, ..., the system's, as their SDL packages differ), the way
# Debian builds its own: Debian's compiler flags with every hardening feature,
# Debian's places for games under /usr, a stripped binary, documents compressed
# with gzip -9n, files owned by root. The package is reproducible: built again
# from the same commit, anywhere and at any time, it is the same to the byte.
# Every date in it is SOURCE_DATE_EPOCH, by default the last commit's.
# Usage: scripts/package.sh [--arch arm64 | --windows] [extra cmake arguments...]
#   e.g. -DFIENDS_MAINTAINER="Your Name <you@example.net>"
#   --arch arm64: cross built for arm64, in build-deb-arm64/, on an amd64
#   machine (scripts/arm64.sh installs what that needs).
#   --windows: instead, the Windows zip and installer (scripts/package_windows.sh).
# Needs: dpkg-dev, the game's build dependencies and git (for the date).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --windows ]; then
    exec scripts/package_windows.sh "${@:2}"
fi

build=build-deb
arch=$(dpkg --print-architecture)
strip=strip
if [ "${1:-}" = --arch ]; then
    if [ "${2:-}" != "$arch" ]; then
        [ "${2:-}" = arm64 ] || { echo "package.sh: --arch takes arm64 (or $arch)" >&2; exit 2; }
        arch=arm64
        build=build-deb-arm64
        strip=aarch64-linux-gnu-strip
        sysroot=$(scripts/arm64.sh --package)
        set -- --toolchain cmake/aarch64-linux-gnu.cmake -DFIENDS_SYSROOT="$sysroot" "${@:3}"
        # dpkg-buildflags and dpkg-shlibdeps answer for the package's architecture.
        export DEB_HOST_ARCH=arm64
    else
        shift 2
    fi
fi
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
        echo "package.sh: not a git checkout: set SOURCE_DATE_EPOCH to the release's date" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH

# Debian's package build flags; run here, their -ffile-prefix-map turns this
# directory into "." so the binary does not depend on where the tree lies.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# Each build takes its options from its own arguments alone: -U forgets those
# an earlier build was given (a maintainer's name, say), then -D sets them.
cmake -S . -B "$build" -U 'FIENDS_*' -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
      -DFIENDS_GAMES_LAYOUT=ON -DFIENDS_TESTS=OFF -DFIENDS_BENCH=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fiends fiends_install_files

# Staged as debhelper stages, in debian/<package>/, where dpkg-shlibdeps
# expects the binaries it reads.
work="$PWD/$build/deb"
root="$work/debian/fiends"
rm -rf "$work"
mkdir -p "$root/DEBIAN"
DESTDIR="$root" cmake --install "$build" >/dev/null
game="$root/usr/libexec/fiends/fiends"
# As dh_strip does: no symbols, no compiler notes.
"$strip" --remove-section=.comment --remove-section=.note --strip-unneeded "$game"

# A build for each release, each with its own Depends, so each has its own
# version: 1.0.0~deb13 sorts above 1.0.0~deb12 and below a plain 1.0.0.
release=$(. /etc/os-release
          case ${ID:-} in
          debian) echo "deb${VERSION_ID:-${VERSION_CODENAME:-unstable}}" ;;
          *) echo "${ID:-linux}${VERSION_ID:-}" ;;
          esac)

printf 'Source: fiends\n\nPackage: fiends\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O "$game" | sed -n 's/^shlibs:Depends=//p')
# Installed-Size as dpkg-gencontrol counts it: whole KiB a file, one for anything else.
size=$(cd "$root" && find usr \( -type f -printf '%s\n' \) -o -printf '1\n' |
       awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')
sed -e "s/\${Architecture}/$arch/" -e "s/^Version: .*/&~$release/" \
    -e "s/\${Installed-Size}/$size/" -e "s/\${shlibs:Depends}/$depends/" \
    "$build/packaging/control" >"$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs -d '\n' md5sum) >"$root/DEBIAN/md5sums"

# Same modes and dates whatever the umask and clock of this build.
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod go-w,a+r {} +
find "$root" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group --build "$root" "$build"
