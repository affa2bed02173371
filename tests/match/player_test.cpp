// The fighter's record: spawn points, damage, death and the dead time, and
// the drawing of the fighter and its weapon.
#include "support/support.h"

namespace {

class Fighter : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetGame();
        srand(11);
        settings.Image1 = 1;
        settings.Image2 = 2;
    }
    void TearDown() override
    {
        resetGame();
        for (int slot : {3, 4}) {
            SDL_FreeSurface(ImageSlots[slot]);
            ImageSlots[slot] = nullptr;
        }
    }

    Player *start(std::vector<std::string> rows = {})
    {
        buildArena(rows);
        setupLevel();
        createPlayers();
        return players[0];
    }
};

TEST_F(Fighter, SpawnPointsCountInRowMajorOrderAndDamageKillsOnlyBelowZero)
{
    Player *p = start({"", "", "..............S", "S......S"});
    p->placeAtSpawn(2);
    EXPECT_EQ(p->x, 150.0);
    EXPECT_EQ(p->y, 90.0);
    p->placeAtSpawn(3);  // beyond the last: stays
    EXPECT_EQ(p->x, 150.0);

    EXPECT_EQ(p->damagePlayer(100), 0);
    EXPECT_EQ(p->respawnTimer, 0);
    EXPECT_EQ(p->damagePlayer(1), 1);
    EXPECT_EQ(p->respawnTimer, 100);
    EXPECT_EQ(debrisCount, 21);
    EXPECT_EQ(p->kills, 0);  // the caller credits the kill, not the victim

    p->explosiveDebris = 1;  // the next burst is of grenades, once
    p->killPlayer();
    EXPECT_EQ(debrisCount, 21);
    EXPECT_EQ(p->explosiveDebris, 0);
    EXPECT_NE(dynamic_cast<Grenade *>(worldHead->next), nullptr);

    resetGame();
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
    p->killPlayer();
    EXPECT_EQ(std::tie(p->weapon, p->gadget, p->fallDistance, p->ammo, p->kills),
              std::tuple(int{WeaponNone}, int{GadgetNone}, 0, 7, 3));

    p->updatePlayer({1, 0, 1, 1});  // one health point per frame; keys ignored
    EXPECT_EQ(p->health, 1);
    for (int i = 0; i < 99; i++)
        p->updatePlayer({1, 1, 1, 1});
    EXPECT_EQ(std::tuple(p->respawnTimer, p->health, p->x, p->vx, p->vy), std::tuple(0, 100, 90.0, 1.25, -3.5));
}

// Sheets whose frames each have their own colour: frame n is (n, 255 - n, 128).
SDL_Surface *framedSheet()
{
    SDL_Surface *sheet = makeSolidSurface(160, 160, 0, 0, 0);
    for (int frame = 0; frame < 64; frame++) {
        SDL_Rect cell = {static_cast<Sint16>(frame % 8 * 20), static_cast<Sint16>(frame / 8 * 20), 20, 20};
        SDL_FillRect(sheet, &cell, SDL_MapRGB(sheet->format, frame * 4, 255 - frame * 4, 128));
    }
    return sheet;
}

Uint32 frameColour(int frame)
{
    return screenColour(frame * 4, 255 - frame * 4, 128);
}

TEST_F(Fighter, DrawingShowsBodyWeaponAndCanopyFramesUnlessDead)
{
    Player *p = start();
    ImageSlots[3] = framedSheet();
    ImageSlots[4] = framedSheet();
    p->x = 300;
    p->y = 300;
    struct Case {
        int weapon, facing, attackTimer, pose, walkPhase, dead;
        int x, y, frame;  // a pixel and the frame it shows
    } cases[] = {
        {WeaponNone, 0, 0, 0, 4, 0, 290, 288, 0},    // body, bobbed 2 up
        {WeaponKnife, 0, 0, 0, 0, 0, 300, 300, 16},  // weapon over the body facing right
        {WeaponKnife, 1, 0, 0, 0, 0, 300, 300, 1},   // behind it facing left
        {WeaponBomb, 1, 5, 0, 0, 0, 309, 300, 1},    // the thrower's body
        {WeaponMelee, 0, 5, 0, 0, 0, 305, 300, 2},   // a swing: frame 2, 8 pixels forward
        {WeaponKnife, 0, 5, 0, 0, 0, 313, 300, 18},  // a throw: frame 18, 4 pixels forward
        {WeaponMelee, 1, 5, 0, 0, 0, 285, 300, 3},   // facing left: the frames after them
        {WeaponKnife, 1, 5, 0, 0, 0, 287, 300, 19},
        {WeaponNone, 0, 0, 4, 0, 0, 286, 277, 44},  // the open canopy, 13 above, shifted back
        {WeaponNone, 0, 0, 0, 0, 1, 300, 300, -1},  // dead: nothing
    };
    for (const Case &c : cases) {
        p->weapon = c.weapon, p->facing = c.facing, p->attackTimer = c.attackTimer;
        p->pose = c.pose, p->walkPhase = c.walkPhase, p->respawnTimer = c.dead;
        SDL_FillRect(screen, nullptr, 0);
        p->drawPlayer();
        EXPECT_EQ(pixelAt(screen, c.x, c.y), c.frame < 0 ? 0 : frameColour(c.frame))
            << "weapon " << c.weapon << " facing " << c.facing << " pose " << c.pose;
    }
}

}  // namespace
