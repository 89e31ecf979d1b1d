#!/usr/bin/env bash
# Builds what a Windows player downloads, into build-windows-package/:
#   fiends-<version>-windows-x64.zip  the game's folder: unzip anywhere, double-click fiends.exe
#   fiends-<version>-setup-x64.exe    an installer for one user (NSIS): Start menu entry,
#                                     Apps & features entry, uninstaller; /S for silence
# cross built with Debian's mingw-w64 against zlib, libpng and SDL 1.2 built
# from Debian's sources (scripts/windows.sh, which caches them). The zip is
# the same to the byte when built again from the same commit: the PE headers
# carry no date, and every entry is dated SOURCE_DATE_EPOCH, by default the
# last commit's. Run as scripts/package.sh --windows [extra cmake arguments...].
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=$(scripts/windows.sh --package)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
        echo "package.sh: not a git checkout: set SOURCE_DATE_EPOCH to the release's date" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH

build=build-windows-package
# -ffile-prefix-map: nothing in the program depends on where the tree lies.
cmake -S . -B "$build" -U 'FIENDS_*' --toolchain cmake/x86_64-w64-mingw32.cmake \
      -DFIENDS_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$PWD=." \
      -DFIENDS_TESTS=OFF -DFIENDS_BENCH=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fiends >&2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

out="$PWD/$build"
stage="$out/stage/Fiends"
rm -rf "$out/stage"
# strip dates the PE header with SOURCE_DATE_EPOCH: none, as the linker leaves it.
SOURCE_DATE_EPOCH=0 cmake --install "$build" --strip --prefix "$stage" >/dev/null
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
find "$stage" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +

zip="$out/fiends-$version-windows-x64.zip"
rm -f "$zip"
python3 packaging/windows/zip_tree.py "$zip" "$stage" "$SOURCE_DATE_EPOCH"

# The installer's file lists, from the staged tree: it removes exactly these.
files="$out/stage/files.nsh"
unfiles="$out/stage/unfiles.nsh"
(cd "$stage" && find . -type d | LC_ALL=C sort) | while read -r d; do
    win=${d#.}
    echo "SetOutPath \"\$INSTDIR${win//\//\\}\""
    (cd "$stage/$d" && find . -maxdepth 1 -type f | LC_ALL=C sort) | while read -r f; do
        echo "File \"$stage/${d#./}/${f#./}\""
    done
done >"$files"
{
    (cd "$stage" && find . -type f | LC_ALL=C sort) | while read -r f; do
        f=${f#.}
        echo "Delete \"\$INSTDIR${f//\//\\}\""
    done
    (cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while read -r d; do
        d=${d#.}
        echo "RMDir \"\$INSTDIR${d//\//\\}\""
    done
} >"$unfiles"
size_kb=$(du -sk --apparent-size "$stage" | cut -f1)
setup="$out/fiends-$version-setup-x64.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" \
         -DUNFILES="$unfiles" -DOUTFILE="$setup" -DSIZE_KB="$size_kb" packaging/windows/fiends.nsi >&2
echo "$zip"
echo "$setup"
