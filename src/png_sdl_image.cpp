// PNG pictures decoded by SDL_image 1.2.
#include "png_decode.h"

#include <SDL_image.h>

SDL_Surface* png_decode(std::FILE* file)
{
    SDL_RWops* source = SDL_RWFromFP(file, 1);
    if (source == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    SDL_Surface* picture = IMG_LoadPNG_RW(source);
    SDL_RWclose(source);
    return picture;
}
