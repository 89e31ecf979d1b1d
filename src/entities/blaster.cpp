// Blaster shots: hit whatever live non-player entity they touch, then fly one
// step along the line from launch point to aim point.
#include "entities/contacts.h"

#include "rect.h"
#include "video.h"

namespace {

// The direction comes from the stored launch and aim points, never from where
// the shot is now, so it flies on past the aim point at the same speed.
void fly(Entity& b)
{
    if (b.slope > STEEP_SLOPE || b.slope < -STEEP_SLOPE) {
        b.y += b.target_y > b.start_y ? STEEP_STEP : -STEEP_STEP;
    } else if (b.start_x > b.target_x) {
        b.x -= SHOT_STEP;
        if (b.start_y != b.target_y) {
            b.y -= SHOT_STEP * b.slope;
        }
    } else if (b.start_x < b.target_x) {
        b.x += SHOT_STEP;
        if (b.start_y != b.target_y) {
            b.y += SHOT_STEP * b.slope;
        }
    }
    // Otherwise it was fired at its own launch point and stays put.
}

// Drawn once per shot that hits, on purpose: twenty draws per hit of the two
// frames in turn, all in one place over nothing else, leave the same pixels.
void draw_explosion(Sprite* explosion, const Entity& b)
{
    for (int n = 0; n < 2; ++n) {
        sprite_blit_frame(explosion, screen_buffer, rect_coord(b.x), rect_coord(b.y), n);
    }
}

// A live entity of another kind, not the player, loses health and the shot
// ends.
void blaster_hit(int shot, int target)
{
    entities[target].health -= SHOT_DAMAGE;
    entities[shot].health = 0;
}

// The pass goes on after a hit: one shot can hit several entities at once.
// Every contact with a live entity but the player asks the cache for the
// explosion, a shot touching a shot included: the references are added at once.
void blaster_update(int k)
{
    Entity& b = entities[k];
    if (b.health <= 0) {
        return;
    }
    const ShotContacts& touched = shot_contacts(k);
    int hits = 0;
    for (int n = 0; n < touched.others; ++n) {
        const int i = touched.other_slots[n];
        if (entities[i].health >= 1) {
            blaster_hit(k, i);
            ++hits;
        }
    }
    if (touched.shots + hits > 0) {
        Sprite* explosion = sprite_load_times(EXPLOSION_SHEET, touched.shots + hits);
        if (hits > 0) {
            draw_explosion(explosion, b);
        }
    }
    b.anim_frame = 0;
    fly(b);
}

} // namespace

void update_blasters()
{
    contacts_begin_pass();
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].kind == KIND_BLASTER) {
            blaster_update(k);
        }
    }
}
