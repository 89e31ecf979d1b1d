// The order of everything: start-up, the steps of a frame, the controls, shutdown.
#include "game.h"

#include "draw.h"
#include "entities/entities.h"
#include "pictures.h"
#include "sprites.h"
#include "platform.h"
#include "video.h"

#include <cstdlib>

namespace {

// Kept for the whole run; never used again once painted.
SDL_Surface* background = nullptr;
// The buttons at the last reading: a click is a press since then.
Uint8 previous_buttons = 0;

} // namespace

void game_startup()
{
    video_init();
    cursor_init();
    start_table();
    set_window_icon(entities[0].sprite); // cut from the player's sheet, not read again
    std::atexit(game_shutdown);
}

void start_table()
{
    entity_table_init();
    spawn_player(750, 750); // the table is empty, so the player takes slot 0
    spawn_demon(5, 5);
    spawn_demon(1, 1);
}

// Exit handler: runs before SDL_Quit, which video_init registered earlier.
void game_shutdown()
{
    sprite_release_all();
    entity_clear_all();
}

// A missing or unreadable background is not an error: the world surface keeps
// whatever SDL created it with.
void paint_background()
{
    SDL_FreeSurface(background); // none, but in tests that start one game after another
    background = nullptr;
    SDL_Surface* loaded = picture_load(BACKGROUND_PICTURE);
    if (loaded == nullptr) {
        return;
    }
    background = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    if (background != nullptr) {
        SDL_UpperBlit(background, nullptr, world_surface, nullptr);
    }
}

void build_frame()
{
    copy_view();
    update_blasters();
    update_demons();
    cull_entities();
    draw_scene();
}

void draw_scene()
{
    draw_entities();
    draw_lives();
    draw_health_bars(); // may revive the player or show the game-over screen
    draw_cursor();
}

Controls read_controls()
{
    SDL_PumpEvents();
    Controls in{};
    in.keys = SDL_GetKeyState(nullptr);
    in.buttons = SDL_GetMouseState(nullptr, nullptr);
    // Nothing is pumped between reads, so one reading of the pointer serves
    // every action of this input step.
    SDL_GetMouseState(&in.pointer_x, &in.pointer_y);
    // A click on the game while another window has the keyboard brings it back,
    // so that Escape, the only way out, reaches the game again. Only the window
    // system knows: classic SDL starts sure it has the keyboard, and never hears
    // that another program held it meanwhile.
    if ((in.buttons & SDL_BUTTON(1)) && !(previous_buttons & SDL_BUTTON(1))) {
        display_take_keyboard();
    }
    previous_buttons = in.buttons;
    return in;
}

// Held, not pressed: every held control acts on every frame, in this order.
// C comes last, so it clears what Space or the button made in the same step.
bool apply_controls(const Controls& in)
{
    if (in.keys[SDLK_w]) {
        player_move(0, -PLAYER_STEP);
    }
    if (in.keys[SDLK_s]) {
        player_move(0, PLAYER_STEP);
    }
    if (in.keys[SDLK_a]) {
        player_move(-PLAYER_STEP, 0);
    }
    if (in.keys[SDLK_d]) {
        player_move(PLAYER_STEP, 0);
    }
    if (in.keys[SDLK_SPACE]) {
        spawn_demon(in.pointer_x, in.pointer_y);
    }
    if (in.buttons & SDL_BUTTON(1)) {
        fire_blaster(in.pointer_x, in.pointer_y);
    }
    if (in.keys[SDLK_c]) {
        entity_clear_all();
    }
    return in.keys[SDLK_ESCAPE] != 0;
}
