// Decoding a PNG file into a surface: through SDL_image 1.2 (png_sdl_image.cpp)
// or, where SDL_image cannot be had (the Windows build), straight through
// libpng (png_libpng.cpp), giving the same surfaces. CMake chooses
// (FIENDS_SDL_IMAGE).
#pragma once

#include <SDL.h>

#include <cstdio>

// Takes the file, which is closed whatever happens; none on failure, with SDL's
// error holding the decoder's reason.
SDL_Surface* png_decode(std::FILE* file);
