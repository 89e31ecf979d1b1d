// The three spawners. Each fills only what its kind uses; everything else stays
// as the free slot had it.
#include "entities/entities.h"

int spawn_player(int x, int y)
{
    Entity* e = entity_alloc();
    if (e == nullptr) {
        return 0;
    }
    e->sprite = sprite_load("images/player.png", 50, 50);
    e->x = x;
    e->y = y;
    e->kind = KIND_PLAYER;
    e->health = 100;
    e->width = 45.0;
    e->height = 45.0;
    e->active = 1;
    e->is_player = 1;
    e->lives = 3;
    e->anim_frame = 0;
    return 1;
}

void spawn_demon(int x, int y)
{
    Entity* e = entity_alloc();
    if (e == nullptr) {
        return;
    }
    e->sprite = sprite_load("images/demon.png", 90, 90);
    e->x = x;
    e->y = y;
    e->kind = KIND_DEMON;
    e->health = 100;
    e->width = 80.0;
    e->height = 80.0;
}

// Shots leave from a fixed point on the player, whatever sprite it shows. Aiming
// at the launch point itself gives a slope that is not a number; such a shot
// never moves.
void fire_blaster(int target_x, int target_y)
{
    const Entity& player = entities[find_player()];
    if (player.health < 1) {
        return;
    }
    const double launch_x = player.x + 39.0;
    const double launch_y = player.y + 11.0;
    const double slope = (target_y - launch_y) / (target_x - launch_x);

    Entity* e = entity_alloc();
    if (e == nullptr) {
        return;
    }
    e->sprite = sprite_load("images/blaster.png", 10, 10);
    e->x = launch_x;
    e->y = launch_y;
    e->kind = KIND_BLASTER;
    e->health = 100;
    e->slope = slope;
    e->width = 15.0;
    e->height = 15.0;
    e->target_x = target_x;
    e->target_y = target_y;
    e->start_x = launch_x;
    e->start_y = launch_y;
}
