// Owns the entity table: taking and freeing slots, clearing, the overlap test
// every collision uses, and the per-frame cull.
#include "entities/entities.h"

#include "rect.h"

std::array<Entity, MAX_ENTITIES> entities{};

namespace {

// What a slot looks like once freed. slope, start_x, start_y and lives are left
// as they were: the next occupant may see them.
void reset_slot(Entity& e)
{
    e.in_use = 0;
    e.active = 0;
    e.is_player = 0;
    e.kind = 0;
    e.anim_frame = 0;
    e.health = -1;
    e.x = 0.0;
    e.y = 0.0;
    e.height = 0.0;
    e.width = 0.0;
    e.target_x = 0.0;
    e.target_y = 0.0;
}

bool outside_play_area(const Entity& e)
{
    return e.x < -ARENA_MARGIN || e.y < -ARENA_MARGIN || e.x > ARENA_W || e.y > ARENA_H;
}

} // namespace

// Every slot free, with nothing left of an earlier game.
void entity_table_init()
{
    entities = {};
    for (Entity& e : entities) {
        reset_slot(e);
    }
}

// The caller fills the slot; it finds the free-slot values in it.
Entity* entity_alloc()
{
    for (Entity& e : entities) {
        if (e.in_use == 0) {
            e.in_use = 1;
            return &e;
        }
    }
    return nullptr;
}

void entity_free(Entity* e)
{
    if (e == nullptr || e->is_player == 1) {
        return;
    }
    if (e->sprite != nullptr) {
        sprite_release(e->sprite);
        e->sprite = nullptr;
    }
    reset_slot(*e);
}

void entity_clear_all()
{
    for (Entity& e : entities) {
        entity_free(&e);
    }
}

int find_player()
{
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        if (entities[i].is_player == 1) {
            return i;
        }
    }
    return -1;
}

int count_taken()
{
    int n = 0;
    for (const Entity& e : entities) {
        n += e.in_use;
    }
    return n;
}

// A free slot gives a zero rectangle at (0, 0).
SDL_Rect entity_rect(const Entity& e)
{
    return SDL_Rect{rect_coord(e.x), rect_coord(e.y), rect_size(e.width), rect_size(e.height)};
}

void cull_entities()
{
    for (Entity& e : entities) {
        if (e.health == 0) {
            entity_free(&e);
        }
        if (outside_play_area(e)) {
            entity_free(&e);
        }
    }
}
