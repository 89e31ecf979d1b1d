// Player movement: revival while lives remain, whole-pixel moves inside the
// screen, contact damage and the choice of sprite and running frame.
#include "entities/entities.h"

#include "rect.h"

namespace {

// A dead player comes back while lives remain, and is finished for good
// otherwise.
void revive_or_finish(Entity& p)
{
    if (p.health > 0) {
        return;
    }
    if (p.lives > 0) {
        p.x = REVIVE_AT;
        p.y = REVIVE_AT;
        p.health = FULL_HEALTH;
        p.lives -= 1;
    } else {
        p.active = 0;
    }
}

// One point for every overlapping slot that is not a shot, free slots included.
void take_contact_damage(int me, const SDL_Rect& body)
{
    Entity& p = entities[me];
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        if (i != me && rects_overlap(body, entity_rect(entities[i])) &&
            entities[i].kind != KIND_BLASTER) {
            p.health -= 1;
        }
    }
}

void choose_sprite(Entity& p, int from_x, int to_x)
{
    if (to_x == from_x) {
        p.anim_frame = 0;
        p.sprite = sprite_load(PLAYER_SHEET);
        return;
    }
    p.anim_frame = (p.anim_frame + 1) % RUN_FRAMES;
    p.sprite = sprite_load(to_x > from_x ? PLAYER_RUN_SHEET : PLAYER_RUN_LEFT_SHEET);
}

} // namespace

void player_move(int dx, int dy)
{
    const int me = find_player();
    Entity& p = entities[me];
    revive_or_finish(p);
    if (p.active == 0 || p.health <= 0) {
        return;
    }

    const int cx = static_cast<int>(p.x);
    const int cy = static_cast<int>(p.y);
    // A move blocked on either axis is dropped whole: no sliding along an edge.
    const int nx = cx + dx;
    if (!(nx > 0 && static_cast<double>(nx) < ARENA_W - p.width)) {
        return;
    }
    const int ny = cy + dy;
    if (!(ny > 0 && static_cast<double>(ny) < ARENA_H - p.height)) {
        return;
    }

    // Damage is judged where the player stands, before the step.
    take_contact_damage(me, SDL_Rect{rect_coord(cx), rect_coord(cy), rect_size(p.width),
                                     rect_size(p.height)});
    choose_sprite(p, cx, nx);
    p.x = nx;
    p.y = ny;
}
