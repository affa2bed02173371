// Shared helpers for the game's tests: a headless screen, temporary game
// folders, small arenas drawn as text, and a clean world between tests. It
// brings in every subsystem's interface and the test framework, so a test
// file includes only what is particular to it.
#pragma once

#include <SDL.h>

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "harness.h"  // headless SDL, the mixer, writeFile
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

// The 640x480x16 screen on SDL's dummy drivers, as the game opens it.
inline void initHeadlessScreen()
{
    startHeadlessVideo();
}

// A fresh folder under /tmp that becomes the working directory for the
// test's lifetime; removed afterwards.
class TempGameDir {
public:
    TempGameDir();
    ~TempGameDir();
    const std::string &path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

std::string readFile(const std::string &path);

// Runs `work` in a child process that is not root (root may write anywhere)
// and gives back the text it returned.
std::string unprivileged(const std::function<std::string()> &work);

// Pixel value of the screen (or any surface) at (x, y), read under a lock.
Uint32 pixelAt(SDL_Surface *surface, int x, int y);
// The screen's pixel value for an RGB colour.
Uint32 screenColour(Uint8 r, Uint8 g, Uint8 b);

// A surface in the screen's 16-bit format filled with one colour.
SDL_Surface *makeSolidSurface(int width, int height, Uint8 r, Uint8 g, Uint8 b);

// The match the tests of a program play on; SmallArena starts it fresh.
extern Match match;

// Sounds the match asks for outside a step (a test calling a fighter's or an
// object's update) are kept and played at the next playingSlot or stepMatch.
void listenToMatch();

// A match step with its sounds played, as the game's frame does.
void stepMatch(const FighterInput &first = {}, const FighterInput &second = {});

// Builds match.arena from up to 24 rows of up to 32 characters. Legend:
//   '#' wall 1       'H' ladder (item 5)      'J' jump pad mark (item 9)
//   'L' lift mark (item 33)                   'S' spawn point (attribute 2)
//   '~' damaging (attribute 3)                'X' deadly (attribute 4)
//   '1'..'8' pickups 25..32 in the item layer
//   anything else: empty
// Unlisted rows and columns stay empty. Does not run setupLevel.
void buildArena(const std::vector<std::string> &rows);

// Creates the two fighters as a match start does (after setupLevel), with the settings' looks.
void createPlayers();

// A fresh game with silent sounds. start() lays `rows` over a floor at row 10
// (a fighter stands at y = 210 in row 9), adds a spawn point at (570, 210),
// sets the level up and creates both fighters there.
class SmallArena : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    static void start(std::vector<std::string> rows = {});
};

// A world object made and linked into the match's world list, as the game makes them.
template <class Kind, class... Args>
Kind *addObject(Args... args)
{
    Kind *object = new Kind(args...);
    linkObject(match, object);
    return object;
}

// Every world object of one kind, in the order of the world list.
template <class Kind>
std::vector<Kind *> objectsOf(const World &world = match)
{
    std::vector<Kind *> found;
    for (WorldObject *o = world.worldHead; o; o = o->next == world.worldHead ? nullptr : o->next)
        if (Kind *kind = dynamic_cast<Kind *>(o))
            found.push_back(kind);
    return found;
}

// Opens the mixer and fills sound slots 0..15 with distinct silent samples,
// so a test can ask which slot a channel is playing; removeSilentSounds frees
// them and closes the mixer again.
void installSilentSounds();
void removeSilentSounds();
int playingSlot(int channel);  // -1 when the channel is silent
