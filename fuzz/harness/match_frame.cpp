// Drives the match frame by frame outside runMatch (no events, no pacing) and
// checks, after every frame, the rules a match must keep however it is played.
#include "harness.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
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
    while (worldHead)
        unlinkObject(worldHead);
    for (Player *&player : players) {
        delete player;
        player = nullptr;
    }
    playerCount = 0;
    debrisCount = 0;
    frameCounter = 0;
    animationTick = 0;
    spawnPointCount = 0;
    memset(WallLayer, 0, sizeof WallLayer);
    memset(ItemLayer, 0, sizeof ItemLayer);
    memset(AttributeLayer, 0, sizeof AttributeLayer);
    memset(RegenTimers, 0, sizeof RegenTimers);
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
            require(std::isfinite(object->vx) && std::isfinite(object->vy), "world object velocity not finite",
                    length);
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
    const int weapons[] = {WeaponNone, WeaponMelee, WeaponGrenade, WeaponBomb, WeaponKnife};
    bool knownWeapon = false;
    for (int weapon : weapons)
        knownWeapon = knownWeapon || p->weapon == weapon;
    require(knownWeapon, "weapon", p->weapon);
    require(p->health >= -100 && p->health <= 100, "health", p->health);
    require(p->respawnTimer >= 0 && p->respawnTimer <= 100, "respawnTimer", p->respawnTimer);
    require(p->gadget >= 0 && p->gadget <= 2, "gadget", p->gadget);
    require(p->gadgetCharge >= 0 && p->gadgetCharge <= 500, "gadgetCharge", p->gadgetCharge);
    require(p->walkPhase >= 0 && p->walkPhase <= 4, "walkPhase", p->walkPhase);
    require(p->pose >= 0 && p->pose <= 4, "pose", p->pose);
    require(p->facing == 0 || p->facing == 1, "facing", p->facing);
    require(p->cooldown >= 0 && p->cooldown <= 20, "cooldown", p->cooldown);
    require(p->attackTimer >= 0 && p->attackTimer <= 15, "attackTimer", p->attackTimer);
    require(p->fallDistance >= 0, "fallDistance", p->fallDistance);
    require(p->kills >= 0, "kills", p->kills);
    require(within(p->x, -50, 690), "fighter x", p->x);
    require(within(p->y, -50, 560), "fighter y", p->y);
    require(within(p->vx, -50, 50), "fighter vx", p->vx);
    require(within(p->vy, -20, 20), "fighter vy", p->vy);
    require(within(p->pushVx, -100, 100), "fighter pushVx", p->pushVx);
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
