#!/usr/bin/env python3
"""The real game's processor time a frame, on each SDL 1.2 runtime and screen
size, under Xvfb with openbox: the cost of presenting frames, which the
in-process benchmarks (dummy video driver) do not see. Each state plays the
start-up scene for a while; the game's user and system time over the last
frames, divided by their number, is one sample. The states take turns, so a
machine busy for a while slows them alike; the median of the samples is shown,
with its ratio to classic SDL at 1280x800."""
import argparse
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def sample(binary, repo, runtime_env, size, frames):
    """Processor time a frame (ms) over `frames` frames, after 30 to settle."""
    with harness.xvfb(size, wm=True) as display:
        game = harness.Game(binary, display, repo, extra_env=runtime_env, size=size)
        try:
            game.wait_frames(30)
            pid = game.pid()
            start, first = cpu_seconds(pid), game.frames()
            game.wait_frames(frames, timeout=frames)
            used, played = cpu_seconds(pid) - start, game.frames() - first
        finally:
            game.stop()
    return 1000 * used / played


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--compat-dir", help="sdl12-compat's directory, when it is not the system's")
    parser.add_argument("--classic", action="store_true", help="the system's SDL is classic SDL")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--frames", type=int, default=300)
    args = parser.parse_args()
    repo = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    compat = {"LD_LIBRARY_PATH": args.compat_dir} if args.compat_dir else {}
    states = []
    if args.classic:
        states.append(("classic", {}, (1280, 800)))
    sizes = [(1280, 800), (1366, 768), (1920, 1080)]
    states += [("compat", compat, size) for size in sizes]
    states += [("compat, SDL 2 defaults",
                {**compat, "SDL_RENDER_DRIVER": "", "SDL_FRAMEBUFFER_ACCELERATION": "",
                 "SDL12COMPAT_SCALE_METHOD": ""}, size) for size in sizes]
    samples = {i: [] for i in range(len(states))}
    for _ in range(args.rounds):
        for i, (_, env, size) in enumerate(states):
            samples[i].append(sample(args.binary, repo, env, size, args.frames))
    base = statistics.median(samples[0]) if args.classic else None
    print(f"{'runtime':<24} {'screen':>10} {'ms/frame':>9} {'spread':>13} {'ratio':>6}")
    for i, (name, _, size) in enumerate(states):
        med = statistics.median(samples[i])
        ratio = f"{med / base:6.1f}" if base else "     -"
        print(f"{name:<24} {size[0]:>5}x{size[1]:<4} {med:9.2f} "
              f"{min(samples[i]):6.2f}-{max(samples[i]):<6.2f} {ratio}")


if __name__ == "__main__":
    main()
