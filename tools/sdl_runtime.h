// Which SDL 1.2 runtime a library is. sdl12-compat, SDL 1.2 on top of SDL 2,
// numbers its releases from 1.2.50 on; classic SDL 1.2 ended at 1.2.15. Both
// install under one name, so only the library's own version tells them apart.
#pragma once

#include <SDL.h>

// The probe and the test programs are console programs with a main of their own;
// only the game starts through SDL's entry glue, where a platform has one.
#undef main

constexpr int FIRST_COMPAT_PATCH = 50;

inline const char* sdl_runtime_name(const SDL_version* v)
{
    return v->patch >= FIRST_COMPAT_PATCH ? "compat" : "classic";
}
