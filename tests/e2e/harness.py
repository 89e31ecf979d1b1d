# Runs the real game in a private Xvfb server, drives it with xdotool and reads
# the screen with ImageMagick. Everything a scenario needs to act and look as a
# player would, with deadlines instead of fixed sleeps.
import contextlib
import ctypes
import fcntl
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

SCREEN_W = 1280
SCREEN_H = 800
FRAME_LINE = re.compile(r"Ticks passed this frame: (-?\d+)")
# Library chatter, not the game's: libasound probing for a sound card that an
# X server without one lacks, and libpng naming the broken chunk before
# SDL_image reports its own error (which the game's line carries). Both come
# from below the game and vary by machine, so they are dropped and every line
# that is left is compared exactly. Running with a dummy sound driver would hide
# the first, but the game is tested as a player starts it: with no settings.
# Likewise libwayland's, when SDL 2 (under sdl12-compat) looks for Wayland
# without XDG_RUNTIME_DIR set.
LIBRARY_NOISE = ("ALSA lib ", "libpng ", "error: XDG_RUNTIME_DIR ")

# Every wait is bounded; a slow build (the sanitizers') gets longer, never
# forever. Set by e2e.py, as is what runs the game for a build for another
# processor (qemu).
SLOW = 1
EMULATOR = []


class Failure(Exception):
    def __init__(self, what, expected, seen, shot=None):
        super().__init__(what)
        self.what = what
        self.expected = expected
        self.seen = seen
        self.shot = shot


def _die_with_parent():
    # A killed test must not leave its X server or game behind.
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    PR_SET_PDEATHSIG = 1
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Image:
    def __init__(self, width, height, data):
        self.w = width
        self.h = height
        self.data = data

    def pixel(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.data[i:i + 3])

    def save_png(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["convert", "-size", f"{self.w}x{self.h}", "-depth", "8", "rgb:-", path],
                       input=self.data, check=True)


def read_picture(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                          check=True, text=True).stdout.split()
    data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout
    return Image(int(size[0]), int(size[1]), data)


WHITE = (255, 255, 255)


class Sheet:
    """A sprite sheet as the game cuts it: frames of a fixed size, 16 to a row,
    pure white transparent."""

    def __init__(self, path, frame_w, frame_h):
        self.picture = read_picture(path)
        self.fw = frame_w
        self.fh = frame_h

    def opaque(self, frame):
        ox = (frame % 16) * self.fw
        oy = (frame // 16) * self.fh
        pixels = []
        for dy in range(self.fh):
            for dx in range(self.fw):
                c = self.picture.pixel(ox + dx, oy + dy)
                if c != WHITE:
                    pixels.append((dx, dy, bytes(c)))
        return pixels


def match(img, opaque, x, y):
    """Share of a frame's visible pixels (those on screen) that the screen shows
    at (x, y)."""
    seen = 0
    same = 0
    for dx, dy, c in opaque:
        px, py = x + dx, y + dy
        if 0 <= px < img.w and 0 <= py < img.h:
            seen += 1
            i = (py * img.w + px) * 3
            same += img.data[i:i + 3] == c
    return same / seen if seen else 0.0


def same_pixels(a, b, region=None):
    """How many pixels two screens share, optionally inside (x, y, w, h)."""
    x0, y0, w, h = region or (0, 0, a.w, a.h)
    count = 0
    for y in range(y0, y0 + h):
        start = (y * a.w + x0) * 3
        ra = a.data[start:start + w * 3]
        rb = b.data[start:start + w * 3]
        if ra == rb:
            count += w
            continue
        for i in range(0, w * 3, 3):
            count += ra[i:i + 3] == rb[i:i + 3]
    return count


def count_colour(img, colour, region=None, tolerance=0):
    """Pixels of `colour` inside region; with a tolerance, those within it in
    every channel (a scaled picture blends edges, but keeps the colour of
    uniform areas)."""
    x0, y0, w, h = region or (0, 0, img.w, img.h)
    c = bytes(colour)
    n = 0
    for y in range(max(0, y0), min(img.h, y0 + h)):
        start = (y * img.w + max(0, x0)) * 3
        row = img.data[start:start + (min(img.w, x0 + w) - max(0, x0)) * 3]
        for i in range(0, len(row), 3):
            if tolerance:
                n += all(abs(a - b) <= tolerance for a, b in zip(row[i:i + 3], c))
            else:
                n += row[i:i + 3] == c
    return n


def find_bars(img, colour):
    """Solid rectangles of one colour, as (x, y, w, h): the health bars."""
    c = bytes(colour)
    runs = {}
    row_bytes = img.w * 3
    for y in range(img.h):
        row = img.data[y * row_bytes:(y + 1) * row_bytes]
        at = row.find(c)
        while at != -1:
            if at % 3:  # the colour's bytes straddling two pixels
                at = row.find(c, at + 1)
                continue
            end = at
            while row[end:end + 3] == c:
                end += 3
            runs.setdefault(y, []).append((at // 3, (end - at) // 3))
            at = row.find(c, end)
    bars = []
    open_bars = {}
    for y in sorted(runs):
        current = {}
        for x, w in runs[y]:
            key = (x, w)
            if key in open_bars and open_bars[key][1] + open_bars[key][3] == y:
                bx, by, bw, bh = open_bars[key]
                current[key] = (bx, by, bw, bh + 1)
            else:
                current[key] = (x, y, w, 1)
        for key, bar in open_bars.items():
            if key not in current or current[key][1] != bar[1]:
                bars.append(bar)
        open_bars = current
    bars.extend(open_bars.values())
    return bars


@contextlib.contextmanager
def xvfb(size=(SCREEN_W, SCREEN_H), wm=False, session=None):
    """A private X server (24 bits, 1280x800 unless asked otherwise) with a
    window manager, or a Wayland session ("xwayland": games drawn through
    XWayland, "wayland": natively), if asked; stopped on the way out, whatever
    happened."""
    # The server picks a free display itself and names it once it accepts
    # clients, so tests running side by side never race for one. -noreset: it
    # would reset when its first client leaves, refusing one that comes then.
    ready_r, ready_w = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(ready_w), "-screen", "0", f"{size[0]}x{size[1]}x24",
         "-nolisten", "tcp", "-noreset"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(ready_w,),
        preexec_fn=_die_with_parent)
    os.close(ready_w)
    manager = None
    try:
        with os.fdopen(ready_r) as ready:
            if not select.select([ready], [], [], 15 * SLOW)[0]:
                raise RuntimeError("the X server did not start within 15 s")
            number = ready.readline().strip()
        if not number:
            raise RuntimeError(f"the X server ended with status {server.wait()}")
        display = f":{number}"
        SERVERS[display] = server
        if session:
            manager = wayland_session(display, size, native=session == "wayland")
        elif wm:
            manager = window_manager(display)
        yield display
    finally:
        if manager:
            stop(manager)
        stop(server)
        if display in SESSIONS:
            shutil.rmtree(SESSIONS.pop(display)["XDG_RUNTIME_DIR"], ignore_errors=True)


SERVERS = {}  # display -> its Xvfb, for scenarios that take the display away
# display -> the environment that puts a game into the Wayland session on it
SESSIONS = {}


def on_display(display):
    """This process's environment, with programs sent to that display."""
    return {**os.environ, "DISPLAY": display}


def game_display(display):
    """The X display a game started on `display` draws on: XWayland's, in a
    Wayland session."""
    return SESSIONS.get(display, {}).get("DISPLAY", display)


def named_display(display):
    """The display a game started on `display` names in what it says: the X
    display it draws on, or the Wayland compositor's when it draws natively."""
    session = SESSIONS.get(display, {})
    return session["WAYLAND_DISPLAY"] if "SDL_VIDEODRIVER" in session else game_display(display)


def wayland_session(display, size, native=False):
    """Weston on the X server, as a window filling it (its x11 backend), with
    XWayland: input sent to the X server reaches the game through weston's
    seat, as a real mouse's and keyboard's do, and the X server's screen shows
    what weston shows. The compositor stands in for the X server in SERVERS.
    A native game is asked to draw through Wayland, as a player asks SDL 2."""
    runtime = tempfile.mkdtemp(prefix="fiends-wayland-")
    socket_name = f"wayland-fiends{display.lstrip(':')}"
    log = open(os.path.join(runtime, "weston.log"), "w+")
    weston = start_weston(
        "x11", runtime, socket_name, f"--width={size[0]}", f"--height={size[1]}", "--xwayland",
        f"--log={log.name}", env=on_display(display))
    deadline = time.monotonic() + 20 * SLOW
    while not (said := re.search(r"xserver listening on display (:\d+)", log.read())):
        if time.monotonic() > deadline or weston.poll() is not None:
            stop(weston)
            raise RuntimeError(f"no XWayland from weston: {open(log.name).read()[-2000:]}")
        log.seek(0)
        time.sleep(0.1)
    # Weston starts XWayland at its first client, and (weston 14) ends it with
    # its last: the session is up once XWayland answers, and a client stays, as
    # a desktop's own do, so that a game is never the one to start it again.
    libx11 = ctypes.CDLL("libX11.so.6")
    libx11.XOpenDisplay.restype = ctypes.c_void_p
    libx11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    while not libx11.XOpenDisplay(said.group(1).encode()):
        if time.monotonic() > deadline:
            stop(weston)
            raise RuntimeError(f"XWayland did not answer: {open(log.name).read()[-2000:]}")
        time.sleep(0.2)
    # Natively, SDL 2 presents through Mesa's EGL, which keeps memory to the
    # end in drivers it unloads by then: the sanitizers' leak check could not
    # tell whose it is, and is left to the other sessions, where the game's
    # own code is the same.
    SESSIONS[display] = {"DISPLAY": said.group(1), "WAYLAND_DISPLAY": socket_name,
                         "XDG_RUNTIME_DIR": runtime,
                         **({"SDL_VIDEODRIVER": "wayland", "ASAN_OPTIONS": "detect_leaks=0"}
                            if native else {})}
    SERVERS[display] = weston
    return weston


def start_weston(backend, runtime, socket_name, *options, env=os.environ):
    """Weston on one of its backends ("x11", "headless"), its socket in the
    session directory `runtime`."""
    # Weston 12 renamed its backend and renderer options.
    version = subprocess.run(["weston", "--version"], capture_output=True, text=True).stdout
    renamed = int(re.search(r"(\d+)\.", version).group(1)) >= 12
    pixman = ["--renderer=pixman"] if renamed else ["--use-pixman"]
    return subprocess.Popen(
        ["weston", f"--backend={backend}" if renamed else f"--backend={backend}-backend.so",
         *(pixman if backend == "x11" else []), "--idle-time=0", f"--socket={socket_name}",
         *options],
        env={**env, "XDG_RUNTIME_DIR": runtime}, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)


@contextlib.contextmanager
def input_held(display, what):
    """Another program holding the "keyboard" or the "pointer" (a menu, a
    screen locker, another game) until the block ends."""
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_int, ctypes.c_ulong]
    x.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint,
                               ctypes.c_int, ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong,
                               ctypes.c_ulong]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = x.XOpenDisplay(display.encode())
    root = x.XDefaultRootWindow(connection)
    ASYNC = 1
    if what == "keyboard":
        status = x.XGrabKeyboard(connection, root, False, ASYNC, ASYNC, 0)
    else:
        status = x.XGrabPointer(connection, root, False, 0, ASYNC, ASYNC, 0, 0, 0)
    x.XSync(connection, False)
    try:
        if status != 0:
            raise Failure(f"another program's grab of the {what}", "taken", f"status {status}")
        yield
    finally:
        x.XCloseDisplay(connection)  # and with it the grab


GET_SELECTION_OWNER = 23


def _requests(client, server, held):
    """Passes a client's requests on; on each look at a selection's owner, the
    answers to it are held back for a second from then."""
    pending, order, setup = b"", "little", True
    while data := client.recv(65536):
        pending += data
        while len(pending) >= 12 or (not setup and len(pending) >= 4):
            if setup:
                order = "little" if pending[:1] == b"l" else "big"
                name, key = (int.from_bytes(pending[i:i + 2], order) for i in (6, 8))
                size = 12 + -(-name // 4) * 4 + -(-key // 4) * 4
            else:
                size = int.from_bytes(pending[2:4], order) * 4
                if size == 0:  # BIG-REQUESTS: the length follows
                    if len(pending) < 8:
                        break
                    size = int.from_bytes(pending[4:8], order) * 4
                if pending[0] == GET_SELECTION_OWNER:
                    held[0] = time.monotonic() + 1
            if len(pending) < size:
                break
            pending, setup = pending[size:], False
        server.sendall(data)


def _answers(server, client, held):
    while data := server.recv(65536):
        time.sleep(max(0, held[0] - time.monotonic()))
        client.sendall(data)


@contextlib.contextmanager
def slow_to_answer_claims(display):
    """The display as another display name, whose answers to a look at a
    selection's owner come a second late, as over a slow link: two games started
    together then both look at the game's claim before either has taken it."""
    listener = socket.socket(socket.AF_UNIX)
    for number in range(600, 700):
        path = f"/tmp/.X11-unix/X{number}"
        if not os.path.exists(path):
            listener.bind(path)
            break
    listener.listen(8)

    def serve():
        with contextlib.suppress(OSError):
            while True:
                client = listener.accept()[0]
                server = socket.socket(socket.AF_UNIX)
                server.connect(f"/tmp/.X11-unix/X{display.lstrip(':')}")
                held = [0.0]
                for pump, source, sink in ((_requests, client, server), (_answers, server, client)):
                    threading.Thread(target=_pass, args=(pump, source, sink, held),
                                     daemon=True).start()
    threading.Thread(target=serve, daemon=True).start()
    try:
        yield f":{number}"
    finally:
        listener.close()
        os.unlink(path)


def _pass(pump, source, sink, held):
    """One direction of a proxied connection; its end ends both."""
    with contextlib.suppress(OSError):
        pump(source, sink, held)
    for s in (source, sink):
        with contextlib.suppress(OSError):
            s.shutdown(socket.SHUT_RDWR)


def window_manager(display):
    """Openbox on the display, once its start-up is over. It announces itself on
    the root window before that (while it still reads fonts and themes), and a
    window mapped meanwhile waits for it: SDL 2 does not draw until then."""
    env = on_display(display)
    with tempfile.TemporaryDirectory(prefix="fiends-wm-") as d:
        ready = os.path.join(d, "ready")
        manager = subprocess.Popen(["openbox", "--sm-disable", "--startup", f"touch {ready}"],
                                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   preexec_fn=_die_with_parent)
        deadline = time.monotonic() + 15 * SLOW
        while time.monotonic() < deadline and manager.poll() is None:
            if os.path.exists(ready):
                return manager
            time.sleep(0.05)
    stop(manager)
    raise RuntimeError(f"no window manager on {display}")


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class Game:
    """The real binary under `timeout -k`: SDL turns SIGTERM into a quit event
    the game ignores, so only the kill that follows can end a stuck run."""

    def __init__(self, binary, display, workdir, limit=90, extra_env=None, drop_display=False,
                 unset=(), prefix=(), stdout=subprocess.PIPE, size=(SCREEN_W, SCREEN_H),
                 read_every=None):
        """`prefix` runs the game through another command; standard output
        is read line by line unless it is given elsewhere, or with `read_every`
        through a one-page pipe read that often (in seconds)."""
        env = {**os.environ, **SESSIONS.get(display, {})}
        if drop_display:
            env.pop("DISPLAY", None)
        else:
            env["DISPLAY"] = game_display(display)
        for name in unset:
            env.pop(name, None)
        env.update(extra_env or {})
        self.display = display
        self.size = size
        self.lines = []
        self.err_lines = []
        self.cond = threading.Condition()
        self.started = time.monotonic()
        self.proc = subprocess.Popen(
            ["timeout", "-k", "3", str(int(limit * SLOW)), *prefix, *EMULATOR, binary], cwd=workdir,
            env=env,
            stdin=subprocess.DEVNULL, stdout=stdout, stderr=subprocess.PIPE,
            preexec_fn=_die_with_parent)
        out = self.proc.stdout or []
        if read_every:
            fcntl.fcntl(out, fcntl.F_SETPIPE_SZ, 4096)
            out = _paced(out, read_every)
        self.readers = [
            threading.Thread(target=self._read, args=(out, self.lines), daemon=True),
            threading.Thread(target=self._read, args=(self.proc.stderr, self.err_lines), daemon=True),
        ]
        for r in self.readers:
            r.start()

    def _read(self, stream, into):
        for raw in stream:
            with self.cond:
                into.append((time.monotonic(), raw.decode("utf-8", "replace")))
                self.cond.notify_all()
        with self.cond:
            self.cond.notify_all()

    def frames(self):
        with self.cond:
            return len(self.lines)

    def wait_frames(self, count, timeout=20, or_exit=False):
        """Waits until `count` more per-frame lines have come (or, if allowed,
        until the game has ended)."""
        goal = self.frames() + count
        deadline = time.monotonic() + timeout * SLOW
        with self.cond:
            while len(self.lines) < goal:
                left = deadline - time.monotonic()
                ended = not self.readers[0].is_alive()
                if ended and or_exit:
                    return
                if left <= 0 or ended:
                    raise Failure("the game to keep playing frames",
                                  f"{goal} per-frame lines within {timeout * SLOW:.0f} s",
                                  f"{len(self.lines)} lines; status {self.proc.poll()}; "
                                  f"stderr {self.stderr_text()!r}")
                self.cond.wait(min(left, 0.2))

    def wait_exit(self, timeout=20):
        try:
            self.proc.wait(timeout * SLOW)
        except subprocess.TimeoutExpired:
            return None
        for r in self.readers:
            r.join(5)
        return self.proc.returncode

    def stderr_text(self):
        """Standard error without the library chatter (see LIBRARY_NOISE)."""
        with self.cond:
            return "".join(l for _, l in self.err_lines if not l.startswith(LIBRARY_NOISE))

    def pid(self):
        """The game's own process, under timeout."""
        with open(f"/proc/{self.proc.pid}/task/{self.proc.pid}/children") as children:
            return int(children.read().split()[0])

    def stop(self):
        stop(self.proc)
        for r in self.readers:
            r.join(5)

    # Input, as a player gives it. Keys and buttons are held for at least
    # 100 ms and several frames, since the game samples what is held once a frame.
    def xdo(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True,
                              text=True, env=on_display(self.display)).stdout

    def hold(self, down, up, target, frames=4, ms=100):
        """Returns how many frames ended while the input was surely held: after
        the press had reached the X server and before the release was sent."""
        t0 = time.monotonic()
        self.xdo(down, target)
        pressed = self.frames()
        try:
            self.wait_frames(frames, or_exit=True)
            rest = ms / 1000 - (time.monotonic() - t0)
            if rest > 0:
                time.sleep(rest)
        finally:
            released = self.frames()
            self.xdo(up, target)
        return released - pressed

    def hold_key(self, key, frames=4, ms=100):
        return self.hold("keydown", "keyup", key, frames, ms)

    def hold_button(self, frames=4, ms=100):
        return self.hold("mousedown", "mouseup", 1, frames, ms)

    def point(self, x, y):
        """Puts the pointer at (x, y) on the screen at once, as a tablet, a touch
        screen or a remote desktop does."""
        if self.display in SESSIONS:
            # Weston's x11 backend passes the X server's pointer on as motion,
            # which moves weston's own pointer from wherever it is: it starts
            # at (100, 100), and weston 14 was seen to leave it elsewhere after
            # a game through XWayland ended. Pushed into the far corners
            # together, the two pointers agree.
            self.xdo("mousemove", self.size[0] - 1, self.size[1] - 1, "mousemove", 0, 0)
        self.xdo("mousemove", x, y)

    def glide(self, x, y):
        """Moves the pointer to (x, y) as a mouse does: by a relative motion."""
        at = dict(line.split("=", 1) for line in self.xdo("getmouselocation", "--shell").split())
        dx, dy = x - int(at["X"]), y - int(at["Y"])
        if dx or dy:
            self.xdo("mousemove_relative", "--", dx, dy)

    def screen(self):
        return grab(self.display, self.size)

    def until(self, what, look, timeout=20):
        """Polls the screen until look(img) returns (True, seen); on the deadline
        fails with what was expected and the last thing seen."""
        deadline = time.monotonic() + timeout * SLOW
        while True:
            img = self.screen()
            ok, seen = look(img)
            if ok:
                return img
            if time.monotonic() > deadline:
                raise Failure(what, "within %.0f s" % (timeout * SLOW), seen, img)
            if self.proc.poll() is not None:
                raise Failure(what, "the game still running", f"it ended with status "
                              f"{self.proc.returncode}; stderr {self.stderr_text()!r}", img)
            time.sleep(0.05)


def _paced(stream, every):
    """A pipe's lines, all that has come every `every` seconds (whole lines,
    as the game writes each at once)."""
    while chunk := (time.sleep(every), os.read(stream.fileno(), 65536))[1]:
        yield from chunk.splitlines(keepends=True)


def grab(display, size):
    """The whole screen of a display of that size."""
    data = subprocess.run(["import", "-display", display, "-window", "root", "-depth", "8", "rgb:-"],
                          capture_output=True, check=True).stdout
    if len(data) != size[0] * size[1] * 3:
        raise RuntimeError(f"screenshot of {len(data)} bytes")
    return Image(*size, data)


def window_icon(display, window):
    """A window's icon as {(x, y): (r, g, b)} of its visible pixels, read from
    _NET_WM_ICON (SDL 2 sets it); None if the icon is only an X pixmap (classic
    SDL 1.2 sets no more), which is not read here."""
    props = subprocess.run(["xprop", "-id", str(window), "-notype", "-f", "_NET_WM_ICON", "32c",
                            "_NET_WM_ICON", "WM_HINTS"], capture_output=True, text=True,
                           env=on_display(display)).stdout
    argb = re.search(r"_NET_WM_ICON = ([0-9, ]+)", props)
    if not argb:
        return None if "bitmap id # to use for icon" in props else {}
    w, h, *pixels = map(int, argb.group(1).split(","))
    return {(i % w, i // w): (p >> 16 & 255, p >> 8 & 255, p & 255)
            for i, p in enumerate(pixels[:w * h]) if p >> 24 > 127}


def copy_tree(repo, into):
    """A private copy of the pictures, so a scenario may break them."""
    shutil.copytree(os.path.join(repo, "images"), os.path.join(into, "images"))


if __name__ == "__main__":
    # harness.py COMMAND...: the command with a private X server of the game's
    # size as its display (the install test's); its status is the command's.
    with xvfb() as display:
        sys.exit(subprocess.run(sys.argv[1:], env=on_display(display)).returncode)
