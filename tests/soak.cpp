// Soak: a seeded random player plays the real game frame by frame for tens of
// thousands of frames (through full tables, clears, deaths and game overs);
// the entity table and sprite cache must stay sound all along, and the heap
// must stop growing once the table has been full.
// FIENDS_SOAK_FRAMES and FIENDS_SOAK_SEED override the length and the seed.
#include "support.h"

#include "draw.h"
#include "game.h"
#include "sprites.h"
#include "video.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// From AddressSanitizer's runtime (its header is not always installed).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr long DEFAULT_FRAMES = 30000;
constexpr unsigned DEFAULT_SEED = 20261208;
// Sheets the game can load: player, running right and left, demon, shot,
// explosion, cursor.
constexpr int PICTURES = 7;
// A frame-proportional leak of even a few bytes over the frames that follow
// the first full table would pass this; the check is that nothing does.
constexpr long HEAP_SLACK = 64 * 1024;

long env_number(const char* name, long fallback)
{
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::strtol(v, nullptr, 10) : fallback;
}

// Bytes the program holds from the heap now. Under AddressSanitizer, malloc's
// own counters are not used, and freed blocks sit in quarantine, so ask it.
long heap_in_use()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long>(mallinfo2().uordblks);
#endif
}

long resident_kib()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * 4;
}

// Descriptors the process holds: a picture file left open after its load adds
// one at every reload of its sheet.
long open_descriptors()
{
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return std::distance(std::filesystem::begin(fds), std::filesystem::end(fds));
}

// What the random player is doing; each mood lasts a random number of frames.
// STOCKPILE fires at the shot's own launch point, where a shot never moves and
// is never culled: the way to a full table, since demons alone crowd the player
// to death long before. Full tables are
// slow to play, so the player fills one only at set points of the run, holds
// it a while (HOLD) and clears it.
enum Mood { WANDER, SWARM, FIGHT, CLEAR, DOOM, STOCKPILE, HOLD };

struct Player {
    std::mt19937 rng;
    std::vector<long> fills; // frames at which to start filling the table
    long frame = 0;
    Mood mood = WANDER;
    int left = 0;
    Held held{};
    int step = 0; // STOCKPILE's walk
    int across = 1;
    int vertical = 1;
    int rows_down = 0;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng); }
};

void next_mood(Player& p)
{
    if (!p.fills.empty() && p.frame >= p.fills.front()) {
        p.fills.erase(p.fills.begin());
        p.mood = STOCKPILE;
        p.step = 0;
        return;
    }
    if (p.mood == STOCKPILE) {
        p.mood = HOLD;
        p.left = p.pick(100, 300);
        return;
    }
    if (p.mood == HOLD) {
        p.mood = CLEAR;
        p.left = p.pick(1, 4);
        return;
    }
    std::discrete_distribution<int> weights({30, 20, 30, 8, 4});
    p.mood = static_cast<Mood>(weights(p.rng));
    const int lengths[][2] = {{20, 300}, {50, 300}, {20, 400}, {1, 4}, {50, 300}};
    p.left = p.pick(lengths[p.mood][0], lengths[p.mood][1]);
}

// A point at least 400 pixels from the player on one axis.
void far_from_player(Player& p)
{
    const Entity& me = entities[0];
    do {
        p.held.x = p.pick(0, 1279);
        p.held.y = p.pick(0, 799);
    } while (std::abs(p.held.x - me.x) < 400 && std::abs(p.held.y - me.y) < 400);
}

// Every other frame a step along rows 20 pixels apart, so the stuck shots lie
// spread out rather than piled on one point.
void stockpile(Player& p)
{
    Held& h = p.held;
    const Entity& me = entities[0];
    if (p.step++ == 0) {
        h.keys[SDLK_c] = 1; // demons left about would crowd the walking player to death
        return;
    }
    if (p.step % 2 == 0) {
        h.x = static_cast<int>(me.x + 39.0);
        h.y = static_cast<int>(me.y + 11.0);
        h.buttons = SDL_BUTTON(1);
        return;
    }
    const int x = static_cast<int>(me.x);
    const int y = static_cast<int>(me.y);
    if (p.rows_down > 0) {
        p.rows_down -= 1;
        h.keys[p.vertical > 0 ? SDLK_s : SDLK_w] = 1;
        return;
    }
    const int nx = x + 10 * p.across;
    if (nx <= 10 || nx >= 1280 - 55) {
        p.across = -p.across;
        p.rows_down = 1;
        if (y + 30 >= 800 - 45) {
            p.vertical = -1;
        } else if (y - 30 <= 0) {
            p.vertical = 1;
        }
        h.keys[p.vertical > 0 ? SDLK_s : SDLK_w] = 1;
        return;
    }
    h.keys[p.across > 0 ? SDLK_d : SDLK_a] = 1;
}

// Held input for this frame: keys change now and then, the pointer wanders.
Held next_input(Player& p)
{
    p.frame += 1;
    const bool filled = p.mood == STOCKPILE && count_taken() == MAX_ENTITIES;
    if ((p.mood != STOCKPILE && p.left-- <= 0) || filled ||
        (!p.fills.empty() && p.frame >= p.fills.front())) {
        next_mood(p);
    }
    Held& h = p.held;
    h.keys.fill(0);
    h.buttons = 0;
    if (p.mood == STOCKPILE) {
        stockpile(p);
        return h;
    }
    for (SDLKey k : {SDLK_w, SDLK_a, SDLK_s, SDLK_d}) {
        h.keys[k] = p.chance(p.mood == WANDER || p.mood == HOLD ? 0.4 : 0.15);
    }
    h.keys[SDLK_SPACE] = p.mood == SWARM || p.mood == DOOM || (p.mood == WANDER && p.chance(0.1));
    h.buttons = p.mood == FIGHT || (p.mood != HOLD && p.chance(0.05)) ? SDL_BUTTON(1) : 0;
    h.keys[SDLK_c] = p.mood == CLEAR;
    if (p.mood == DOOM) {
        // Demons dropped onto the player: lives go, then the game.
        h.x = static_cast<int>(entities[0].x) - 20;
        h.y = static_cast<int>(entities[0].y) - 20;
    } else if (p.mood == SWARM) {
        far_from_player(p);
    } else if (p.chance(0.2)) {
        h.x = p.pick(0, 1279);
        h.y = p.pick(0, 799);
    }
    return h;
}

// A fresh round on the same display and cache.
void new_game()
{
    entity_clear_all();
    start_table();
}

int holders_of(const Sprite* s)
{
    int n = 0;
    for (const Entity& e : entities) {
        n += e.in_use == 1 && e.sprite == s;
    }
    return n;
}

// Checks of the tables after a frame; returns the first broken rule, or "".
std::string broken_invariant()
{
    const Entity& p = entities[0];
    if (p.in_use != 1 || p.is_player != 1 || p.kind != KIND_PLAYER) {
        return "slot 0 is not the player";
    }
    for (int i = 1; i < MAX_ENTITIES; ++i) {
        const Entity& e = entities[i];
        if (e.is_player == 1 || e.kind == KIND_PLAYER) {
            return "a second player in slot " + std::to_string(i);
        }
        if (e.in_use == 0 && (e.sprite != nullptr || e.health != -1 || e.kind != 0)) {
            return "free slot " + std::to_string(i) + " not reset";
        }
        if (e.in_use == 1 && e.sprite == nullptr) {
            return "taken slot " + std::to_string(i) + " without a sprite";
        }
    }
    const int used = sprite_cache_used();
    if (used > PICTURES) {
        return std::to_string(used) + " cache entries for " + std::to_string(PICTURES) + " pictures";
    }
    std::set<std::string> names;
    for (int i = 0; i < used; ++i) {
        const Sprite* s = sprite_cache_entry(i);
        if (s->refcount < 0) {
            return "negative count on " + sprite_path(s);
        }
        if (s->refcount == 0) {
            if (s->surface != nullptr || holders_of(s) != 0) {
                return "released entry still in use";
            }
            continue;
        }
        if (s->surface == nullptr || !names.insert(sprite_path(s)).second) {
            return "bad live entry " + sprite_path(s);
        }
        // Only entities hold demon and shot sheets: one reference each.
        const std::string path = sprite_path(s);
        if ((path == "images/demon.png" || path == "images/blaster.png") &&
            s->refcount != holders_of(s)) {
            return path + " counted " + std::to_string(s->refcount) + " for " +
                   std::to_string(holders_of(s)) + " holders";
        }
    }
    for (const Entity& e : entities) {
        if (e.in_use == 1 && (e.sprite < sprite_cache_entry(0) ||
                              e.sprite > sprite_cache_entry(used - 1) || e.sprite->refcount < 1)) {
            return "an entity points at a dead or foreign sprite";
        }
    }
    return "";
}

struct Figures {
    long frames = 0;
    int peak = 0;
    int full_tables = 0;
    int clears = 0;
    int lives_lost = 0;
    int game_overs = 0;
    long heap_first_full = -1;
    long heap_last_full = -1;
    long last_full_frame = 0;
};

TEST(Soak, RandomPlayerKeepsTablesSoundAndMemoryFlat)
{
    const long frames = env_number("FIENDS_SOAK_FRAMES", DEFAULT_FRAMES);
    const auto seed = static_cast<unsigned>(env_number("FIENDS_SOAK_SEED", DEFAULT_SEED));
    start_game();
    Player player{std::mt19937(seed), {frames / 5, frames * 3 / 5}};
    Figures f;
    const long heap_start = heap_in_use();
    const long rss_start = resident_kib();
    const long fds_start = open_descriptors();
    bool was_full = false;
    int game_over_frames = 0;

    for (f.frames = 0; f.frames < frames; ++f.frames) {
        const int lives = entities[0].lives;
        const Held in = next_input(player);
        ASSERT_FALSE(play_frame(in)) << "Escape is never held";
        f.lives_lost += entities[0].lives < lives;
        f.clears += in.keys[SDLK_c] != 0;
        const int taken = count_taken();
        f.peak = std::max(f.peak, taken);
        if (taken == MAX_ENTITIES) {
            f.heap_last_full = heap_in_use();
            f.last_full_frame = f.frames;
            if (f.heap_first_full < 0) {
                f.heap_first_full = f.heap_last_full;
            }
            f.full_tables += !was_full;
        }
        was_full = taken == MAX_ENTITIES;
        const std::string broken = broken_invariant();
        ASSERT_EQ(broken, "") << "after frame " << f.frames << " (seed " << seed << ")";

        // Once over, the pale screen stays; after a while the player starts again.
        if (entities[0].lives < 1 && entities[0].health < 1) {
            if (game_over_frames++ == 0) {
                f.game_overs += 1;
            }
            if (game_over_frames > 100) {
                new_game();
                game_over_frames = 0;
            }
        }
    }
    const long heap_end = heap_in_use();
    std::printf("soak: seed %u, %ld frames, peak %d entities, table full %d times "
                "(last at frame %ld), %d clearing frames, %d lives lost, %d game overs\n"
                "soak: heap %ld bytes at start, %ld when first full, %ld when last full, "
                "%ld at end; resident %ld KiB at start, %ld KiB at end\n",
                seed, f.frames, f.peak, f.full_tables, f.last_full_frame, f.clears, f.lives_lost,
                f.game_overs, heap_start, f.heap_first_full, f.heap_last_full, heap_end, rss_start,
                resident_kib());

    EXPECT_EQ(f.peak, MAX_ENTITIES) << "the table was never full";
    EXPECT_GE(f.full_tables, 2) << "fill the table more than once";
    EXPECT_GE(f.game_overs, 1);
    EXPECT_GE(f.lives_lost, 3);
    EXPECT_GE(f.clears, 1);
    EXPECT_GT(f.last_full_frame, frames / 2) << "memory is compared over too short a stretch";
    EXPECT_LE(f.heap_last_full - f.heap_first_full, HEAP_SLACK)
        << "the heap grew between the first and the last full table";
    EXPECT_EQ(open_descriptors(), fds_start) << "descriptors left open across the reloads";
}

} // namespace
