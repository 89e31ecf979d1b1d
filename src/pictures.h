// Reading a picture file: the one way every sheet and the background are loaded.
#pragma once

#include <SDL.h>

// Like IMG_Load, with SDL's error set on failure; a path that is not a regular
// file fails at once instead of being opened.
SDL_Surface* picture_load(const char* path);
