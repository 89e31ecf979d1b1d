// Player movement: bounds, revival, contact damage, sprite and running frame.
#include "support.h"

#include <gtest/gtest.h>

namespace {

// The start-up demons would touch nothing near the player, but tests want an
// empty field around it.
void player_alone_at(double x, double y)
{
    start_game();
    entity_clear_all();
    entities[0].x = x;
    entities[0].y = y;
}

} // namespace

TEST(PlayerMove, BlockedMovesAreDroppedWholeWithoutSliding)
{
    player_alone_at(5, 300);
    place_demon(0, 290); // touching: a move that went ahead would cost health
    Sprite* sprite = entities[0].sprite;

    player_move(-10, 0);
    EXPECT_EQ(entities[0].x, 5.0);
    EXPECT_EQ(entities[0].y, 300.0);
    EXPECT_EQ(entities[0].health, 100);
    EXPECT_EQ(entities[0].sprite, sprite);

    player_move(0, -10); // the separate W call still goes
    EXPECT_EQ(entities[0].y, 290.0);
    EXPECT_EQ(entities[0].health, 99);

    // Right edge: a 45-wide player stops strictly short of x = 1235.
    entity_clear_all();
    entities[0].x = 1200.0;
    for (int i = 0; i < 5; ++i) {
        player_move(10, 0);
    }
    EXPECT_EQ(entities[0].x, 1230.0);
    entities[0].y = 740.0;
    player_move(0, 10); // 750 is still short of 800 - 45
    EXPECT_EQ(entities[0].y, 750.0);
    player_move(0, 10); // 760 is not
    EXPECT_EQ(entities[0].y, 750.0);
    // Top edge: y must stay above 0.
    entities[0].y = 10.0;
    player_move(0, -10);
    EXPECT_EQ(entities[0].y, 10.0);
}

TEST(PlayerMove, FractionsAreDroppedOnAMove)
{
    player_alone_at(100.7, 200.9);
    player_move(0, 10);
    EXPECT_EQ(entities[0].x, 100.0);
    EXPECT_EQ(entities[0].y, 210.0);
}

TEST(PlayerMove, RunningCyclesElevenFramesAndPicksTheSheetByDirection)
{
    player_alone_at(300, 300);
    std::vector<int> frames;
    for (int i = 0; i < 12; ++i) {
        player_move(10, 0);
        frames.push_back(entities[0].anim_frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1}));
    EXPECT_TRUE(is_sheet(entities[0].sprite, "images/player_run.png"));
    EXPECT_EQ(entities[0].sprite->frame_w, 44);

    player_move(-10, 0);
    EXPECT_EQ(entities[0].anim_frame, 2);
    EXPECT_TRUE(is_sheet(entities[0].sprite, "images/player_run_left.png"));

    player_move(0, -10); // vertical only: standing sheet, frame 0
    EXPECT_EQ(entities[0].anim_frame, 0);
    EXPECT_TRUE(is_sheet(entities[0].sprite, "images/player.png"));

    // W and D held together: idle first, then running frame 1, every frame.
    for (int i = 0; i < 3; ++i) {
        player_move(0, -10);
        player_move(10, 0);
        EXPECT_EQ(entities[0].anim_frame, 1);
        EXPECT_TRUE(is_sheet(entities[0].sprite, "images/player_run.png"));
    }
}

TEST(PlayerMove, ContactCostsOnePerTouchingNonShotSlotWhereThePlayerStood)
{
    player_alone_at(400, 400);
    place_demon(350, 350);
    place_demon(440, 440);
    fire_blaster(500, 430); // starts inside the player: shots never hurt it
    ASSERT_EQ(entities[3].kind, KIND_BLASTER);

    player_move(10, 0);
    EXPECT_EQ(entities[0].health, 98);
    EXPECT_EQ(entities[0].x, 410.0) << "damage does not stop the move";

    // Judged before the step: moving into a demon costs nothing yet.
    entity_clear_all();
    entities[0].x = 400.0;
    place_demon(450, 400); // 5 px right of the player's right edge
    player_move(10, 0);
    EXPECT_EQ(entities[0].health, 98);
    player_move(10, 0);
    EXPECT_EQ(entities[0].health, 97);
}

TEST(PlayerMove, ADeadPlayerRevivesAtTheNextMoveWhileLivesRemain)
{
    player_alone_at(500, 500);
    entities[0].health = 0;
    entities[0].lives = 2;

    player_move(40, 40); // the revival call made by the health bars
    EXPECT_EQ(entities[0].x, 80.0);
    EXPECT_EQ(entities[0].y, 80.0);
    EXPECT_EQ(entities[0].health, 100);
    EXPECT_EQ(entities[0].lives, 1);
    EXPECT_TRUE(is_sheet(entities[0].sprite, "images/player_run.png"));

    // Death during the first held key: the second key's call revives and moves.
    entities[0].health = -3;
    player_move(0, 10);
    EXPECT_EQ(entities[0].x, 40.0);
    EXPECT_EQ(entities[0].y, 50.0);
    EXPECT_EQ(entities[0].lives, 0);
}

TEST(PlayerMove, WithNoLivesLeftThePlayerIsFinishedForGood)
{
    player_alone_at(500, 500);
    entities[0].health = 0;
    entities[0].lives = 0;
    player_move(10, 0);
    EXPECT_EQ(entities[0].active, 0);
    EXPECT_EQ(entities[0].x, 500.0);

    entities[0].health = 100; // even with health back, it never moves again
    player_move(10, 0);
    EXPECT_EQ(entities[0].x, 500.0);
}
