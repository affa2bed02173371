// Drives the match frame by frame outside runMatch (no events, no pacing) and
// checks, after every frame, the rules a match must keep however it is played.
#include "harness.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "shell/shell.h"
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
static int checkedFrame;  // the frame counter of the match last checked

void harnessFailure(const char *what, double value)
{
    // Also on standard output: the fuzzers run with the game's chatter on stderr closed.
    for (FILE *stream : {stderr, stdout}) {
        fprintf(stream, "\nhardening rule broken: %s (value %.17g, frame %d)\n", what, value, checkedFrame);
        fflush(stream);
    }
    abort();
}

void playMatchFrame(Match &match, const FighterInput &first, const FighterInput &second)
{
    static FrameEvents events;
    drawMatchFrame(match);
    const FighterInput inputs[MaxPlayers] = {first, second};
    step(match, inputs, events);
    playEvents(events);
}

void resetMatch(Match &match)
{
    match = Match();
    belowScreen.clear();
}

bool startLevel(Match &match, const char *path, unsigned seed)
{
    belowScreen.clear();
    MatchSetup setup = {path, 10, {settings.Image1, settings.Image2}, seed, {settings.Name1, settings.Name2}};
    if (!startMatch(match, setup))
        return false;
    if (match.playerCount != 2)
        harnessFailure("fighters not registered", match.playerCount);
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

static void checkWorld(const World &world)
{
    require(world.debrisCount >= 0, "debrisCount below zero", world.debrisCount);
    std::unordered_map<const WorldObject *, int> stillBelow;
    int length = 0;
    if (const WorldObject *worldHead = world.worldHead) {
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

static void checkFighter(const Player &fighter)
{
    const Player *p = &fighter;
    require(p->weapon == WeaponNone || p->weapon == WeaponMelee || p->weapon == WeaponGrenade ||
                p->weapon == WeaponBomb || p->weapon == WeaponKnife,
            "weapon", p->weapon);
#define RANGE(field, low, high) require(within(double(p->field), low, high), #field, double(p->field))
    RANGE(health, -100, 100), RANGE(respawnTimer, 0, 100), RANGE(gadget, 0, 2), RANGE(gadgetCharge, 0, 500),
        RANGE(walkPhase, 0, 4), RANGE(pose, 0, 4), RANGE(facing, 0, 1), RANGE(cooldown, 0, 20),
        RANGE(attackTimer, 0, 15), RANGE(fallDistance, 0, 1e300), RANGE(kills, 0, 1e300), RANGE(x, -50, 690),
        RANGE(y, -50, 560), RANGE(vx, -50, 50), RANGE(vy, -20, 20), RANGE(pushVx, -100, 100);
#undef RANGE
}

void checkMatch(const Match &match)
{
    checkedFrame = match.frameCounter;
    checkWorld(match);
    require(match.playerCount == 2, "playerCount", match.playerCount);
    for (int i = 0; i < match.playerCount; i++) {
        require(match.players[i].index == i, "players table", i);
        checkFighter(match.players[i]);
    }
}
