// The game states the frame benchmarks start from: how each is built with the
// game's own controls, and how the table is put back to it before every frame.
#pragma once

#include "entities/entities.h"

#include <array>

// One slot's sheet, by path: a frame may free a sheet and its name with it.
struct SheetRef {
    char path[SPRITE_NAME_LEN + 1];
    int frame_w;
    int frame_h;
};

struct GameState {
    std::array<Entity, MAX_ENTITIES> table;
    std::array<SheetRef, MAX_ENTITIES> sheets;
    int pointer_x;
    int pointer_y;
};

// Runs the program's start-up and background once; every state grows from it.
void bench_startup();
const GameState& startup_state();
// `steps` input steps from the start-up state: Space held for the first `demons`
// of them, the left button for the first `shots`, the player strafing. No frame
// runs between the steps: in play the crowd pushes demons off the screen and
// overruns the player (game over clears the table) long before every slot is
// taken, so only the spawners' own placing can fill the table.
GameState build_state(int steps, int demons, int shots);
// Piles, as a player makes them with the pointer held still and the player
// standing: C first (the start-up demons go), then Space held for `demons` input
// steps and the left button for `shots`, both from the first. A pile at the
// player's launch point gives shots that never move.
GameState build_pile(int demons, int shots, int x, int y);
GameState build_pile_at_muzzle(int demons, int shots);

void capture_state(GameState& out);
// Puts the table, the sheets' reference counts and the pointer back as captured.
void restore_state(const GameState& s);

// One frame's work: build_frame and the copy to the display, without the
// per-frame line and the limiter's wait.
void frame_work();
// The same frame without the simulation (shots, demons, cull): the copies and
// the drawing alone, the least the frame can cost in that state.
void drawing_work();

int live_of_kind(int kind);
