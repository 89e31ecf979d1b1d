// The sprite cache: one entry per path, reference counts, reuse of released
// entries, the entry limit, frame cutting and colour-key transparency.
#include "support.h"

#include "pictures.h"
#include "sprites.h"
#include "video.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// Runs the test in a fresh directory, so short relative paths can name sheets
// written by the test; the working directory is put back, and the directory
// removed, as it goes out of scope.
struct TempDir {
    std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::path dir;
    TempDir()
    {
        for (unsigned n = std::random_device{}();; ++n) {
            dir = std::filesystem::temp_directory_path() / ("fiends-sprites-" + std::to_string(n));
            if (std::filesystem::create_directory(dir)) {
                break;
            }
        }
        std::filesystem::current_path(dir);
    }
    ~TempDir()
    {
        std::filesystem::current_path(home);
        std::filesystem::remove_all(dir);
    }
};

// A 16x2 grid of cells, each a colour that names its cell: red = column,
// green = row, blue 77. Cells are cell x cell pixels.
void write_numbered_sheet(const char* path, int cell)
{
    save_png(path, 16 * cell, 2 * cell, [cell](int x, int y) {
        return Rgb{static_cast<Uint8>(10 * (x / cell)), static_cast<Uint8>(100 + y / cell), 77};
    });
}

void write_plain_sheet(const char* path, Rgb colour)
{
    save_png(path, 8, 8, [colour](int, int) { return colour; });
}

} // namespace

TEST(SpriteCache, RepeatRequestsShareOneEntryLoadedOnceWithTheFirstSizes)
{
    start_video();
    Sprite* first = sprite_load(DEMON_SHEET);
    SDL_Surface* surface = first->surface;
    ASSERT_NE(surface, nullptr);

    // Away from the pictures, a second request can only succeed from the cache.
    Sprite* second = nullptr;
    {
        const TempDir away;
        second = sprite_load({"images/demon.png", 12, 34});
    }

    EXPECT_EQ(second, first);
    EXPECT_EQ(second->surface, surface);
    EXPECT_EQ(second->refcount, 2);
    EXPECT_EQ(second->frame_w, 90);
    EXPECT_EQ(second->frame_h, 90);
    EXPECT_EQ(second->frames_per_row, FRAMES_PER_ROW);
    EXPECT_EQ(sprite_cache_used(), 1);
}

TEST(SpriteCache, ReleaseToZeroFreesAndTheLowestFreeEntryIsReused)
{
    start_video();
    Sprite* demon = sprite_load(DEMON_SHEET);
    Sprite* shot = sprite_load(BLASTER_SHEET);
    sprite_load(DEMON_SHEET);

    sprite_release(demon);
    EXPECT_EQ(demon->refcount, 1);
    EXPECT_NE(demon->surface, nullptr) << "still held once";

    sprite_release(demon);
    EXPECT_EQ(demon->refcount, 0);
    EXPECT_EQ(demon->surface, nullptr);
    EXPECT_EQ(demon->name[0], '\0');

    // A different path takes the freed entry 0 before the cache grows.
    Sprite* cursor = sprite_load(CURSOR_SHEET);
    EXPECT_EQ(cursor, demon);
    EXPECT_EQ(sprite_path(cursor), "images/mouse.png");
    EXPECT_EQ(cursor->frame_w, 16);
    EXPECT_EQ(sprite_cache_used(), 2);

    // Shots fired one at a time, each gone before the next, reload the same entry.
    sprite_release(shot);
    for (int i = 0; i < 1500; ++i) {
        Sprite* again = sprite_load(BLASTER_SHEET);
        ASSERT_EQ(again, shot);
        ASSERT_NE(again->surface, nullptr);
        sprite_release(again);
    }
    EXPECT_EQ(sprite_cache_used(), 2);
}

TEST(SpriteCache, AnEntryReleasedPastZeroIsNeverReusedNorFreedTwice)
{
    start_video();
    Sprite* shot = sprite_load(BLASTER_SHEET);
    sprite_release(shot);
    sprite_release(shot); // would be a double free if a count below zero freed again
    EXPECT_EQ(shot->refcount, -1);

    Sprite* next = sprite_load(DEMON_SHEET);
    EXPECT_NE(next, shot);
    EXPECT_EQ(sprite_cache_used(), 2);
}

TEST(SpriteCache, ReleaseAllThenClearingTheTableFreesEverySheet)
{
    start_game(); // cursor, player, two demons (demon sheet held twice)
    SDL_Surface* demon_sheet = entities[1].sprite->surface;
    ASSERT_EQ(entities[1].sprite->refcount, 2);

    sprite_release_all();
    EXPECT_EQ(entities[1].sprite->surface, demon_sheet) << "the demons still hold it";
    EXPECT_EQ(sprite_cache_entry(MAX_SPRITES - 1)->refcount, -1);
    entity_clear_all();
    for (int i = 0; i < sprite_cache_used(); ++i) {
        const Sprite* s = sprite_cache_entry(i);
        EXPECT_TRUE(s->refcount != 0 || s->surface == nullptr) << "entry " << i;
    }
    EXPECT_EQ(sprite_cache_entry(1)->surface, nullptr) << "the demon sheet";
}

TEST(SpriteCache, ACountThatCanGrowNoFurtherStaysAtItsMaximum)
{
    start_video();
    Sprite* fx = sprite_load(EXPLOSION_SHEET);
    // As if a pile of stuck shots had asked for the explosion for over a minute.
    fx->refcount = std::numeric_limits<int>::max() - 1;
    sprite_load(EXPLOSION_SHEET);
    sprite_load(EXPLOSION_SHEET);
    EXPECT_EQ(fx->refcount, std::numeric_limits<int>::max());
    sprite_release(fx);
    EXPECT_EQ(fx->refcount, std::numeric_limits<int>::max() - 1);
    EXPECT_NE(fx->surface, nullptr);
}

TEST(SpriteBlit, FramesAreCutSixteenToARow)
{
    start_video();
    const TempDir temp;
    write_numbered_sheet("sheet.png", 44);
    Sprite* s = sprite_load({"sheet.png", 44, 44});

    struct Case {
        int frame;
        int col;
        int row;
    };
    for (Case c : {Case{0, 0, 0}, Case{5, 5, 0}, Case{15, 15, 0}, Case{16, 0, 1}, Case{17, 1, 1}}) {
        fill(screen_buffer, {0, 0, 0});
        sprite_blit_frame(s, screen_buffer, 300, 200, c.frame);
        const Rgb want{static_cast<Uint8>(10 * c.col), static_cast<Uint8>(100 + c.row), 77};
        EXPECT_EQ(screen_pixel(300, 200), want) << "frame " << c.frame;
        EXPECT_EQ(screen_pixel(343, 243), want) << "frame " << c.frame;
        // Exactly one frame's size is drawn.
        EXPECT_EQ(screen_pixel(344, 200), (Rgb{0, 0, 0})) << "frame " << c.frame;
        EXPECT_EQ(screen_pixel(300, 244), (Rgb{0, 0, 0})) << "frame " << c.frame;
    }
}

TEST(SpriteBlit, WhiteIsTransparentAndNearWhiteIsNot)
{
    start_video();
    const TempDir temp;
    write_plain_sheet("white.png", {255, 255, 255});
    write_plain_sheet("almost.png", {254, 255, 255});
    fill(screen_buffer, {40, 50, 60});

    sprite_blit_frame(sprite_load({"white.png", 8, 8}), screen_buffer, 10, 10, 0);
    sprite_blit_frame(sprite_load({"almost.png", 8, 8}), screen_buffer, 30, 10, 0);

    EXPECT_EQ(screen_pixel(12, 12), (Rgb{40, 50, 60}));
    EXPECT_EQ(screen_pixel(32, 12), (Rgb{254, 255, 255}));
}

TEST(SpriteBlit, PositionsBeyondSixteenBitsWrapLikeTheRectangleFields)
{
    start_video();
    const TempDir temp;
    write_plain_sheet("red.png", {200, 0, 0});
    fill(screen_buffer, {0, 0, 0});
    sprite_blit_frame(sprite_load({"red.png", 8, 8}), screen_buffer, 65536 + 100, 50, 0);
    EXPECT_EQ(screen_pixel(100, 50), (Rgb{200, 0, 0}));
}

TEST(SpriteCacheDeathTest, AMissingPictureIsFatalWithStatusOne)
{
    EXPECT_EXIT(
        {
            start_video();
            sprite_load({"images/no_such_picture.png", 10, 10});
        },
        testing::ExitedWithCode(1),
        "^unable to load a vital sprite: images/no_such_picture\\.png: " REST_OF_LINE "\n$");
}

TEST(SpriteCacheDeathTest, TheNineHundredNinetyNinthSheetIsOneTooMany)
{
    start_video();
    const TempDir temp;
    write_plain_sheet("base.png", {1, 2, 3});
    for (int i = 0; i <= 998; ++i) {
        std::filesystem::copy_file("base.png", "s" + std::to_string(i));
    }
    std::vector<Sprite*> loaded;
    for (int i = 0; i < 998; ++i) {
        loaded.push_back(sprite_load({("s" + std::to_string(i)).c_str(), 8, 8}));
    }
    EXPECT_EQ(sprite_cache_used(), 998);
    // Releasing one makes room again without growing the cache.
    sprite_release(loaded[500]);
    EXPECT_EQ(sprite_load({"s998", 8, 8}), loaded[500]);
    EXPECT_EQ(sprite_cache_used(), 998);

    EXPECT_EXIT(sprite_load({"s500", 8, 8}), testing::ExitedWithCode(1),
                "^Maximum Sprites Reached.\n$");
}

// Every picture the game asks for, at the size its callers ask, with enough
// frames drawn and white as the transparent colour around them.
TEST(Pictures, EverySheetLoadsWithItsFramesDrawn)
{
    start_video();
    const std::pair<Sheet, int> sheets[] = {
        {PLAYER_SHEET, 1},  {PLAYER_RUN_SHEET, RUN_FRAMES}, {PLAYER_RUN_LEFT_SHEET, RUN_FRAMES},
        {DEMON_SHEET, 1},   {BLASTER_SHEET, 1},             {EXPLOSION_SHEET, 2},
        {CURSOR_SHEET, CURSOR_FRAMES},
    };
    const Rgb ground{1, 200, 1};
    for (const auto& [sheet, frames] : sheets) {
        Sprite* s = sprite_load(sheet);
        EXPECT_GE(s->surface->w, sheet.frame_w * std::min(frames, FRAMES_PER_ROW)) << sheet.path;
        EXPECT_GE(s->surface->h, sheet.frame_h * ((frames + 15) / 16)) << sheet.path;
        for (int f = 0; f < frames; ++f) {
            fill(screen_buffer, ground);
            sprite_blit_frame(s, screen_buffer, 0, 0, f);
            int drawn = 0;
            for (int y = 0; y < sheet.frame_h; ++y) {
                for (int x = 0; x < sheet.frame_w; ++x) {
                    drawn += screen_pixel(x, y) == ground ? 0 : 1;
                }
            }
            EXPECT_GT(drawn, 0) << sheet.path << " frame " << f << " is empty";
            EXPECT_LT(drawn, sheet.frame_w * sheet.frame_h)
                << sheet.path << " frame " << f << " has no transparent surround";
        }
    }
    SDL_Surface* background = picture_load(BACKGROUND_PICTURE);
    ASSERT_NE(background, nullptr);
    EXPECT_GE(background->w, ARENA_W);
    EXPECT_GE(background->h, ARENA_H);
    SDL_FreeSurface(background);
}

// Anything but a PNG of a size the game can use fails at once with its name and
// why, whatever decoder SDL_image may have for it.
TEST(Pictures, OnlyPngsOfAUsableSizeAreDecoded)
{
    start_video();
    const TempDir temp;
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_EQ(SDL_SaveBMP(s, "bitmap.png"), 0);
    SDL_FreeSurface(s);
    const auto black = [](int, int) { return Rgb{0, 0, 0}; };
    save_png("wide.png", 8193, 1, black);
    save_png("tall.png", 1, 8193, black);
    save_png("large.png", 8192, 2049, black); // 64 MiB and 32 KiB at 32 bits a pixel
    for (auto [path, reason] : {std::pair{"bitmap.png", "not a PNG picture"},
                                {"wide.png", "8193x1 pixels, more than the game can use"},
                                {"tall.png", "1x8193 pixels, more than the game can use"},
                                {"large.png", "8192x2049 pixels, more than the game can use"}}) {
        EXPECT_EQ(picture_load(path), nullptr) << path;
        EXPECT_EQ(std::string(SDL_GetError()), std::string(path) + ": " + reason);
    }
    // The largest sides the game takes.
    for (auto [w, h] : {std::pair{8192, 1}, {1, 8192}, {8192, 2048}}) {
        save_png("edge.png", w, h, black);
        SDL_Surface* edge = picture_load("edge.png");
        EXPECT_NE(edge, nullptr) << w << "x" << h << ": " << SDL_GetError();
        SDL_FreeSurface(edge);
    }
}
