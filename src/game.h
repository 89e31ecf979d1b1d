// Start-up, one frame of play, the controls and shutdown: what the program's main
// runs, kept callable so a test can play the real game frame by frame.
#pragma once

#include <SDL.h>

// What the controls read at the input step: held keys (indexed by SDL key
// symbol), the mouse-button mask and the pointer.
struct Controls {
    const Uint8* keys;
    Uint8 buttons;
    int pointer_x;
    int pointer_y;
};

void game_startup();
// The table as a game starts: the player and the two start-up demons alone.
void start_table();
void game_shutdown();
void paint_background();
// A frame up to its presentation (present_frame): the background, the rules,
// then the drawing, which draw_scene does alone.
void build_frame();
void draw_scene();
Controls read_controls();
// Returns true when Escape is held: the caller ends the game after this frame.
bool apply_controls(const Controls& in);
