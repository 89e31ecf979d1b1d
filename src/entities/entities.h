// The entity table and the rules that move what is on it: spawning, the player,
// demons and blaster shots.
#pragma once

#include "sprites.h"
#include "tunables.h"

#include <SDL.h>

#include <array>

enum EntityKind { KIND_PLAYER = 1, KIND_DEMON = 2, KIND_BLASTER = 10 };

struct Entity {
    int in_use;
    int active;    // player only: 0 once it has died with no lives left
    int is_player; // such a slot is never freed
    int health;    // -1 in a free slot
    int lives;     // player only: spare lives
    int kind;      // an EntityKind; 0 in a free slot
    double x;
    double y;
    double height; // collision size, independent of the sprite's frame size
    double width;
    double target_x; // shots: aim point, launch point and the slope between them
    double target_y;
    double slope;
    double start_x;
    double start_y;
    int anim_frame;
    Sprite* sprite;
};

// Every pass visits all 999 slots in index order, free ones included.
extern std::array<Entity, MAX_ENTITIES> entities;

// Table (table.cpp)
void entity_table_init();
Entity* entity_alloc();
void entity_free(Entity* e);
void entity_clear_all();
int find_player();
int count_taken();
// Edges that only touch count as overlapping; sums are taken in 32 bits.
inline int rects_overlap(Sint16 x1, Sint16 y1, Uint16 w1, Uint16 h1, Sint16 x2, Sint16 y2,
                         Uint16 w2, Uint16 h2)
{
    const bool across = x1 + w1 >= x2 && x1 <= x2 + w2;
    const bool down = y1 + h1 >= y2 && y1 <= y2 + h2;
    return across && down ? 1 : 0;
}
inline int rects_overlap(const SDL_Rect& a, const SDL_Rect& b)
{
    return rects_overlap(a.x, a.y, a.w, a.h, b.x, b.y, b.w, b.h);
}
SDL_Rect entity_rect(const Entity& e);
void cull_entities();

// Spawning (spawn.cpp)
int spawn_player(int x, int y);
void spawn_demon(int x, int y);
void fire_blaster(int target_x, int target_y);

// Player (player.cpp)
void player_move(int dx, int dy);

// Demons (demon.cpp)
void update_demons();

// Blaster shots (blaster.cpp)
void update_blasters();
