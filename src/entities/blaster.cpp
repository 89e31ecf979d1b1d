// Blaster shots: hit whatever live non-player entity they touch, then fly one
// step along the line from launch point to aim point.
#include "entities/entities.h"

#include "rect.h"
#include "video.h"

namespace {

constexpr double STEEP_SLOPE = 40.0;
constexpr double STEEP_STEP = 40.0;
constexpr double RUN_STEP = 30.0;
constexpr int EXPLOSION_DRAWS = 20;

// The direction comes from the stored launch and aim points, never from where
// the shot is now, so it flies on past the aim point at the same speed.
void fly(Entity& b)
{
    if (b.slope > STEEP_SLOPE || b.slope < -STEEP_SLOPE) {
        b.y += b.target_y > b.start_y ? STEEP_STEP : -STEEP_STEP;
    } else if (b.start_x > b.target_x) {
        b.x -= RUN_STEP;
        if (b.start_y != b.target_y) {
            b.y -= RUN_STEP * b.slope;
        }
    } else if (b.start_x < b.target_x) {
        b.x += RUN_STEP;
        if (b.start_y != b.target_y) {
            b.y += RUN_STEP * b.slope;
        }
    }
    // Otherwise it was fired at its own launch point and stays put.
}

// A shot's update moves only that shot, so after it only its rectangle changes.
SlotRects rects;

void shot_turn(int k)
{
    Entity& b = entities[k];
    if (b.health <= 0) {
        return;
    }
    // The pass goes on after a hit: one shot can hit several entities at once.
    const SDL_Rect shot = rects[k];
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        const Entity& other = entities[i];
        if (i != k && other.health >= 1 && other.is_player != 1 &&
            rects_overlap(shot, rects[i])) {
            blaster_hit(k, i);
        }
    }
    b.anim_frame = 0;
    fly(b);
}

} // namespace

void update_blasters()
{
    fill_slot_rects(rects);
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].kind == KIND_BLASTER) {
            shot_turn(k);
            rects[k] = entity_rect(entities[k]);
        }
    }
}

void blaster_update(int k)
{
    fill_slot_rects(rects);
    shot_turn(k);
}

void blaster_hit(int shot, int target)
{
    Sprite* explosion = sprite_load("images/rocketExplode.png", 16, 16);
    Entity& b = entities[shot];
    Entity& t = entities[target];
    if (t.is_player == 1 || t.kind == b.kind) {
        return;
    }
    for (int n = 0; n < EXPLOSION_DRAWS; ++n) {
        sprite_blit_frame(explosion, screen_buffer, rect_coord(b.x), rect_coord(b.y), n % 2);
    }
    t.health -= 5;
    b.health = 0;
}
