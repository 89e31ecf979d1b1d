// The Wayland half of the display on Linux. platform_x11.cpp's display_*
// hand over to these when SDL 2 (under sdl12-compat) draws through a Wayland
// compositor rather than an X server.
#pragma once

#include <string>

// How long a display (an X server, a compositor) has to answer a new
// connection: a remote one over a slow link answers within a second.
constexpr int ANSWER_SECONDS = 5;

// Where SDL 2 will look for a Wayland compositor before an X server: asked for
// it, or no X display named.
bool wayland_looked_for();
// As display_answers, for the compositor: false, with SDL's error saying why,
// when it does not answer or has no seat (SDL 2 would wait for ever, or crash).
bool wayland_answers();
// As display_claim, once SDL draws through Wayland; and the game then ends,
// saying so, when the compositor goes.
void wayland_claim();
// Gives up the connection wayland_answers made, when SDL draws elsewhere.
void wayland_close();
// One game a display in the player's session: a lock in its own directory,
// held until the game ends; false when another game holds it.
bool take_session_lock(const std::string& display);
