#!/usr/bin/env bash
# What a Windows player downloads, built as the README says (scripts/package.sh
# --windows) in two clones of the source in different directories: the zip and
# the installer are the same to the byte; the zip holds the game's folder and
# nothing else; every DLL the game or a shipped DLL imports is shipped or
# Windows' own, and no PE header carries a date. Then, in a fresh Wine prefix
# under Xvfb: the unpacked zip plays (the start-up scenario: the arena, a
# second copy refused, Escape with status 0); the installer installs silently,
# with its Start menu entry and its Apps & features entry; the installed game
# plays; the silent uninstall leaves the prefix as it was, but for a file the
# player put in the game's folder, which stays.
# Usage: windows_package_test.sh <source dir> <version>
set -euo pipefail
source_dir=$(cd "$1" && pwd)
version=$2
. "$source_dir/tests/install/common.sh"

work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

echo "== two builds from two clones"
zip=fiends-$version-windows-x64.zip
setup=fiends-$version-setup-x64.exe
for clone_dir in "$work/one/fiends" "$work/elsewhere/other-clone"; do
    clone "$clone_dir"
    (cd "$clone_dir" && scripts/package.sh --windows) >"$work/build.log" 2>&1 ||
        { cat "$work/build.log"; fail "scripts/package.sh --windows in $clone_dir"; }
done
for f in "$zip" "$setup"; do
    cmp "$work/one/fiends/build-windows-package/$f" "$work/elsewhere/other-clone/build-windows-package/$f" ||
        fail "$f differs between two builds of one commit"
done

echo "== the zip's contents"
mkdir "$work/unzipped"
unzip -q "$work/one/fiends/build-windows-package/$zip" -d "$work/unzipped"
game=$work/unzipped/Fiends
expected=$( (cd "$source_dir" && ls images/*.png) |
            cat - <(printf '%s\n' fiends.exe SDL.dll libpng16-16.dll zlib1.dll README.txt LICENSE.txt) | LC_ALL=C sort)
seen=$(cd "$game" && find . -type f ! -path './licences/*' | sed 's|^\./||' | LC_ALL=C sort)
[ "$seen" = "$expected" ] || fail "the zip holds: $seen"
for library in SDL libpng zlib; do
    [ -n "$(ls "$game/licences/$library")" ] || fail "no licence of $library"
done
grep -q $'\r$' "$game/README.txt" || fail "README.txt without CRLF line ends"

echo "== imported DLLs: shipped or Windows' own; no dates"
windows_own='^(KERNEL32|USER32|GDI32|ADVAPI32|WINMM|msvcrt|SHELL32|ole32)\.dll$'
for pe in "$game"/*.exe "$game"/*.dll; do
    dump=$(x86_64-w64-mingw32-objdump -p "$pe")
    grep -q $'^Time/Date\t\tThu Jan  1 00:00:00 1970$' <<<"$dump" || fail "$(basename "$pe") is dated"
    for dll in $(sed -n 's/^\tDLL Name: //p' <<<"$dump"); do
        [ -e "$game/$dll" ] || [[ $dll =~ $windows_own ]] ||
            fail "$(basename "$pe") imports $dll, neither shipped nor Windows' own"
    done
done
[[ $(x86_64-w64-mingw32-objdump -p "$game/fiends.exe") == *"(Windows GUI)"* ]] ||
    fail "fiends.exe is not a windowed program"

echo "== the unpacked zip plays, in a fresh Wine prefix"
# Made once, on an X server of its own: Wine's desktop needs one.
python3 "$source_dir/tests/e2e/harness.py" wineboot -i >/dev/null 2>&1 || true
wineserver -w
play() { # <game>: the start-up scenario on that copy of the game
    python3 "$source_dir/tests/e2e/e2e.py" startup --game "$1" --repo "$source_dir" \
        --artefacts "$work/e2e" --beside --emulator "env WINEPREFIX=$WINEPREFIX wine" ||
        fail "the start-up scenario on $1"
}
snapshot() {
    wineserver -w
    (cd "$WINEPREFIX/drive_c" && find . ! -path '*/Temp/*' ! -path './windows/*' | LC_ALL=C sort)
    { wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null || true; } |
        tr -d '\r'
}
play "$game/fiends.exe"

echo "== installed silently, played, uninstalled silently"
before=$(snapshot)
wine "$work/one/fiends/build-windows-package/$setup" /S
wineserver -w
installed=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Fiends
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fiends'
[ -e "$installed/fiends.exe" ] || fail "nothing installed in $installed"
[ -e "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Fiends.lnk" ] ||
    fail "no Start menu entry"
[[ $(wine reg query "$key" /v DisplayVersion | tr -d '\r') =~ REG_SZ\ +$version ]] ||
    fail "no Apps & features entry with version $version"
play "$installed/fiends.exe"
echo "the player's own" >"$installed/notes.txt"
# The uninstaller goes on from a copy of itself in %TEMP%: snapshot waits for it.
wine "$installed/uninstall.exe" /S
wineserver -w
[ "$(cat "$installed/notes.txt" 2>/dev/null)" = "the player's own" ] || fail "the player's file went"
# The player's folder kept its parents too; once it is gone, nothing else differs.
rm "$installed/notes.txt"
rmdir "$installed" "$(dirname "$installed")"
after=$(snapshot)
[ "$after" = "$before" ] || fail "the uninstall left the prefix changed: $(diff <(echo "$before") <(echo "$after"))"
echo "ok"
