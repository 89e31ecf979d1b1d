// The shot and demon passes against a plain reading of their rules, one pair of
// slots at a time: seeded random play through piles of shots and demons, the
// reference in a forked copy of the game, compared frame by frame on the screen,
// every field of every slot and every sprite-cache entry.
#include "replay.h"
#include "support.h"

#include "draw.h"
#include "game.h"
#include "rect.h"
#include "video.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int FRAMES = 150;

void ref_blaster_hit(int shot, int target)
{
    Sprite* fx = sprite_load(EXPLOSION_SHEET);
    Entity& b = entities[shot];
    Entity& t = entities[target];
    if (t.is_player == 1 || t.kind == b.kind) {
        return;
    }
    for (int n = 0; n < 20; ++n) {
        sprite_blit_frame(fx, screen_buffer, rect_coord(b.x), rect_coord(b.y), n % 2);
    }
    t.health -= 5;
    b.health = 0;
}

void ref_blaster_update(int k)
{
    Entity& b = entities[k];
    if (b.health <= 0) {
        return;
    }
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        const Entity& o = entities[i];
        if (i != k && o.health >= 1 && o.is_player != 1 &&
            rects_overlap(entity_rect(b), entity_rect(o))) {
            ref_blaster_hit(k, i);
        }
    }
    b.anim_frame = 0;
    const double dir = b.start_x > b.target_x ? -1.0 : b.start_x < b.target_x ? 1.0 : 0.0;
    if (b.slope > 40.0 || b.slope < -40.0) {
        b.y += b.target_y > b.start_y ? 40.0 : -40.0;
    } else if (dir != 0.0) {
        b.x += 30.0 * dir;
        if (b.start_y != b.target_y) {
            b.y += 30.0 * b.slope * dir;
        }
    }
}

void ref_demon_update(int k)
{
    Entity& d = entities[k];
    const Entity& p = entities[find_player()];
    const SDL_Rect me = entity_rect(d);
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        Entity& o = entities[i];
        const SDL_Rect there = entity_rect(o);
        if (i == k || !rects_overlap(me, there)) {
            continue;
        }
        o.health -= o.is_player == 1 ? 1 : 0;
        if (o.kind < KIND_BLASTER) {
            d.x += me.x > there.x ? 1.0 : -1.0;
            if (me.y <= there.y || me.y > static_cast<int>(p.y)) {
                d.y += me.y > there.y ? 1.0 : -1.0;
            }
        }
    }
    if (p.health <= 0) {
        return;
    }
    const int px = static_cast<int>(p.x);
    const int gap = me.y + me.h - static_cast<int>(p.height) - static_cast<int>(p.y);
    if (me.x + 100 < px) {
        d.x += 1.0;
    } else if (me.x - static_cast<int>(p.width) - 100 > px) {
        d.x -= 1.0;
    }
    if (gap != 0) {
        d.y += gap < 0 ? 1.0 : -1.0;
    }
}

void ref_frame()
{
    copy_view();
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].kind == KIND_BLASTER) {
            ref_blaster_update(k);
        }
    }
    for (int k = 0; k < MAX_ENTITIES; ++k) {
        if (entities[k].health >= 1 && entities[k].kind == KIND_DEMON) {
            ref_demon_update(k);
        }
    }
    cull_entities();
    draw_scene();
}

std::uint64_t mix(std::uint64_t h, const void* bytes, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        h = (h ^ static_cast<const Uint8*>(bytes)[i]) * 1099511628211ULL;
    }
    return h;
}

// The digest holds the player, the taken slots, the cache's counts and the
// screen; `rest` every field of every slot, free ones too, and each cache
// entry's name and whether it holds a sheet.
struct Record {
    char digest[512];
    std::uint64_t rest;
};

Record record(int frame)
{
    Record r{};
    std::strncpy(r.digest, digest_line(frame).c_str(), sizeof r.digest - 1);
    for (const Entity& e : entities) {
        const int ints[] = {e.in_use, e.active, e.is_player, e.health, e.lives, e.kind, e.anim_frame};
        const double reals[] = {e.x, e.y, e.height, e.width, e.target_x, e.target_y,
                                e.slope, e.start_x, e.start_y};
        r.rest = mix(mix(mix(r.rest, ints, sizeof ints), reals, sizeof reals), &e.sprite,
                      sizeof e.sprite);
    }
    for (int i = 0; i < sprite_cache_used(); ++i) {
        const bool sheet = sprite_cache_entry(i)->surface != nullptr;
        r.rest = mix(mix(r.rest, sprite_cache_entry(i)->name, SPRITE_NAME_LEN), &sheet, 1);
    }
    return r;
}

// Segments of 25 frames, each holding the controls one way in turn: 0 the button
// with the pointer on the launch point (shots that never move), 1 Space on one
// spot, firing at it or not (shots through a demon pile), 2 both on the launch
// point, 3 C then nothing, 4 anything. A segment may open with a burst of input
// steps and no frame, growing its pile fast.
std::vector<Record> play(unsigned seed, bool reference)
{
    std::mt19937 rng(seed);
    std::vector<Record> out;
    int mode = 0;
    bool fire = false;
    Held in;
    for (int f = 0; f < FRAMES; ++f) {
        Entity& player = entities[find_player()];
        const bool start = f % 25 == 0;
        if (start) {
            mode = static_cast<int>((f / 25 + seed) % 5);
            fire = mode != 1 || rng() % 2 == 0;
            player.lives = std::max(player.lives, 1); // the piles outlive the player
        }
        if (mode == 0 || mode == 2) {
            in.x = static_cast<int>(player.x) + 39;
            in.y = static_cast<int>(player.y) + 11;
        } else if (start || mode == 4) {
            in.x = static_cast<int>(rng() % 1280);
            in.y = static_cast<int>(rng() % 800);
        }
        in.buttons = fire && mode != 3 && (mode != 4 || rng() % 2 == 0) ? SDL_BUTTON(1) : 0;
        in.keys[SDLK_SPACE] = mode == 1 || mode == 2 || (mode == 4 && rng() % 4 == 0);
        in.keys[SDLK_c] = mode == 3 && start;
        for (SDLKey key : {SDLK_w, SDLK_a, SDLK_s, SDLK_d}) {
            in.keys[key] = mode == 4 && rng() % 3 == 0;
        }
        const Controls held{in.keys.data(), in.buttons, in.x, in.y};
        for (int n = start ? static_cast<int>(rng() % 3) * 200 : 0; n > 0; --n) {
            apply_controls(held);
        }
        move_pointer(in.x, in.y);
        if (reference) {
            ref_frame();
        } else {
            build_frame();
        }
        apply_controls(held);
        out.push_back(record(f + 1));
    }
    return out;
}

// The reference plays in a forked copy of the game and sends its records back.
std::vector<Record> play_reference(unsigned seed)
{
    int fds[2] = {-1, -1};
    std::vector<Record> ref(FRAMES);
    if (pipe(fds) == 0 && fork() == 0) {
        const std::vector<Record> mine = play(seed, true);
        _exit(write(fds[1], mine.data(), sizeof(Record) * FRAMES) < 0 ? 1 : 0);
    }
    close(fds[1]);
    std::FILE* from_child = fdopen(fds[0], "rb");
    ref.resize(std::fread(ref.data(), sizeof(Record), FRAMES, from_child));
    std::fclose(from_child);
    wait(nullptr);
    return ref;
}

TEST(Differential, PassesMatchThePlainRulesThroughPiles)
{
    start_game();
    // An explosion count that reaches its ceiling.
    sprite_load(EXPLOSION_SHEET)->refcount = INT_MAX - 500000;
    for (unsigned seed : {1U, 2U}) {
        const std::vector<Record> ref = play_reference(seed);
        const std::vector<Record> game = play(seed, false);
        ASSERT_EQ(ref.size(), game.size());
        for (std::size_t f = 0; f < game.size(); ++f) {
            ASSERT_STREQ(game[f].digest, ref[f].digest) << "seed " << seed;
            ASSERT_EQ(game[f].rest, ref[f].rest) << "seed " << seed << ", frame " << f + 1;
        }
    }
}

} // namespace
