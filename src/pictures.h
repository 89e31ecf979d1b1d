// The pictures the game reads, and reading a picture file: the one way every
// sheet and the background are loaded.
#pragma once

#include <SDL.h>

// A sheet: a picture cut into frames of one size, 16 to a row.
struct Sheet {
    const char* path;
    int frame_w;
    int frame_h;
};

constexpr Sheet PLAYER_SHEET{"images/player.png", 50, 50};
constexpr Sheet PLAYER_RUN_SHEET{"images/player_run.png", 44, 44};
constexpr Sheet PLAYER_RUN_LEFT_SHEET{"images/player_run_left.png", 44, 44};
constexpr Sheet DEMON_SHEET{"images/demon.png", 90, 90};
constexpr Sheet BLASTER_SHEET{"images/blaster.png", 10, 10};
constexpr Sheet EXPLOSION_SHEET{"images/rocketExplode.png", 16, 16};
constexpr Sheet CURSOR_SHEET{"images/mouse.png", 16, 16};
constexpr const char* BACKGROUND_PICTURE = "images/bgtest.png";

// The picture decoded, or none with SDL's error set to "<path>: <reason>". Only
// a regular PNG file of a size the game can use is decoded.
SDL_Surface* picture_load(const char* path);
