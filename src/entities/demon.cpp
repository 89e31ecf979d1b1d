// Demon behaviour: push apart from everything touched but shots, hurt the player
// on contact, then close in on a living player one pixel per axis.
#include "entities/entities.h"

#include "rect.h"

namespace {

// A turn moves only its own demon, so after it only that slot's rectangle changes.
SlotRects rects;

// One pixel away from the other slot. Moving down is allowed only while the
// demon is also below the player, so crowds drift up rather than down.
void push_away(Entity& d, const SDL_Rect& me, const SDL_Rect& other, int player_y)
{
    d.x += me.x > other.x ? 1.0 : -1.0;
    if (me.y > other.y) {
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

void demon_turn(int k)
{
    Entity& d = entities[k];
    if (d.kind != KIND_DEMON) {
        return;
    }
    const Entity& player = entities[find_player()];
    const int player_y = static_cast<int>(player.y);
    // Every test of the turn uses where the demon stood when the turn began.
    const SDL_Rect me = rects[k];

    for (int i = 0; i < MAX_ENTITIES; ++i) {
        if (i == k) {
            continue;
        }
        Entity& other = entities[i];
        const SDL_Rect& there = rects[i];
        if (!rects_overlap(me, there)) {
            continue;
        }
        if (other.is_player == 1) {
            other.health -= 1;
        }
        if (other.kind >= KIND_BLASTER) {
            continue;
        }
        push_away(d, me, there, player_y);
    }

    if (player.health <= 0) {
        return; // dead players are not chased
    }
    chase(d, me, player);
}

} // namespace

void update_demons()
{
    fill_slot_rects(rects);
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].health >= 1 && entities[k].kind == KIND_DEMON) {
            demon_turn(k);
            rects[k] = entity_rect(entities[k]);
        }
    }
}

void demon_update(int k)
{
    fill_slot_rects(rects);
    demon_turn(k);
}
