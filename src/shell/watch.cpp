// The arena tool's live loop: `zoltr --watch` starts the match at once and
// loads the arena named by the settings again whenever the tool, having saved
// a new version of it, sends SIGHUP. The reload is the game's own level set-up;
// fighters keep their places where the new cells leave room for them.
#include "shell/shell.h"

#include "arena/arena.h"
#include "brain/brain.h"
#include "match/player.h"

#include <csignal>

namespace {

volatile sig_atomic_t reloadAsked;

void askReload(int)
{
    reloadAsked = 1;
}

// Head, centre and feet of a fighter standing at (x, y) clear of walls.
bool hasRoom(const Arena &arena, const Player &fighter)
{
    int x = static_cast<int>(fighter.x), y = static_cast<int>(fighter.y);
    return isPassable(arena, x, y - 9) && isPassable(arena, x, y) && isPassable(arena, x, y + 9);
}

void reloadArenaWhenAsked(Match &match, Computers &computers)
{
    if (!reloadAsked)
        return;
    reloadAsked = 0;
    if (!loadArena(match.arena, settings.Level)) {
        fprintf(stderr, "Problem: the arena %s could not be loaded again\n", settings.Level);
        return;
    }
    setupLevel(match);
    remapComputers(computers);
    for (int i = 0; i < match.playerCount; i++)
        if (!hasRoom(match.arena, match.players[i]))
            match.players[i].respawnPlayer(match);
}

}  // namespace

void watchArena(RunningGame &game, Computers &computers)
{
    struct sigaction action = {};
    action.sa_handler = askReload;
    action.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &action, nullptr);
    game.betweenFrames = [&computers](Match &match) { reloadArenaWhenAsked(match, computers); };
}
