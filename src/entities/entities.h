// The entity table and the rules that move what is on it: spawning, the player,
// demons and blaster shots.
#pragma once

#include "sprites.h"

#include <SDL.h>

#include <array>

constexpr int MAX_ENTITIES = 999;

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

// The demon and shot passes test one rectangle against every slot. They keep
// the slots' rectangles as one array per edge, padded to whole vectors, so that
// test is a loop the compiler vectorises. Right and bottom edges (x + w, y + h)
// stop at the largest Sint16: against a signed 16-bit x or y any larger value
// compares the same, so the test gives exactly what rects_overlap gives.
constexpr int SLOT_LANES = (MAX_ENTITIES + 15) / 16 * 16;
using SlotColumn = std::array<Sint16, SLOT_LANES>;
struct Edges {
    Sint16 left;
    Sint16 top;
    Sint16 right;
    Sint16 bottom;
};
struct SlotEdges {
    SlotColumn left;
    SlotColumn top;
    SlotColumn right;
    SlotColumn bottom;
};
Edges rect_edges(const SDL_Rect& r);
// Taken once per pass, then kept current by the pass as it moves its own entity.
// The padding lanes stay zero rectangles at (0, 0): a pass masks them out.
void set_slot_edges(SlotEdges& slots, int i);
void fill_slot_edges(SlotEdges& slots);
// 1 when the rectangle overlaps slot i's, as rects_overlap would say.
inline Sint16 touches(const Edges& me, const SlotEdges& slots, int i)
{
    return (me.right >= slots.left[i]) & (me.left <= slots.right[i]) &
           (me.bottom >= slots.top[i]) & (me.top <= slots.bottom[i]);
}
// Loops over every lane are also built for AVX2 on x86 processors, the copy
// chosen at start where the processor has it; other processors (arm64) build
// the portable loop alone, vectorised for their own vectors.
#if defined(__x86_64__) || defined(__i386__)
#define LANE_LOOP_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define LANE_LOOP_CLONES
#endif
void cull_entities();

// Spawning (spawn.cpp)
int spawn_player(int x, int y);
void spawn_demon(int x, int y);
void fire_blaster(int target_x, int target_y);

// Player (player.cpp)
void player_move(int dx, int dy);

// Demons (demon.cpp)
void update_demons();
void demon_update(int k);

// Blaster shots (blaster.cpp)
void update_blasters();
void blaster_update(int k);
void blaster_hit(int shot, int target);
