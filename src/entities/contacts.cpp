// Owns the contact counts' copy of the table: every slot's edges as one array
// per edge, so that testing one rectangle against every slot is a loop the
// compiler vectorises.
#include "entities/contacts.h"

#include <algorithm>
#include <limits>

namespace {

// Padded to whole vectors; the padding lanes belong to no sort below.
constexpr int LANES = (MAX_ENTITIES + 31) / 32 * 32;
using Column = std::array<Sint16, LANES>;

// Right and bottom edges (x + w, y + h) stop at the largest Sint16: against a
// signed 16-bit x or y any larger value compares the same, so touches() gives
// exactly what rects_overlap gives.
Column left;
Column top;
Column right;
Column bottom;
// 1 for the slots of each sort, 0 elsewhere.
Column pusher;
Column live_shot;
Column other;
Column touching_other;
ShotContacts found;
int asked_before = 0;

void read_slot(int i)
{
    constexpr int MOST = std::numeric_limits<Sint16>::max();
    const Entity& e = entities[i];
    const SDL_Rect r = entity_rect(e);
    left[i] = r.x;
    top[i] = r.y;
    right[i] = static_cast<Sint16>(std::min(r.x + r.w, MOST));
    bottom[i] = static_cast<Sint16>(std::min(r.y + r.h, MOST));
    pusher[i] = e.kind < KIND_BLASTER ? 1 : 0;
    live_shot[i] = e.kind == KIND_BLASTER && e.health >= 1 && e.is_player != 1 ? 1 : 0;
    other[i] = e.in_use == 1 && e.kind != KIND_BLASTER && e.is_player != 1 ? 1 : 0;
}

// Read again what the turn before may have changed, and the asker.
void catch_up(int k)
{
    read_slot(asked_before);
    read_slot(k);
    asked_before = k;
}

inline Sint16 touches(int k, int i)
{
    return (right[k] >= left[i]) & (left[k] <= right[i]) & (bottom[k] >= top[i]) &
           (top[k] <= bottom[i]);
}

// The loops over every lane are also built for AVX2 on x86 processors, the copy
// chosen at start where the processor has it; other processors (arm64) build
// the portable loop alone, vectorised for their own vectors, and so do
// executables whose loader cannot choose (Windows': no ELF ifunc).
#if (defined(__x86_64__) || defined(__i386__)) && defined(__ELF__)
#define EVERY_LANE __attribute__((target_clones("avx2", "default")))
#else
#define EVERY_LANE
#endif

EVERY_LANE
Pushes count_pushing_lanes(int k)
{
    Sint16 all = 0;
    Sint16 left_of = 0;
    Sint16 above = 0;
    for (int i = 0; i < LANES; ++i) {
        const Sint16 pushing = touches(k, i) & pusher[i];
        all += pushing;
        left_of += pushing & (left[k] > left[i]);
        above += pushing & (top[k] > top[i]);
    }
    return Pushes{all, left_of, above};
}

EVERY_LANE
int count_shot_lanes(int k)
{
    Sint16 shots = 0;
    Sint16 others = 0;
    for (int i = 0; i < LANES; ++i) {
        const Sint16 touching = touches(k, i);
        shots += touching & live_shot[i];
        touching_other[i] = touching & other[i];
        others += touching_other[i];
    }
    found.others = others;
    return shots;
}

// Stops at the last one: a shot in a crowd touches few others.
void list_others()
{
    for (int i = 0, n = 0; n < found.others; ++i) {
        if (touching_other[i] == 1) {
            found.other_slots[n++] = i;
        }
    }
}

} // namespace

void contacts_begin_pass()
{
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        read_slot(i);
    }
    asked_before = 0;
}

// A rectangle always touches itself, and is neither left of nor above itself.
Pushes count_pushes(int k)
{
    catch_up(k);
    const Pushes p = count_pushing_lanes(k);
    return Pushes{p.all - pusher[k], p.left_of, p.above};
}

const ShotContacts& shot_contacts(int k)
{
    catch_up(k);
    found.shots = count_shot_lanes(k) - live_shot[k];
    list_others();
    return found;
}
