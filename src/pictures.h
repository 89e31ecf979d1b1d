// Reading a picture file: the one way every sheet and the background are loaded.
#pragma once

#include <SDL.h>

// The picture decoded, or none with SDL's error set to "<path>: <reason>". Only
// a regular PNG file of a size the game can use is decoded.
SDL_Surface* picture_load(const char* path);
