// Blaster shots: flight along the stored line, hits, explosions.
#include "support.h"

#include "video.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A shot placed by hand with the given launch point, aim point and slope, far
// from anything it could hit. The game must be started.
int place_shot(double sx, double sy, double tx, double ty, double slope)
{
    entity_clear_all();
    fire_blaster(0, 0);
    Entity& b = entities[1];
    b.x = b.start_x = sx;
    b.y = b.start_y = sy;
    b.target_x = tx;
    b.target_y = ty;
    b.slope = slope;
    return 1;
}

struct Step {
    double dx;
    double dy;
};

Step one_step(int k)
{
    const double x = entities[k].x;
    const double y = entities[k].y;
    update_blasters();
    return {entities[k].x - x, entities[k].y - y};
}

} // namespace

TEST(BlasterFlight, StepsFollowTheStoredLineNotTheCurrentPosition)
{
    struct Case {
        const char* what;
        double sx, sy, tx, ty, slope;
        Step want;
    };
    start_game();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"flat right", 300, 300, 600, 300, 0.0, {30, 0}},
        {"left, slope 0.5", 600, 300, 400, 200, 0.5, {-30, -15}},
        {"right, slope -0.25", 300, 300, 700, 200, -0.25, {30, -7.5}},
        {"steep 41 below", 300, 300, 301, 341, 41.0, {0, 40}},
        {"steep 41 above", 300, 300, 299, 259, 41.0, {0, -40}},
        {"infinite, below", 300, 300, 300, 600, inf, {0, 40}},
        {"minus infinite, above", 300, 300, 300, 100, -inf, {0, -40}},
        {"slope exactly 40", 300, 300, 301, 340, 40.0, {30, 1200}},
        {"own launch point", 300, 300, 300, 300, std::nan(""), {0, 0}},
    };
    for (const Case& c : cases) {
        const int k = place_shot(c.sx, c.sy, c.tx, c.ty, c.slope);
        const Step s = one_step(k);
        EXPECT_DOUBLE_EQ(s.dx, c.want.dx) << c.what;
        EXPECT_DOUBLE_EQ(s.dy, c.want.dy) << c.what;
    }

    // Past its aim point the shot keeps its pace.
    const int k = place_shot(300, 300, 360, 300, 0.0);
    for (int i = 0; i < 5; ++i) {
        one_step(k);
    }
    EXPECT_EQ(entities[k].x, 450.0);
}

TEST(BlasterFlight, AShotAtItsOwnLaunchPointStaysUntilCleared)
{
    start_game();
    entity_clear_all();
    const Entity& p = entities[0];
    fire_blaster(static_cast<int>(p.x) + 39, static_cast<int>(p.y) + 11);
    for (int i = 0; i < 50; ++i) {
        update_blasters();
        cull_entities();
    }
    EXPECT_EQ(entities[1].kind, KIND_BLASTER);
    EXPECT_EQ(entities[1].x, 789.0);
    EXPECT_EQ(entities[1].health, 100);
    entity_clear_all();
    EXPECT_EQ(entities[1].in_use, 0);
}

TEST(BlasterHits, OneShotOverTwoDemonsHitsBothInTheSameFrame)
{
    start_game();
    entity_clear_all();
    const int a = place_demon(500, 500);
    const int b = place_demon(520, 520);
    fire_blaster(1000, 600);
    const int k = 3;
    entities[k].x = 540.0;
    entities[k].y = 540.0;

    update_blasters();
    EXPECT_EQ(entities[a].health, 95);
    EXPECT_EQ(entities[b].health, 95);
    EXPECT_EQ(entities[k].health, 0);
    EXPECT_EQ(entities[k].x, 570.0) << "a shot that hit still takes its step";
    cull_entities();
    EXPECT_EQ(entities[k].in_use, 0);
    EXPECT_EQ(count_taken(), 3);
}

TEST(BlasterHits, ShotsNeverHitShotsThePlayerOrTheDead)
{
    start_game();
    entity_clear_all();
    entities[0].x = 500.0;
    entities[0].y = 500.0;
    fire_blaster(1000, 511); // slots 1 and 2 start on the player and on each other
    fire_blaster(1000, 511);
    const int dead = place_demon(520, 490);
    entities[dead].health = -5;

    update_blasters();
    EXPECT_EQ(entities[0].health, 100);
    EXPECT_EQ(entities[1].health, 100);
    EXPECT_EQ(entities[2].health, 100);
    EXPECT_EQ(entities[dead].health, -5);
}

TEST(BlasterHits, TwentyHitsRemoveADemonAndTheCullFreesBothThatFrame)
{
    start_game();
    entity_clear_all();
    const int d = place_demon(600, 300);
    for (int hit = 1; hit <= 20; ++hit) {
        fire_blaster(1000, 300);
        Entity& shot = entities[2];
        ASSERT_EQ(shot.kind, KIND_BLASTER);
        shot.x = 620.0;
        shot.y = 320.0;
        update_blasters();
        update_demons();
        cull_entities();
        EXPECT_EQ(entities[2].in_use, 0) << "hit " << hit;
        if (hit < 20) {
            ASSERT_EQ(entities[d].health, 100 - 5 * hit);
        }
    }
    EXPECT_EQ(entities[d].in_use, 0);
    EXPECT_EQ(count_taken(), 1);
}

TEST(BlasterHits, TheExplosionIsDrawnWhereTheShotWasBeforeItsStep)
{
    start_game();
    entity_clear_all();
    place_demon(600, 300);
    fire_blaster(1000, 300);
    entities[2].x = 590.0;
    entities[2].y = 310.0;
    const Rgb ground{3, 4, 5};
    fill(screen_buffer, ground);

    update_blasters();

    Sprite* fx = sprite_load(EXPLOSION_SHEET);
    EXPECT_GE(fx->refcount, 2) << "each hit asks the cache for the explosion";
    SDL_Surface* sheet = fx->surface;
    const Rgb key{255, 255, 255};
    int drawn = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            // Frame 1 is drawn over frame 0: where frame 1 is transparent,
            // frame 0 shows through.
            const Rgb frame0 = pixel(sheet, x, y);
            const Rgb frame1 = pixel(sheet, 16 + x, y);
            const Rgb want = frame1 != key ? frame1 : frame0 != key ? frame0 : ground;
            EXPECT_EQ(screen_pixel(590 + x, 310 + y), want) << x << "," << y;
            drawn += want == ground ? 0 : 1;
        }
    }
    EXPECT_GT(drawn, 0);
}
