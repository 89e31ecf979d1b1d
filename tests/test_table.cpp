// The entity table: slots, clearing, the overlap test, the cull, and the one
// conversion from double positions to 16-bit rectangle fields.
#include "support.h"

#include "rect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(RectFields, TruncateTowardZeroThenKeepTheLow16Bits)
{
    EXPECT_EQ(rect_coord(5.9), 5);
    EXPECT_EQ(rect_coord(-1.9), -1);
    EXPECT_EQ(rect_coord(-0.5), 0);
    EXPECT_EQ(rect_coord(32767.9), 32767);
    EXPECT_EQ(rect_coord(32768.0), -32768);
    EXPECT_EQ(rect_coord(65536.0 + 5.7), 5);
    EXPECT_EQ(rect_coord(-32769.0), 32767);
    EXPECT_EQ(rect_size(70000.0), 70000 - 65536);
    EXPECT_EQ(rect_size(-1.0), 65535);
    EXPECT_EQ(rect_coord(123456789012345.7), -8327);
}

TEST(RectFields, HugeAndNonFiniteInputsStayDefined)
{
    // Past the range of a 64-bit integer the low bits still come out exactly.
    const double big = std::ldexp(1.0, 63) + 7.0 * 1048576.0 + 2048.0;
    EXPECT_EQ(rect_coord(big), 2048);
    EXPECT_EQ(rect_coord(-big), -2048);
    EXPECT_EQ(rect_size(-big), 65536 - 2048);
    EXPECT_EQ(rect_coord(std::numeric_limits<double>::max()), 0);
    EXPECT_EQ(rect_coord(-std::numeric_limits<double>::max()), 0);
    EXPECT_EQ(rect_coord(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(rect_coord(std::nan("")), 0);
}

TEST(RectsOverlap, EdgesAndCornersThatTouchCount)
{
    EXPECT_EQ(rects_overlap(0, 0, 10, 10, 10, 10, 5, 5), 1); // corner touch
    EXPECT_EQ(rects_overlap(0, 0, 10, 10, 11, 0, 5, 5), 0);
    EXPECT_EQ(rects_overlap(10, 10, 5, 5, 0, 0, 10, 10), 1);
    EXPECT_EQ(rects_overlap(0, 11, 10, 10, 0, 0, 10, 10), 0); // one row apart
    EXPECT_EQ(rects_overlap(0, 0, 10, 10, 0, 10, 10, 10), 1); // shared edge
    // A zero-size rectangle overlaps whatever contains or touches its point.
    EXPECT_EQ(rects_overlap(-5, -5, 80, 80, 0, 0, 0, 0), 1);
    EXPECT_EQ(rects_overlap(1, 1, 80, 80, 0, 0, 0, 0), 0);
    // Sums are taken in 32 bits: no wrap at the 16-bit edge.
    EXPECT_EQ(rects_overlap(32767, 0, 65535, 10, -32768, 0, 10, 10), 0);
    EXPECT_EQ(rects_overlap(-32768, 0, 65535, 10, 32767, 0, 0, 0), 1);
    EXPECT_EQ(rects_overlap(32760, 0, 100, 10, 0, 0, 40000, 10), 1); // both sums pass 32767
}

TEST(EntityTable, AFullTableRefusesSilentlyAndAFreedSlotIsTakenNext)
{
    start_game();
    while (count_taken() < MAX_ENTITIES) {
        spawn_demon(300, 300);
    }
    EXPECT_EQ(entity_alloc(), nullptr);
    const int demon_refs = entities[1].sprite->refcount;
    spawn_demon(10, 10);
    fire_blaster(400, 400);
    EXPECT_EQ(count_taken(), MAX_ENTITIES);
    EXPECT_EQ(entities[1].sprite->refcount, demon_refs) << "nothing was spawned";

    entity_free(&entities[500]);
    EXPECT_EQ(count_taken(), MAX_ENTITIES - 1);
    fire_blaster(400, 400);
    EXPECT_EQ(entities[500].kind, KIND_BLASTER);
    EXPECT_EQ(count_taken(), MAX_ENTITIES);
}

TEST(EntityTable, FreeingResetsTheSlotButKeepsWhatTheNextOccupantMaySee)
{
    start_game();
    fire_blaster(900, 300);
    Entity& shot = entities[3];
    ASSERT_EQ(shot.kind, KIND_BLASTER);
    const double slope = shot.slope;
    const double start_x = shot.start_x;

    entity_free(&shot);
    EXPECT_EQ(shot.in_use, 0);
    EXPECT_EQ(shot.health, -1);
    EXPECT_EQ(shot.kind, 0);
    EXPECT_EQ(shot.sprite, nullptr);
    EXPECT_EQ(shot.x, 0.0);
    EXPECT_EQ(shot.target_x, 0.0);
    EXPECT_EQ(shot.slope, slope);
    EXPECT_EQ(shot.start_x, start_x);

    entity_free(nullptr); // accepted, does nothing
    entity_free(&shot);   // freeing a free slot only rewrites the same values
    EXPECT_EQ(shot.health, -1);
}

TEST(EntityTable, ClearingKeepsOnlyThePlayerWithAllItsFields)
{
    start_game();
    player_move(10, 0);
    spawn_demon(600, 300);
    fire_blaster(100, 100);
    const Entity before = entities[0];

    entity_clear_all();

    EXPECT_EQ(count_taken(), 1);
    EXPECT_EQ(find_player(), 0);
    const Entity& after = entities[0];
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    EXPECT_EQ(after.health, before.health);
    EXPECT_EQ(after.lives, before.lives);
    EXPECT_EQ(after.sprite, before.sprite);
    EXPECT_EQ(after.anim_frame, before.anim_frame);

    // A full table clears down to the player too, up to the last slot.
    while (count_taken() < MAX_ENTITIES) {
        spawn_demon(300, 300);
    }
    entity_clear_all();
    EXPECT_EQ(count_taken(), 1);
    EXPECT_EQ(entities[MAX_ENTITIES - 1].in_use, 0);
}

TEST(Cull, DeadAndDepartedEntitiesGoOthersStay)
{
    start_game();
    struct Case {
        double x;
        double y;
        int health;
        bool stays;
    };
    const Case cases[] = {
        {1280.5, 300, 100, false}, {1280.0, 300, 100, true}, {300, 800.5, 100, false},
        {300, 800.0, 100, true},   {-100.0, 300, 100, true}, {-100.5, 300, 100, false},
        {300, -100.5, 100, false}, {-150, 300, 100, false},  {300, 300, 0, false},
        {300, 300, -3, true}, // negative health is not "dead" to the cull
    };
    for (const Case& c : cases) {
        entity_clear_all();
        const int k = place_demon(c.x, c.y);
        entities[k].health = c.health;
        cull_entities();
        EXPECT_EQ(entities[k].in_use == 1, c.stays)
            << "at (" << c.x << "," << c.y << ") health " << c.health;
    }

    entities[0].x = -500.0;
    entities[0].health = 0;
    cull_entities();
    EXPECT_EQ(entities[0].in_use, 1) << "the player is never freed";
}
