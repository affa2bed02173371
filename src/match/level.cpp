// Starting a match and setting up a level: a fresh match, a freshly loaded
// arena made playable, and the fighters put on it.
#include "match/match.h"

#include "arena/arena.h"
#include "world/world.h"

#include <cstdio>
#include <new>

Match::Match()
{
    fighters = &MatchFighters;
}

void setupLevel(Match &match)
{
    match.spawnPointCount = 0;
    emptyWorld(match);

    Arena &arena = match.arena;
    for (int cell = 0; cell < ArenaCells; cell++) {
        int column = cell % ArenaColumns;
        int row = cell / ArenaColumns;
        if (arena.ItemLayer[cell] == ItemJumpPad) {
            linkObject(match, new (std::nothrow) JumpPad(column * CellSize + 10, row * CellSize + 30, 8));
            arena.ItemLayer[cell] = 0;
        }
        if (arena.ItemLayer[cell] == ItemLift) {
            // A lift starts with its centre 20 pixels above its mark's centre.
            linkObject(match, new (std::nothrow) Lift(column * CellSize + 10, row * CellSize + 10, 32));
            arena.ItemLayer[cell] = 0;
        }
        if (arena.AttributeLayer[cell] == AttributeSpawn)
            match.spawnPointCount++;
    }
}

void addFighter(Match &match, int look)
{
    if (match.playerCount >= MaxPlayers)
        return;
    Player &fighter = match.players[match.playerCount];
    fighter = Player(match.playerCount, look);
    match.playerCount++;
    fighter.respawnPlayer(match);
}

static void freshMatch(Match &match, const MatchSetup &setup)
{
    match = Match();
    seedRandom(match.random, setup.seed);
    match.killLimit = setup.killLimit;
    for (int i = 0; i < MaxPlayers; i++)
        snprintf(match.names[i], sizeof match.names[i], "%s", setup.names[i] ? setup.names[i] : "");
}

static void startLevel(Match &match, const MatchSetup &setup)
{
    setupLevel(match);
    addFighter(match, setup.looks[0]);
    addFighter(match, setup.looks[1]);
}

bool startMatch(Match &match, const MatchSetup &setup)
{
    freshMatch(match, setup);
    if (!loadArena(match.arena, setup.arena))
        return false;
    startLevel(match, setup);
    return true;
}

void startMatch(Match &match, const Arena &arena, const MatchSetup &setup)
{
    freshMatch(match, setup);
    match.arena = arena;
    startLevel(match, setup);
}
