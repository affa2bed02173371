// Floor 6, the brain: stands on media (1), gfx (2), the arena (3), the world (4) and the match (5).
// The computer player: it looks at the match as a player sees the screen and
// answers with the same FighterInput a keyboard gives. Its map of the arena is
// found by playing the match's own movement on a scratch fighter.
// Owns nothing: whoever runs a match keeps its players' brains (`Computers`).
#pragma once

#include "match/match.h"
#include "match/player.h"

#include <cstdint>
#include <memory>
#include <vector>

enum ComputerLevel { ComputerPerson = 0, ComputerEasy = 1, ComputerNormal = 2, ComputerHard = 3 };

// A settings value (Computer1, Computer2) as a level: below 1 a person, above 3 hard.
int computerLevel(int setting);

// One scripted way from a resting place: jump held for `jumpFrames`, a
// direction (-1 left, +1 right, 0 none) held from frame `from` to frame `to`
// (NavForever: until back on its feet), and with `back` the other way from
// `to` until back on its feet, to tuck in under a ledge walked off.
struct NavMove {
    int jumpFrames, direction, from, to;
    bool back;
};
constexpr int NavForever = 1 << 20;

// The input of frame `t` of a move. `backOnFeet`: it has left the ground and
// come to rest again, or never left it in time. `inputOver`: nothing more is held.
FighterInput moveInput(const NavMove &move, int t, bool backOnFeet, bool &inputOver);

struct NavEdge {
    int to;      // node reached
    int move;    // index into the map's moves
    int frames;  // how long the move took on the scratch fighter
    bool walk;   // a plain walk: steered towards the next cell, not scripted
};

class Sandbox;  // a scratch copy of the level to play a fighter's moves on

// A ladder holds whoever is in it: a jetpack goes up or sideways through it, never down.
enum SkyCell : uint8_t { SkyClosed = 0, SkyOpen = 1, SkyLadder = 2 };

// Where a fighter can come to rest, one node per arena cell, and the moves between them.
struct NavMap {
    std::vector<int> nodeOfCell;  // -1 where nobody rests
    std::vector<int> cellOfNode;
    std::vector<std::vector<NavEdge>> edges;  // by node
    std::vector<NavMove> moves;
    std::vector<int> firstEdge;        // [from * nodes + to]: edge index to take first, -1 when no way
    std::vector<int> cost;             // [from * nodes + to]: frames, a large number when no way
    std::vector<bool> onPad;           // by node: a jump pad throws whoever stops there
    std::vector<GrenadeBurst> bursts;  // [node * 2 + direction]: where a grenade thrown from there bursts
    std::vector<uint8_t> sky;          // by cell: a jetpack's room, SkyClosed, SkyOpen or SkyLadder
    bool built = false;
    std::shared_ptr<Sandbox> sandbox;  // the level the map was found on, to play a fighter's next frames

    int nodes() const { return static_cast<int>(cellOfNode.size()); }
};

// Plays the moves of every resting place of the match's level on a copy of
// the match's first fighter in a copy of the match; the match itself is only read.
void buildNavMap(NavMap &map, const Match &match);

// A fighter's next frames as the match's own movement plays them on the
// map's scratch level: where it is after each, and the first frame that hurts
// it (a hurting or deadly cell, a deadly fall, off the screen) or -1.
constexpr int TrailFrames = 48;
struct Trail {
    int frames = 0, harmedAt = -1;
    double x[TrailFrames], y[TrailFrames], vy[TrailFrames];
};
// What the fighter holds on a trail: `first` on its first frame, then the
// scripted `move` on from its frame `t` when one is given, else `held`.
struct Steering {
    FighterInput first, held;
    const NavMove *move;
    int t;
    bool leftFeet;
};
// Plays `frames` frames of a fighter from where `start` is, with the match's
// jump pads as they are now; the match itself is only read. With `settle` it
// plays on unsteered till the fighter stands, and a harm on the way counts on the trail's last frame.
void playAhead(const NavMap &map, const Match &match, const Player &start, const Steering &steering, int frames,
               bool settle, Trail &trail);

// The brain's own random numbers (never the match's).
struct BrainRandom {
    uint64_t state;
};
uint32_t nextRandom(BrainRandom &random);

// What a computer player remembers between frames.
struct Brain {
    int level = ComputerNormal;
    BrainRandom random = {1};
    NavMap map;
    // The plan: the edge under way, the frame of it, and the goal node.
    int goal = -1;
    int edgeFrom = -1, edge = -1, edgeFrame = 0;
    bool leftFeet = false;  // the scripted move has left the ground
    int aligning = 0;       // frames spent getting to a move's starting spot
    int decideIn = 0;       // frames until the next decision
    int reactIn = 0;        // frames until a seen chance is taken
    int idle = 0;           // frames the fighter has stood still
    int fleeFrom = -1;      // node to get away from, or -1
    int fleeFor = 0;
    int aimError = 0;                       // pixels the brain misjudges the other's height by, per decision
    double seenX[32] = {}, seenY[32] = {};  // the other fighter, the last frames (reaction delay)
    bool seenAny = false;                   // until its first look the frames before it are that look
    int seenAt = 0;
    int wander = -1;              // node chosen to roam to when nothing else calls
    int fruitless = -1;           // a node where it waited for a chance in vain, left out of plans
    int fruitlessFor = 0;         // frames it stays left out
    double lastX = 0, lastY = 0;  // where it stood when it last moved more than a step
    int stillFrames = 0;          // frames since then
    FighterInput unstick = {};    // a short move of its own after standing too long
    int unstickFor = 0;
    int flyingFrom = -1;      // the cell its flight goes on from
    int flying = 0;           // frames flown without getting there; below 0, frames till it flies again
    int jetpack = -1;         // the cell of a jetpack it goes to fetch, or -1
    int destination = -1;     // an arena cell to go to and stay at instead of fighting; -1: fight
    FighterInput dodge = {};  // the way it turned to keep clear, held while in the air
    int dodgeFor = 0;
    int striking = 0;  // frames its mind stays on a strike it went for
};

// A fresh brain for fighter `me` at `level`, its randomness from the match's seed.
void startBrain(Brain &brain, int me, int level, unsigned seed);

// The input fighter `me` gives this frame. Reads the match, never its random
// generator; only the brain itself moves on.
FighterInput think(const Match &match, int me, Brain &brain);

// --- the game's computer players ---
// The brains of a running game's computer players, one a fighter; kept by
// whoever runs the match, for as long as the running game plays.
struct Computers {
    Brain brains[MaxPlayers];
};

// Hands the running game a brain of `computers` for every fighter its
// settings give to the computer; the others stay with the keyboard.
void startComputers(RunningGame &game, Computers &computers, unsigned seed);

// The arena changed under the match (the arena tool's live loop): each
// computer player maps it afresh on its next think and forgets its plan.
void remapComputers(Computers &computers);
