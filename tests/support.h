// Helpers for playing the real game in a test process under the dummy driver.
#pragma once

#include "entities/entities.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

// The rest of a line, in a death test's regular expression: on Windows
// GoogleTest has only its simple syntax, where "." stops at a line's end.
#ifdef _WIN32
#define REST_OF_LINE ".+"
#else
#define REST_OF_LINE "[^\n]+"
#endif

struct Rgb {
    Uint8 r;
    Uint8 g;
    Uint8 b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c);

// Held input for one frame, as a player would hold it.
struct Held {
    std::array<Uint8, SDLK_LAST> keys{};
    Uint8 buttons = 0;
    int x = 640;
    int y = 400;
};

// Each starts from an empty sprite cache, so tests run in any order in one
// process. The display and an empty entity table; nothing spawned:
void start_video();
// The program's own start-up and background, as main runs them:
void start_game();
// One pass of the frame loop without the wait: build_frame, then the controls.
// Returns whether the controls saw Escape.
bool play_frame(const Held& in);
// Moves SDL's pointer, as the mouse would.
void move_pointer(int x, int y);

// A PNG file (the game reads no other kind) of w x h pixels of the given colours.
void save_png(const char* path, int w, int h, const std::function<Rgb(int x, int y)>& colour);

Rgb pixel(SDL_Surface* s, int x, int y);
Rgb screen_pixel(int x, int y);
void fill(SDL_Surface* s, Rgb c);
// The screen buffer's visible bytes, row after row (no pitch padding).
std::vector<Uint8> screen_bytes();

// A demon placed by hand, bypassing the spawner's position rules.
int place_demon(double x, double y);
std::string sprite_path(const Sprite* s);
// Whether s is the cache entry for path, matched the way the cache matches keys.
testing::AssertionResult is_sheet(const Sprite* s, const char* path);
