// Golden replays: scripted play of several hundred frames each, checked frame by
// frame against the digests committed in tests/golden/. Regenerate them with
// tests/regen_golden.sh only when the game's behaviour is meant to change.
#include "replay.h"

#include "video.h"

#include <gtest/gtest.h>

namespace {

constexpr Point MIDDLE{640, 400};

// The player runs into each wall in turn and then into a corner, while the
// start-up demons chase it; the pointer visits the screen's edges.
const Script WALLS = {
    {3, "", false, MIDDLE, MIDDLE},
    {80, "w", false, {0, 0}, {1279, 0}},    // up into the top wall
    {80, "a", false, {1279, 0}, {1279, 799}}, // left along the top
    {85, "s", false, {1279, 799}, {0, 799}},  // down the left side
    {130, "d", false, {0, 799}, {0, 0}},      // right along the bottom
    {20, "wd", false, {1270, 790}, {1270, 790}}, // into the bottom-right corner
    {20, "sa", false, MIDDLE, MIDDLE},
    {10, "", false, MIDDLE, MIDDLE},
};

// Space held while the pointer sweeps the screen, a pile of demons on one spot,
// then clears: C alone, and C together with Space.
const Script CROWD = {
    {2, "", false, MIDDLE, MIDDLE},
    {60, " ", false, {200, 200}, {1100, 600}},
    {60, "", false, MIDDLE, MIDDLE},
    {40, " ", false, {640, 300}, {640, 300}},
    {40, "", false, {640, 300}, {900, 100}},
    {1, "c", false, MIDDLE, MIDDLE},
    {10, "", false, MIDDLE, MIDDLE},
    {30, " ", false, {100, 700}, {1200, 100}},
    {10, "c ", false, {1200, 100}, {600, 400}},
    {20, "", false, MIDDLE, MIDDLE},
};

// Demons piled to the left of the player under steady fire until they die, then
// fire in every direction (steep and shallow lines), then moving while firing.
const Script FIRE = {
    {2, "", false, MIDDLE, MIDDLE},
    {5, " ", false, {300, 700}, {300, 700}},
    {200, "", true, {300, 761}, {300, 761}},
    {10, " ", false, {400, 300}, {450, 320}},
    {60, "", true, {0, 0}, {1279, 0}},
    {40, "", true, {1279, 0}, {1279, 799}},
    {40, "wa", true, {789, 100}, {789, 100}},
    {30, "sd", true, {400, 300}, {420, 310}},
    {1, "c", true, MIDDLE, MIDDLE},
    {20, "", false, MIDDLE, MIDDLE},
};

// Demons spawned on the player until it dies, again after each revival, until
// the last life is gone; then every control is tried on the game-over screen.
const Script DEATHS = {
    {2, "", false, MIDDLE, MIDDLE},
    {30, " ", false, {740, 740}, {740, 740}},
    {30, "", false, MIDDLE, MIDDLE},
    {30, " ", false, {70, 70}, {70, 70}},
    {30, "", false, MIDDLE, MIDDLE},
    {30, " ", false, {70, 70}, {70, 70}},
    {20, "", false, MIDDLE, MIDDLE},
    {40, "wasd ", true, {100, 100}, {1000, 700}},
    {20, " ", true, {70, 70}, {70, 70}},
    {20, "", false, MIDDLE, MIDDLE},
};

void replay(const std::string& name, const Script& script)
{
    const std::vector<std::string> lines = play_script(script);
    // The screen hashes in the goldens are of 32-bit pixels.
    ASSERT_EQ(screen_buffer->format->BytesPerPixel, 4) << "goldens are made at 32 bpp";
    check_against_golden(name, lines);
}

TEST(Replay, Walls)
{
    replay("walls", WALLS);
}

TEST(Replay, Crowd)
{
    replay("crowd", CROWD);
}

TEST(Replay, Fire)
{
    replay("fire", FIRE);
}

TEST(Replay, Deaths)
{
    replay("deaths", DEATHS);
}

} // namespace
