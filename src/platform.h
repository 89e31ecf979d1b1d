// What the game asks of the system under it. One implementation a platform,
// chosen by CMake: on Linux platform_posix.cpp (the process, its streams and
// files) with platform_x11.cpp and platform_wayland.cpp (the display systems),
// on Windows platform_windows.cpp. Nothing else in the game calls the operating
// system or the window system directly.
#pragma once

#include <cstdio>
#include <string>

// Start-up, in this order, before anything opens a file.
// Where the relative picture paths start: the working directory, which the
// launcher chooses, or on Windows the program's own directory, so that a game
// unpacked anywhere plays whatever directory it is started from.
void enter_game_directory();
// Standard input, output or error closed, or never given, get the null device,
// so that no later file takes their place.
void attach_closed_streams();
// Once the streams are attached: how the per-frame line reaches standard output
// without ever waiting for its reader.
void open_frame_output();

// Writes the line when standard output can take it at once; otherwise that
// frame's line is dropped.
void write_frame_line(const char* line, int length);
// A fatal line, printf-style, on standard error; where the game has none to
// show (started from Windows' Explorer), the player is shown it as well.
void report_fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Sets an environment variable for the libraries; a value the player set stays
// unless `overwrite`.
void set_environment(const char* name, const char* value, bool overwrite);
// Opens a regular file for reading without ever waiting on it; none, with
// `reason` saying why, for anything else.
std::FILE* open_regular_file(const char* path, std::string& reason);

// The display. Before SDL_Init: false, with SDL's error saying why, when the
// display takes the connection but does not answer (SDL would wait for ever).
bool display_answers();
// After SDL_Init, before the game's window is made: ends the
// process (status 1) when another game plays on the same display or session.
void display_claim();
// Whether the system pointer must stay shown (see-through) rather than be hidden.
bool display_keeps_pointer_shown();
// At a click: asks the window system to send the keyboard to the game's window
// if it goes elsewhere.
void display_take_keyboard();
