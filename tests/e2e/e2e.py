#!/usr/bin/env python3
# End-to-end scenarios: the built game in a real X server, played with the
# keyboard and mouse, checked by what shows on the screen, what it writes and
# how it ends.
# Usage: e2e.py SCENARIO --game BIN --repo DIR --artefacts DIR [--seconds N] [--seed S]
#        e2e.py list RUNTIME... [--emulated] [--sanitize]
import argparse
import collections
import contextlib
import fcntl
import os
import pathlib
import random
import re
import shlex
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import traceback

sys.dont_write_bytecode = True  # no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (FRAME_LINE, LIBRARY_NOISE, SCREEN_H, SCREEN_W, Failure, Game,  # noqa: E402
                     Sheet, copy_tree, count_colour, find_bars, grab, match, read_picture,
                     same_pixels, window_icon, xvfb)
import harness  # noqa: E402

BLUE = (0, 0, 128)
RED = (128, 0, 0)
PALE = (250, 250, 255)
PLAYER_START = (750, 750)
ICON_X = (10, 70, 130)
# Bar widths a demon can show after 0..19 hits of 5 health: (health * 5) / 10.
LEGAL_WIDTHS = {(100 - 5 * n) * 5 // 10 for n in range(20)}


class World:
    """The pictures as the game cuts them, read from the repository."""

    def __init__(self, repo):
        images = os.path.join(repo, "images")
        self.background = read_picture(os.path.join(images, "bgtest.png"))
        self.player = Sheet(os.path.join(images, "player.png"), 50, 50).opaque(0)
        run = Sheet(os.path.join(images, "player_run.png"), 44, 44)
        self.run = [run.opaque(f) for f in range(11)]
        self.demon = Sheet(os.path.join(images, "demon.png"), 90, 90).opaque(0)
        cursor = Sheet(os.path.join(images, "mouse.png"), 16, 16)
        self.cursor = [cursor.opaque(f) for f in range(16)]
        self.shot = Sheet(os.path.join(images, "blaster.png"), 10, 10).opaque(0)
        self.skin = most_common(self.demon)
        self.skin_pixels = sum(1 for *_, c in self.demon if tuple(c) == self.skin)

    def cursor_at(self, img, x, y):
        return max(match(img, frame, x, y) for frame in self.cursor)

    def icons(self, img):
        return [match(img, self.player, x, 10) >= 0.9 for x in ICON_X + (190,)]

    def demon_bars(self, img, player_at=PLAYER_START):
        px, py = player_at
        bars = find_bars(img, BLUE) + find_bars(img, RED)
        return [b for b in bars if b[3] == 5 and (b[0], b[1]) != (px - 5, py - 8)]


def most_common(opaque):
    counts = {}
    for _, _, c in opaque:
        counts[c] = counts.get(c, 0) + 1
    return tuple(max(counts, key=counts.get))


def player_bar(img, y=PLAYER_START[1] - 8):
    return [b for b in find_bars(img, BLUE) if b[1] == y and b[2] == 50 and b[3] == 5]


def expect(what, ok, expected, seen, shot=None):
    if not ok:
        raise Failure(what, expected, seen, shot)


def binary(ctx, workdir):
    """The game to run in that working directory. On Windows the game reads
    its pictures beside itself: a directory of pictures gets a copy of the game
    and its DLLs, as an unpacked zip has them."""
    if not ctx.beside:
        return ctx.game
    exe = os.path.join(workdir, os.path.basename(ctx.game))
    if not os.path.exists(exe):
        for f in (ctx.game, *ctx.beside):
            shutil.copy(f, workdir)
    return exe


def start(ctx, workdir=None, **kw):
    workdir = workdir or ctx.home
    game = Game(binary(ctx, workdir), ctx.display, workdir, size=ctx.size, **kw)
    ctx.running.append(game)
    # Input sent before the first frame could land before the window exists.
    game.wait_frames(1, timeout=30)
    if ctx.session:
        # Weston 14 aborts (an assertion on its confined pointer) when the
        # pointer moves in the moment after a full-screen window that holds the
        # pointer is shown: any SDL 2 program's, through XWayland as well.
        game.wait_frames(30)
    return game


def quit_with_escape(game):
    game.hold_key("Escape")
    status = game.wait_exit(15)
    expect("Escape to end the game", status == 0, "exit status 0",
           f"status {status}; stderr {game.stderr_text()!r}")
    expect("nothing on standard error", game.stderr_text() == "", "no output", game.stderr_text())


# Scenarios -----------------------------------------------------------------


def startup(ctx):
    """Two games started together on a display: one plays. What a player sees
    once the game is up; a second copy on the display, and the display lost
    under the game. Classic SDL under XWayland refuses to play blind."""
    w = ctx.world
    shown = harness.named_display(ctx.display)
    if ctx.session and os.environ.get("FIENDS_SDL_RUNTIME") == "classic":
        # Classic SDL's empty managed window would lie over the game's.
        run_failing(ctx, ctx.repo, "Classic SDL 1.2 cannot aim under XWayland: install "
                    "sdl12-compat (Debian 12: libsdl1.2-compat) and start the game again\n")
        return
    if not ctx.windows:
        with case("two started together"):
            # An X server slow to answer the claim's look widens the window in
            # which both could find the display free; a Wayland game's claim
            # asks no server.
            native = ctx.session == "wayland"
            with contextlib.nullcontext(shown) if native else \
                    harness.slow_to_answer_claims(shown) as claimed_on:
                pair = [Game(ctx.game, ctx.display, ctx.repo, size=ctx.size,
                             extra_env={} if native else {"DISPLAY": claimed_on})
                        for _ in range(2)]
                ctx.running.extend(pair)
                pair[0].wait_frames(1, timeout=30, or_exit=True)
                pair[1].wait_frames(1, timeout=30, or_exit=True)
                time.sleep(1)
                ended = [g for g in pair if g.proc.poll() is not None]
                expect("one of two games started together to end", len(ended) == 1,
                       "one ended, one playing", f"{len(ended)} ended")
                ends_at_once(ended[0], "the other to say why",
                             f"A game is already running on display {claimed_on}\n")
                quit_with_escape(next(g for g in pair if g not in ended))
    game = start(ctx)
    pointer = (600, 300)
    game.point(*pointer)

    def look(img):
        problems = []
        bg = same_pixels(img, w.background) / (SCREEN_W * SCREEN_H)
        if bg < 0.93:
            problems.append(f"only {bg:.1%} of the screen is the background picture")
        if match(img, w.player, *PLAYER_START) < 0.95:
            problems.append(f"no player at {PLAYER_START}")
        if not player_bar(img):
            problems.append("no full blue bar above the player")
        demons = [b for b in w.demon_bars(img)
                  if b[2] == 50 and img.pixel(b[0], b[1]) == BLUE
                  and match(img, w.demon, b[0] + 5, b[1] + 8) >= 0.6]
        if len(demons) != 2:
            problems.append(f"{len(demons)} demons under full blue bars, not 2")
        if w.icons(img) != [True, True, True, False]:
            problems.append(f"life icons at x=10,70,130,190: {w.icons(img)}")
        if w.cursor_at(img, *pointer) < 0.9:
            problems.append(f"no cursor at the pointer {pointer}")
        return not problems, "; ".join(problems)

    ctx.shot = game.until("the start-up screen", look)
    if ctx.windows:
        # One game a Windows session. Wine's window icon is its own, and no
        # Windows display goes away under a game.
        second = Game(binary(ctx, ctx.home), ctx.display, ctx.home, size=ctx.size)
        ctx.running.append(second)
        ends_at_once(second, "a second copy to end at once",
                     "A game is already running in this session\n")
        game.wait_frames(3)
        quit_with_escape(game)
        return
    # The task bar's icon (read where SDL 2 gives its pixels): the player's first
    # frame, as the menu's icon is, with white see-through.
    if not ctx.session:
        icon = window_icon(ctx.display, game.xdo("search", "--classname", "^fiends$").split()[0])
        expect("the window's icon", icon in (None, {(x, y): tuple(c) for x, y, c in w.player}),
               "the player's first frame, white see-through", f"{len(icon or ())} visible pixels")
    # A second copy on the same display says why it does not play, and the first
    # plays on until its display is gone, which it says too.
    second = Game(ctx.game, ctx.display, ctx.repo, size=ctx.size)
    ctx.running.append(second)
    ends_at_once(second, "a second copy to end at once",
                 f"A game is already running on display {shown}\n")
    game.wait_frames(3)
    harness.SERVERS[ctx.display].kill()  # in a Wayland session, the compositor
    ends_at_once(game, "the game to end when its display is lost",
                 f"Lost the display {shown}\n")


def ends_at_once(game, what, line):
    """The game ends within 2 s with status 1, saying why in that one line."""
    status = game.wait_exit(2)
    expect(what, status == 1 and game.stderr_text() == line, f"status 1 within 2 s, and {line!r}",
           f"status {status}; stderr {game.stderr_text()!r}")


def move_right(ctx):
    """Holding D runs the player right, 10 pixels a frame, and nowhere else."""
    w = ctx.world
    game = start(ctx)
    game.point(300, 200)
    before = game.until("the player at its start", lambda img: (
        bool(player_bar(img)) and match(img, w.player, *PLAYER_START) >= 0.95,
        "no player with a full bar at (750, 750)"))
    first = game.frames()
    surely = game.hold_key("d", frames=5, ms=200)
    # Frames whose input step could have seen D held: at least those that
    # ended while it surely was (less the one in progress as it went down), at
    # most every frame from just before the press to just after the release.
    at_most = game.frames() - first + 2
    game.wait_frames(2)
    img = game.screen()
    bars = player_bar(img)
    expect("the player's bar after holding D", len(bars) == 1, "one full bar at y=742",
           f"{bars}", img)
    moved = bars[0][0] + 5 - PLAYER_START[0]
    low, high = 10 * max(1, surely - 1), 10 * at_most
    expect("a run to the right, 10 pixels a frame", low <= moved <= high and moved % 10 == 0,
           f"a multiple of 10 from {low} to {high}", f"moved {moved}", img)
    x = PLAYER_START[0] + moved
    running = max(match(img, frame, x, PLAYER_START[1]) for frame in w.run)
    expect("the running picture at the new place", running >= 0.9, ">= 90% of a running frame",
           f"{running:.0%}", img)
    expect("the old place cleared", match(img, w.player, *PLAYER_START) < 0.5,
           "no standing player at (750, 750)", "still drawn there", img)
    game.wait_frames(5)
    still = player_bar(game.screen())
    expect("the player stops when D is let go", still == bars, f"{bars}", f"{still}")
    ctx.shot = img
    quit_with_escape(game)


def blaster(ctx):
    """Holding the left button toward a demon wears it down until it goes."""
    w = ctx.world
    game = start(ctx)
    game.until("two demons apart", lambda img: (
        len([b for b in w.demon_bars(img) if b[2] == 50]) == 2, "demon bars not yet apart"))
    widths = set()
    wrong = []
    deadline = time.monotonic() + 60 * harness.SLOW
    while True:
        img = game.screen()
        if ctx.shot is None and count_colour(img, most_common(w.shot)) > 20 and \
                len(w.demon_bars(img)) == 2:
            ctx.shot = img  # shots in flight toward two demons: the README's picture
        bars = w.demon_bars(img)
        for x, y, width, _ in bars:
            colour = img.pixel(x, y)
            widths.add(width)
            if width not in LEGAL_WIDTHS or (colour == RED) != (width < 12):
                wrong.append((width, colour))
        if not bars:
            break
        expect("the demons to wear down", time.monotonic() < deadline,
               "no demon left within 60 s", f"bars {bars}", img)
        x, y, _, _ = bars[0]
        game.point(x + 45, y + 48)
        game.hold_button(frames=3)
    expect("health bars that match whole hits of 5", not wrong,
           "widths from (100 - 5n) / 2, red below 12", f"{wrong}", img)
    worn = sorted(v for v in widths if v < 50)
    expect("demons seen part-worn before going", len(worn) >= 3,
           "at least three shorter bar widths on the way", f"{worn}", img)
    game.wait_frames(30)  # shots still flying land or leave
    img = game.screen()
    skin = count_colour(img, w.skin)
    expect("no demon left on the screen", skin == 0 and not w.demon_bars(img),
           "no demon colour, no demon bar", f"{skin} demon pixels", img)
    expect("the player untouched", bool(player_bar(img)), "full bar at y=742", "none", img)
    quit_with_escape(game)


def spawn_and_clear(ctx):
    """Space adds demons at the pointer; C clears everything but the player."""
    w = ctx.world
    game = start(ctx)
    spot = (1000, 150)
    region = (spot[0] - 10, spot[1] - 10, 110, 110)
    game.point(*spot)
    one_demon = w.skin_pixels
    img = game.screen()
    expect("an empty spot before Space", count_colour(img, w.skin, region) == 0,
           "no demon near the pointer", "one already there", img)
    game.hold_key("space")

    def demons_at_spot(img):
        n = count_colour(img, w.skin, region)
        return n >= 0.8 * one_demon, f"{n} demon pixels near {spot} (one demon has {one_demon})"

    game.until("a demon at the pointer", demons_at_spot)
    # Moved the way a mouse moves it, the pointer is followed too.
    spot = (300, 150)
    region = (spot[0] - 10, spot[1] - 10, 110, 110)
    game.glide(*spot)
    game.hold_key("space")
    game.until("a demon at the pointer moved by a mouse", demons_at_spot)
    game.hold_key("c")

    def cleared(img):
        problems = []
        if count_colour(img, w.skin) != 0:
            problems.append("demon colour still on the screen")
        if w.demon_bars(img):
            problems.append(f"demon bars {w.demon_bars(img)}")
        if match(img, w.player, *PLAYER_START) < 0.95 or not player_bar(img):
            problems.append("the player or its bar is gone")
        if w.icons(img)[:3] != [True, True, True]:
            problems.append("life icons gone")
        return not problems, "; ".join(problems)

    ctx.shot = game.until("only the player after C", cleared)
    game.wait_frames(10)
    img = game.screen()
    ok, seen = cleared(img)
    expect("the table stays cleared without input", ok, "only the player", seen, img)
    quit_with_escape(game)


def pale_share(img):
    return count_colour(img, PALE) / (SCREEN_W * SCREEN_H)


def game_over(ctx):
    """Demons spawned onto the player until every life is gone: the pale
    screen, which stays whatever the player does."""
    w = ctx.world
    game = start(ctx)
    game.hold_key("c")  # the start-up demons would sit over the life icons
    game.point(740, 740)
    game.xdo("keydown", "space")
    try:
        game.until("a life lost", lambda img: (
            w.icons(img)[:3] == [True, True, False], f"icons {w.icons(img)}"), timeout=30)
        # The player comes back at (40, 40) and steps to (80, 80): follow it.
        game.point(60, 60)
        img = game.until("the game-over screen", lambda img: (
            pale_share(img) > 0.99, f"{pale_share(img):.1%} pale"), timeout=30)
    finally:
        game.xdo("keyup", "space")
    pointer = (400, 300)
    game.point(*pointer)
    for attempt in ("space", "c", "w", None):
        if attempt:
            game.hold_key(attempt)
        else:
            game.hold_button()
        game.wait_frames(5)
        img = game.screen()
        expect(f"the pale screen to stay after {attempt or 'the left button'}",
               pale_share(img) > 0.99, "over 99% of the screen (250, 250, 255)",
               f"{pale_share(img):.1%}", img)
    cursor = w.cursor_at(img, *pointer)
    expect("the cursor over the pale screen", cursor >= 0.9, "a cursor frame at the pointer",
           f"{cursor:.0%} match", img)
    ctx.shot = img
    quit_with_escape(game)


def output_and_escape(ctx):
    """One per-frame line per frame, near 33 ticks when idle, even through a
    one-page pipe read five times a second (never full); Escape ends it."""
    game = start(ctx, read_every=0.2)
    game.point(640, 400)
    game.wait_frames(150)
    quit_with_escape(game)
    lines = [l for _, l in game.lines]
    bad = [l for l in lines if not l.endswith("\n") or not FRAME_LINE.fullmatch(l[:-1])]
    expect("only per-frame lines on standard output", not bad, "Ticks passed this frame: N",
           f"{bad[:3]}")
    ticks = [int(FRAME_LINE.fullmatch(l[:-1]).group(1)) for l in lines]
    idle = ticks[10:]
    expect("an idle frame near 33 ticks", 30 <= statistics.median(idle) <= 45,
           "median 30..45", f"{statistics.median(idle)} over {idle}")
    # The ticks a line reports are the time since the previous line: if frames
    # wrote more or fewer lines than one each, the sums would not match the clock.
    stamps = [t for t, _ in game.lines]
    wall = (stamps[-1] - stamps[10]) * 1000
    reported = sum(ticks[11:])
    expect("one line per frame", 0.85 < reported / wall < 1.15,
           "reported ticks matching the wall clock", f"{reported} ticks over {wall:.0f} ms")


def random_input(ctx):
    """Random held keys, buttons and pointer moves for a while; the game must
    keep playing and end cleanly on Escape (under the sanitizer build, any
    report lands on standard error and fails it)."""
    rng = random.Random(ctx.seed)
    game = start(ctx, limit=ctx.seconds + 60)
    keys = ["w", "a", "s", "d", "space", "c"]
    held = set()
    end = time.monotonic() + ctx.seconds
    actions = 0
    while time.monotonic() < end:
        roll = rng.random()
        if roll < 0.45:
            key = rng.choice(keys)
            game.xdo("keyup" if key in held else "keydown", key)
            held ^= {key}
        elif roll < 0.65:
            game.xdo("mouseup" if 1 in held else "mousedown", 1)
            held ^= {1}
        else:
            game.point(rng.randrange(SCREEN_W), rng.randrange(SCREEN_H))
        actions += 1
        game.wait_frames(rng.randint(1, 6))
    for key in held:
        game.xdo("mouseup" if key == 1 else "keyup", key)
    frames = game.frames()
    game.wait_frames(5)
    quit_with_escape(game)
    print(f"random input: seed {ctx.seed}, {actions} actions over {frames} frames")


# Other screens -------------------------------------------------------------

class Scaling:
    """Where the 1280x800 arena lands on a larger or smaller screen: scaled to
    the screen's height or width, whichever is tighter, and centred."""

    def __init__(self, size):
        self.s = min(size[0] / SCREEN_W, size[1] / SCREEN_H)
        self.ox = (size[0] - SCREEN_W * self.s) / 2
        self.oy = (size[1] - SCREEN_H * self.s) / 2

    def on_screen(self, x, y):
        return round(self.ox + x * self.s), round(self.oy + y * self.s)

    def box(self, x, y, w, h):
        """A rectangle of the arena as (x, y, w, h) on the screen."""
        left, top = self.on_screen(x, y)
        right, bottom = self.on_screen(x + w, y + h)
        return left, top, right - left, bottom - top


def scaled_likeness(img, region, picture):
    """How far (RMSE, 0 to 1) a region of the screen is from a picture, both
    brought down to 320x200."""
    x, y, w, h = region
    with tempfile.TemporaryDirectory() as d:
        shot, ref = os.path.join(d, "shot.png"), os.path.join(d, "ref.png")
        img.save_png(shot)
        subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-resize",
                        "320x200!", shot], check=True)
        subprocess.run(["convert", picture, "-resize", "320x200!", ref], check=True)
        out = subprocess.run(["compare", "-metric", "RMSE", shot, ref, "null:"],
                             capture_output=True, text=True).stderr
    return float(out.split("(")[1].rstrip(")"))


def screen(ctx):
    """On a screen that is not 1280x800, the SDL 2 based runtime scales the
    arena to fill it; the pointer maps through the scaling, so a demon made
    with Space lands under it and shots fired at a demon under it wear it down."""
    w = ctx.world
    fit = Scaling(ctx.size)
    game = start(ctx)
    arena = fit.box(0, 0, SCREEN_W, SCREEN_H)

    # The arena spans the screen's full width or full height (the other way
    # it is centred between black margins) and shows the background, scaled.
    def filled(img):
        problems = []
        likeness = scaled_likeness(img, arena, os.path.join(ctx.repo, "images", "bgtest.png"))
        if likeness > 0.12:
            problems.append(f"the arena {arena} is not the background scaled (RMSE {likeness:.2f})")
        margins = img.w * img.h - arena[2] * arena[3]
        black_outside = count_colour(img, (0, 0, 0)) - count_colour(img, (0, 0, 0), arena)
        if black_outside < margins:
            problems.append(f"{margins - black_outside} pixels around the arena are not black")
        return not problems, "; ".join(problems)

    ctx.shot = game.until("the arena filling the screen", filled)
    game.hold_key("c")  # the start-up demons go; the field is empty

    spot = (900, 150)
    game.point(*fit.on_screen(*spot))
    game.hold_key("space", frames=1, ms=60)
    one_demon = w.skin_pixels * fit.s * fit.s
    under = fit.box(spot[0], spot[1], 90, 90)
    skin_under = lambda img: count_colour(img, w.skin, under, tolerance=3)  # noqa: E731
    game.until("a demon under the pointer", lambda img: (
        skin_under(img) >= 0.6 * one_demon,
        f"{skin_under(img)} demon pixels under the pointer (a demon has about {one_demon:.0f})"))

    # Bars are 5 arena pixels high: 3 to 7 rows of their exact colour once
    # scaled. The player's stays at the bottom.
    def demon_bars(img):
        return [b for b in find_bars(img, BLUE) + find_bars(img, RED)
                if b[1] < fit.on_screen(0, PLAYER_START[1] - 20)[1] and 2 < b[3] <= 5 * fit.s + 1]

    # The cursor, drawn at the pointer, would cover part of a bar under it: the
    # screen is read with the pointer in the empty corner (the demon walks
    # toward the player, away from it), and it only leaves to aim.
    # A busy machine may hold Space long enough for a second demon.
    corner = fit.on_screen(1200, 40)
    widths = []
    deadline = time.monotonic() + 90 * harness.SLOW
    while True:
        game.point(*corner)
        game.wait_frames(3)
        img = game.screen()
        bars = demon_bars(img)
        expect("the demon to wear down and go", time.monotonic() < deadline,
               "no demon bar left within 90 s", f"bars {bars}; widths seen {widths}", img)
        if not bars:
            # Gone, or its bar hidden for a moment under a shot or an explosion.
            if count_colour(img, w.skin, tolerance=3) < 0.3 * one_demon:
                break
            continue
        widest = max(bars, key=lambda b: b[2])
        widths.append(round(widest[2] / fit.s))
        # The bar sits 8 above and 5 left of the demon's corner: aim at its middle.
        game.point(round(widest[0] + 50 * fit.s), round(widest[1] + 50 * fit.s))
        game.hold_button(frames=3)
    print(f"demon bar widths seen (arena pixels): {widths}")
    worn = sorted(set(v for v in widths if v < 45))
    expect("the demon seen worn before it went", len(worn) >= 2,
           "at least two shorter bars on the way", f"widths {widths}", img)
    ctx.shot = img
    quit_with_escape(game)


WAITING = "Waiting for another program to let go of the pointer\n"


def keyboard_back(ctx):
    """Another window takes the keyboard, held at start-up, given the focus or
    through a window manager started mid-game; a click on the game or the
    window manager's switch gives it back, so that C and Escape reach the game
    again."""
    w = ctx.world
    other = subprocess.Popen(["xev", "-geometry", "300x200+0+0"], stdout=subprocess.DEVNULL,
                             env=harness.on_display(ctx.display))
    manager = None
    try:
        for held in ("keyboard", "pointer"):
            with case(f"{held} held at start-up"):
                # Classic SDL waits for the pointer (and says so) before the first
                # frame; a keyboard held meanwhile is the game's from the first click.
                with harness.input_held(ctx.display, held):
                    game = Game(binary(ctx, ctx.home), ctx.display, ctx.home, size=ctx.size)
                    ctx.running.append(game)
                    deadline = time.monotonic() + 10 * harness.SLOW
                    while not (game.stderr_text() or game.frames() > 3) and \
                            time.monotonic() < deadline:
                        time.sleep(0.1)
                game.wait_frames(1, timeout=30)
                said = game.stderr_text()
                with game.cond:
                    game.err_lines.clear()
                waits = held == "pointer" and os.environ.get("FIENDS_SDL_RUNTIME") == "classic"
                expect("a word while the game waits", said == WAITING * waits,
                       repr(WAITING * waits), repr(said))
                game.point(900, 600)
                game.hold_button()
                quit_with_escape(game)

        game = start(ctx)
        away = game.xdo("search", "--sync", "--name", "^Event Tester$").split()[0]
        game.xdo("windowfocus", "--sync", away)
        game.point(900, 600)
        game.hold_button()
        quit_with_escape(game)

        game = start(ctx)
        manager = harness.window_manager(ctx.display)
        game.xdo("windowactivate", "--sync", away)
        game.xdo("keydown", "alt")
        game.xdo("key", "Tab")
        game.xdo("keyup", "alt")
        game.hold_key("c")
        ctx.shot = game.until("C to clear the field after the window switch", lambda img: (
            count_colour(img, w.skin) == 0, "demons still on the screen"))
        game.xdo("windowactivate", "--sync", away)
        game.point(900, 600)
        game.hold_button()
        quit_with_escape(game)
    finally:
        harness.stop(other)
        if manager:
            harness.stop(manager)


def refused(ctx):
    """Classic SDL cannot make a 1280x800 mode on a smaller screen: it says so
    and ends with status 1."""
    run_failing(ctx, ctx.repo, re.compile(r"Unable to set ScreenXxScreenY video: [^\n]+\n"))


# Failure modes -------------------------------------------------------------


def run_failing(ctx, workdir, expected_err, act=None, drop_display=False, env=None, **how):
    """Runs the game where it must fail; checks its line and status, and that
    it neither crashed, hung nor left a window behind."""
    before = top_windows(ctx.display)
    game = Game(binary(ctx, workdir), ctx.display, workdir, limit=60, drop_display=drop_display,
                extra_env=env, **how)
    ctx.running.append(game)
    if act:
        game.wait_frames(1, timeout=30)
        act(game)
    status = game.wait_exit(30)
    expect("the game to end", status is not None, "an exit", "still running after 30 s")
    expect("an ordinary exit", status == 1, "status 1 (not a signal, not a timeout)",
           f"status {status}; stderr {game.stderr_text()!r}")
    # A pattern stands for a line that ends with SDL's own reason, whose wording
    # differs between runtimes.
    said = game.stderr_text()
    ok = expected_err.fullmatch(said) if isinstance(expected_err, re.Pattern) else said == expected_err
    expect("the error line", ok, repr(expected_err), repr(said))
    after = top_windows(ctx.display)
    expect("no window left behind", after <= before, f"windows of the clients {sorted(before)} only",
           f"windows of {sorted(after)}")
    return game


# The X server numbers a client's windows from that client's own base.
CLIENT_BITS = ~0x1FFFFF


def top_windows(display):
    """Which X clients own the root window's children (a window manager keeps
    some of its own, and may add more at any time)."""
    tree = subprocess.run(["xwininfo", "-display", display, "-root", "-children"],
                          capture_output=True, text=True, check=True).stdout
    return {hex(int(line.split()[0], 16) & CLIENT_BITS) for line in tree.splitlines()
            if line.startswith("     0x")}


@contextlib.contextmanager
def case(name):
    """One row of a table-driven scenario: its failure says which row."""
    try:
        yield
    except Failure as f:
        f.what = f"{name}: {f.what}"
        raise


def in_copy(ctx, picture, how):
    """A private copy of images/, with one picture broken in one of these ways."""
    d = tempfile.mkdtemp(prefix="fiends-e2e-", dir=ctx.artefacts)
    copy_tree(ctx.repo, d)
    path = pathlib.Path(d, "images", picture)
    {"missing": path.unlink,
     "truncated": lambda: os.truncate(path, path.stat().st_size // 2),
     # Another format's signature: the game reads PNG only, whatever SDL_image knows.
     "not_png": lambda: path.write_bytes(b"GIF89a but not really\n"),
     "fifo": lambda: (path.unlink(), os.mkfifo(path)),
     "no_images_dir": lambda: shutil.rmtree(path.parent)}[how]()
    return d


def hold_key_until_exit(key):
    def act(game):
        game.xdo("keydown", key)
        game.wait_exit(20)
        game.xdo("keyup", key)
    return act


def fire_at_demons(game):
    # The start-up demons come down the diagonal; shots aimed there meet them.
    game.point(120, 120)
    game.xdo("mousedown", 1)
    game.wait_exit(20)
    game.xdo("mouseup", 1)


# (picture, how it is broken, the game's reason for it (None: the system's own
# words), what the player does until the game needs it (None: it is read at
# start-up)).
BROKEN_PICTURES = [
    ("mouse.png", "missing", None, None),
    ("player.png", "missing", None, None),
    ("demon.png", "missing", None, None),
    ("player_run.png", "missing", None, hold_key_until_exit("d")),
    ("player_run_left.png", "missing", None, hold_key_until_exit("a")),
    ("blaster.png", "missing", None, fire_at_demons),
    ("rocketExplode.png", "missing", None, fire_at_demons),
    ("demon.png", "not_png", "not a PNG picture", None),
    ("player.png", "truncated", "Error reading the PNG file.", None),
    ("mouse.png", "fifo", "not a regular file", None),
    ("mouse.png", "no_images_dir", None, None),
]


def broken_pictures(ctx):
    """A picture the game cannot do without, unreadable: the game names it and
    says why, once, and ends with status 1 when it first needs it."""
    for picture, how, reason, act in BROKEN_PICTURES:
        if how == "fifo" and ctx.windows:
            continue  # Windows has no FIFOs among its files
        with case(f"images/{picture} {how}"):
            said = rf"unable to load a vital sprite: images/{re.escape(picture)}: "
            said += re.escape(reason) if reason else r"[^\n]+"
            game = run_failing(ctx, in_copy(ctx, picture, how), re.compile(said + "\n"), act=act)
            if act is None:
                expect("no frame before a start-up failure", game.frames() == 0, "no output",
                       f"{game.frames()} lines")
            libpng = [l for _, l in game.err_lines if l.startswith("libpng ")]
            expect("the picture read once", len(set(libpng)) == len(libpng), "no libpng line twice",
                   f"{libpng}")


def unpainted_floor(ctx):
    """Without a readable background the game plays, silently, on the world
    surface as SDL made it: black."""
    black = lambda img: count_colour(img, (0, 0, 0)) / (SCREEN_W * SCREEN_H)  # noqa: E731
    for how in ("missing", "truncated", "not_png", "fifo"):
        with case(f"images/bgtest.png {how}"):
            game = start(ctx, workdir=in_copy(ctx, "bgtest.png", how))
            game.point(600, 300)
            img = game.until("an unpainted floor", lambda img: (black(img) > 0.95,
                                                                f"{black(img):.1%} black"))
            expect("the player on the bare floor", match(img, ctx.world.player, *PLAYER_START) > 0.95,
                   "the player at (750, 750)", "not there", img)
            quit_with_escape(game)


NO_DISPLAY = "Unable to init SDL: No available video device\n"


def no_display(ctx):
    """Without a display the game says so and ends with status 1. Left to
    choose, SDL must not fall back to the terminal (which without TERM ends the
    game before it says why) nor to no screen at all; from a terminal, the
    reason shows there, and the terminal is left alone. A display that never
    answers is given up on."""
    with case("no terminal"):
        run_failing(ctx, ctx.repo, NO_DISPLAY, drop_display=True, unset=["TERM"])
    with case("from a terminal"):
        game = run_failing(ctx, ctx.repo, "", drop_display=True, env={"TERM": "xterm"},
                           prefix=["script", "-qe", "/dev/null", "-c"])
        seen = "".join(l for _, l in game.lines if not l.startswith(LIBRARY_NOISE))
        expect("only the reason on the terminal", seen == NO_DISPLAY.replace("\n", "\r\n"),
               repr(NO_DISPLAY), repr(seen))
    with case("silent"):
        # A display that takes the connection and never answers: a dead SSH
        # forwarding, a hung server.
        with silent_display() as name:
            started = time.monotonic()
            run_failing(ctx, ctx.repo, re.compile(r"Unable to init SDL: [^\n]+\n"),
                        env={"DISPLAY": name})
            took = time.monotonic() - started
        expect("to give up on it soon", took < 10, "under 10 s", f"{took:.1f} s")
    if os.environ.get("FIENDS_SDL_RUNTIME") != "compat":
        return  # only SDL 2 draws through Wayland
    runtime = tempfile.mkdtemp(prefix="fiends-e2e-", dir=ctx.artefacts)
    native = {"SDL_VIDEODRIVER": "wayland", "XDG_RUNTIME_DIR": runtime}
    with case("silent compositor"), socket.socket(socket.AF_UNIX) as s:
        s.bind(os.path.join(runtime, "silent"))
        s.listen(8)
        run_failing(ctx, ctx.repo, "Unable to init SDL: No answer from display silent in 5 seconds\n",
                    env={**native, "WAYLAND_DISPLAY": "silent"})
    if shutil.which("weston"):
        with case("compositor without a seat"):
            # SDL 2 crashed on one.
            weston = harness.start_weston("headless", runtime, "seatless")
            try:
                deadline = time.monotonic() + 10 * harness.SLOW
                while not os.path.exists(os.path.join(runtime, "seatless")):
                    expect("weston to start", time.monotonic() < deadline, "its socket", "none")
                    time.sleep(0.1)
                run_failing(ctx, ctx.repo, "Unable to init SDL: Display seatless has no seat: no "
                            "keyboard and no pointer to play with\n",
                            env={**native, "WAYLAND_DISPLAY": "seatless"})
            finally:
                harness.stop(weston)


@contextlib.contextmanager
def silent_display():
    """An X display's TCP port that takes connections into its backlog and
    never says a word."""
    with socket.socket() as s:
        for number in range(100, 200):
            with contextlib.suppress(OSError):
                s.bind(("127.0.0.1", 6000 + number))
                break
        s.listen(8)
        yield f"127.0.0.1:{number}"


def escape_unheard(ctx, look=None, **how):
    """The game plays and ends on Escape; look(pid) is what the running game is
    seen to have."""
    game = Game(binary(ctx, ctx.home), ctx.display, ctx.home, limit=60, **how)
    ctx.running.append(game)
    game.until("the start-up screen", lambda img: (
        match(img, ctx.world.player, *PLAYER_START) > 0.95, "no player"), timeout=30)
    game.seen = look and look(game.pid())
    hold_key_until_exit("Escape")(game)
    expect("Escape to end the game", game.wait_exit(0) == 0 and not game.stderr_text(),
           "exit status 0, nothing on stderr", f"{game.proc.poll()}, {game.stderr_text()!r}")
    return game


def closed_or_full_streams(ctx):
    """With its standard streams closed, standard output full or its reader
    gone, the game still plays and ends on Escape."""
    with case("closed"):
        game = escape_unheard(ctx, prefix=["sh", "-c", 'exec "$0" <&- >&- 2>&-'],
                              look=lambda pid: [os.readlink(f"/proc/{pid}/fd/{n}") for n in range(3)])
        expect("the closed streams given /dev/null", game.seen == ["/dev/null"] * 3,
               "/dev/null as standard input, output and error", game.seen)
    with case("full"):
        # A one-page pipe, full before the first frame: nobody reads it.
        unread, w = os.pipe()
        fcntl.fcntl(w, fcntl.F_SETPIPE_SZ, 4096)
        os.write(w, bytes(4096))
        escape_unheard(ctx, stdout=w)
    with case("reader gone"):
        # `fiends | head -1`: the reader takes one line and goes.
        r, w = os.pipe()

        def head():
            with os.fdopen(r, "rb") as out:
                out.readline()
        reader = threading.Thread(target=head)
        reader.start()
        escape_unheard(ctx, stdout=w, look=lambda pid: reader.join(10))


# The list --------------------------------------------------------------------


# One test: `play` on one SDL 1.2 runtime, in a private X server. size: a
# screen of its own, under a window manager (the name says which); runtime: the
# only one it runs on, else it runs on every one tested; emulated: a cross
# build plays it too, under its emulator; sanitize: the sanitizer build only;
# windows: the Windows build plays it too, under Wine; session: in a Wayland
# session (weston), the game drawn through XWayland ("xwayland") or natively
# ("wayland", which only SDL 2 can, under sdl12-compat).
Scenario = collections.namedtuple("Scenario", "play size runtime emulated sanitize windows session",
                                  defaults=(None, None, False, False, False, None))


def name(s):
    return s.play.__name__ + ("_%dx%d" % s.size if s.size else "") + \
        (f"_{s.session}" if s.session else "")


# Every scenario. tests/CMakeLists.txt registers each as its own test on each
# runtime it runs on, as `e2e.py list` says.
SCENARIOS = {name(s): s for s in [
    Scenario(startup, windows=True),
    Scenario(startup, session="xwayland"),
    Scenario(startup, runtime="compat", session="wayland"),
    Scenario(move_right, windows=True),
    Scenario(move_right, runtime="compat", session="xwayland"),
    Scenario(move_right, runtime="compat", session="wayland"),
    # The one a cross build's game, slow under its emulator, plays.
    Scenario(blaster, emulated=True, windows=True),
    Scenario(blaster, runtime="compat", session="xwayland"),
    Scenario(blaster, runtime="compat", session="wayland"),
    Scenario(spawn_and_clear, windows=True),
    Scenario(spawn_and_clear, runtime="compat", session="xwayland"),
    Scenario(spawn_and_clear, runtime="compat", session="wayland"),
    Scenario(game_over, windows=True),
    Scenario(output_and_escape, windows=True),
    Scenario(broken_pictures, windows=True),
    Scenario(unpainted_floor),
    Scenario(no_display),
    Scenario(closed_or_full_streams),
    Scenario(keyboard_back),
    # sdl12-compat scales the game to the screen; classic SDL refuses one too
    # small for its mode.
    Scenario(screen, size=(1366, 768), runtime="compat"),
    Scenario(screen, size=(1920, 1080), runtime="compat"),
    Scenario(refused, size=(1366, 768), runtime="classic"),
    # A minute of it, where the sanitizers watch.
    Scenario(random_input, sanitize=True),
]}


def list_tests(args):
    """`e2e.py list RUNTIME... [--emulated | --windows] [--sanitize]`: the tests
    of a build on those runtimes (a cross build's, the Windows build's, a
    sanitizer build's), one `<scenario> <runtime> [<label>]` a line; those in a
    Wayland session only where weston and XWayland are installed."""
    for runtime in [a for a in args if not a.startswith("--")]:
        for n, s in SCENARIOS.items():
            if s.runtime in (None, runtime) and (s.emulated or "--emulated" not in args) and \
                    (s.windows or "--windows" not in args) and (not s.sanitize or "--sanitize" in args) \
                    and (not s.session or shutil.which("weston") and shutil.which("Xwayland")):
                label = "screens" if s.size else "sanitize" if s.sanitize else \
                    "wayland" if s.session else ""
                print(n, runtime, label)
    return 0


def check_runtime(probe):
    """A scenario meant for one SDL runtime (FIENDS_SDL_RUNTIME, set by CTest)
    must not quietly run on the other. The probe is linked as the game is and
    runs in its environment, so it loads the same SDL 1.2 and asks its version."""
    wanted = os.environ.get("FIENDS_SDL_RUNTIME")
    if not wanted or not probe:
        return
    said = subprocess.run([*harness.EMULATOR, probe], capture_output=True, text=True,
                          check=True).stdout.strip()
    expect("the SDL runtime asked for", said.split()[:1] == [wanted], wanted, said)


class Context:
    pass


def failed(ctx, f):
    """Every failure's report: what was expected and seen, the screen (the
    one the check looked at, else the display's now) and each game's stderr."""
    print(f"FAIL {ctx.name}: {f.what}\n  expected: {f.expected}\n  seen:     {f.seen}")
    shot = f.shot
    if shot is None:
        with contextlib.suppress(Exception):  # the X server may be what failed
            shot = grab(ctx.display, ctx.size)
    if shot is not None:
        path = os.path.join(ctx.artefacts, f"{ctx.name}-failure.png")
        shot.save_png(path)
        print(f"  screen:   {path}")
    for game in ctx.running:
        print(f"  stderr:   {game.stderr_text()!r}")
    return 1


def main():
    if sys.argv[1:2] == ["list"]:
        return list_tests(sys.argv[2:])
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--game", required=True)
    parser.add_argument("--repo", default=os.getcwd())
    parser.add_argument("--artefacts", default=os.path.join(tempfile.gettempdir(), "fiends-e2e"))
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("--keep-shot", help="also save the scenario's last screen here")
    parser.add_argument("--sdl-probe", help="the build's sdl_runtime, to check FIENDS_SDL_RUNTIME")
    parser.add_argument("--emulator", default="", help="runs a cross build's programs (qemu)")
    parser.add_argument("--slow", type=float, default=1, help="every wait this many times longer")
    parser.add_argument("--beside", nargs="*",
                        help="the Windows game: it reads images beside itself; these files go with it")
    args = parser.parse_args()
    scenario = SCENARIOS[args.scenario]
    os.makedirs(args.artefacts, exist_ok=True)
    harness.EMULATOR = shlex.split(args.emulator)
    harness.SLOW = args.slow
    # A test runner's stop still runs the clean-up below (X server, game).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    ctx = Context()
    ctx.name = args.scenario
    ctx.game = os.path.abspath(args.game)
    ctx.repo = os.path.abspath(args.repo)
    ctx.artefacts = os.path.abspath(args.artefacts)
    ctx.seconds = args.seconds
    ctx.seed = args.seed
    ctx.running = []
    ctx.shot = None
    ctx.world = World(ctx.repo)
    # Where the game plays from: the repository, which holds the pictures, or on
    # Windows a copy of the game beside a copy of them.
    ctx.windows = args.beside is not None
    ctx.beside = [os.path.abspath(f) for f in args.beside or []]
    ctx.home = ctx.repo
    if ctx.windows and os.path.isdir(os.path.join(os.path.dirname(ctx.game), "images")):
        ctx.home = os.path.dirname(ctx.game)  # unpacked or installed, as a player has it
    elif ctx.windows:
        ctx.home = tempfile.mkdtemp(prefix="fiends-e2e-", dir=ctx.artefacts)
        copy_tree(ctx.repo, ctx.home)
    ctx.size = scenario.size or (SCREEN_W, SCREEN_H)
    ctx.session = scenario.session
    with xvfb(ctx.size, wm=scenario.size is not None, session=scenario.session) as display:
        ctx.display = display
        try:
            check_runtime(args.sdl_probe)
            scenario.play(ctx)
        except Exception as e:
            return failed(ctx, e if isinstance(e, Failure) else Failure(
                "the scenario to run to its end", "no error", traceback.format_exc()))
        finally:
            for game in ctx.running:
                game.stop()
    if args.keep_shot and ctx.shot is not None:
        ctx.shot.save_png(args.keep_shot)
    print(f"ok {ctx.name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
