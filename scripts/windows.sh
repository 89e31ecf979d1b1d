#!/usr/bin/env bash
# Sets up cross building for 64-bit Windows on an amd64 Debian machine:
# Debian's MinGW-w64 compilers and Wine (through apt-get, with sudo when not
# root), and a prefix of the libraries the game needs, cross built from this
# release's Debian sources: zlib, libpng and SDL 1.2 as DLLs, GoogleTest as
# static libraries, and the libraries' licences under share/licenses/. Prints
# the prefix's path. apt-get source needs a deb-src entry: one is added for
# this release when apt has no sources for it.
# Each library is built once, and again when the release's source version of
# it changes, as apt's index of sources has it after any apt-get update
# (remove <prefix>/.built-<name>, or the prefix, to force it).
# Build logs are in the cache's logs/; on a failure the end of one is shown.
# Usage: scripts/windows.sh [--package]
#   --package: also the tools that scripts/package_windows.sh makes the zip
#              and the installer with (python3, NSIS).
#   then: cmake -S . -B build-windows --toolchain cmake/x86_64-w64-mingw32.cmake -DFIENDS_WINDOWS_PREFIX=<prefix>
#   The cache (sources, builds, logs, the prefix) is FIENDS_WINDOWS_CACHE, or
#   ${XDG_CACHE_HOME:-~/.cache}/fiends/windows-<release>.
set -euo pipefail
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
# Absolute before the cd, as a relative one is meant from the caller's directory.
cache=$(realpath -m "${FIENDS_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/fiends/windows-$release}")
prefix=$cache/prefix
cd "$(dirname "$0")/.."
toolchain=$PWD/cmake/x86_64-w64-mingw32.cmake

host=x86_64-w64-mingw32
# The posix thread model throughout, as in the toolchain file (GoogleTest needs
# std::mutex); programs link its winpthread statically.
cc=$host-gcc-posix
# Reproducible DLLs: no link time in their PE headers, as for the game.
ldflags="-Wl,--no-insert-timestamp"
sources="zlib libpng1.6 libsdl1.2"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# wine: the toolchain's emulator, which runs the tests.
packages=(g++-mingw-w64-x86-64 dpkg-dev make cmake pkg-config googletest wine wine64)
case ${1:-} in
--package) packages+=(python3 nsis) ;;
"") ;;
*) echo "Usage: scripts/windows.sh [--package]" >&2; exit 2 ;;
esac
# One query for all: installed packages print "ii", and googletest's version
# is the one its build is stamped with.
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Version}\n' "${packages[@]}" 2>/dev/null |
            awk '$1 == "ii" { print $2, $3 }') || true
missing=()
for p in "${packages[@]}"; do
    [[ $'\n'$installed == *$'\n'"$p "* ]] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    $sudo apt-get update -qq
    # Through env: sudo would drop the variable from the environment.
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
    installed=$(dpkg-query -W -f='${Package} ${Version}\n' googletest)
fi
declare -A version
version[googletest]=$(awk '$1 == "googletest" { print $2 }' <<<"$installed")

# Sets version[<source package>] to the newest version of each in apt's own
# index of source packages (no download); unset where apt has none.
source_versions() {
    local p v
    while read -r p v; do
        if [ -z "${version[$p]:-}" ] || dpkg --compare-versions "$v" gt "${version[$p]}"; then
            version[$p]=$v
        fi
    done < <(apt-cache showsrc --only-source $sources 2>/dev/null |
             awk '/^Package:/ { p = $2 } /^Version:/ { print p, $2 }')
}
# missing_sources: those of $sources that apt has no version of.
missing_sources() {
    local p
    for p in $sources; do
        [ -n "${version[$p]:-}" ] || echo "$p"
    done
}
source_versions
if [ -n "$(missing_sources)" ]; then
    # A deb-src entry of its own, unless apt has sources for this release already.
    if ! apt-get indextargets --no-release-info --format '$(RELEASE)' 'Created-By: Sources' |
            grep -qx "$release"; then
        file=/etc/apt/sources.list.d/fiends-deb-src.sources
        echo "Adding Debian $release's source packages to apt: $file" >&2
        # Signed-By: the sources are checked against the archive's signatures.
        printf '%s\n' "Types: deb-src" "URIs: ${FIENDS_DEBIAN_MIRROR:-http://deb.debian.org/debian}" \
            "Suites: $release $release-updates" "Components: main" \
            "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | $sudo tee "$file" >/dev/null
    fi
    $sudo apt-get update -qq
    source_versions
    if [ -n "$(missing_sources)" ]; then
        echo "Debian $release has no source package $(missing_sources | paste -sd' ')." >&2
        # Debian 13 on has sdl12-compat only, which runs on SDL 2.
        [[ $(missing_sources) != *libsdl1.2* ]] ||
            echo "Classic SDL 1.2 (libsdl1.2) was last in Debian 12 (bookworm)." >&2
        exit 1
    fi
fi

# built <name>: whether <name> is in the prefix, built from its current version.
built() {
    local stamp=""
    [ -e "$prefix/.built-$1" ] && read -r stamp <"$prefix/.built-$1"
    [ "$stamp" = "${version[$1]}" ]
}
# step <what> <command>...: runs the command in the current directory, its
# output appended to the component's log; says how long it took.
step() {
    local what=$1 start=${EPOCHREALTIME//[!0-9]/} took
    shift
    echo "=== $what: $*" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        echo "$name: $what failed; the end of $log:" >&2
        tail -n 40 "$log" >&2
        exit 1
    fi
    took=$(( (${EPOCHREALTIME//[!0-9]/} - start) / 100000 ))
    printf '  %s: %-14s %4d.%d s\n' "$name" "$what" $((took / 10)) $((took % 10)) >&2
}
# fetch: unpacks $name's Debian source (version[$name]), with Debian's
# patches applied, afresh under the cache, and goes into it.
fetch() {
    rm -rf "$cache/src/$name"
    mkdir -p "$cache/src/$name"
    cd "$cache/src/$name"
    step "apt-get source" apt-get source -q --only-source "$name=${version[$name]}"
    cd "$(find . -mindepth 1 -maxdepth 1 -type d)"
}
# unpatch <patch>: takes one of Debian's patches back out, where applied.
unpatch() {
    if grep -qx "$1" debian/patches/series; then
        step "unpatch" patch -R -p1 -i "debian/patches/$1"
    fi
}
# licences <name> <file>...: the library's licence texts, and Debian's record
# of its copyrights, for the game's package to ship.
licences() {
    local dir=$prefix/share/licenses/$1
    shift
    mkdir -p "$dir"
    cp "$@" "$dir/"
    cp debian/copyright "$dir/debian-copyright"
}
# done_with <dll>...: strips the DLLs (make install does not) and stamps the build.
done_with() {
    local dll
    for dll in "$@"; do
        # strip would date the PE header now, but for SOURCE_DATE_EPOCH:
        # zero, as the linker left it.
        SOURCE_DATE_EPOCH=0 $host-strip --strip-unneeded "$prefix/bin/$dll"
    done
    echo "${version[$name]}" >"$prefix/.built-$name"
    echo "  $name: built ${version[$name]}" >&2
}

build_zlib() {
    fetch
    # Debian's tarball has no win32/ (its Makefile.gcc, zlib.def, zlib1.rc),
    # and configure makes no DLL for MinGW: it builds the static library,
    # which then becomes the DLL. ZLIB_DLL marks the API dllexport, so the DLL
    # exports just that, as zlib.def would.
    step configure env CHOST=$host CC=$cc CFLAGS="-O2 -DZLIB_DLL" ./configure --prefix="$prefix" --static
    step make make -j"$(nproc)" libz.a
    step "make install" make install
    step "link DLL" $cc -shared $ldflags -o zlib1.dll -Wl,--out-implib,libz.dll.a \
        -Wl,--whole-archive libz.a -Wl,--no-whole-archive
    mkdir -p "$prefix/bin"
    install -m 755 zlib1.dll "$prefix/bin/"
    install -m 644 libz.dll.a "$prefix/lib/"
    # Its objects export the API: linked into a program, so would the program.
    rm -f "$prefix/lib/libz.a"
    licences zlib LICENSE
    done_with zlib1.dll
}

build_libpng() {
    fetch
    # Debian's libpng-config leaves out -L<libdir> (for its multiarch -dev
    # package); this prefix's must keep it. The other patches are kept (one
    # changes Makefile.am, which matters only to the test programs: the
    # Makefiles are not regenerated, maintainer mode being off).
    unpatch libpng-config.patch
    step configure ./configure --build="$(./config.guess)" --host=$host --prefix="$prefix" CC=$cc \
        CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib $ldflags" \
        --disable-static --disable-dependency-tracking
    # bin_PROGRAMS empty: not its tools (pngfix, png-fix-itxt), only the library.
    step make make -j"$(nproc)" bin_PROGRAMS=
    step "make install" make install bin_PROGRAMS=
    rm -f "$prefix"/lib/libpng*.la
    licences libpng LICENSE
    done_with libpng16-16.dll
}

build_libsdl1.2() {
    fetch
    # Debian's dont_propagate_lpthread.diff cuts sdl.pc's and sdl-config's
    # Libs down to -lSDL (for Linux's -lpthread), which on Windows drops
    # -lmingw32 -lSDLmain -mwindows too, into Libs.private: taken out, so
    # `pkg-config --libs sdl` gives what a Windows program links. Debian's
    # other patches (security fixes, the relicensed SDL_qsort.c that its
    # tarball needs) are kept. configure is upstream's as shipped: Debian's
    # one configure.in patch matters only with autoreconf, done for Linux.
    unpatch dont_propagate_lpthread.diff
    # --disable-stdio-redirect: SDLmain leaves stdout and stderr where they
    # are, instead of in stdout.txt and stderr.txt beside the program.
    step configure ./configure --build="$(build-scripts/config.guess)" --host=$host --prefix="$prefix" \
        CC=$cc LDFLAGS="$ldflags" --disable-stdio-redirect --disable-static
    step make make -j"$(nproc)"
    step "make install" make install
    rm -f "$prefix"/lib/libSDL*.la
    local driver
    for driver in WINDIB DDRAW DUMMY; do
        if ! grep -q "^#define SDL_VIDEO_DRIVER_$driver 1" "$prefix/include/SDL/SDL_config.h"; then
            echo "$name: SDL was configured without its $driver video driver (see $log)" >&2
            exit 1
        fi
    done
    local libs
    libs=$(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH="" pkg-config --libs sdl)
    if [[ $libs != *"-lmingw32 -lSDLmain -lSDL -mwindows"* ]]; then
        echo "$name: pkg-config --libs sdl gives \"$libs\", not what a Windows program links" >&2
        exit 1
    fi
    licences SDL COPYING
    done_with SDL.dll
}

build_googletest() {
    rm -rf "$cache/src/$name" "$cache/build/$name"
    mkdir -p "$cache/src"
    cp -a /usr/src/googletest "$cache/src/$name"
    step configure cmake -G "Unix Makefiles" -S "$cache/src/$name" -B "$cache/build/$name" \
        --toolchain "$toolchain" -DFIENDS_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF
    step make make -C "$cache/build/$name" -j"$(nproc)"
    step "make install" cmake --install "$cache/build/$name"
    done_with
}

# In this order: libpng links zlib; GoogleTest's configure needs SDL (the
# toolchain file checks the prefix by it).
for name in zlib libpng1.6 libsdl1.2 googletest; do
    built "$name" && continue
    echo "Building $name ${version[$name]} for Windows into $prefix" >&2
    mkdir -p "$prefix/lib" "$cache/logs"
    log=$cache/logs/$name.log
    : >"$log"
    rm -f "$prefix/.built-$name"
    "build_${name%1.6}"
done
echo "$prefix"
