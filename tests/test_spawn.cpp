// The three spawners.
#include "support.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Spawn, StartUpPutsThePlayerInSlotZeroAndTwoDemons)
{
    start_game();
    const Entity& p = entities[0];
    EXPECT_EQ(find_player(), 0);
    EXPECT_EQ(p.kind, KIND_PLAYER);
    EXPECT_EQ(p.x, 750.0);
    EXPECT_EQ(p.y, 750.0);
    EXPECT_EQ(p.width, 45.0);
    EXPECT_EQ(p.health, 100);
    EXPECT_EQ(p.lives, 3);
    EXPECT_EQ(p.active, 1);
    EXPECT_TRUE(is_sheet(p.sprite, "images/player.png"));

    for (int k : {1, 2}) {
        EXPECT_EQ(entities[k].kind, KIND_DEMON);
        EXPECT_EQ(entities[k].width, 80.0);
        EXPECT_EQ(entities[k].height, 80.0);
        EXPECT_EQ(entities[k].health, 100);
        EXPECT_EQ(entities[k].is_player, 0);
        EXPECT_TRUE(is_sheet(entities[k].sprite, "images/demon.png"));
    }
    EXPECT_EQ(entities[1].x, 5.0);
    EXPECT_EQ(entities[2].x, 1.0);
    EXPECT_EQ(count_taken(), 3);
}

TEST(Spawn, ADemonStandsWhereThePointerWasAndInheritsStaleFields)
{
    start_game();
    entities[2].lives = 7; // a freed slot keeps lives for its next occupant
    entity_free(&entities[2]);
    spawn_demon(600, 300);
    EXPECT_EQ(entities[2].x, 600.0);
    EXPECT_EQ(entities[2].y, 300.0);
    EXPECT_EQ(entities[2].lives, 7);
    EXPECT_EQ(entities[2].anim_frame, 0);
}

TEST(Spawn, ShotsLeaveFromAFixedPointOnThePlayerTowardThePointer)
{
    start_game();
    entities[0].x = 100.0;
    entities[0].y = 200.0;

    fire_blaster(339, 211);
    const Entity& flat = entities[3];
    EXPECT_EQ(flat.kind, KIND_BLASTER);
    EXPECT_EQ(flat.x, 139.0);
    EXPECT_EQ(flat.y, 211.0);
    EXPECT_EQ(flat.start_x, 139.0);
    EXPECT_EQ(flat.start_y, 211.0);
    EXPECT_EQ(flat.target_x, 339.0);
    EXPECT_EQ(flat.target_y, 211.0);
    EXPECT_EQ(flat.slope, 0.0);
    EXPECT_EQ(flat.width, 15.0);
    EXPECT_EQ(flat.health, 100);
    EXPECT_TRUE(is_sheet(flat.sprite, "images/blaster.png"));

    fire_blaster(139, 400);
    EXPECT_TRUE(std::isinf(entities[4].slope));
    fire_blaster(139, 211);
    EXPECT_TRUE(std::isnan(entities[5].slope));
    fire_blaster(239, 261);
    EXPECT_DOUBLE_EQ(entities[6].slope, 0.5);
}

TEST(Spawn, ADeadPlayerFiresNothing)
{
    start_game();
    entities[0].health = 0;
    fire_blaster(300, 300);
    entities[0].health = -4;
    fire_blaster(300, 300);
    EXPECT_EQ(count_taken(), 3);

    entities[0].health = 1;
    entities[0].active = 0; // being finished plays no part in firing
    fire_blaster(300, 300);
    EXPECT_EQ(count_taken(), 4);
}
