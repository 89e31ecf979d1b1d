// Demon turns: pushing apart, contact damage, chasing the player.
#include "support.h"

#include <gtest/gtest.h>

TEST(Demons, TheStartUpPairPushApartThenCloseIn)
{
    start_game();
    update_demons();
    // Slot 1 is pushed right only (it is above the player), then chases.
    EXPECT_EQ(entities[1].x, 7.0);
    EXPECT_EQ(entities[1].y, 6.0);
    // Slot 2 tests against slot 1's new place but from its own snapshot.
    EXPECT_EQ(entities[2].x, 1.0);
    EXPECT_EQ(entities[2].y, 1.0);
    EXPECT_EQ(entities[0].health, 100);
}

TEST(Demons, ADemonOnThePlayerHurtsItAndIsPushedThenChases)
{
    start_game();
    entity_clear_all();
    const int k = place_demon(700, 700);
    update_demons();
    EXPECT_EQ(entities[0].health, 99);
    EXPECT_EQ(entities[k].x, 699.0);
    EXPECT_EQ(entities[k].y, 700.0);
}

TEST(Demons, ALevelDemonWalksStraightTowardThePlayerAndStopsAtItsDistance)
{
    start_game();
    entity_clear_all();
    entities[0].x = 500.0;
    entities[0].y = 400.0;
    const int k = place_demon(350, 365); // bottom edge 445 = player's bottom edge
    for (int i = 0; i < 30; ++i) {
        update_demons();
    }
    EXPECT_EQ(entities[k].x, 380.0);
    EXPECT_EQ(entities[k].y, 365.0);
    for (int i = 0; i < 100; ++i) {
        update_demons();
    }
    EXPECT_EQ(entities[k].x, 400.0) << "settles 100 px left of the player";
    EXPECT_EQ(entities[k].y, 365.0);

    // From the right it settles within the player's width plus 100.
    entity_clear_all();
    const int r = place_demon(700, 365);
    for (int i = 0; i < 200; ++i) {
        update_demons();
    }
    EXPECT_EQ(entities[r].x, 645.0);
}

TEST(Demons, ADeadPlayerIsStillHurtButNotChased)
{
    start_game();
    entity_clear_all();
    entities[0].health = 0;
    const int a = place_demon(700, 700);
    const int b = place_demon(300, 300);
    update_demons();
    EXPECT_EQ(entities[0].health, -1);
    EXPECT_EQ(entities[a].x, 699.0) << "pushed off the player";
    EXPECT_EQ(entities[a].y, 699.0) << "but no chase back down";
    EXPECT_EQ(entities[b].x, 300.0);
    EXPECT_EQ(entities[b].y, 300.0);
}

TEST(Demons, ShotsNeitherPushNorArePushed)
{
    start_game();
    entity_clear_all();
    entities[0].x = 100.0;
    entities[0].y = 100.0;
    fire_blaster(1000, 111); // slot 1, launched at (139, 111)
    const int k = place_demon(130, 100);
    const Entity shot = entities[1];
    update_demons();
    EXPECT_EQ(entities[1].x, shot.x);
    EXPECT_EQ(entities[1].y, shot.y);
    // Only the player pushes it: right (its left edge is right of the player's)
    // and up; the chase then lifts its bottom edge toward the player's.
    EXPECT_EQ(entities[k].x, 131.0);
    EXPECT_EQ(entities[k].y, 98.0);
    EXPECT_EQ(entities[0].health, 99);
}

TEST(Demons, AnUpperDemonIsPushedDownOnlyWhileBelowThePlayer)
{
    start_game();
    entity_clear_all();
    entities[0].x = 1000.0;
    entities[0].y = 100.0;
    // Lower demon b overlaps upper demon a: b would move down, away from a,
    // only while its top is below the player's top.
    place_demon(500, 150);
    const int b = place_demon(500, 200);
    update_demons();
    EXPECT_EQ(entities[b].y, 200.0 + 1.0 - 1.0) << "pushed down, then chased up";

    entities[0].y = 300.0;
    entities[b].y = 200.0;
    update_demons();
    EXPECT_EQ(entities[b].y, 200.0 + 1.0) << "no push, chased down";
}

TEST(Demons, FreeSlotsAreZeroRectanglesAtTheOriginAndPushToo)
{
    start_game();
    entity_clear_all();
    const int k = place_demon(-20, -10);
    const int free_slots = MAX_ENTITIES - count_taken();
    update_demons();
    // Every free slot is a point at (0, 0) inside the demon: each pushes it left
    // and up, then the chase moves it one step back toward the player.
    EXPECT_EQ(entities[k].x, -20.0 - free_slots + 1.0);
    EXPECT_EQ(entities[k].y, -10.0 - free_slots + 1.0);
}

TEST(Demons, OnlyLiveDemonsTakeATurn)
{
    start_game();
    entities[1].health = 0;
    entities[2].kind = KIND_BLASTER;
    update_demons();
    EXPECT_EQ(entities[1].x, 5.0);
    EXPECT_EQ(entities[2].x, 1.0);
}
