// Thrown weapons on small arenas: the rules the replays would not explain on
// their own (reach edges, kill credit, sticking, chaining, kicks, walls).
#include "support/support.h"

#include <set>

namespace {

void runWorld(int updates)
{
    while (updates-- > 0)
        updateWorld(match);
}

void place(Player *player, double x, double y, int health)
{
    player->x = x;
    player->y = y;
    player->health = health;
}

// Floor at row 10 (top y = 220): a bomb rests there at y = 210.
class Weapons : public SmallArena {
protected:
    void SetUp() override
    {
        SmallArena::SetUp();
        seedRandom(match.random, 5);
        start();
        place(&match.players[0], 600, 440, 100);
        place(&match.players[1], 600, 440, 100);
    }
};

TEST_F(Weapons, KnivesSpareTheirOwnerAndTheDeadAndMayStickAndHitAtOnce)
{
    match.arena.WallLayer[5 * ArenaColumns + 10] = 1;  // x 200..219, y 120..139
    place(&match.players[0], 190, 130, 100);
    place(&match.players[1], 190, 130, 100);
    addObject<Knife>(190, 130, 0, 0, 0);
    updateWorld(match);  // at x = 196 it sticks, with the other fighter 6 px away
    // The count raised by sticking is never lowered.
    EXPECT_EQ(
        std::tuple(objectsOf<Knife>().size(), match.players[0].health, match.players[1].health, match.debrisCount),
        std::tuple(0u, 100, 85, 1));

    place(&match.players[1], 340, 300, 10);
    match.players[1].respawnTimer = 30;
    addObject<Knife>(300, 300, 0, 0, 0);
    runWorld(20);
    EXPECT_EQ(match.players[1].health, 10);
    match.players[1].respawnTimer = 0;
    Knife *knife = addObject<Knife>(300, 300, 0, 0, 0);
    EXPECT_EQ(knife->x, 303);
    runWorld(20);
    EXPECT_GT(match.players[1].respawnTimer, 0);
    EXPECT_EQ(match.players[0].kills, 1);
}

TEST_F(Weapons, GrenadesStopDeadAgainstWalls)
{
    for (int row = 0; row < 10; row++)
        match.arena.WallLayer[row * ArenaColumns + 11] = 1;  // from x = 220
    Grenade *blocked = addObject<Grenade>(217, 150, 0, 24, 0);
    for (int i = 0; i < 120; i++) {
        updateWorld(match);
        ASSERT_EQ(blocked->x, 217);
    }
    EXPECT_EQ(blocked->y, 219);  // dropped straight down onto the floor
}

TEST_F(Weapons, GrenadeBurstReachesUnderThirtyPixelsAndCreditsOnlyOthers)
{
    addObject<Grenade>(300, 219, 0, 0, 9, 0);  // a dying fighter's explosive part
    place(&match.players[0], 329, 190, 50);    // its owner, 29 px off on both axes
    place(&match.players[1], 270.5, 248.9, 60);
    runWorld(151);
    EXPECT_TRUE(objectsOf<Grenade>().empty());
    EXPECT_GT(match.players[0].respawnTimer, 0);
    EXPECT_GT(match.players[1].respawnTimer, 0);
    EXPECT_EQ(match.players[0].kills, 1);  // for the other fighter, not for itself

    place(&match.players[1], 330, 219, 50);  // alive again, exactly 30 px off
    match.players[1].respawnTimer = 0;
    (addObject<Grenade>(300, 219, 0, 0, 9, 1))->age = 150;
    updateWorld(match);
    EXPECT_EQ(match.players[1].health, 50);
}

TEST_F(Weapons, BombCrossReachesThroughWallsAndItsFlamesStopAtThem)
{
    // A bomb exactly 100 pixels along the row or the column is out of reach.
    for (auto [x, y] : {std::pair{310, 210}, {210, 110}}) {
        dropBomb(match, x, y, 0);
        dropBomb(match, 210, 210, 0)->age = 350;
        runWorld(2);
        EXPECT_EQ(objectsOf<Bomb>().size(), 1u) << x << "," << y;
        while (match.worldHead)
            unlinkObject(match, match.worldHead);
    }
    match.arena.WallLayer[9 * ArenaColumns + 11] = 1;  // directly right of the bomb
    dropBomb(match, 210, 210, 1);
    place(&match.players[0], 309, 219, 50);  // 99 across, 9 down, behind the wall
    place(&match.players[1], 260, 220, 50);  // 50 across, 10 down: outside
    runWorld(350);
    ASSERT_EQ(objectsOf<Bomb>().size(), 1u);
    updateWorld(match);
    EXPECT_TRUE(objectsOf<Bomb>().empty());
    EXPECT_GT(match.players[0].respawnTimer, 0);
    EXPECT_EQ(match.players[1].health, 50);
    EXPECT_EQ(match.players[1].kills, 1);

    // Centre, five flames left and five up, 20 px apart; none right or down.
    std::set<std::tuple<int, int, int, int>> flames, expected = {{210, 210, 26, 50}};
    for (Animation *flame : objectsOf<Animation>())
        flames.insert({flame->x, flame->y, flame->frame, flame->period});
    for (int k = 1; k <= 5; k++) {
        expected.insert({210 - 20 * k, 210, 27, 50 - 10 * k});
        expected.insert({210, 210 - 20 * k, 28, 50 - 10 * k});
    }
    EXPECT_EQ(flames, expected);
}

TEST_F(Weapons, BombsScoreNothingForSelfKillsOrFullHealthVictims)
{
    place(&match.players[0], 219.5, 111, 20);  // its owner: 9.5 across, 99 up
    place(&match.players[1], 220, 150, 100);   // 10 across: outside
    dropBomb(match, 210, 210, 0)->age = 350;
    updateWorld(match);
    EXPECT_GT(match.players[0].respawnTimer, 0);
    EXPECT_EQ(match.players[1].health, 100);

    while (match.worldHead)
        unlinkObject(match, match.worldHead);
    place(&match.players[1], 200, 210, 100);  // left at exactly 0: dies in its own update
    place(&match.players[0], 210, 205, 0);    // dead, so out of harm's way
    dropBomb(match, 210, 210, 0)->age = 350;
    updateWorld(match);
    // The dead owner did not burst again; nobody scores.
    EXPECT_EQ(std::tuple(match.players[1].health, match.players[1].respawnTimer, match.debrisCount,
                         match.players[0].kills + match.players[1].kills),
              std::tuple(0, 0, 21, 0));
}

TEST_F(Weapons, BombsTooCloseVanishAndBombsInTheCrossChain)
{
    addObject<JumpPad>(600, 440, 8);  // the head: both bombs are visited after it
    dropBomb(match, 110, 210, 0);
    dropBomb(match, 170, 210, 0)->age = 350;  // 60 px away, met first by the pass
    updateWorld(match);                       // the older bomb, later in the pass, goes off with it
    EXPECT_TRUE(objectsOf<Bomb>().empty());

    dropBomb(match, 110, 210, 0)->age = 350;
    Bomb *newer = dropBomb(match, 170, 210, 0);  // already updated in this pass
    updateWorld(match);
    ASSERT_EQ(objectsOf<Bomb>().size(), 1u);
    EXPECT_EQ(newer->age, 350);
    updateWorld(match);
    EXPECT_TRUE(objectsOf<Bomb>().empty());

    dropBomb(match, 110, 210, 0);
    EXPECT_EQ((dropBomb(match, 130, 210, 0))->alive, 1);  // 20 px off
    EXPECT_EQ((dropBomb(match, 129, 191, 0))->alive, 0);
    updateWorld(match);
    EXPECT_EQ(objectsOf<Bomb>().size(), 2u);
}

TEST_F(Weapons, KickedBombsRollUntilStoppedAndFallThroughShafts)
{
    match.arena.WallLayer[9 * ArenaColumns + 15] = 1;  // x 300..319
    Bomb *bomb = dropBomb(match, 210, 210, 0);
    place(&match.players[0], 204, 210, 100);
    match.players[0].vx = 1.0;  // not fast enough
    updateWorld(match);
    EXPECT_EQ(bomb->vx, 0.0f);
    match.players[0].vx = 1.5;
    match.players[0].respawnTimer = 20;  // a dead fighter's stored speed kicks too
    updateWorld(match);
    EXPECT_EQ(bomb->vx, 4.0f);
    EXPECT_EQ(playingSlot(0), 14);
    place(&match.players[0], 600, 440, 100);
    runWorld(60);
    EXPECT_EQ(bomb->x, 294);  // stopped when its side probe reached the wall
    place(&match.players[1], bomb->x + 7, 215, 100);
    match.players[1].vx = -1.2;
    updateWorld(match);
    EXPECT_EQ(bomb->vx, -4.0f);

    for (int row = 5; row <= 9; row++)
        match.arena.ItemLayer[row * ArenaColumns + 5] = ItemShaft;
    Bomb *falling = dropBomb(match, 110, 70, 0);
    std::vector<int> fall;
    for (int i = 0; i < 25; i++) {
        updateWorld(match);
        fall.push_back(falling->y);
    }
    EXPECT_EQ(fall, (std::vector<int>{70, 70, 70, 70, 70, 71, 72,  73,  74,  75,  77,  79, 81,
                                      83, 85, 88, 91, 94, 97, 100, 104, 108, 112, 116, 120}));
    runWorld(100);
    EXPECT_EQ(falling->y, 210);
}

}  // namespace
