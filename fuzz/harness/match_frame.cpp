// Drives the match frame by frame outside runMatch (no events, no pacing) and
// checks, after every frame, the rules a match must keep however it is played.
#include "harness.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "world/world.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <unordered_map>

constexpr int MaxWorldLength = 5000;
// A pass that removes its head ends early, so an object below the screen may
// wait a few frames for its update; it must not stay there.
constexpr int MaxFramesBelowScreen = 50;

static int peakLength;
static std::unordered_map<const WorldObject *, int> belowScreen;

void harnessFailure(const char *what, double value)
{
    // Also on standard output: the fuzzers run with the game's chatter on stderr closed.
    for (FILE *stream : {stderr, stdout}) {
        fprintf(stream, "\nhardening rule broken: %s (value %.17g, frame %d)\n", what, value, frameCounter);
        fflush(stream);
    }
    abort();
}

void playMatchFrame(const FighterInput &first, const FighterInput &second)
{
    drawMatchFrame();
    updateMatchFrame(first, second);
}

void resetMatch()
{
    resetGame();
    clearArena();  // a short arena file keeps the codes of the one before
    belowScreen.clear();
}

bool startLevel(const char *path)
{
    if (!loadArena(path))
        return false;
    setupLevel();
    new Player();
    new Player();
    if (playerCount != 2)
        harnessFailure("fighters not registered", playerCount);
    return true;
}

int peakWorldLength()
{
    return peakLength;
}

void decodeInputs(uint8_t byte, FighterInput &first, FighterInput &second)
{
    first = {(byte & 1) != 0, (byte & 2) != 0, (byte & 4) != 0, (byte & 8) != 0};
    second = {(byte & 16) != 0, (byte & 32) != 0, (byte & 64) != 0, (byte & 128) != 0};
}

static void require(bool holds, const char *what, double value)
{
    if (!holds)
        harnessFailure(what, value);
}

static bool within(double value, double low, double high)
{
    return std::isfinite(value) && value >= low && value <= high;
}

static void checkWorld()
{
    require(debrisCount >= 0, "debrisCount below zero", debrisCount);
    std::unordered_map<const WorldObject *, int> stillBelow;
    int length = 0;
    if (worldHead) {
        const WorldObject *object = worldHead;
        do {
            length++;
            require(length < MaxWorldLength, "world list too long or not a ring", length);
            require(object->next && object->next->prev == object, "world list links broken", length);
            require(object->alive == 0 || object->alive == 1, "world object alive flag", object->alive);
            require(object->x >= -200 && object->x <= 840, "world object x outside the box", object->x);
            require(object->y >= -200 && object->y <= 700, "world object y outside the box", object->y);
            require(std::isfinite(object->vx) && std::isfinite(object->vy), "world object velocity not finite", length);
            if (object->y > 480) {
                auto seen = belowScreen.find(object);
                int frames = seen == belowScreen.end() ? 1 : seen->second + 1;
                require(frames <= MaxFramesBelowScreen, "world object stays below the screen", object->y);
                stillBelow[object] = frames;
            }
            object = object->next;
        } while (object != worldHead);
    }
    belowScreen.swap(stillBelow);
    if (length > peakLength)
        peakLength = length;
}

static void checkFighter(const Player *p)
{
    require(p->weapon == WeaponNone || p->weapon == WeaponMelee || p->weapon == WeaponGrenade ||
                p->weapon == WeaponBomb || p->weapon == WeaponKnife,
            "weapon", p->weapon);
    const struct {
        const char *name;
        double value, low, high;
    } ranges[] = {{"health", double(p->health), -100, 100},
                  {"respawnTimer", double(p->respawnTimer), 0, 100},
                  {"gadget", double(p->gadget), 0, 2},
                  {"gadgetCharge", double(p->gadgetCharge), 0, 500},
                  {"walkPhase", double(p->walkPhase), 0, 4},
                  {"pose", double(p->pose), 0, 4},
                  {"facing", double(p->facing), 0, 1},
                  {"cooldown", double(p->cooldown), 0, 20},
                  {"attackTimer", double(p->attackTimer), 0, 15},
                  {"fallDistance", double(p->fallDistance), 0, 1e300},
                  {"kills", double(p->kills), 0, 1e300},
                  {"fighter x", double(p->x), -50, 690},
                  {"fighter y", double(p->y), -50, 560},
                  {"fighter vx", double(p->vx), -50, 50},
                  {"fighter vy", double(p->vy), -20, 20},
                  {"fighter pushVx", double(p->pushVx), -100, 100}};
    for (const auto &r : ranges)
        require(within(r.value, r.low, r.high), r.name, r.value);
}

void checkMatch()
{
    checkWorld();
    require(playerCount == 2, "playerCount", playerCount);
    for (int i = 0; i < playerCount; i++) {
        require(players[i] && players[i]->index == i, "players table", i);
        checkFighter(players[i]);
    }
}
