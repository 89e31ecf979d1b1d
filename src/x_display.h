// The game's own connection to the X server, beside SDL's: one game a display,
// a lost display ends the game, and a click gives the game the keyboard back.
#pragma once

// Before the game's window is made. Ends the process (status 1) when another
// game plays on the display; does nothing when SDL does not draw through X.
void x_display_claim();
// Whether the game has its own connection: SDL draws through X.
bool x_display_connected();
// Asks the X server to send the keyboard to the game's window.
void x_display_take_keyboard();
