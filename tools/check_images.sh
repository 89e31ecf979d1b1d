#!/bin/sh
# Regenerates every picture into a fresh directory and compares it byte for
# byte with the committed copy.
# Usage: check_images.sh GENERATOR OUTPUT_DIR IMAGES_DIR
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 GENERATOR OUTPUT_DIR IMAGES_DIR" >&2
    exit 2
fi
generator=$1
out_dir=$2
images_dir=$3

# Start empty so a file the generator stopped writing cannot pass by
# leftover from an earlier run.
rm -rf "$out_dir"
mkdir -p "$out_dir" || exit 1

if ! "$generator" "$out_dir"; then
    echo "FAIL: $generator exited with an error" >&2
    exit 1
fi

status=0
for name in player.png player_run.png player_run_left.png demon.png \
            blaster.png rocketExplode.png mouse.png bgtest.png; do
    if [ ! -f "$out_dir/$name" ]; then
        echo "FAIL: generator did not write $name" >&2
        status=1
    elif [ ! -f "$images_dir/$name" ]; then
        echo "FAIL: $images_dir/$name is missing (run: cmake --build <build> --target images)" >&2
        status=1
    elif ! cmp -s "$out_dir/$name" "$images_dir/$name"; then
        echo "FAIL: $images_dir/$name differs from freshly generated $out_dir/$name" \
             "(run: cmake --build <build> --target images)" >&2
        status=1
    fi
done

if [ $status -eq 0 ]; then
    echo "all pictures match"
fi
exit $status
