// Demon behaviour: push apart from everything touched but shots, hurt the player
// on contact, then close in on a living player one pixel per axis.
#include "entities/contacts.h"

namespace {

// One pixel away from each slot that pushes: right from those left of it, left
// from the rest; up from those not above it, and down from those above it only
// while it is also below the player, so crowds drift up rather than down.
// Demons stand on whole pixels (spawned on them, moved by whole pixels), where
// the pixels add up the same in any order: they are added at once.
void push_away(Entity& d, const SDL_Rect& me, const Pushes& p, int player_y)
{
    d.x += p.left_of - (p.all - p.left_of);
    const int down = me.y > player_y ? p.above : 0;
    d.y += down - (p.all - p.above);
}

// Settle with the left edge within DEMON_REACH of the player's sides and the
// bottom edge level with the player's.
void chase(Entity& d, const SDL_Rect& me, const Entity& player)
{
    const int px = static_cast<int>(player.x);
    const int py = static_cast<int>(player.y);
    const int pw = static_cast<int>(player.width);
    const int ph = static_cast<int>(player.height);
    if (me.x + DEMON_REACH < px) {
        d.x += 1.0;
    } else if (me.x - pw - DEMON_REACH > px) {
        d.x -= 1.0;
    }
    const int bottom_gap = me.y + me.h - ph;
    if (bottom_gap < py) {
        d.y += 1.0;
    } else if (bottom_gap > py) {
        d.y -= 1.0;
    }
}

// Every test of the turn uses where the demon stood when the turn began.
void demon_update(int k)
{
    Entity& d = entities[k];
    Entity& player = entities[find_player()];
    const SDL_Rect me = entity_rect(d);
    if (rects_overlap(me, entity_rect(player)) == 1) {
        player.health -= 1;
    }
    push_away(d, me, count_pushes(k), static_cast<int>(player.y));
    if (player.health > 0) { // dead players are not chased
        chase(d, me, player);
    }
}

} // namespace

void update_demons()
{
    contacts_begin_pass();
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].health >= 1 && entities[k].kind == KIND_DEMON) {
            demon_update(k);
        }
    }
}
