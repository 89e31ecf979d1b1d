// The three spawners. Each fills only what its kind uses; everything else stays
// as the free slot had it.
#include "entities/entities.h"

int spawn_player(int x, int y)
{
    Entity* e = entity_alloc();
    if (e == nullptr) {
        return 0;
    }
    e->sprite = sprite_load(PLAYER_SHEET);
    e->x = x;
    e->y = y;
    e->kind = KIND_PLAYER;
    e->health = FULL_HEALTH;
    e->width = PLAYER_SIZE;
    e->height = PLAYER_SIZE;
    e->active = 1;
    e->is_player = 1;
    e->lives = START_LIVES;
    e->anim_frame = 0;
    return 1;
}

void spawn_demon(int x, int y)
{
    Entity* e = entity_alloc();
    if (e == nullptr) {
        return;
    }
    e->sprite = sprite_load(DEMON_SHEET);
    e->x = x;
    e->y = y;
    e->kind = KIND_DEMON;
    e->health = FULL_HEALTH;
    e->width = DEMON_SIZE;
    e->height = DEMON_SIZE;
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
    const double launch_x = player.x + MUZZLE_X;
    const double launch_y = player.y + MUZZLE_Y;
    const double slope = (target_y - launch_y) / (target_x - launch_x);

    Entity* e = entity_alloc();
    if (e == nullptr) {
        return;
    }
    e->sprite = sprite_load(BLASTER_SHEET);
    e->x = launch_x;
    e->y = launch_y;
    e->kind = KIND_BLASTER;
    e->health = FULL_HEALTH;
    e->slope = slope;
    e->width = SHOT_SIZE;
    e->height = SHOT_SIZE;
    e->target_x = target_x;
    e->target_y = target_y;
    e->start_x = launch_x;
    e->start_y = launch_y;
}
