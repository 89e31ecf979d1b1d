// Display, the screen buffer every frame is drawn into, the world surface holding
// the background, and the frame limiter.
#pragma once

#include "sprites.h"
#include "tunables.h"

#include <SDL.h>

// Every drawing step paints into this; present_frame copies it to the display.
extern SDL_Surface* screen_buffer;
// 2560x800 holding the background; only the view rectangle of it is shown.
extern SDL_Surface* world_surface;

void video_init();
// What task bars show beside the window's title: the first frame of the sheet.
void set_window_icon(Sprite* sheet);
void copy_view();
// Shows the screen buffer, writes the frame's line and waits out the frame time.
void present_frame();
// Just the first part: the screen buffer onto the display.
void show_frame();
void frame_limit(int ms);

// The limiter's clock and wait, which also time the per-frame line: SDL's own,
// unless a test puts in a clock it drives.
extern Uint32 (*frame_ticks)();
extern void (*frame_delay)(Uint32 ms);
