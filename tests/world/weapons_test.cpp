// Thrown weapons on small arenas: knives flying, sticking and hitting,
// grenades stopping and bursting, bombs resting, rolling, chaining and
// exploding in their cross, with kill credit and the sprite frames they show.
#include "support/support.h"

#include "arena/arena.h"
#include "match/player.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

namespace {

const std::string FloorRow(32, '#');  // put at row 10: its top is y = 220

template <class Kind> std::vector<Kind *> objectsOf()
{
    std::vector<Kind *> found;
    if (!worldHead)
        return found;
    WorldObject *object = worldHead;
    do {
        if (Kind *kind = dynamic_cast<Kind *>(object))
            found.push_back(kind);
        object = object->next;
    } while (object != worldHead);
    return found;
}

template <class Kind> int countOf()
{
    return static_cast<int>(objectsOf<Kind>().size());
}

void runWorld(int updates)
{
    for (int i = 0; i < updates; i++)
        updateWorld();
}

// Sheets whose every frame is one flat colour, told apart by slot and frame.
Uint32 frameColour(int slot, int frame)
{
    return screenColour(static_cast<Uint8>(slot * 40), static_cast<Uint8>(frame * 4), 200);
}

SDL_Surface *makeFrameSheet(int slot)
{
    SDL_Surface *sheet = SDL_CreateRGBSurface(SDL_SWSURFACE, 160, 160, 16, screen->format->Rmask,
                                              screen->format->Gmask, screen->format->Bmask, 0);
    for (int frame = 0; frame < 64; frame++) {
        SDL_Rect cell = {static_cast<Sint16>(frame % 8 * 20), static_cast<Sint16>(frame / 8 * 20), 20, 20};
        SDL_FillRect(sheet, &cell, frameColour(slot, frame));
    }
    return sheet;
}

// Every sound slot gets its own silent second-long sample, so a test can ask
// which slot a channel is playing.
Uint8 silence[22050];

void loadProbeSounds()
{
    ASSERT_TRUE(openHeadlessAudio());
    Mix_HaltChannel(-1);
    memset(silence, 128, sizeof silence);
    for (int slot = 0; slot < 16; slot++)
        SoundSlots[slot].chunk = Mix_QuickLoad_RAW(silence, sizeof silence);
}

int playingSlot(int channel)
{
    if (!Mix_Playing(channel))
        return -1;
    for (int slot = 0; slot < 16; slot++)
        if (SoundSlots[slot].chunk && Mix_GetChunk(channel) == SoundSlots[slot].chunk)
            return slot;
    return -1;
}

class Weapons : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetWorld();
        clearArena();
        srand(5);
        loadProbeSounds();
        for (int slot = 3; slot <= 5; slot++)
            ImageSlots[slot] = makeFrameSheet(slot);
        createPlayers();
        park(players[0]);
        park(players[1]);
    }
    void TearDown() override
    {
        resetWorld();
        clearArena();
        Mix_HaltChannel(-1);
        for (int slot = 0; slot < 16; slot++) {
            Mix_FreeChunk(SoundSlots[slot].chunk);
            SoundSlots[slot].chunk = nullptr;
        }
        Mix_CloseAudio();  // no mixer thread left running while the process exits
        for (int slot = 3; slot <= 5; slot++) {
            SDL_FreeSurface(ImageSlots[slot]);
            ImageSlots[slot] = nullptr;
        }
    }

    // Out of the way of everything the test throws.
    static void park(Player *player) { place(player, 600, 440, 100); }
    static void place(Player *player, double x, double y, int health)
    {
        player->x = x;
        player->y = y;
        player->health = health;
    }
    static Uint32 drawnAt(WorldObject *object, int x, int y)
    {
        SDL_FillRect(screen, nullptr, 0);
        object->draw();
        return pixelAt(screen, x, y);
    }
};

TEST_F(Weapons, KnifeFliesThreePixelsAnUpdateAndSticksAtTheArenaEdge)
{
    Knife *right = new Knife(100, 100, 0, 0, 0);
    EXPECT_EQ(right->x, 103);
    EXPECT_EQ(drawnAt(right, 93, 90), frameColour(4, 36));
    updateWorld();
    EXPECT_EQ(right->x, 106);
    runWorld(300);
    EXPECT_EQ(right->x, 634);  // the first position whose probe reaches x = 640
    EXPECT_GT(right->age, 0);
    EXPECT_EQ(debrisCount, 1);
    EXPECT_EQ(drawnAt(right, 624, 90), frameColour(4, 46));

    Knife *left = new Knife(100, 200, 1, 0, 0);
    EXPECT_EQ(left->x, 97);
    EXPECT_EQ(drawnAt(left, 87, 190), frameColour(4, 37));
    runWorld(100);
    EXPECT_EQ(left->x, 4);
    EXPECT_EQ(debrisCount, 2);
    EXPECT_EQ(drawnAt(left, 4, 190), frameColour(4, 47));
    EXPECT_EQ(playingSlot(0), 10);
    EXPECT_EQ(countOf<Knife>(), 2);  // stuck knives stay
}

TEST_F(Weapons, StuckKnivesExpireOnlyWhenOldAndTheArenaIsCluttered)
{
    Knife *knife = new Knife(600, 100, 0, 0, 0);
    runWorld(20);
    ASSERT_GT(knife->age, 0);
    knife->age = 1501;
    debrisCount = 200;
    updateWorld();
    ASSERT_EQ(countOf<Knife>(), 1);  // not cluttered enough
    debrisCount = 201;
    updateWorld();
    EXPECT_EQ(countOf<Knife>(), 0);
    EXPECT_EQ(debrisCount, 200);
}

TEST_F(Weapons, KnifeThatSticksAndHitsInOneUpdateKeepsTheCountRaised)
{
    buildArena({"", "", "", "", "", "          #"});  // wall cell x 200..219, y 120..139
    place(players[0], 190, 130, 100);
    place(players[1], 190, 130, 100);  // standing where the thrower stands
    new Knife(190, 130, 0, 0, 0);
    updateWorld();  // at x 196 its probe meets the wall, and player 2 is 6 px away
    EXPECT_EQ(countOf<Knife>(), 0);
    EXPECT_EQ(players[1]->health, 85);
    EXPECT_EQ(players[0]->health, 100);
    EXPECT_EQ(debrisCount, 1);
    runWorld(5);
    EXPECT_EQ(debrisCount, 1);
}

TEST_F(Weapons, KnifeSparesItsOwnerAndTheDeadAndCreditsItsOwnerForAKill)
{
    place(players[0], 150, 100, 100);
    place(players[1], 200, 100, 100);
    players[1]->respawnTimer = 30;  // dead: invisible at its spawn point
    new Knife(140, 100, 0, 0, 0);
    runWorld(30);
    EXPECT_EQ(players[0]->health, 100);
    EXPECT_EQ(players[1]->health, 100);
    ASSERT_EQ(countOf<Knife>(), 1);

    resetWorld();
    createPlayers();
    place(players[0], 300, 300, 100);
    place(players[1], 330, 300, 10);
    new Knife(300, 300, 0, 0, 0);
    runWorld(10);
    EXPECT_EQ(countOf<Knife>(), 0);
    EXPECT_GT(players[1]->respawnTimer, 0);
    EXPECT_EQ(players[0]->kills, 1);
    EXPECT_EQ(players[1]->kills, 0);
}

TEST_F(Weapons, GrenadeIsLobbedThreeAcrossAndThreeUp)
{
    Grenade *grenade = new Grenade(100, 300, 0, 24, 0);
    std::vector<int> heights;
    for (int i = 0; i < 60; i++) {
        updateWorld();
        heights.push_back(grenade->y);
    }
    EXPECT_EQ(grenade->x, 280);
    EXPECT_EQ(heights[0], 297);
    EXPECT_EQ(heights[9], 270);
    EXPECT_EQ(heights[29], 238);
    EXPECT_EQ(heights[39], 237);  // near the top, where |vy| < 1 moves nothing upward
    EXPECT_EQ(heights[59], 265);

    Grenade *leftward = new Grenade(300, 300, 1, 24, 0);
    updateWorld();
    EXPECT_EQ(leftward->x, 297);
}

TEST_F(Weapons, GrenadeAgainstAWallStopsDeadAndDropsStraightDown)
{
    std::vector<std::string> rows(11);
    rows[10] = FloorRow;
    for (int r = 0; r < 10; r++)
        rows[r] = "           #";  // wall column from x = 220
    buildArena(rows);
    Grenade *grenade = new Grenade(217, 150, 0, 24, 0);
    EXPECT_EQ(grenade->image, ImageSlots[4]);
    EXPECT_EQ(drawnAt(grenade, 207, 140), frameColour(4, 24));
    updateWorld();
    EXPECT_EQ(grenade->x, 217);
    EXPECT_EQ(grenade->y, 150);
    EXPECT_EQ(grenade->vx, 0.0f);
    int lastY = grenade->y;
    for (int i = 0; i < 120; i++) {
        updateWorld();
        ASSERT_EQ(grenade->x, 217);
        ASSERT_GE(grenade->y, lastY);
        lastY = grenade->y;
    }
    EXPECT_EQ(grenade->y, 219);  // resting on the floor's top pixel row
}

TEST_F(Weapons, GrenadeBurstsInItsHundredAndFirstUpdateAndCreditsOnlyOthers)
{
    std::vector<std::string> rows(11);
    rows[10] = FloorRow;
    buildArena(rows);
    // A dying fighter's explosive part: the grenade's debris form.
    Grenade *grenade = new Grenade(300, 219, 0, 0, 9, 0);
    EXPECT_EQ(grenade->image, ImageSlots[3]);
    EXPECT_EQ(drawnAt(grenade, 290, 209), frameColour(3, 9));
    place(players[0], 329, 190, 50);    // the thrower, 29 px off on both axes
    place(players[1], 270.5, 248.9, 60);
    runWorld(150);
    ASSERT_EQ(countOf<Grenade>(), 1);
    EXPECT_EQ(players[0]->health, 50);
    updateWorld();
    EXPECT_EQ(countOf<Grenade>(), 0);
    EXPECT_GT(players[0]->respawnTimer, 0);
    EXPECT_GT(players[1]->respawnTimer, 0);
    EXPECT_EQ(players[0]->kills, 1);  // for the other fighter, not for itself
    EXPECT_EQ(players[1]->kills, 0);
    EXPECT_EQ(playingSlot(2), 2);
    std::vector<Animation *> burst = objectsOf<Animation>();
    ASSERT_EQ(burst.size(), 1u);
    EXPECT_EQ(burst[0]->x, 270);
    EXPECT_EQ(burst[0]->y, 189);
    EXPECT_EQ(burst[0]->image, ImageSlots[5]);

    // Exactly 30 px away is out of reach; the owner's own kill scores nothing.
    resetWorld();
    createPlayers();
    place(players[0], 300, 219, 50);
    place(players[1], 330, 219, 50);
    Grenade *second = new Grenade(300, 219, 0, 0, 9, 0);
    second->age = 150;
    updateWorld();
    EXPECT_GT(players[0]->respawnTimer, 0);
    EXPECT_EQ(players[1]->health, 50);
    EXPECT_EQ(players[0]->kills + players[1]->kills, 0);
}

// A bomb resting on the floor at row 10 (top y = 220) has its centre at y = 210.
class Bombs : public Weapons {
protected:
    void SetUp() override
    {
        Weapons::SetUp();
        std::vector<std::string> rows(11);
        rows[10] = FloorRow;
        buildArena(rows);
    }
};

TEST_F(Bombs, CrossReachesNinetyNineAcrossAndNineDownThroughWalls)
{
    WallLayer[9 * ArenaColumns + 11] = 1;  // directly right of the bomb
    Bomb *bomb = new Bomb(210, 210, 1);
    place(players[0], 309, 219, 50);   // 99 across, 9 down, behind the wall
    place(players[1], 260, 220, 50);   // 50 across, 10 down: outside
    runWorld(350);
    ASSERT_EQ(countOf<Bomb>(), 1);
    EXPECT_EQ(bomb->y, 210);
    updateWorld();
    EXPECT_EQ(countOf<Bomb>(), 0);
    EXPECT_GT(players[0]->respawnTimer, 0);
    EXPECT_EQ(players[1]->health, 50);
    EXPECT_EQ(players[1]->kills, 1);
    EXPECT_EQ(playingSlot(2), 2);

    // Flames: centre, five to the left and five up; the wall takes the right
    // arm and the floor the lower one. They sit 20 px apart from the bomb.
    std::set<std::tuple<int, int, int, int>> flames;
    for (Animation *flame : objectsOf<Animation>())
        flames.insert({flame->x, flame->y, flame->frame, flame->period});
    std::set<std::tuple<int, int, int, int>> expected = {{210, 210, 26, 50}};
    for (int k = 1; k <= 5; k++) {
        expected.insert({210 - 20 * k, 210, 27, 50 - 10 * k});
        expected.insert({210, 210 - 20 * k, 28, 50 - 10 * k});
    }
    EXPECT_EQ(flames, expected);
}

TEST_F(Bombs, CrossAlongTheColumnAndSelfKillsScoreForNobody)
{
    Bomb *bomb = new Bomb(210, 210, 0);
    place(players[0], 219.5, 111, 20);   // 9.5 across, 99 up: the thrower
    place(players[1], 220, 150, 100);    // 10 across: outside
    bomb->age = 350;
    updateWorld();
    EXPECT_GT(players[0]->respawnTimer, 0);
    EXPECT_EQ(players[1]->health, 100);
    EXPECT_EQ(players[0]->kills + players[1]->kills, 0);

    // A fighter at full health is left at exactly 0: it dies at the end of its
    // own update, and nobody scores.
    resetWorld();
    createPlayers();
    place(players[0], 200, 210, 100);
    place(players[1], 600, 440, 100);
    Bomb *second = new Bomb(210, 210, 1);
    second->age = 350;
    updateWorld();
    EXPECT_EQ(players[0]->health, 0);
    EXPECT_EQ(players[0]->respawnTimer, 0);
    EXPECT_EQ(players[1]->kills, 0);
}

TEST_F(Bombs, BombDroppedOnAnotherLivesOneFrame)
{
    new Bomb(210, 210, 0);
    Bomb *farEnough = new Bomb(230, 210, 1);
    EXPECT_EQ(farEnough->alive, 1);
    Bomb *tooClose = new Bomb(229, 191, 1);
    EXPECT_EQ(tooClose->alive, 0);
    updateWorld();
    std::set<int> left;
    for (Bomb *bomb : objectsOf<Bomb>())
        left.insert(bomb->x);
    EXPECT_EQ(left, (std::set<int>{210, 230}));
}

TEST_F(Bombs, ChainReactionInTheSamePassOrTheNext)
{
    new JumpPad(600, 440, 8);  // the head, so both bombs are visited after it
    Bomb *older = new Bomb(110, 210, 0);
    Bomb *newer = new Bomb(170, 210, 0);  // 60 px away; the pass meets it first
    newer->age = 350;
    older->age = 7;
    updateWorld();
    EXPECT_EQ(countOf<Bomb>(), 0);

    resetWorld();
    createPlayers();
    park(players[0]);
    park(players[1]);
    new JumpPad(600, 440, 8);
    older = new Bomb(110, 210, 0);
    newer = new Bomb(170, 210, 0);
    older->age = 350;  // already passed the newer bomb when it goes off
    updateWorld();
    ASSERT_EQ(countOf<Bomb>(), 1);
    EXPECT_EQ(newer->age, 350);
    updateWorld();
    EXPECT_EQ(countOf<Bomb>(), 0);
}

TEST_F(Bombs, KicksRollABombUntilAnObstacleStopsIt)
{
    WallLayer[9 * ArenaColumns + 15] = 1;  // x 300..319
    Bomb *bomb = new Bomb(210, 210, 0);
    place(players[0], 204, 210, 100);
    players[0]->vx = 1.0;  // not fast enough
    updateWorld();
    EXPECT_EQ(bomb->vx, 0.0f);
    players[0]->vx = 1.5;
    players[0]->respawnTimer = 20;  // even a dead fighter's stored speed kicks
    updateWorld();
    EXPECT_EQ(bomb->vx, 4.0f);
    EXPECT_EQ(playingSlot(0), 14);
    park(players[0]);
    runWorld(60);
    EXPECT_EQ(bomb->vx, 0.0f);
    EXPECT_GT(bomb->x, 280);
    EXPECT_LE(bomb->x, 295);
    EXPECT_EQ(bomb->y, 210);

    place(players[1], bomb->x + 7, 215, 100);
    players[1]->vx = -1.2;
    updateWorld();
    EXPECT_EQ(bomb->vx, -4.0f);
}

TEST_F(Bombs, BombsFallThroughLiftShaftsButNotWalls)
{
    for (int r = 5; r <= 9; r++)
        ItemLayer[r * ArenaColumns + 10] = ItemShaft;
    Bomb *bomb = new Bomb(210, 70, 0);
    std::vector<int> fall;
    for (int i = 0; i < 25; i++) {
        updateWorld();
        fall.push_back(bomb->y);
    }
    EXPECT_EQ(fall, (std::vector<int>{70, 70, 70, 70, 70, 71, 72, 73, 74, 75, 77, 79, 81, 83, 85, 88, 91, 94, 97,
                                      100, 104, 108, 112, 116, 120}));
    runWorld(100);
    EXPECT_EQ(bomb->y, 210);
    EXPECT_EQ(bomb->x, 210);
}

TEST_F(Bombs, BombBlinksFiveFramesLitThenFiveUnlit)
{
    Bomb *bomb = new Bomb(210, 210, 0);
    std::vector<int> shown;
    for (int i = 0; i < 12; i++) {
        Uint32 colour = drawnAt(bomb, 200, 200);
        shown.push_back(colour == frameColour(4, 31) ? 31 : colour == frameColour(4, 30) ? 30 : -1);
        updateWorld();
    }
    EXPECT_EQ(shown, (std::vector<int>{31, 31, 31, 31, 31, 30, 30, 30, 30, 30, 31, 31}));
    EXPECT_EQ(drawnAt(bomb, 199, 200), 0u);  // frame's corner at (x - 10, y - 10)
}

}  // namespace
