// Demon behaviour: push apart from everything touched but shots, hurt the player
// on contact, then close in on a living player one pixel per axis.
#include "entities/entities.h"

#include "rect.h"

#include <cmath>

namespace {

// A turn moves only its own demon, so after it only that slot's rectangle changes.
SlotEdges slots;
// 1 for every slot a demon is pushed away from: anything but a shot, free slots
// included (as zero rectangles at the origin); zero in the padding lanes.
SlotColumn pushers;
// The slots hurt on contact: the player's.
std::array<int, MAX_ENTITIES> player_slots;
int player_count = 0;

// One pixel away from the other slot. Moving down is allowed only while the
// demon is also below the player, so crowds drift up rather than down.
void push_away(Entity& d, const SDL_Rect& me, int i, int player_y)
{
    d.x += me.x > slots.left[i] ? 1.0 : -1.0;
    if (me.y > slots.top[i]) {
        if (me.y > player_y) {
            d.y += 1.0;
        }
    } else {
        d.y -= 1.0;
    }
}

// Settle with the left edge within 100 pixels of the player's sides and the
// bottom edge level with the player's.
void chase(Entity& d, const SDL_Rect& me, const Entity& player)
{
    const int px = static_cast<int>(player.x);
    const int py = static_cast<int>(player.y);
    const int pw = static_cast<int>(player.width);
    const int ph = static_cast<int>(player.height);
    if (me.x + 100 < px) {
        d.x += 1.0;
    } else if (me.x - pw - 100 > px) {
        d.x -= 1.0;
    }
    const int bottom_gap = me.y + me.h - ph;
    if (bottom_gap < py) {
        d.y += 1.0;
    } else if (bottom_gap > py) {
        d.y -= 1.0;
    }
}

struct Pushes {
    int all;   // slots touched that push
    int right; // of them, those left of the demon (it moves right)
    int down;  // those above it (it moves down if also below the player)
};

// Counted over all slots at once (this is the loop that is vectorised).
LANE_LOOP_CLONES
Pushes count_pushes(int k, const SDL_Rect& me)
{
    const Edges edges = rect_edges(me);
    Sint16 all = 0;
    Sint16 right = 0;
    Sint16 down = 0;
    for (int i = 0; i < SLOT_LANES; ++i) {
        const Sint16 pushing = touches(edges, slots, i) & pushers[i];
        all += pushing;
        right += pushing & (me.x > slots.left[i]);
        down += pushing & (me.y > slots.top[i]);
    }
    // A rectangle always touches itself, and is neither left of nor above itself.
    return Pushes{all - pushers[k], right, down};
}

// Whole numbers a double holds exactly, however many pushes are added.
bool whole_pixel(double v)
{
    return v == std::trunc(v) && std::fabs(v) < 1.0e15;
}

// Pushes of one pixel each add up exactly on a whole-pixel position, where
// demons always are; elsewhere (a position set by hand) they are added one at a
// time in slot order, as each rounds.
void push_from_all(Entity& d, int k, const SDL_Rect& me, int player_y)
{
    if (!whole_pixel(d.x) || !whole_pixel(d.y)) {
        const Edges edges = rect_edges(me);
        for (int i = 0; i < MAX_ENTITIES; ++i) {
            if (i != k && pushers[i] == 1 && touches(edges, slots, i) == 1) {
                push_away(d, me, i, player_y);
            }
        }
        return;
    }
    const Pushes p = count_pushes(k, me);
    // No step at all leaves a negative zero as it is.
    if (p.all > 0) {
        d.x += p.right - (p.all - p.right);
    }
    const int down = me.y > player_y ? p.down : 0;
    if (down + p.all - p.down > 0) {
        d.y += down - (p.all - p.down);
    }
}

void hurt_players(int k, const SDL_Rect& me)
{
    for (int n = 0; n < player_count; ++n) {
        const int p = player_slots[n];
        if (p != k && touches(rect_edges(me), slots, p) == 1) {
            entities[p].health -= 1;
        }
    }
}

void demon_turn(int k)
{
    Entity& d = entities[k];
    if (d.kind != KIND_DEMON) {
        return;
    }
    const Entity& player = entities[find_player()];
    // Every test of the turn uses where the demon stood when the turn began.
    const SDL_Rect me = entity_rect(d);
    hurt_players(k, me);
    push_from_all(d, k, me, static_cast<int>(player.y));
    if (player.health <= 0) {
        return; // dead players are not chased
    }
    chase(d, me, player);
}

void start_pass()
{
    fill_slot_edges(slots);
    player_count = 0;
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        pushers[i] = entities[i].kind < KIND_BLASTER ? 1 : 0;
        if (entities[i].is_player == 1) {
            player_slots[player_count++] = i;
        }
    }
}

} // namespace

void update_demons()
{
    start_pass();
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].health >= 1 && entities[k].kind == KIND_DEMON) {
            demon_turn(k);
            set_slot_edges(slots, k);
        }
    }
}

void demon_update(int k)
{
    start_pass();
    demon_turn(k);
}
