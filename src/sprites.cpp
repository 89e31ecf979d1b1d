// Owns the sprite cache: every sheet the game draws, loaded once per path, shared
// by reference count, freed when the count drops to exactly zero.
#include "sprites.h"

#include "pictures.h"
#include "platform.h"
#include "rect.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

std::array<Sprite, MAX_SPRITES> cache{};
// Entries that have ever held a sheet; lookups search only these. Never shrinks.
int used = 0;

Sprite* find_loaded(const char* path)
{
    for (int i = 0; i < used; ++i) {
        if (std::strncmp(path, cache[i].name, SPRITE_NAME_LEN) == 0) {
            return &cache[i];
        }
    }
    return nullptr;
}

// A released entry is reused before the cache grows; at most 998 ever fill.
Sprite* claim_entry()
{
    for (int i = 0; i < used; ++i) {
        if (cache[i].refcount == 0) {
            return &cache[i];
        }
    }
    if (used + 1 >= MAX_SPRITES) {
        report_fatal("Maximum Sprites Reached.\n");
        std::exit(1);
    }
    return &cache[used++];
}

// White is the transparent colour of every sheet; any alpha in the file is dropped.
// A sheet that cannot be had ends the game with status 1 on purpose, as every
// other failure does: whoever started it learns that it failed.
SDL_Surface* load_sheet(const char* path)
{
    SDL_Surface* loaded = picture_load(path);
    if (loaded == nullptr) {
        report_fatal("unable to load a vital sprite: %s\n", SDL_GetError());
        std::exit(1);
    }
    SDL_Surface* sheet = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    if (sheet == nullptr) {
        report_fatal("unable to load a vital sprite: %s: %s\n", path, SDL_GetError());
        std::exit(1);
    }
    // Run-length encoded on purpose: the same pixels as a plain key (rle_tests
    // compares them), drawn several times faster for crowds.
    SDL_SetColorKey(sheet, SDL_SRCCOLORKEY | SDL_RLEACCEL, SDL_MapRGB(sheet->format, 255, 255, 255));
    return sheet;
}

// The key keeps the path's first 20 bytes, without a terminator when the path is
// that long or longer; shorter paths are padded with zeros.
void set_name(Sprite* s, const char* path)
{
    const std::size_t length = strnlen(path, SPRITE_NAME_LEN);
    std::memcpy(s->name, path, length);
    std::memset(s->name + length, 0, SPRITE_NAME_LEN - length);
}

// Some callers take a reference every frame and never give it back (a pile of
// shots asks for the explosion about a million times a frame), so the count
// stops at the largest int rather than overflowing. Such an entry is never freed,
// as it would not be anyway. Adding n at once ends where n single additions would.
void add_references(Sprite* s, int n)
{
    const long long sum = static_cast<long long>(s->refcount) + n;
    s->refcount = static_cast<int>(std::min<long long>(sum, std::numeric_limits<int>::max()));
}

} // namespace

Sprite* sprite_load(const Sheet& sheet)
{
    if (Sprite* hit = find_loaded(sheet.path)) {
        add_references(hit, 1);
        return hit;
    }
    Sprite* s = claim_entry();
    s->surface = load_sheet(sheet.path);
    set_name(s, sheet.path);
    s->frames_per_row = FRAMES_PER_ROW;
    s->frame_w = sheet.frame_w;
    s->frame_h = sheet.frame_h;
    add_references(s, 1);
    return s;
}

Sprite* sprite_load_times(const Sheet& sheet, int times)
{
    Sprite* s = sprite_load(sheet);
    add_references(s, times - 1);
    return s;
}

// Only a count reaching exactly zero frees, so no surface is ever freed twice.
void sprite_release(Sprite* s)
{
    s->refcount -= 1;
    if (s->refcount != 0) {
        return;
    }
    s->name[0] = '\0';
    if (s->surface != nullptr) {
        SDL_FreeSurface(s->surface);
    }
    s->surface = nullptr;
}

void sprite_release_all()
{
    for (Sprite& s : cache) {
        sprite_release(&s);
    }
}

void sprite_cache_reset()
{
    for (Sprite& s : cache) {
        SDL_FreeSurface(s.surface);
    }
    cache = {};
    used = 0;
}

void sprite_blit_frame(Sprite* s, SDL_Surface* dst, int x, int y, int frame)
{
    const int col = frame % s->frames_per_row;
    const int row = frame / s->frames_per_row;
    SDL_Rect source{rect_coord(s->frame_w * col), rect_coord(s->frame_h * row),
                    rect_size(s->frame_w), rect_size(s->frame_h)};
    SDL_Rect destination{rect_coord(x), rect_coord(y), rect_size(s->frame_w),
                         rect_size(s->frame_h)};
    SDL_UpperBlit(s->surface, &source, dst, &destination);
}

int sprite_cache_used()
{
    return used;
}

const Sprite* sprite_cache_entry(int index)
{
    return &cache[index];
}
