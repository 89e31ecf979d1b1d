// Scripted play of the real game and the per-frame digest its golden files hold.
#pragma once

#include <string>
#include <vector>

struct Point {
    int x;
    int y;
};

// One stretch of held input. The pointer moves in a straight line from `from`
// to `to` over the segment's frames (it stays put when the two are equal).
// Keys are the characters w, a, s, d, c and ' ' (space).
struct Segment {
    int frames;
    const char* keys;
    bool fire; // left button held
    Point from;
    Point to;
};

using Script = std::vector<Segment>;

// Starts the game and plays the script frame by frame; returns one digest line
// per frame.
std::vector<std::string> play_script(const Script& script);

// One line summing up the game after a frame: the player, the taken slots, the
// sprite cache and the pixels of the screen buffer.
std::string digest_line(int frame);

// Compares against tests/golden/<name>.txt, or rewrites that file when
// FIENDS_REGEN_GOLDEN=1 is set. Fails the calling test on the first difference.
void check_against_golden(const std::string& name, const std::vector<std::string>& lines);
