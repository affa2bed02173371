// The arena probe: plays an arena with the game's own rules, one fighter at a
// time, and answers what the arena tool asks. Everything it knows about
// movement, pads, lifts and hazards comes from running the game library.
#pragma once

#include "match/match.h"

#include <SDL.h>

#include <bitset>
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
    // Runs one move of the first fighter from a resting stance.
    MoveResult play(const Stance &start, const Move &move);
    // The centre's positions, one a frame, from `start` with a direction held
    // and jump held for `jumpFrames`, until it rests or dies.
    std::vector<std::pair<int, int>> path(const Stance &start, int direction, int jumpFrames = 0);

    Uint16 walls[768], items[768], attributes[768];
    void idle();  // one frame with both fighters idle
    Match match;  // the level being played
};

int exploreArena(const char *path);  // the exploration report on stdout
int measureGame();                   // the designer's numbers on stdout
