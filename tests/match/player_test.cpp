// The fighter's record: creation, spawn points, damage, death with its burst
// of body parts, the dead time, and drawing of the fighter and its HUD block.
#include "support/support.h"

#include "arena/arena.h"
#include "match/player.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

class Fighter : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetWorld();
        srand(11);
        settings.Image1 = 1;
        settings.Image2 = 2;
    }
    void TearDown() override
    {
        resetWorld();
        for (int slot : {3, 4, 16}) {
            SDL_FreeSurface(ImageSlots[slot]);
            ImageSlots[slot] = nullptr;
        }
    }

    void start(std::vector<std::string> rows)
    {
        rows.resize(ArenaRows);
        rows[22] = "################################";
        buildArena(rows);
        setupLevel();
        createPlayers();
    }
};

// Objects of the world list in the order they were made.
std::vector<WorldObject *> madeInOrder()
{
    std::vector<WorldObject *> objects;
    if (!worldHead)
        return objects;
    WorldObject *object = worldHead;
    do {
        objects.push_back(object);
        object = object->prev;
    } while (object != worldHead);
    return objects;
}

TEST_F(Fighter, CreationRegistersTakesTheSkinAndStandsOnASpawnPoint)
{
    settings.Image1 = 2;
    settings.Image2 = 0;
    start({"", "", "", "....S", "", "", "..........S"});
    ASSERT_EQ(playerCount, 2);
    for (int i = 0; i < 2; i++) {
        Player *p = players[i];
        EXPECT_EQ(p->index, i);
        EXPECT_EQ(p->health, 100);
        EXPECT_EQ(p->weapon, WeaponNone);
        EXPECT_EQ(p->ammo, 20);
        EXPECT_EQ(p->kills, 0);
        EXPECT_EQ(p->respawnTimer, 0);
        EXPECT_TRUE((p->x == 90 && p->y == 90) || (p->x == 210 && p->y == 150)) << p->x << "," << p->y;
    }
    EXPECT_EQ(players[0]->skin, 1);
    EXPECT_EQ(players[1]->skin, -1);

    // No spawn points: the middle of the screen.
    resetWorld();
    start({});
    EXPECT_EQ(players[0]->x, 320.0);
    EXPECT_EQ(players[0]->y, 240.0);
}

TEST_F(Fighter, SpawnPointsCountInRowMajorOrderAndAMissingOneLeavesTheFighterAlone)
{
    start({"", "", "..............S", "S......S"});
    Player *p = players[0];
    p->placeAtSpawn(0);
    EXPECT_EQ(p->x, 290.0);
    EXPECT_EQ(p->y, 70.0);
    p->placeAtSpawn(2);
    EXPECT_EQ(p->x, 150.0);
    EXPECT_EQ(p->y, 90.0);
    p->placeAtSpawn(3);
    EXPECT_EQ(p->x, 150.0);
    EXPECT_EQ(p->y, 90.0);

    resetWorld();
    start({"", "", "", "", "", "", "....S"});
    p = players[0];
    p->placeAtSpawn(0);
    EXPECT_EQ(p->x, 90.0);
    EXPECT_EQ(p->y, 150.0);
    p->x = 333.5;
    p->y = 77.25;
    p->placeAtSpawn(1);
    EXPECT_EQ(p->x, 333.5);
    EXPECT_EQ(p->y, 77.25);
}

TEST_F(Fighter, DamageKillsOnlyBelowZero)
{
    start({"", "", "", "", "", "", "....S"});
    Player *p = players[0];
    p->x = 500;
    p->y = 300;

    EXPECT_EQ(p->damagePlayer(60), 0);
    EXPECT_EQ(p->damagePlayer(40), 0);
    EXPECT_EQ(p->health, 0);
    EXPECT_EQ(p->respawnTimer, 0);
    EXPECT_EQ(p->x, 500.0);
    EXPECT_EQ(debrisCount, 0);

    EXPECT_EQ(p->damagePlayer(1), 1);
    EXPECT_EQ(p->respawnTimer, 100);
    EXPECT_EQ(p->x, 90.0);  // already on its new spawn point
    EXPECT_EQ(p->y, 150.0);
    EXPECT_EQ(debrisCount, 21);
    EXPECT_EQ(p->kills, 0);  // the caller credits the kill, not the victim
}

TEST_F(Fighter, DeathThrowsTwentyOnePartsDrawnFromRandInTheirOrder)
{
    settings.Image1 = 2;
    start({});
    Player *p = players[0];
    p->x = 100.9;
    p->y = 210.7;

    srand(4242);
    struct Part {
        int frame;
        float vx, vy;
    };
    std::vector<Part> expected;
    for (int i = 0; i < 20; i++) {
        int r1 = rand();
        int r2 = rand();
        int r3 = rand();
        expected.push_back({16 + r1 % 3 + 8, static_cast<float>((r3 % 20) / 5 - 2), static_cast<float>((-r2 % 20) / 5)});
    }
    int r2 = rand();
    int r3 = rand();
    expected.push_back({16 + 11, static_cast<float>((r3 % 20) / 5 - 2), static_cast<float>((-r2 % 20) / 5)});

    srand(4242);
    p->killPlayer();
    std::vector<WorldObject *> parts = madeInOrder();
    ASSERT_EQ(parts.size(), 21u);
    bool sawEachFrame[3] = {};
    for (size_t i = 0; i < parts.size(); i++) {
        Debris *part = dynamic_cast<Debris *>(parts[i]);
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(part->x, 100);
        EXPECT_EQ(part->y, 210);
        EXPECT_EQ(part->frame, expected[i].frame) << "part " << i;
        EXPECT_EQ(part->vx, expected[i].vx) << "part " << i;
        EXPECT_EQ(part->vy, expected[i].vy) << "part " << i;
        EXPECT_GE(part->vx, -2.0f);
        EXPECT_LE(part->vx, 1.0f);
        EXPECT_GE(part->vy, -3.0f);
        EXPECT_LE(part->vy, 0.0f);
        if (i < 20)
            sawEachFrame[part->frame - 24] = true;
    }
    EXPECT_TRUE(sawEachFrame[0] && sawEachFrame[1] && sawEachFrame[2]);
    EXPECT_EQ(debrisCount, 21);
}

TEST_F(Fighter, ExplosivePartsAreGrenadesOnceThenPartsAreOrdinaryAgain)
{
    start({});
    Player *p = players[1];
    p->explosiveDebris = 1;
    p->killPlayer();
    std::vector<WorldObject *> parts = madeInOrder();
    ASSERT_EQ(parts.size(), 21u);
    for (WorldObject *part : parts) {
        EXPECT_NE(dynamic_cast<Grenade *>(part), nullptr);
        EXPECT_EQ(part->owner, 1);
    }
    EXPECT_EQ(debrisCount, 0);
    EXPECT_EQ(p->explosiveDebris, 0);

    while (worldHead)
        unlinkObject(worldHead);
    p->killPlayer();
    parts = madeInOrder();
    ASSERT_EQ(parts.size(), 21u);
    for (WorldObject *part : parts)
        EXPECT_NE(dynamic_cast<Debris *>(part), nullptr);
    EXPECT_EQ(debrisCount, 21);
}

TEST_F(Fighter, DeathResetsTheKitKeepsVelocitiesAndTheDeadTimeRefillsHealth)
{
    start({"", "", "", "", "", "", "....S"});
    Player *p = players[0];
    p->weapon = WeaponKnife;
    p->gadget = GadgetJetpack;
    p->gadgetCharge = 300;
    p->fallDistance = 50;
    p->ammo = 7;
    p->kills = 3;
    p->facing = 1;
    p->vx = 1.25;
    p->vy = -3.5;
    p->pushVx = 2.5;
    p->killPlayer();
    EXPECT_EQ(p->respawnTimer, 100);
    EXPECT_EQ(p->health, 0);
    EXPECT_EQ(p->weapon, WeaponNone);
    EXPECT_EQ(p->gadget, GadgetNone);
    EXPECT_EQ(p->fallDistance, 0);
    EXPECT_EQ(p->ammo, 7);
    EXPECT_EQ(p->kills, 3);
    EXPECT_EQ(p->facing, 1);
    EXPECT_EQ(p->gadgetCharge, 300);

    // One health point per frame; inputs are ignored while dead.
    p->updatePlayer(1, 0, 1, 0, 1);
    EXPECT_EQ(p->respawnTimer, 99);
    EXPECT_EQ(p->health, 1);
    for (int i = 0; i < 98; i++)
        p->updatePlayer(1, 1, 1, 0, 1);
    EXPECT_EQ(p->health, 99);
    p->updatePlayer(0, 0, 0, 0, 0);
    EXPECT_EQ(p->respawnTimer, 0);
    EXPECT_EQ(p->health, 100);
    EXPECT_EQ(p->x, 90.0);
    EXPECT_EQ(p->y, 150.0);
    EXPECT_EQ(p->vx, 1.25);
    EXPECT_EQ(p->vy, -3.5);
    EXPECT_EQ(p->pushVx, 2.5);

    // The first live update applies them at the spawn point.
    p->updatePlayer(0, 0, 0, 0, 0);
    EXPECT_GT(p->x, 92.0);
    EXPECT_LT(p->y, 150.0);
}

TEST_F(Fighter, HudBarIsEightTenthsOfHealthOverABlackBox)
{
    start({});
    ImageSlots[16] = makeSolidSurface(80, 20, 255, 0, 0);
    Uint32 red = screenColour(255, 0, 0);
    Uint32 white = screenColour(255, 255, 255);
    Uint32 black = screenColour(0, 0, 0);

    struct Case {
        int health, bar;
    };
    for (Case c : {Case{100, 80}, Case{99, 79}, Case{1, 0}, Case{0, 0}, Case{-30, 0}, Case{150, 80}}) {
        for (int i = 0; i < 2; i++) {
            SDL_FillRect(screen, nullptr, white);
            Player *p = players[i];
            p->health = c.health;
            p->drawHud();
            int left = i * 380 + 45;
            if (c.bar > 0) {
                EXPECT_EQ(pixelAt(screen, left, 10), red) << c.health;
                EXPECT_EQ(pixelAt(screen, left + c.bar - 1, 1), red) << c.health;
            }
            EXPECT_EQ(pixelAt(screen, left + c.bar, 1), white) << c.health;
            if (c.bar < 80) {
                EXPECT_EQ(pixelAt(screen, left + c.bar, 10), black) << c.health;
            }
            EXPECT_EQ(pixelAt(screen, left + 80, 10), white) << c.health;
        }
    }

    // Without the bar picture only the black box is drawn.
    SDL_FreeSurface(ImageSlots[16]);
    ImageSlots[16] = nullptr;
    SDL_FillRect(screen, nullptr, white);
    players[0]->health = 100;
    players[0]->drawHud();
    EXPECT_EQ(pixelAt(screen, 45, 10), black);
    EXPECT_EQ(pixelAt(screen, 45, 1), white);
}

TEST_F(Fighter, DeadFightersAreNotDrawnAndASkinOfMinusOneShowsOnlyTheWeapon)
{
    start({});
    ImageSlots[3] = makeSolidSurface(160, 160, 0, 255, 0);
    ImageSlots[4] = makeSolidSurface(160, 160, 0, 0, 255);
    Uint32 green = screenColour(0, 255, 0);
    Uint32 blue = screenColour(0, 0, 255);
    Uint32 black = screenColour(0, 0, 0);
    Player *p = players[0];
    p->x = 300;
    p->y = 300;
    p->walkPhase = 4;

    SDL_FillRect(screen, nullptr, black);
    p->drawPlayer();
    EXPECT_EQ(pixelAt(screen, 290, 288), green);  // bobbed 2 pixels up
    EXPECT_EQ(pixelAt(screen, 300, 308), black);

    SDL_FillRect(screen, nullptr, black);
    p->respawnTimer = 5;
    p->drawPlayer();
    EXPECT_EQ(pixelAt(screen, 300, 300), black);

    p->respawnTimer = 0;
    p->skin = -1;
    p->weapon = WeaponKnife;
    p->walkPhase = 0;
    SDL_FillRect(screen, nullptr, black);
    p->drawPlayer();
    EXPECT_EQ(pixelAt(screen, 300, 300), blue);

    p->weapon = WeaponNone;
    SDL_FillRect(screen, nullptr, black);
    p->drawPlayer();
    EXPECT_EQ(pixelAt(screen, 300, 300), black);

    // The open canopy hangs 13 pixels above the body, shifted against the facing.
    p->pose = 4;
    p->facing = 0;
    SDL_FillRect(screen, nullptr, black);
    p->drawPlayer();
    EXPECT_EQ(pixelAt(screen, 286, 277), blue);
    EXPECT_EQ(pixelAt(screen, 285, 277), black);
    EXPECT_EQ(pixelAt(screen, 286, 276), black);
}

}  // namespace
