// Blaster shots: hit whatever live non-player entity they touch, then fly one
// step along the line from launch point to aim point.
#include "entities/entities.h"

#include "rect.h"
#include "video.h"

namespace {

constexpr double STEEP_SLOPE = 40.0;
constexpr double STEEP_STEP = 40.0;
constexpr double RUN_STEP = 30.0;

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

constexpr const char* EXPLOSION = "images/rocketExplode.png";
constexpr int EXPLOSION_FRAME = 16;

// A shot's update moves only that shot, so after it only its rectangle changes.
SlotEdges slots;
// 1 where a shot's pass may touch the slot: alive and not the player. Kept
// current as hits change health; zero in the padding lanes.
SlotColumn targets;
// The same, for shots only: touching one takes a reference to the explosion and
// does nothing else.
SlotColumn shot_targets;

void note_target(int i)
{
    const Entity& e = entities[i];
    targets[i] = e.health >= 1 && e.is_player != 1 ? 1 : 0;
    shot_targets[i] = targets[i] == 1 && e.kind == KIND_BLASTER ? 1 : 0;
}

// Every hit would draw the explosion's two frames in turn twenty times in the
// same place, over nothing else; drawn once, they leave the same pixels.
void draw_explosion(Sprite* explosion, const Entity& b)
{
    for (int n = 0; n < 2; ++n) {
        sprite_blit_frame(explosion, screen_buffer, rect_coord(b.x), rect_coord(b.y), n);
    }
}

struct Contacts {
    int all;
    int shots;
};

// Counted over all slots at once (this is the loop that is vectorised).
LANE_LOOP_CLONES
Contacts count_contacts(int k, const Edges& me)
{
    Sint16 all = 0;
    Sint16 shots = 0;
    for (int i = 0; i < SLOT_LANES; ++i) {
        const Sint16 touching = touches(me, slots, i);
        all += touching & targets[i];
        shots += touching & shot_targets[i];
    }
    // A rectangle always touches itself.
    return Contacts{all - targets[k], shots - shot_targets[k]};
}

// The contacts with entities of another kind, in slot order: each loses 5 health
// and the shot ends.
void hit_other_kinds(int k, const Edges& me, Sprite* explosion)
{
    Entity& b = entities[k];
    bool hit = false;
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        Entity& t = entities[i];
        if (i != k && targets[i] == 1 && t.kind != b.kind && touches(me, slots, i) == 1) {
            t.health -= 5;
            note_target(i);
            hit = true;
        }
    }
    if (hit) {
        draw_explosion(explosion, b);
        b.health = 0;
        note_target(k);
    }
}

// The pass goes on after a hit: one shot can hit several entities at once. Every
// contact asks the cache for the explosion, a shot touching a shot included.
void shot_turn(int k)
{
    Entity& b = entities[k];
    if (b.health <= 0) {
        return;
    }
    const Edges me = rect_edges(entity_rect(b));
    const Contacts contacts = count_contacts(k, me);
    if (contacts.all > 0) {
        Sprite* explosion =
            sprite_load_times(EXPLOSION, EXPLOSION_FRAME, EXPLOSION_FRAME, contacts.all);
        if (contacts.all > contacts.shots || b.kind != KIND_BLASTER) {
            hit_other_kinds(k, me, explosion);
        }
    }
    b.anim_frame = 0;
    fly(b);
}

void start_pass()
{
    fill_slot_edges(slots);
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        note_target(i);
    }
}

} // namespace

void update_blasters()
{
    start_pass();
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].kind == KIND_BLASTER) {
            shot_turn(k);
            set_slot_edges(slots, k);
        }
    }
}

void blaster_update(int k)
{
    start_pass();
    shot_turn(k);
}

void blaster_hit(int shot, int target)
{
    Sprite* explosion = sprite_load(EXPLOSION, EXPLOSION_FRAME, EXPLOSION_FRAME);
    Entity& b = entities[shot];
    Entity& t = entities[target];
    if (t.is_player == 1 || t.kind == b.kind) {
        return;
    }
    draw_explosion(explosion, b);
    t.health -= 5;
    b.health = 0;
}
