#include "support.h"

#include "draw.h"
#include "game.h"
#include "video.h"

#include <gtest/gtest.h>

#include <ostream>

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

void start_video()
{
    video_init();
    entity_table_init();
}

void start_game()
{
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

Rgb screen_pixel(int x, int y)
{
    return pixel(screen_buffer, x, y);
}

void fill(SDL_Surface* s, Rgb c)
{
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c.r, c.g, c.b));
}

int count_taken()
{
    int n = 0;
    for (const Entity& e : entities) {
        n += e.in_use;
    }
    return n;
}

int place_demon(double x, double y)
{
    spawn_demon(0, 0);
    for (int i = MAX_ENTITIES - 1; i >= 0; --i) {
        if (entities[i].in_use == 1 && entities[i].kind == KIND_DEMON && entities[i].x == 0.0 &&
            entities[i].y == 0.0) {
            entities[i].x = x;
            entities[i].y = y;
            return i;
        }
    }
    return -1;
}

std::string sprite_path(const Sprite* s)
{
    if (s == nullptr) {
        return "";
    }
    return std::string(s->name, strnlen(s->name, SPRITE_NAME_LEN));
}
