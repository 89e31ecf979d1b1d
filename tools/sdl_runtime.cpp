// Prints the SDL 1.2 runtime this program runs on and its version, as
// "classic 1.2.15" or "compat 1.2.68". The build asks it which runtimes the
// machine has; the end-to-end suite, which one a scenario's game will load.
#include "sdl_runtime.h"

#include <cstdio>

int main()
{
    const SDL_version* v = SDL_Linked_Version();
    std::printf("%s %d.%d.%d\n", sdl_runtime_name(v), v->major, v->minor, v->patch);
    return 0;
}
