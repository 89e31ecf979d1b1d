// The display under X: the game's own connection to the X server, beside SDL's,
// for one game a display, a lost display ending the game, and a click giving the
// game the keyboard back.
#include "platform.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Owned by one connection at a time; the X server frees it when that
// connection closes, however the game ended.
constexpr const char* GAME_SELECTION = "_FIENDS_GAME";

Display* connection = nullptr;

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

bool drawing_through_x()
{
    char name[32] = "";
    SDL_VideoDriverName(name, sizeof name);
    return std::strcmp(name, "x11") == 0;
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

} // namespace

// Does nothing when SDL does not draw through X.
void display_claim()
{
    if (connection != nullptr || !drawing_through_x()) {
        return; // claimed already, or not drawing through X
    }
    connection = XOpenDisplay(nullptr);
    if (connection == nullptr) {
        return; // SDL's own connection reports what is wrong
    }
    XSetIOErrorHandler(display_lost);
    if (!take_selection()) {
        report_fatal("A game is already running on display %s\n", DisplayString(connection));
        std::exit(1);
    }
}

// sdl12-compat reads a hidden pointer in a grabbed full-screen window as
// relative motion only, and then never sees where a tablet, a touch screen or a
// remote desktop puts it.
bool display_keeps_pointer_shown()
{
    return connection != nullptr;
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
    // Unmapped for a moment (a window manager taking the window over), the window
    // cannot take the focus; the next click asks again.
    const XErrorHandler previous = XSetErrorHandler(ignore_error);
    XSetInputFocus(connection, target, RevertToParent, CurrentTime);
    XSync(connection, False);
    XSetErrorHandler(previous);
}
