// Owns the cursor state; draws everything of a frame that is not the background.
#include "draw.h"

#include "rect.h"
#include "video.h"

#include <algorithm>

namespace {

Sprite* cursor = nullptr;
int cursor_frame = 0;

// The arena's size, not the screen settings: the pale screen covers the arena.
void show_game_over()
{
    SDL_Rect whole{0, 0, ARENA_W, ARENA_H};
    SDL_FillRect(screen_buffer, &whole, SDL_MapRGB(screen_buffer->format, 250, 250, 255));
    entity_clear_all();
}

} // namespace

void draw_entity(Entity* e, int frame)
{
    if (e != nullptr && e->sprite != nullptr) {
        sprite_blit_frame(e->sprite, screen_buffer, rect_coord(e->x), rect_coord(e->y), frame);
    }
}

// Later slots are drawn over earlier ones, so the player (slot 0) is at the bottom.
void draw_entities()
{
    for (Entity& e : entities) {
        if (e.health >= 1) {
            draw_entity(&e, e.anim_frame);
        }
    }
}

void draw_lives()
{
    Sprite* icon = sprite_load(PLAYER_SHEET);
    const Entity& player = entities[find_player()];
    for (int j = 0; j < player.lives; ++j) {
        sprite_blit_frame(icon, screen_buffer, 10 + 60 * j, 10, 0);
    }
}

void cursor_init()
{
    cursor = sprite_load(CURSOR_SHEET);
    cursor_frame = 0;
}

// The pointer is the cursor's top-left corner; it animates whether or not it moves.
void draw_cursor()
{
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    sprite_blit_frame(cursor, screen_buffer, x, y, cursor_frame);
    cursor_frame = (cursor_frame + 1) % CURSOR_FRAMES;
}

// Also where the player's death is noticed: revival while lives remain, the
// pale game-over screen once none do, on that frame and every later one.
void draw_health_bars()
{
    for (Entity& e : entities) {
        if (!((e.health >= 1 || e.is_player == 1) && e.kind < KIND_BLASTER)) {
            continue;
        }
        const int width = std::min(e.health * 5 / 10, BAR_WIDTH);
        SDL_Rect bar{rect_coord(e.x - 5.0), rect_coord(e.y - 8.0), 0, BAR_HEIGHT};

        if (e.is_player == 1 && e.health < 1) {
            if (e.lives < 1) {
                show_game_over();
                return;
            }
            player_move(40, 40);
        }
        // A health of -2 or less would give a negative width, which the unsigned
        // rectangle field would turn into a bar across the screen: draw none.
        if (width < 0) {
            continue;
        }
        bar.w = static_cast<Uint16>(width);
        const Uint32 colour = e.health < LOW_HEALTH
                                  ? SDL_MapRGB(screen_buffer->format, 128, 0, 0)
                                  : SDL_MapRGB(screen_buffer->format, 0, 0, 128);
        SDL_FillRect(screen_buffer, &bar, colour);
    }
}
