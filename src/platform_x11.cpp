// The display under X: the game's own connection to the X server, beside SDL's,
// for one game a display, a lost display ending the game, and a click giving the
// game the keyboard back. The display entry points on Linux: a game that SDL 2
// draws through a Wayland compositor is handed to platform_wayland.cpp.
#include "platform.h"
#include "platform_wayland.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace {

// Owned by one connection at a time; the X server frees it when that
// connection closes, however the game ended.
constexpr const char* GAME_SELECTION = "_FIENDS_GAME";


Display* connection = nullptr;
bool claimed = false;

int ignore_error(Display*, XErrorEvent*)
{
    return 0;
}

// Xlib's own handler exits through the exit handlers, and SDL 2's shutdown then
// waits on the dead connection for ever. Nothing of the game can be shown any
// more, so it ends here, at once.
int display_lost(Display* lost)
{
    report_fatal("Lost the display %s\n", DisplayString(lost));
    std::_Exit(1);
}

bool drawing_through(const char* system)
{
    char name[32] = "";
    SDL_VideoDriverName(name, sizeof name);
    return std::strcmp(name, system) == 0;
}

// Classic SDL 1.2 waits for ever for a pointer another game holds, without a
// frame or a word; the server grabbed meanwhile makes the look and the claim one.
bool take_selection()
{
    const Atom selection = XInternAtom(connection, GAME_SELECTION, False);
    const Window root = DefaultRootWindow(connection);
    const Window claim = XCreateSimpleWindow(connection, root, 0, 0, 1, 1, 0, 0, 0);
    XGrabServer(connection);
    const bool free = XGetSelectionOwner(connection, selection) == None;
    if (free) {
        XSetSelectionOwner(connection, selection, claim, CurrentTime);
    }
    XUngrabServer(connection);
    XSync(connection, False);
    return free;
}

// Classic SDL 1.2 ended at 1.2.15; sdl12-compat numbers its releases from 1.2.50.
bool classic_sdl()
{
    return SDL_Linked_Version()->patch < 50;
}

// XWayland says so through an extension of its own since 23.1; before, only
// the names of its outputs, XWAYLAND0, XWAYLAND1, ..., told.
bool on_xwayland()
{
    int opcode = 0;
    int event_base = 0;
    int error_base = 0;
    if (XQueryExtension(connection, "XWAYLAND", &opcode, &event_base, &error_base)) {
        return true;
    }
    if (!XRRQueryExtension(connection, &event_base, &error_base)) {
        return false;
    }
    XRRScreenResources* screen =
        XRRGetScreenResourcesCurrent(connection, DefaultRootWindow(connection));
    bool found = false;
    for (int i = 0; screen != nullptr && i < screen->noutput && !found; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(connection, screen, screen->outputs[i]);
        found = output != nullptr && std::strncmp(output->name, "XWAYLAND", 8) == 0;
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(screen);
    return found;
}

// Classic SDL takes the pointer before the first frame, waiting without a word
// for as long as another program holds it.
void say_if_pointer_held()
{
    const int grab = XGrabPointer(connection, DefaultRootWindow(connection), False, 0,
                                  GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (grab == GrabSuccess) {
        XUngrabPointer(connection, CurrentTime);
        XSync(connection, False);
    } else if (grab == AlreadyGrabbed && classic_sdl()) {
        std::fputs("Waiting for another program to let go of the pointer\n", stderr);
    }
}

// Where SDL will look for an X server: no driver named, or X's.
bool looking_for_x()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const char* name = std::getenv("DISPLAY");
    return (driver == nullptr || driver[0] == '\0' || std::strcmp(driver, "x11") == 0) &&
           name != nullptr && name[0] != '\0';
}

} // namespace

// Xlib waits for ever for the server's first answer. The game's own connection
// is made first, on a thread of its own, which is left waiting if the answer
// never comes; the game ends before SDL can wait as well.
bool display_answers()
{
    if (!classic_sdl() && wayland_looked_for()) {
        return wayland_answers(); // classic SDL 1.2 draws through X only
    }
    if (connection != nullptr || !looking_for_x()) {
        return true;
    }
    auto opened = std::make_shared<std::promise<Display*>>();
    std::future<Display*> answer = opened->get_future();
    std::thread([opened] { opened->set_value(XOpenDisplay(nullptr)); }).detach();
    if (answer.wait_for(std::chrono::seconds(ANSWER_SECONDS)) != std::future_status::ready) {
        SDL_SetError("No answer from display %s in %d seconds", std::getenv("DISPLAY"),
                     ANSWER_SECONDS);
        return false;
    }
    connection = answer.get(); // none: SDL's own connection reports what is wrong
    return true;
}

// Does nothing when SDL draws neither through X nor through Wayland.
void display_claim()
{
    if (claimed) {
        return;
    }
    if (drawing_through("wayland")) {
        wayland_claim();
    } else {
        wayland_close();
    }
    if (!drawing_through("x11")) {
        if (connection != nullptr) {
            XCloseDisplay(connection);
            connection = nullptr;
        }
        return;
    }
    if (connection == nullptr) {
        connection = XOpenDisplay(nullptr);
    }
    if (connection == nullptr) {
        return; // SDL's own connection reports what is wrong
    }
    claimed = true;
    XSetIOErrorHandler(display_lost);
    const bool xwayland = on_xwayland();
    // Classic SDL's managed window, empty, lies over the game's there, and the
    // pointer is dead wherever they overlap: a game that cannot aim.
    if (xwayland && classic_sdl()) {
        report_fatal("Classic SDL 1.2 cannot aim under XWayland: install sdl12-compat "
                     "(Debian 12: libsdl1.2-compat) and start the game again\n");
        std::exit(1);
    }
    // XWayland lets other clients on while one holds the server grab, so the
    // selection alone would let two games started together both play there.
    if ((xwayland && !take_session_lock(std::string("x11") + DisplayString(connection))) ||
        !take_selection()) {
        report_fatal("A game is already running on display %s\n", DisplayString(connection));
        std::exit(1);
    }
    say_if_pointer_held();
}

// sdl12-compat reads a hidden pointer in a grabbed full-screen window as
// relative motion only, and then never sees where a tablet, a touch screen or a
// remote desktop puts it.
bool display_keeps_pointer_shown()
{
    return connection != nullptr || drawing_through("wayland");
}

// Without a window manager nothing else gives the keyboard back once another
// window has taken it.
void display_take_keyboard()
{
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (connection == nullptr || SDL_GetWMInfo(&wm) != 1) {
        return;
    }
    // Classic SDL 1.2 reads keys on its managed window; SDL 2 has only the one.
    const Window target = wm.info.x11.wmwindow != 0 ? wm.info.x11.wmwindow : wm.info.x11.window;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(connection, &focus, &revert);
    if (focus == target) {
        return;
    }
    // Unmapped for a moment (a window manager taking the window over), the window
    // cannot take the focus; the next click asks again.
    const XErrorHandler previous = XSetErrorHandler(ignore_error);
    XSetInputFocus(connection, target, RevertToParent, CurrentTime);
    XSync(connection, False);
    XSetErrorHandler(previous);
}
