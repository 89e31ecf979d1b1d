// Run-length encoded colour keys: the same scripted play drawn with the sheets
// keyed with and without SDL_RLEACCEL gives the same screen, pixel for pixel.
#include "support.h"

#include "draw.h"
#include "game.h"
#include "video.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int FRAMES = 60;
constexpr int RECORD_EVERY = 3;

using Screen = std::vector<std::uint8_t>;

// Play that crosses every clipped edge: demons made against the right, bottom
// and left edges, crowds pushed over the top, shots hitting them (explosions),
// the running sheets both ways and the cursor half off the bottom-right corner.
Held held_at(int frame)
{
    Held in;
    const int phase = frame / 10;
    switch (phase) {
    case 0:
        in.x = 1240;
        in.y = 300;
        in.keys[SDLK_SPACE] = 1;
        in.buttons = SDL_BUTTON(1);
        break;
    case 1:
        in.x = 600;
        in.y = 760;
        in.keys[SDLK_SPACE] = 1;
        in.buttons = SDL_BUTTON(1);
        break;
    case 2:
        in.x = 1275;
        in.y = 795;
        in.keys[SDLK_d] = 1;
        in.buttons = SDL_BUTTON(1);
        break;
    case 3:
        in.x = 3;
        in.y = 400;
        in.keys[SDLK_a] = 1;
        in.keys[SDLK_SPACE] = 1;
        break;
    default:
        in.x = 640;
        in.y = 2;
        in.keys[SDLK_SPACE] = 1;
        in.buttons = SDL_BUTTON(1);
        break;
    }
    return in;
}

void key_every_sheet(Uint32 flags)
{
    for (int i = 0; i < sprite_cache_used(); ++i) {
        SDL_Surface* s = sprite_cache_entry(i)->surface;
        if (s != nullptr) {
            SDL_SetColorKey(s, flags, SDL_MapRGB(s->format, 255, 255, 255));
        }
    }
}

// Whether this SDL runtime reports a blitted, encoded surface in its flags.
bool runtime_shows_encoding()
{
    SDL_Surface* probe = SDL_DisplayFormat(screen_buffer);
    SDL_SetColorKey(probe, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
    SDL_Rect corner{0, 0, 1, 1};
    SDL_BlitSurface(probe, &corner, screen_buffer, &corner);
    const bool shown = (probe->flags & SDL_RLEACCEL) != 0;
    SDL_FreeSurface(probe);
    return shown;
}

int encoded_sheets()
{
    int n = 0;
    for (int i = 0; i < sprite_cache_used(); ++i) {
        const SDL_Surface* s = sprite_cache_entry(i)->surface;
        n += s != nullptr && (s->flags & SDL_RLEACCEL) != 0 ? 1 : 0;
    }
    return n;
}

const Sprite* cached(const std::string& path)
{
    for (int i = 0; i < sprite_cache_used(); ++i) {
        const Sprite* s = sprite_cache_entry(i);
        if (s->surface != nullptr && is_sheet(s, path.c_str())) {
            return s;
        }
    }
    return nullptr;
}

// Pixels of the screen that are not the background: what the frame drew.
int drawn_pixels(const Screen& screen)
{
    int n = 0;
    SDL_LockSurface(world_surface);
    const int bpp = screen_buffer->format->BytesPerPixel;
    for (int y = 0; y < screen_buffer->h; ++y) {
        const auto* world = static_cast<const std::uint8_t*>(world_surface->pixels) +
                            static_cast<std::size_t>(y) * world_surface->pitch;
        const std::uint8_t* row = screen.data() + static_cast<std::size_t>(y) * screen_buffer->w * bpp;
        for (int x = 0; x < screen_buffer->w; ++x) {
            n += std::memcmp(world + x * bpp, row + x * bpp, bpp) != 0 ? 1 : 0;
        }
    }
    SDL_UnlockSurface(world_surface);
    return n;
}

// Both passes start from the start-up table and cursor.
void reset_to_startup()
{
    entity_clear_all();
    start_table();
    cursor_init();
}

// Plays the script, keeping every RECORD_EVERY-th screen. With `plain`, every
// sheet is re-keyed without RLE before each frame, and must still be unencoded
// after it, so no frame of this pass drew through an encoded sheet.
std::vector<Screen> play_script(bool plain)
{
    std::vector<Screen> screens;
    for (int f = 0; f < FRAMES; ++f) {
        if (plain) {
            key_every_sheet(SDL_SRCCOLORKEY);
        }
        const Held in = held_at(f);
        play_frame(in);
        if (plain) {
            EXPECT_EQ(encoded_sheets(), 0) << "frame " << f;
        }
        if (f % RECORD_EVERY == 0) {
            screens.push_back(screen_bytes());
        }
    }
    return screens;
}

// Where two screens first differ, for the failure message.
std::string first_difference(const Screen& a, const Screen& b)
{
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            const std::size_t bpp = screen_buffer->format->BytesPerPixel;
            const std::size_t row = i / (screen_buffer->w * bpp);
            const std::size_t col = (i % (screen_buffer->w * bpp)) / bpp;
            return "first at (" + std::to_string(col) + ", " + std::to_string(row) + ")";
        }
    }
    return "none";
}

} // namespace

TEST(RleColourKey, DrawsTheSamePixelsAsAPlainColourKey)
{
    start_game();

    // As loaded, with the game's own key.
    reset_to_startup();
    const std::vector<Screen> encoded = play_script(false);
    // The pass really drew through encoded sheets, explosions included. Only
    // classic SDL shows the encoding in a surface's flags; the SDL 2 based
    // runtime keeps it to itself, and there only the pixels can be compared.
    ASSERT_NE(cached(EXPLOSION_SHEET.path), nullptr) << "no shot hit anything";
    for (const char* path : {"images/mouse.png", "images/player.png", "images/demon.png",
                             "images/rocketExplode.png"}) {
        const Sprite* s = cached(path);
        ASSERT_NE(s, nullptr) << path;
        if (runtime_shows_encoding()) {
            EXPECT_NE(s->surface->flags & SDL_RLEACCEL, 0u) << path << " was not drawn encoded";
        }
    }

    reset_to_startup();
    const std::vector<Screen> keyed_plain = play_script(true);

    ASSERT_EQ(encoded.size(), keyed_plain.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const int frame = static_cast<int>(i) * RECORD_EVERY;
        // Sprites were drawn: lives row, player, cursor at the least.
        EXPECT_GT(drawn_pixels(encoded[i]), 3000) << "frame " << frame;
        EXPECT_TRUE(encoded[i] == keyed_plain[i])
            << "frame " << frame << " differs, " << first_difference(encoded[i], keyed_plain[i]);
    }
}
