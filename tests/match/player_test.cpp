// The fighter's record: spawn points, damage, death and the dead time.
#include "support/support.h"

namespace {

class Fighter : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        match = Match();
        seedRandom(match.random, 11);
        settings.Image1 = 1;
        settings.Image2 = 2;
    }
    void TearDown() override { match = Match(); }

    Player *start(std::vector<std::string> rows = {})
    {
        buildArena(rows);
        setupLevel(match);
        createPlayers();
        return &match.players[0];
    }
};

TEST_F(Fighter, SpawnPointsCountInRowMajorOrderAndDamageKillsOnlyBelowZero)
{
    Player *p = start({"", "", "..............S", "S......S"});
    p->placeAtSpawn(match.arena, 2);
    EXPECT_EQ(p->x, 150.0);
    EXPECT_EQ(p->y, 90.0);
    p->placeAtSpawn(match.arena, 3);  // beyond the last: stays
    EXPECT_EQ(p->x, 150.0);

    EXPECT_EQ(p->damagePlayer(match, 100), 0);
    EXPECT_EQ(p->respawnTimer, 0);
    EXPECT_EQ(p->damagePlayer(match, 1), 1);
    EXPECT_EQ(p->respawnTimer, 100);
    EXPECT_EQ(match.debrisCount, 21);
    EXPECT_EQ(p->kills, 0);  // the caller credits the kill, not the victim

    p->explosiveDebris = 1;  // the next burst is of grenades, once
    p->killPlayer(match);
    EXPECT_EQ(match.debrisCount, 21);
    EXPECT_EQ(p->explosiveDebris, 0);
    EXPECT_NE(dynamic_cast<Grenade *>(match.worldHead->next), nullptr);

    match = Match();
    p = start();  // no spawn points: the screen's centre
    EXPECT_EQ(p->x, 320.0);
    EXPECT_EQ(p->y, 240.0);
}

TEST_F(Fighter, DeathResetsTheKitKeepsVelocitiesAndTheDeadTimeRefillsHealth)
{
    Player *p = start({"", "", "", "", "", "", "....S"});
    std::tie(p->weapon, p->gadget, p->fallDistance, p->ammo, p->kills) =
        std::tuple(WeaponKnife, GadgetJetpack, 50, 7, 3);
    p->vx = 1.25;
    p->vy = -3.5;
    p->killPlayer(match);
    EXPECT_EQ(std::tie(p->weapon, p->gadget, p->fallDistance, p->ammo, p->kills),
              std::tuple(int{WeaponNone}, int{GadgetNone}, 0, 7, 3));

    p->updatePlayer(match, {1, 0, 1, 1});  // one health point per frame; keys ignored
    EXPECT_EQ(p->health, 1);
    for (int i = 0; i < 99; i++)
        p->updatePlayer(match, {1, 1, 1, 1});
    EXPECT_EQ(std::tuple(p->respawnTimer, p->health, p->x, p->vx, p->vy), std::tuple(0, 100, 90.0, 1.25, -3.5));
}

}  // namespace
