// Builds the benchmark states with the game's own input step and restores them
// with the sheets' reference counts kept as the game would have them.
#include "bench_states.h"

#include "game.h"
#include "video.h"

#include <SDL.h>

#include <cstring>

namespace {

GameState start_snapshot;

// A strafing player: along a row until the screen edge blocks the move, then
// two steps down or up to the next row, so shots leave from spread-out points
// rather than one stacked pile.
struct Strafe {
    int dir_x = 1;
    int dir_y = -1;
    int vertical_left = 0;
};

constexpr int TOP_ROW = 600;
constexpr int BOTTOM_ROW = 750;

SDLKey strafe_key(Strafe& s, const Entity& player)
{
    if (s.vertical_left > 0) {
        --s.vertical_left;
        return s.dir_y < 0 ? SDLK_w : SDLK_s;
    }
    const double next_x = player.x + PLAYER_STEP * s.dir_x;
    if (next_x <= 0.0 || next_x >= ARENA_W - player.width) {
        s.dir_x = -s.dir_x;
        if ((s.dir_y < 0 && player.y - 20.0 < TOP_ROW) ||
            (s.dir_y > 0 && player.y + 20.0 > BOTTOM_ROW)) {
            s.dir_y = -s.dir_y;
        }
        s.vertical_left = 1;
        return s.dir_y < 0 ? SDLK_w : SDLK_s;
    }
    return s.dir_x > 0 ? SDLK_d : SDLK_a;
}

// The pointer sweeps the upper part of the screen in steps no hand could
// repeat exactly; demons made there start clear of the player's rows.
void pointer_at_step(int n, int& x, int& y)
{
    x = 1 + (n * 97) % 1190;
    y = 1 + (n * 41) % 480;
}

void take_reference(SheetRef& ref, const Entity& e)
{
    ref = SheetRef{};
    if (e.sprite == nullptr) {
        return;
    }
    std::memcpy(ref.path, e.sprite->name, SPRITE_NAME_LEN);
    ref.frame_w = e.sprite->frame_w;
    ref.frame_h = e.sprite->frame_h;
}

// One input step with Space and the left button held or not, the keys as given.
void input_step(std::array<Uint8, SDLK_LAST>& keys, bool space, bool button, int x, int y)
{
    keys[SDLK_SPACE] = space ? 1 : 0;
    apply_controls(Controls{keys.data(), static_cast<Uint8>(button ? SDL_BUTTON(1) : 0), x, y});
}

GameState captured()
{
    GameState s;
    capture_state(s);
    return s;
}

} // namespace

void bench_startup()
{
    game_startup();
    paint_background();
    capture_state(start_snapshot);
}

const GameState& startup_state()
{
    return start_snapshot;
}

GameState build_state(int steps, int demons, int shots)
{
    restore_state(start_snapshot);
    std::array<Uint8, SDLK_LAST> keys{};
    Strafe strafe;
    int x = 0;
    int y = 0;
    for (int n = 0; n < steps; ++n) {
        pointer_at_step(n, x, y);
        SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
        keys.fill(0);
        keys[strafe_key(strafe, entities[find_player()])] = 1;
        input_step(keys, n < demons, n < shots, x, y);
    }
    return captured();
}

GameState build_pile(int demons, int shots, int x, int y)
{
    restore_state(start_snapshot);
    std::array<Uint8, SDLK_LAST> keys{};
    SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
    keys[SDLK_c] = 1;
    apply_controls(Controls{keys.data(), 0, x, y});
    keys[SDLK_c] = 0;
    for (int n = 0; n < demons || n < shots; ++n) {
        input_step(keys, n < demons, n < shots, x, y);
    }
    return captured();
}

GameState build_pile_at_muzzle(int demons, int shots)
{
    const Entity& player = startup_state().table[0];
    return build_pile(demons, shots, static_cast<int>(player.x + MUZZLE_X),
                      static_cast<int>(player.y + MUZZLE_Y));
}

void capture_state(GameState& out)
{
    out.table = entities;
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        take_reference(out.sheets[i], entities[i]);
    }
    SDL_GetMouseState(&out.pointer_x, &out.pointer_y);
}

// The player's sheets are never released by the game, so its pointer is kept as
// is. Every other slot takes a fresh reference before the current table's are
// dropped, so no sheet the state needs is freed on the way.
void restore_state(const GameState& s)
{
    std::array<Sprite*, MAX_ENTITIES> sheets{};
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        const Entity& e = s.table[i];
        sheets[i] = e.sprite;
        if (e.is_player != 1 && e.sprite != nullptr) {
            sheets[i] = sprite_load({s.sheets[i].path, s.sheets[i].frame_w, s.sheets[i].frame_h});
        }
    }
    for (Entity& e : entities) {
        if (e.is_player != 1 && e.sprite != nullptr) {
            sprite_release(e.sprite);
        }
    }
    entities = s.table;
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        entities[i].sprite = sheets[i];
    }
    SDL_WarpMouse(static_cast<Uint16>(s.pointer_x), static_cast<Uint16>(s.pointer_y));
}

void frame_work()
{
    build_frame();
    show_frame();
}

void drawing_work()
{
    copy_view();
    draw_scene();
    show_frame();
}

int live_of_kind(int kind)
{
    int n = 0;
    for (const Entity& e : entities) {
        n += e.in_use == 1 && e.health >= 1 && e.kind == kind ? 1 : 0;
    }
    return n;
}
