// The game's tunables, each written once: the game, its tests and its
// benchmark read them here.
#pragma once

// The arena: the display's size, the player's walls and the pale game-over
// screen. Shots and demons are gone past its right or bottom edge, or more than
// ARENA_MARGIN past its left or top one.
constexpr int ARENA_W = 1280;
constexpr int ARENA_H = 800;
constexpr double ARENA_MARGIN = 100.0;
constexpr int FRAME_MS = 33; // the least a frame lasts

constexpr int MAX_ENTITIES = 999;
constexpr int FULL_HEALTH = 100; // every entity's at its start; the player's again when revived
constexpr int START_LIVES = 3;
// Collision sizes, apart from the sizes the sheets are drawn at.
constexpr double PLAYER_SIZE = 45.0;
constexpr double DEMON_SIZE = 80.0;
constexpr double SHOT_SIZE = 15.0;

constexpr int PLAYER_STEP = 10;    // per held movement key and frame
constexpr double REVIVE_AT = 40.0; // x and y of a revived player
constexpr int RUN_FRAMES = 11;     // the running sheets' frames, shown in turn
constexpr int DEMON_REACH = 100;   // demons settle this far off the player's sides

// Shots leave the player this far right of and below its top-left corner.
constexpr double MUZZLE_X = 39.0;
constexpr double MUZZLE_Y = 11.0;
// A shot's step along x each frame (y follows its line); steeper lines than
// STEEP_SLOPE fly straight up or down by STEEP_STEP.
constexpr double SHOT_STEP = 30.0;
constexpr double STEEP_SLOPE = 40.0;
constexpr double STEEP_STEP = 40.0;
constexpr int SHOT_DAMAGE = 5;

constexpr int CURSOR_FRAMES = 16;
// Health bars: full width at full health, red below LOW_HEALTH.
constexpr int BAR_WIDTH = 50;
constexpr int BAR_HEIGHT = 5;
constexpr int LOW_HEALTH = 25;
