// Whole-game checks: the real start-up and frames played through the controls,
// judged by the pixels of the screen buffer and the entity table, as a player
// would see them.
#include "support.h"

#include "entities/entities.h"
#include "pictures.h"
#include "video.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr Rgb WHITE{255, 255, 255};
constexpr Rgb BLUE{0, 0, 128};
constexpr Rgb RED{128, 0, 0};
constexpr Rgb PALE{250, 250, 255};
// Out of the way of everything these tests look at.
constexpr int PARK_X = 1200;
constexpr int PARK_Y = 700;

// A picture as the game has it: converted to the screen's format.
SDL_Surface* sheet(const std::string& path)
{
    // Never destroyed, so the surfaces stay reachable until the process ends.
    static auto& loaded = *new std::map<std::string, SDL_Surface*>;
    SDL_Surface*& s = loaded[path];
    if (s == nullptr) {
        SDL_Surface* raw = picture_load(path.c_str());
        EXPECT_NE(raw, nullptr) << path;
        s = SDL_DisplayFormat(raw);
        SDL_FreeSurface(raw);
    }
    return s;
}

Rgb background(int x, int y)
{
    return pixel(sheet(BACKGROUND_PICTURE), x, y);
}

Held idle(int x = PARK_X, int y = PARK_Y)
{
    Held in;
    in.x = x;
    in.y = y;
    return in;
}

Held holding(std::initializer_list<SDLKey> keys, Uint8 buttons = 0, int x = PARK_X,
             int y = PARK_Y)
{
    Held in = idle(x, y);
    for (SDLKey k : keys) {
        in.keys[k] = 1;
    }
    in.buttons = buttons;
    return in;
}

bool on_screen(int x, int y)
{
    return x >= 0 && y >= 0 && x < ARENA_W && y < ARENA_H;
}

// What should show at one pixel, given by the caller; returns how many on-screen
// pixels of the rectangle differ, and describes the first.
template <typename Expected>
int count_differences(int x0, int y0, int w, int h, Expected expected, std::string& first)
{
    int bad = 0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            if (!on_screen(x, y)) {
                continue;
            }
            const Rgb want = expected(x, y);
            const Rgb got = screen_pixel(x, y);
            if (got != want && bad++ == 0) {
                std::ostringstream os;
                os << "at (" << x << "," << y << ") want " << want << " got " << got;
                first = os.str();
            }
        }
    }
    return bad;
}

// Nothing but the background in the rectangle.
void expect_background(int x, int y, int w, int h)
{
    std::string first;
    EXPECT_EQ(count_differences(x, y, w, h, background, first), 0)
        << "background expected in (" << x << "," << y << " " << w << "x" << h << "), " << first;
}

void expect_colour(int x, int y, int w, int h, Rgb c)
{
    std::string first;
    EXPECT_EQ(count_differences(x, y, w, h, [c](int, int) { return c; }, first), 0)
        << c << " expected in (" << x << "," << y << " " << w << "x" << h << "), " << first;
}

// The sheet's own pixels wherever its frame is not transparent white.
void expect_frame(const Sheet& drawn, int frame, int x, int y)
{
    const std::string path = drawn.path;
    const int fw = drawn.frame_w;
    const int fh = drawn.frame_h;
    SDL_Surface* s = sheet(path);
    const int sx = fw * (frame % 16);
    int opaque = 0;
    int bad = 0;
    std::string first;
    for (int j = 0; j < fh; ++j) {
        for (int i = 0; i < fw; ++i) {
            const Rgb want = pixel(s, sx + i, j);
            if (want == WHITE || !on_screen(x + i, y + j)) {
                continue;
            }
            ++opaque;
            const Rgb got = screen_pixel(x + i, y + j);
            if (got != want && bad++ == 0) {
                std::ostringstream os;
                os << "at (" << x + i << "," << y + j << ") want " << want << " got " << got;
                first = os.str();
            }
        }
    }
    ASSERT_GT(opaque, 0) << path << " frame " << frame << " shows nothing here";
    EXPECT_EQ(bad, 0) << path << " frame " << frame << " at (" << x << "," << y << "): " << bad
                      << " of " << opaque << " pixels differ, first " << first;
}

// A bar of `filled` pixels in `c` at (x, y), with nothing of a bar beyond it:
// the rest of the 50x5 and a one-pixel ring around it show the background.
void expect_bar(int x, int y, int filled, Rgb c)
{
    if (filled > 0) {
        expect_colour(x, y, filled, BAR_HEIGHT, c);
    }
    expect_background(x + filled, y, BAR_WIDTH - filled, BAR_HEIGHT);
    expect_background(x - 1, y - 1, BAR_WIDTH + 2, 1);
    expect_background(x - 1, y + BAR_HEIGHT, BAR_WIDTH + 2, 1);
    expect_background(x - 1, y, 1, BAR_HEIGHT);
    expect_background(x + BAR_WIDTH, y, 1, BAR_HEIGHT);
}

void expect_lives_row(int lives)
{
    for (int j = 0; j < lives; ++j) {
        expect_frame(PLAYER_SHEET, 0, 10 + 60 * j, 10);
    }
    expect_background(10 + 60 * lives, 10, 50, 50);
}

// Pixels outside the cursor's 16x16 that are not the pale game-over colour.
int non_pale_outside_cursor(int cx, int cy)
{
    SDL_Surface* s = screen_buffer;
    const Uint32 pale = SDL_MapRGB(s->format, PALE.r, PALE.g, PALE.b);
    const Uint32 rgb_mask = s->format->Rmask | s->format->Gmask | s->format->Bmask;
    int bad = 0;
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        const Uint32* row =
            reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x) {
            const bool in_cursor = x >= cx && x < cx + 16 && y >= cy && y < cy + 16;
            bad += !in_cursor && (row[x] & rgb_mask) != (pale & rgb_mask);
        }
    }
    SDL_UnlockSurface(s);
    return bad;
}

// The start-up demons gone, so the scene holds only what a test puts in it.
void start_with_player_only()
{
    start_game();
    entity_clear_all();
    ASSERT_EQ(count_taken(), 1);
}

TEST(GameScene, StartUpShowsLivesBarsAndCursor)
{
    start_game();
    ASSERT_EQ(screen_buffer->format->BytesPerPixel, 4);
    play_frame(idle(1000, 300));

    // Three icons, drawn over the demons in the corner, and no fourth.
    expect_lives_row(3);
    // The player has not moved: a full blue bar 5 left of and 8 above (750, 750).
    expect_bar(745, 742, 50, BLUE);
    expect_frame(PLAYER_SHEET, 0, 750, 750);
    // Slot 1's demon, at (7, 6) after its first turn, has a bar at (2, -2): only
    // its bottom three rows are on screen. Slot 2's, at (-4, -7), is all off it.
    expect_colour(2, 0, 50, 3, BLUE);
    expect_background(52, 0, 10, 1);
    expect_background(0, 0, 2, 1);

    // The cursor sits at the pointer and steps through the 16 frames of its sheet.
    expect_frame(CURSOR_SHEET, 0, 1000, 300);
    play_frame(idle(200, 500));
    expect_frame(CURSOR_SHEET, 1, 200, 500);
    expect_background(1000, 300, 16, 16);
    for (int n = 2; n <= 15; ++n) {
        play_frame(idle(200, 500));
    }
    expect_frame(CURSOR_SHEET, 15, 200, 500);
    play_frame(idle(200, 500));
    expect_frame(CURSOR_SHEET, 0, 200, 500);
}

TEST(GameScene, BarsFollowPlayerAndDemons)
{
    start_with_player_only();
    place_demon(300, 300);
    place_demon(900, 200);
    play_frame(idle());

    // Each demon takes one chasing step toward the player at (750, 750) before it
    // is drawn: (300, 300) -> (301, 301) and (900, 200) -> (899, 201).
    expect_bar(296, 293, 50, BLUE);
    expect_bar(894, 193, 50, BLUE);
    expect_bar(745, 742, 50, BLUE);
    expect_frame(DEMON_SHEET, 0, 301, 301);
    expect_frame(DEMON_SHEET, 0, 899, 201);
}

TEST(GameScene, BarWidthAndColourFollowHealth)
{
    start_with_player_only();
    struct Case {
        int health;
        int filled;
        Rgb colour;
    };
    for (const Case& c : {Case{100, 50, BLUE}, Case{60, 30, BLUE}, Case{25, 12, BLUE},
                          Case{24, 12, RED}, Case{1, 0, RED}}) {
        SCOPED_TRACE("health " + std::to_string(c.health));
        entities[0].health = c.health;
        play_frame(idle());
        ASSERT_EQ(entities[0].health, c.health);
        expect_bar(745, 742, c.filled, c.colour);
    }
}

// Health -1 gives a zero width; -2 and below would give a negative one, which
// must not become a bar stretching to the screen's right edge.
TEST(GameScene, RevivalFrameWithHealthBelowZeroDrawsNoBar)
{
    start_with_player_only();
    for (int health : {-1, -2, -7}) {
        SCOPED_TRACE("health " + std::to_string(health));
        entities[0].x = 750;
        entities[0].y = 750;
        entities[0].lives = 3;
        entities[0].health = health;
        play_frame(idle());
        EXPECT_EQ(entities[0].lives, 2);
        EXPECT_EQ(entities[0].x, 80);
        expect_background(744, 741, ARENA_W - 744, BAR_HEIGHT + 2);
    }
}

TEST(GameScene, DeathWithLivesLeftRevivesAtOnce)
{
    start_with_player_only();
    entities[0].health = 1;
    entities[0].lives = 2;
    // Overlapping the player: its first turn takes the last point.
    place_demon(760, 760);

    play_frame(idle());
    const Entity& p = entities[0];
    EXPECT_EQ(p.x, 80);
    EXPECT_EQ(p.y, 80);
    EXPECT_EQ(p.health, 100);
    EXPECT_EQ(p.lives, 1);
    EXPECT_EQ(p.anim_frame, 1);
    // Cache keys keep only a path's first 20 bytes.
    EXPECT_EQ(sprite_path(p.sprite), std::string(PLAYER_RUN_SHEET.path, SPRITE_NAME_LEN));
    // This frame's lives row was drawn before the revival; the dead player is
    // not drawn and gets no bar at its old place. The demon, pushed right and
    // down by the contact and not chasing a dead player, stands at (761, 761).
    expect_lives_row(2);
    expect_background(744, 741, 52, BAR_HEIGHT + 2);
    expect_bar(756, 753, 50, BLUE);

    play_frame(idle());
    expect_lives_row(1);
    expect_frame(PLAYER_RUN_SHEET, 1, 80, 80);
    expect_bar(75, 72, 50, BLUE);
}

TEST(GameScene, GameOverCoversAllButTheCursorAndIgnoresControls)
{
    start_with_player_only();
    entities[0].health = 1;
    entities[0].lives = 0;
    place_demon(700, 700);
    constexpr int CX = 400;
    constexpr int CY = 300;

    play_frame(idle(CX, CY));
    EXPECT_EQ(non_pale_outside_cursor(CX, CY), 0);
    expect_frame(CURSOR_SHEET, 0, CX, CY);
    EXPECT_EQ(count_taken(), 1);
    const std::vector<Uint8> first = screen_bytes();

    // Sixteen frames bring the cursor back to the same frame: with everything
    // held meanwhile, the screen must come out exactly as it was.
    const Held everything =
        holding({SDLK_SPACE, SDLK_w, SDLK_a, SDLK_s, SDLK_d}, SDL_BUTTON(1), CX, CY);
    for (int n = 1; n <= 16; ++n) {
        play_frame(everything);
        ASSERT_EQ(non_pale_outside_cursor(CX, CY), 0) << "frame " << n << " after game over";
    }
    EXPECT_TRUE(screen_bytes() == first) << "held controls changed the game-over screen";
}

TEST(GameControls, ClearWinsOverSpawnAndFireInTheSameStep)
{
    start_with_player_only();
    play_frame(holding({SDLK_c, SDLK_SPACE}, SDL_BUTTON(1), 400, 300));
    EXPECT_EQ(count_taken(), 1);
    play_frame(idle());
    expect_background(400, 300, 90, 90);

    // The same without C leaves a demon and a shot, and the demon shows.
    play_frame(holding({SDLK_SPACE}, SDL_BUTTON(1), 400, 300));
    EXPECT_EQ(count_taken(), 3);
    play_frame(idle());
    expect_frame(DEMON_SHEET, 0, 401, 301);
}

TEST(GameControls, EscapeIsSeenAfterTheOtherControls)
{
    start_with_player_only();
    EXPECT_FALSE(play_frame(holding({SDLK_d})));
    EXPECT_EQ(entities[0].x, 760);

    EXPECT_TRUE(play_frame(holding({SDLK_d, SDLK_SPACE, SDLK_ESCAPE}, 0, 300, 200)));
    EXPECT_EQ(entities[0].x, 770);
    EXPECT_EQ(count_taken(), 2);
    EXPECT_TRUE(play_frame(holding({SDLK_ESCAPE})));
}

TEST(GameScene, ShotThatHitsShowsOnlyItsExplosion)
{
    start_with_player_only();
    // Launched from (789, 761), 39 right of and 11 below the player's corner,
    // aimed up and left along slope 1: 30 pixels left and up each frame.
    play_frame(holding({}, SDL_BUTTON(1), 489, 461));
    for (int n = 1; n <= 7; ++n) {
        play_frame(idle());
    }
    const int shot = 1;
    ASSERT_EQ(entities[shot].kind, KIND_BLASTER);
    ASSERT_EQ(entities[shot].x, 579);
    ASSERT_EQ(entities[shot].y, 551);
    expect_frame(BLASTER_SHEET, 0, 579, 551);

    // A demon whose top edge touches the shot's bottom edge (551 + 15).
    const int demon = place_demon(579, 566);
    play_frame(idle());
    EXPECT_EQ(entities[demon].health, 95);
    EXPECT_EQ(entities[shot].in_use, 0);

    // The shot is not drawn where it flew to...
    expect_background(549, 521, 10, 10);
    // ...but its explosion stays where it hit: frame 1 over frame 0 over the
    // background, except under the demon's bar (95 health: 47 wide, at
    // (575, 559) after the demon's step to (580, 567)).
    SDL_Surface* fx = sheet(EXPLOSION_SHEET.path);
    auto expected = [fx](int x, int y) {
        if (x >= 575 && x < 575 + 47 && y >= 559 && y < 559 + BAR_HEIGHT) {
            return BLUE;
        }
        for (int frame : {1, 0}) {
            const Rgb c = pixel(fx, 16 * frame + x - 579, y - 551);
            if (c != WHITE) {
                return c;
            }
        }
        return background(x, y);
    };
    int visible = 0;
    for (int y = 551; y < 551 + 16; ++y) {
        for (int x = 579; x < 579 + 16; ++x) {
            visible += expected(x, y) != background(x, y) && expected(x, y) != BLUE;
        }
    }
    ASSERT_GT(visible, 0) << "the explosion's art leaves nothing to see here";
    std::string first;
    EXPECT_EQ(count_differences(579, 551, 16, 16, expected, first), 0) << first;
    expect_frame(DEMON_SHEET, 0, 580, 567);
}

} // namespace
