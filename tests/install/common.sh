# Shared by the install and package tests: running the installed game with a
# time limit, and failing with a message.
# Sourced by bash scripts that use `set -euo pipefail`.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# No sound card on test machines; the dummy driver keeps ALSA quiet.
export SDL_AUDIODRIVER=dummy

FRAME_LINE='^Ticks passed this frame: [0-9]+$'

# wait_for_frame <stdout file> <pid> <seconds>: true once the game has printed
# its first frame line; false if it exits or the time runs out first.
wait_for_frame() {
    local out=$1 pid=$2 tries
    for tries in $(seq $(($3 * 10))); do
        grep -Eq "$FRAME_LINE" "$out" && return 0
        kill -0 "$pid" 2>/dev/null || { grep -Eq "$FRAME_LINE" "$out"; return; }
        sleep 0.1
    done
    return 1
}

# Escape is read once a frame from the held keys, so hold it for several frames.
hold_escape() {
    xdotool keydown Escape
    sleep 0.3
    xdotool keyup Escape
}

# Lines on stderr other than the sound library's start-up chatter.
real_errors() {
    grep -v '^ALSA lib ' "$1" || true
}

# run_to_first_frame <dir> <out> <err> <command>...: with SDL's dummy video
# driver (no window, no keyboard), starts the command from <dir> and waits for
# the first frame line. Then the game must be killed, as only Escape ends it:
# timeout passes on a TERM (which the game ignores) and sends KILL a second later.
run_to_first_frame() {
    local dir=$1 out=$2 err=$3 pid seen=0
    : >"$out" # emptied now: the child's own emptying may come after the first look
    (cd "$dir" && SDL_VIDEODRIVER=dummy exec timeout -k 1 30 "${@:4}") >"$out" 2>"$err" &
    pid=$!
    wait_for_frame "$out" "$pid" 20 && seen=1
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ "$seen" = 1 ]
}

# cmake --install rewrites the build directory's manifest, which is the
# developer's record of their own install: keep a copy in $work and put it
# back with restore_manifest.
save_manifest() {
    manifest="$build/install_manifest.txt"
    if [ -e "$manifest" ]; then cp "$manifest" "$work/manifest.saved"; fi
}

restore_manifest() {
    manifest="$build/install_manifest.txt"
    if [ -e "$work/manifest.saved" ]; then
        cp "$work/manifest.saved" "$manifest"
    else
        rm -f "$manifest"
    fi
}

# clone <dir>: a clean clone of $source_dir, plus the working tree's
# uncommitted changes, so that what is tested is what is in front of the
# developer (the package tests').
clone() {
    git clone --quiet "$source_dir" "$1"
    git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
        (cd "$source_dir" && tar --null --ignore-failed-read -T - -cf -) | tar -C "$1" -xf -
}
