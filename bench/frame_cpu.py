#!/usr/bin/env python3
"""The real game's processor time a frame, on each SDL 1.2 runtime and screen
size, under Xvfb with openbox (and the Windows game under Wine, or in a Wayland
session, through XWayland and natively): the cost of presenting frames, which
the in-process benchmarks (dummy video driver) do not see. Each state plays the
start-up scene for a while; the game's user and system time over the last
frames, divided by their number, is one sample. The states take turns, so a
machine busy for a while slows them alike; the median of the samples is shown,
with its ratio to classic SDL at 1280x800, and the display servers' time a
frame (Xvfb's, and in a session weston's and XWayland's too)."""
import argparse
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def wineserver():
    """Wine's server works for the game too (its messages and queues): its
    time counts, where the game runs under Wine."""
    pids = subprocess.run(["pgrep", "-x", "wineserver64"], capture_output=True,
                          text=True).stdout.split()
    return int(pids[0]) if pids else None


def servers():
    """This process's display servers: its X servers, compositors and theirs
    (XWayland)."""
    def children(pid, *names):
        pids = subprocess.run(["pgrep", "-P", str(pid)], capture_output=True,
                              text=True).stdout.split()
        return [int(p) for p in pids if open(f"/proc/{p}/comm").read().strip() in names]
    mine = children(os.getpid(), "Xvfb", "weston")
    return mine + [c for p in mine for c in children(p, "Xwayland")]


def sample(binary, repo, runtime_env, size, frames, emulator=(), session=None):
    """Processor time a frame (ms), the game's and the display servers', over
    `frames` frames, after 30 to settle."""
    harness.EMULATOR = list(emulator)
    with harness.xvfb(size, wm=session is None, session=session) as display:
        game = harness.Game(binary, display, repo, extra_env=runtime_env, size=size)
        try:
            game.wait_frames(30)
            pids = [game.pid()] + ([wineserver()] if emulator else [])
            shown = servers()
            start, first = sum(map(cpu_seconds, pids)), game.frames()
            start_shown = sum(map(cpu_seconds, shown))
            game.wait_frames(frames, timeout=frames)
            used, played = sum(map(cpu_seconds, pids)) - start, game.frames() - first
            used_shown = sum(map(cpu_seconds, shown)) - start_shown
        finally:
            game.stop()
    return 1000 * used / played, 1000 * used_shown / played


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--compat-dir", help="sdl12-compat's directory, when it is not the system's")
    parser.add_argument("--classic", action="store_true", help="the system's SDL is classic SDL")
    parser.add_argument("--windows", metavar="DIR",
                        help="also the Windows game in DIR (an unpacked zip) under Wine, on each "
                             "of classic SDL's Windows drivers; WINEPREFIX is the prefix to use")
    parser.add_argument("--wayland", action="store_true",
                        help="instead, sdl12-compat under Xvfb, in a Wayland session through "
                             "XWayland, and natively with each way SDL 2 can present there")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--frames", type=int, default=300)
    args = parser.parse_args()
    repo = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    compat = {"LD_LIBRARY_PATH": args.compat_dir} if args.compat_dir else {}
    states = []
    if args.classic:
        states.append(("classic", {}, (1280, 800)))
    sizes = [(1280, 800), (1366, 768), (1920, 1080), (2560, 1440), (3840, 2160)]
    if args.wayland:
        states += wayland_states(compat)
    else:
        states += [("compat", compat, size) for size in sizes]
        # OpenGL in software, many times the rest, needs no more than the common sizes.
        states += [("compat, SDL 2 defaults",
                    {**compat, "SDL_RENDER_DRIVER": "", "SDL_FRAMEBUFFER_ACCELERATION": "",
                     "SDL12COMPAT_SCALE_METHOD": ""}, size) for size in sizes[:3]]
    wine = ["env", "WINEDEBUG=-all", "WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d", "wine"]
    if args.windows:
        states += [(f"windows, {driver}", {"SDL_VIDEODRIVER": driver}, (1280, 800))
                   for driver in ("windib", "directx")]
    samples = {i: [] for i in range(len(states))}
    shown = {i: [] for i in range(len(states))}
    for _ in range(args.rounds):
        for i, (name, env, size) in enumerate(states):
            windows = name.startswith("windows")
            binary = os.path.join(os.path.abspath(args.windows), "fiends.exe") if windows else args.binary
            session = "wayland" if name.startswith("wayland") else \
                "xwayland" if name.startswith("xwayland") else None
            game, servers_time = sample(binary, args.windows if windows else repo, env, size,
                                        args.frames, wine if windows else (), session)
            samples[i].append(game)
            shown[i].append(servers_time)
    base = statistics.median(samples[0]) if args.classic else None
    print(f"{'runtime':<48} {'screen':>10} {'ms/frame':>9} {'spread':>13} {'ratio':>6} "
          f"{'servers':>8}")
    for i, (name, _, size) in enumerate(states):
        med = statistics.median(samples[i])
        ratio = f"{med / base:6.1f}" if base else "     -"
        print(f"{name:<48} {size[0]:>5}x{size[1]:<4} {med:9.2f} "
              f"{min(samples[i]):6.2f}-{max(samples[i]):<6.2f} {ratio} "
              f"{statistics.median(shown[i]):8.2f}")


def wayland_states(compat):
    """sdl12-compat on plain X, through XWayland and natively. Natively SDL 2
    has no shared-memory framebuffer: its software renderer's picture goes on
    through an OpenGL renderer (SDL_FRAMEBUFFER_ACCELERATION names which), or
    sdl12-compat renders through one itself (SDL_RENDER_DRIVER)."""
    states = []
    for size in [(1280, 800), (1920, 1080)]:
        states += [("compat, Xvfb", compat, size), ("xwayland, compat", compat, size),
                   ("wayland, the game's settings", compat, size)]
        states += [(f"wayland, {name}={value}", {**compat, name: value}, size)
                   for name, value in [("SDL_FRAMEBUFFER_ACCELERATION", "opengles2"),
                                       ("SDL_RENDER_DRIVER", "opengl"),
                                       ("SDL_RENDER_DRIVER", "opengles2")]]
    return states


if __name__ == "__main__":
    main()
