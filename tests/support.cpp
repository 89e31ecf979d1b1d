#include "support.h"

#include "draw.h"
#include "game.h"
#include "video.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <ostream>

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

void start_video()
{
    sprite_cache_reset();
    video_init();
    entity_table_init();
}

void start_game()
{
    sprite_cache_reset();
    game_startup();
    paint_background();
}

void move_pointer(int x, int y)
{
    SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
}

bool play_frame(const Held& in)
{
    move_pointer(in.x, in.y);
    build_frame();
    return apply_controls(Controls{in.keys.data(), in.buttons, in.x, in.y});
}

Rgb pixel(SDL_Surface* s, int x, int y)
{
    SDL_LockSurface(s);
    const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
    Uint32 value = 0;
    switch (s->format->BytesPerPixel) {
    case 2:
        value = reinterpret_cast<const Uint16*>(row)[x];
        break;
    case 4:
        value = reinterpret_cast<const Uint32*>(row)[x];
        break;
    default:
        ADD_FAILURE() << "unexpected pixel size " << int(s->format->BytesPerPixel);
    }
    SDL_UnlockSurface(s);
    Rgb c{};
    SDL_GetRGB(value, s->format, &c.r, &c.g, &c.b);
    return c;
}

void save_png(const char* path, int w, int h, const std::function<Rgb(int x, int y)>& colour)
{
    std::vector<Uint8> rgb;
    rgb.reserve(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = colour(x, y);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr)) << image.message;
}

Rgb screen_pixel(int x, int y)
{
    return pixel(screen_buffer, x, y);
}

void fill(SDL_Surface* s, Rgb c)
{
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c.r, c.g, c.b));
}

std::vector<Uint8> screen_bytes()
{
    SDL_Surface* s = screen_buffer;
    const std::size_t row = static_cast<std::size_t>(s->w) * s->format->BytesPerPixel;
    std::vector<Uint8> out(row * s->h);
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        std::memcpy(out.data() + row * y, static_cast<const Uint8*>(s->pixels) + y * s->pitch,
                    row);
    }
    SDL_UnlockSurface(s);
    return out;
}

int place_demon(double x, double y)
{
    int k = 0;
    while (k < MAX_ENTITIES && entities[k].in_use == 1) {
        ++k;
    }
    spawn_demon(0, 0);
    if (k == MAX_ENTITIES) {
        return -1;
    }
    entities[k].x = x;
    entities[k].y = y;
    return k;
}

std::string sprite_path(const Sprite* s)
{
    if (s == nullptr) {
        return "";
    }
    return std::string(s->name, strnlen(s->name, SPRITE_NAME_LEN));
}

testing::AssertionResult is_sheet(const Sprite* s, const char* path)
{
    if (s != nullptr && std::strncmp(s->name, path, SPRITE_NAME_LEN) == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "sprite is \"" << sprite_path(s) << "\", not " << path;
}
