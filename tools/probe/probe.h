// The arena probe: plays an arena with the game's own rules, one fighter at a
// time, and answers what the arena tool asks. Everything it knows about
// movement, pads, lifts and hazards comes from running the game library.
#pragma once

#include "match/match.h"

#include <SDL.h>

class Player;

#include <bitset>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

constexpr int MaxMoveFrames = 600;
// Dead time that outlasts every probe run; the dead-time step multiplies it by 100.
constexpr int ForeverDead = 1000000;

// The fighter's state between moves: a place is such a state at rest.
struct Stance {
    double x, y;
    bool parachute;
};

// What one move did, from a resting start.
struct MoveResult {
    enum Outcome { Rests, Fell, Pit, Hazard, Stuck } outcome;
    Stance end;                // Rests: where it came to rest
    std::bitset<768> touched;  // cells the fighter's centre passed
    int topRow;                // highest row the centre reached
    int fallHeight;            // Fell: the fall that killed, in pixels
    int landingCell;           // Fell: the cell it landed in
    int fallStartCell;         // Fell: where the fall began: the top of the jump, or the edge walked off
    int frames;                // frames played
    bool hurt;                 // health was lost on the way
};

// One scripted input: jump held for `jumpFrames`, a direction (-1 left,
// +1 right, 0 none) held from frame `from` until frame `to`, or with `to` =
// Forever until the fighter is back on its feet after leaving them.
struct Move {
    int jumpFrames, direction, from, to;
};
constexpr int Forever = 1 << 20;

// The arena as loaded, kept so that every move starts from the same fresh level.
class ProbeLevel {
public:
    bool load(const char *path);
    // A fresh level: the kept layers, timers at 0, machines made by level setup,
    // frame 0, the first fighter alive, the second dead for good. Lifts are left
    // out unless asked for: their columns stay open.
    void restart(bool withLifts);
    // Puts the first fighter at rest at a stance, fresh from a spawn.
    Player &place(const Stance &start, int facing);
    // Runs one move of the first fighter from a resting stance.
    MoveResult play(const Stance &start, const Move &move);
    // The centre's positions, one a frame, from `start` with a direction held
    // and jump held for `jumpFrames`, until it rests or dies.
    std::vector<std::pair<int, int>> path(const Stance &start, int direction, int jumpFrames = 0);

    Uint16 walls[768], items[768], attributes[768];
    void frame(const FighterInput &input);  // one frame with the first fighter steered, the second idle
    void idle();                            // one frame with both fighters idle
    Match match;                            // the level being played

private:
    Match started;               // the fresh start the last restart made
    Uint16 startedFrom[3][768];  // the layers it was made from
    int startedWith = -1;        // its lifts: 1 in, 0 left out, -1 no start made yet
};

// A place: a stance at rest, reached from the spawn points, and where its moves lead.
struct Place {
    Stance stance;
    int cell;
    std::bitset<768> touched;  // cells its moves pass on their way
    std::vector<int> next;     // places its moves come to rest at
    int climbTop = -1;         // on ladders: the highest row a plain climb reaches
    bool deathExit = false;    // some move from here kills
};

// Every place a fighter can come to rest, found by playing a fixed set of
// moves from every place already found, starting from the places given.
struct Exploration {
    ProbeLevel level;
    std::vector<Place> places;
    std::unordered_map<long long, int> index;
    struct Fall {
        int height;                  // the highest such fall, in pixels
        std::vector<int> startedAt;  // places whose moves make it
    };
    std::map<std::pair<int, int>, Fall> falls;  // (start cell, landing cell), made without a parachute
    long moves = 0, frames = 0;

    int placeOf(const Stance &s);  // -1 when there are too many places
    MoveResult play(const Stance &s, const Move &m);
    void explore(std::vector<int> queue);
    std::bitset<768> reach(int start) const;  // cells touched from a place, following its moves
};

std::vector<Move> groundMoves();

// A lift's way: its column and mark's row, the rows its body and shaft cover, the frames of one trip.
struct LiftTravel {
    int column, row, top, bottom, period;
};
std::vector<LiftTravel> liftTravels(ProbeLevel &level);

// Which nodes the ways lead to from the nodes `from`, these included.
std::vector<bool> reachable(const std::vector<std::vector<int>> &ways, const std::vector<int> &from);

// Places a fighter can reach but never leave for the rest of the arena.
struct Trap {
    std::bitset<768> cells;
    std::vector<int> spawns;  // spawn points whose fighters can get there
    std::vector<int> inside;  // spawn points whose fighters appear in it
    bool deathGetsOut;        // dying is the only way out
};
// `starts` are the spawn points' places (-1 where the fighter dies); riding a
// lift joins every place beside its way, a jetpack spawner is a way out.
std::vector<Trap> findTraps(const Exploration &e, const std::vector<int> &starts, const std::vector<LiftTravel> &lifts,
                            const std::bitset<768> &jetpackSpawners);
// Moves since a parachute was picked up, for each place with one in hand; -1 elsewhere.
std::vector<int> movesSinceParachute(const Exploration &e);
// A fall is excused when a parachute can be in hand on the way there: picked up this many moves before, or fewer.
constexpr int ParachuteMoves = 3;
// True when every move from a fresh fighter at the spawn point hurts or kills it.
bool isDeathLoop(Exploration &e, const Stance &spawn);

int reportProblems(const char *path);  // the game library's faults of an arena: their count, -1 unreadable
int exploreArena(const char *path);    // the exploration report on stdout
int measureGame();                     // the designer's numbers on stdout
