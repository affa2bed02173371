// Level setup (machines, spawn points, keys, music) and the arena drawing
// read back from the screen.
#include "arena/arena.h"
#include "match/match.h"
#include "shell/shell.h"
#include "support/support.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int blocksDeleted;

// A plain square that paints its 20x20 box in one colour.
class Block : public WorldObject {
public:
    Block(int x, int y)
    {
        this->x = x;
        this->y = y;
    }
    ~Block() override { blocksDeleted++; }
    void update() override {}
    void draw() override
    {
        SDL_Rect box = {static_cast<Sint16>(x - 10), static_cast<Sint16>(y - 10), 20, 20};
        SDL_FillRect(screen, &box, screenColour(0, 0, 96));
    }
};

std::vector<WorldObject *> worldObjects()
{
    std::vector<WorldObject *> all;
    if (WorldObject *object = worldHead) {
        do {
            all.push_back(object);
            object = object->next;
        } while (object != worldHead);
    }
    return all;
}

// Item tiles: red counts the tile within a row of 32, green the block of 32.
Uint32 itemTileColour(int tile) { return screenColour(8 * (tile % 32), 64 + 8 * (tile / 32), 0); }
Uint32 wallTileColour(int tile) { return screenColour(8 * (tile % 32), 0, 200); }

// A sheet of 8 by 6 tiles, each filled with its own colour.
SDL_Surface *makeTileSheet(Uint32 (*colour)(int))
{
    SDL_Surface *sheet = makeSolidSurface(160, 120, 0, 0, 0);
    for (int tile = 0; tile < 48; tile++) {
        SDL_Rect cell = {static_cast<Sint16>(tile % 8 * 20), static_cast<Sint16>(tile / 8 * 20), 20, 20};
        SDL_FillRect(sheet, &cell, colour(tile));
    }
    return sheet;
}

class ArenaDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetWorld();
        ImageSlots[0] = makeTileSheet(wallTileColour);
        ImageSlots[1] = makeTileSheet(itemTileColour);
    }
    void TearDown() override
    {
        resetWorld();
        for (int slot : {0, 1}) {
            SDL_FreeSurface(ImageSlots[slot]);
            ImageSlots[slot] = nullptr;
        }
    }
};

// Top-left pixel of cell (c, r) plus an offset.
Uint32 cellPixel(int column, int row, int dx = 5, int dy = 5)
{
    return pixelAt(screen, column * 20 + dx, 20 + row * 20 + dy);
}

}  // namespace

TEST(LevelSetup, TurnsMarksIntoMachinesAndCountsSpawnPoints)
{
    initHeadlessScreen();
    resetWorld();
    blocksDeleted = 0;
    new Block(10, 10);
    new Block(20, 20);
    new Block(30, 30);
    debrisCount = 12;
    animationTick = 345;

    buildArena({
        "S...............................",
        "....L...........................",
        "...J............................",
    });
    AttributeLayer[2 * ArenaColumns + 3] = AttributeSpawn;  // a pad on a spawn point
    AttributeLayer[23 * ArenaColumns + 31] = AttributeSpawn;
    AttributeLayer[5] = AttributeAnimated;
    ItemLayer[6] = ItemShaft;  // shafts stay: only the lift writes them
    setupLevel();

    EXPECT_EQ(blocksDeleted, 3);
    EXPECT_EQ(debrisCount, 12);     // emptying the world does not lower it
    EXPECT_EQ(animationTick, 345);  // nor restart the animations
    EXPECT_EQ(spawnPointCount, 3);

    std::vector<WorldObject *> machines = worldObjects();
    ASSERT_EQ(machines.size(), 2u);
    // The lift's mark comes first in the scan, so the lift is the head.
    auto *lift = dynamic_cast<Lift *>(machines[0]);
    auto *pad = dynamic_cast<JumpPad *>(machines[1]);
    ASSERT_NE(lift, nullptr);
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(lift->x, 4 * 20 + 10);
    EXPECT_EQ(lift->y, 1 * 20 + 10);  // 20 pixels above its mark's centre
    EXPECT_EQ(lift->frame, 32);
    EXPECT_EQ(pad->x, 3 * 20 + 10);
    EXPECT_EQ(pad->y, 2 * 20 + 30);
    EXPECT_EQ(pad->frame, 8);
    EXPECT_EQ(itemAt(4, 1), 0);
    EXPECT_EQ(itemAt(3, 2), 0);
    EXPECT_EQ(itemAt(6, 0), ItemShaft);
    EXPECT_EQ(attributeAt(3, 2), AttributeSpawn);

    // A second level replaces the machines; with no marks the world stays empty.
    buildArena({"#..#", "#..#", "####"});
    setupLevel();
    EXPECT_EQ(worldHead, nullptr);
    EXPECT_EQ(spawnPointCount, 0);
    resetWorld();
}

TEST(LevelSetup, ClearsSevenHeldKeysAndKeepsPlayerOnesKeys)
{
    initHeadlessScreen();
    resetWorld();
    clearArena();
    const SDLKey cleared[] = {SDLK_ESCAPE, SDLK_RCTRL, SDLK_LCTRL, SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
    const SDLKey kept[] = {SDLK_a, SDLK_d, SDLK_w, SDLK_TAB};
    Uint8 *keys = SDL_GetKeyState(nullptr);
    for (SDLKey key : cleared)
        keys[key] = 1;
    for (SDLKey key : kept)
        keys[key] = 1;
    keys[SDLK_s] = 1;
    keyState = nullptr;

    setupLevel();

    EXPECT_EQ(keyState, keys);
    for (SDLKey key : cleared)
        EXPECT_EQ(keyState[key], 0) << SDL_GetKeyName(key);
    for (SDLKey key : kept)
        EXPECT_EQ(keyState[key], 1) << SDL_GetKeyName(key);
    EXPECT_EQ(keyState[SDLK_s], 1);
    for (SDLKey key : kept)
        keys[key] = 0;
    keys[SDLK_s] = 0;
}

TEST(LevelSetup, StartsTheLevelMusicAtFullVolume)
{
    ASSERT_TRUE(openHeadlessAudio());
    resetWorld();
    clearArena();
    TempGameDir dir;
    // Two seconds of an 8-bit mono square wave as a WAV file.
    const int samples = 44100;
    std::string wav = "RIFF";
    auto put32 = [&wav](Uint32 v) {
        for (int i = 0; i < 4; i++)
            wav += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&wav](Uint16 v) {
        wav += static_cast<char>(v & 0xFF);
        wav += static_cast<char>(v >> 8);
    };
    put32(36 + samples);
    wav += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(22050);
    put32(22050);
    put16(1);
    put16(8);
    wav += "data";
    put32(samples);
    for (int i = 0; i < samples; i++)
        wav += static_cast<char>(i / 50 % 2 ? 0xA0 : 0x60);
    writeFile("music.wav", wav);

    // Sounds off: the slot is empty and nothing plays.
    Mix_HaltMusic();
    setupLevel();
    EXPECT_EQ(Mix_PlayingMusic(), 0);

    SoundSlots[MusicSlot].music = Mix_LoadMUS("music.wav");
    ASSERT_NE(SoundSlots[MusicSlot].music, nullptr) << Mix_GetError();
    Mix_VolumeMusic(10);
    setupLevel();
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);

    Mix_HaltMusic();
    Mix_FreeMusic(SoundSlots[MusicSlot].music);
    SoundSlots[MusicSlot].music = nullptr;
}

TEST_F(ArenaDrawing, AnimatedCellsCycleThroughThreeTilesOfTenFrames)
{
    buildArena({});
    const int row = 4;
    AttributeLayer[row * ArenaColumns + 1] = AttributeDamaging;  // empty item
    AttributeLayer[row * ArenaColumns + 2] = AttributeAnimated;  // empty item
    ItemLayer[row * ArenaColumns + 3] = ItemMelee;
    AttributeLayer[row * ArenaColumns + 3] = AttributeAnimated;
    ItemLayer[row * ArenaColumns + 4] = ItemMelee;
    AttributeLayer[row * ArenaColumns + 4] = AttributeDeadly;  // not animated
    ItemLayer[row * ArenaColumns + 5] = ItemMelee;
    AttributeLayer[row * ArenaColumns + 5] = 9;  // a spawner is not animated

    animationTick = 0;
    for (int frame = 1; frame <= 65; frame++) {
        drawArena();
        ASSERT_EQ(animationTick, frame);
        int step = frame / 10 % 3;
        Uint32 emptyCell = step == 0 ? 0u : itemTileColour(step - 1);
        EXPECT_EQ(cellPixel(1, row), emptyCell) << "frame " << frame;
        EXPECT_EQ(cellPixel(2, row), emptyCell) << "frame " << frame;
        EXPECT_EQ(cellPixel(3, row), itemTileColour(24 + step)) << "frame " << frame;
        EXPECT_EQ(cellPixel(4, row), itemTileColour(24)) << "frame " << frame;
        EXPECT_EQ(cellPixel(5, row), itemTileColour(24)) << "frame " << frame;
    }
}
