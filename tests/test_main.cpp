// Every test runs without a display: SDL's dummy video driver, and no sound
// device probing (whose library chatter would otherwise land on stderr).
#include "sdl_runtime.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A run meant for one SDL runtime (FIENDS_SDL_RUNTIME, set by CTest) must not
// quietly play on the other.
bool on_the_runtime_asked_for()
{
    const char* wanted = std::getenv("FIENDS_SDL_RUNTIME");
    if (wanted == nullptr) {
        return true;
    }
    const SDL_version* v = SDL_Linked_Version();
    const char* running = sdl_runtime_name(v);
    if (std::strcmp(wanted, running) == 0) {
        return true;
    }
    std::fprintf(stderr, "asked for the %s SDL runtime, running on SDL %d.%d.%d (%s)\n", wanted,
                 v->major, v->minor, v->patch, running);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=dummy"));
    SDL_putenv(const_cast<char*>("SDL_AUDIODRIVER=dummy"));
    testing::InitGoogleTest(&argc, argv);
    if (!on_the_runtime_asked_for()) {
        return 1;
    }
    return RUN_ALL_TESTS();
}
