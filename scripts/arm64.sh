#!/usr/bin/env bash
# Sets up cross building for arm64 (64-bit ARM: Raspberry Pi OS, Debian on
# ARM boards and laptops) on an amd64 Debian machine: Debian's cross compiler
# and qemu's user-mode emulator (through apt-get, with sudo when not root), and
# a sysroot of this release's arm64 packages, unpacked by mmdebstrap into
# build-arm64-sysroot/ (once; remove it to refresh), or the one that
# FIENDS_ARM64_SYSROOT names. Prints the sysroot's path.
# Usage: scripts/arm64.sh [--package]
#   --package: also the arm64 runtime libraries as Debian multiarch packages,
#              whose records dpkg-shlibdeps reads to write the package's Depends.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# apt_install <package>...: installs those not installed yet.
apt_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        $sudo apt-get update -qq
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >&2
    fi
}

apt_install g++-aarch64-linux-gnu qemu-user-static mmdebstrap
if [ "${1:-}" = --package ]; then
    dpkg --print-foreign-architectures | grep -qx arm64 || $sudo dpkg --add-architecture arm64
    apt_install libsdl1.2debian:arm64 libsdl-image1.2:arm64 libxrandr2:arm64 libstdc++6:arm64
fi

sysroot=${FIENDS_ARM64_SYSROOT:-$PWD/build-arm64-sysroot}
include=libsdl1.2-dev,libsdl-image1.2-dev,libpng-dev,libx11-dev,libxrandr-dev,libgtest-dev,libstdc++6
# Made again when the packages it should hold change.
if [ "$(cat "$sysroot/.complete" 2>/dev/null)" != "$include" ]; then
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "Unpacking Debian $release's arm64 packages into $sysroot" >&2
    rm -rf "$sysroot" "$sysroot.tar"
    # Unpacked only (no maintainer scripts run), so no arm64 code runs here.
    # Through a tarball, which a user can unpack without owning its devices.
    mmdebstrap --quiet --variant=extract --arch=arm64 --format=tar \
        --include="$include" \
        "$release" "$sysroot.tar" "deb ${FIENDS_DEBIAN_MIRROR:-http://deb.debian.org/debian} $release main" >&2
    mkdir "$sysroot"
    tar -C "$sysroot" --exclude=./dev -xf "$sysroot.tar"
    rm "$sysroot.tar"
    # Links to absolute paths (libz.so -> /lib/...) would leave the sysroot.
    find "$sysroot" -type l -lname '/*' -print0 |
        while IFS= read -r -d '' link; do
            ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$sysroot$(readlink "$link")")" "$link"
        done
    echo "$include" >"$sysroot/.complete"
fi
echo "$sysroot"
