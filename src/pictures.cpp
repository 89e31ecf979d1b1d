// Owns how picture files are read. Opening a FIFO waits for a writer and a device
// may never answer, so only regular files reach the image loader; anything else
// fails like an unreadable picture.
#include "pictures.h"

#include <SDL_image.h>
#include <sys/stat.h>

SDL_Surface* picture_load(const char* path)
{
    struct stat info {};
    if (stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        SDL_SetError("%s is not a regular file", path);
        return nullptr;
    }
    // A missing or unreadable file keeps SDL's own message ("Couldn't open ...").
    return IMG_Load(path);
}
