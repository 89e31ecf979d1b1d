// Reference-counted cache of sprite sheets keyed by path, and single-frame blits.
#pragma once

#include "pictures.h"

#include <SDL.h>

constexpr int MAX_SPRITES = 999;
constexpr int FRAMES_PER_ROW = 16;
constexpr int SPRITE_NAME_LEN = 20;

struct Sprite {
    SDL_Surface* surface;       // the converted sheet; none when the entry is empty
    char name[SPRITE_NAME_LEN]; // lookup key: the path's first 20 bytes, unterminated if longer
    int frame_w;                // frame size from the first load of the path
    int frame_h;
    int frames_per_row;
    int refcount;
};

// Never returns none: a sheet that cannot be had ends the process.
Sprite* sprite_load(const Sheet& sheet);
// The same as `times` (at least 1) sprite_load calls in a row, with one look-up.
Sprite* sprite_load_times(const Sheet& sheet, int times);
void sprite_release(Sprite* s);
void sprite_release_all();
// Frees every sheet and empties the cache, as at start: for tests, which play
// one game after another in a process.
void sprite_cache_reset();
void sprite_blit_frame(Sprite* s, SDL_Surface* dst, int x, int y, int frame);

// Read-only views of the cache for tests and digests.
int sprite_cache_used();
const Sprite* sprite_cache_entry(int index);
