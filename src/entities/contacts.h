// What one slot's rectangle touches, counted over the whole table at once: the
// demon and shot passes ask once per turn. Only those two passes use it.
#pragma once

#include "entities/entities.h"

#include <array>

// Reads every slot's rectangle and standing; as each pass begins. A turn may
// move no slot but its own and end no shot but its own: the slot asked about
// before is read again before each count.
void contacts_begin_pass();

// The slots that push demon k away (all but shots, free slots included, as
// zero rectangles at the origin) touching it; of them, those whose left edge
// is left of its own, and those whose top edge is above its own.
struct Pushes {
    int all;
    int left_of;
    int above;
};
Pushes count_pushes(int k);

// The live shots that shot k touches, and the taken slots it touches that are
// neither shots nor the player, in index order, whether alive or not.
struct ShotContacts {
    int shots;
    int others;
    std::array<int, MAX_ENTITIES> other_slots;
};
const ShotContacts& shot_contacts(int k);
