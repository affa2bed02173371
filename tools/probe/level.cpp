// One fighter's moves on a fresh copy of the level, run through the match's
// own frame: world objects, item refills, then the fighters.
#include "probe.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "world/world.h"

#include <cmath>
#include <cstring>

bool ProbeLevel::load(const char *path)
{
    Arena &arena = match.arena;
    if (!loadArena(arena, path))
        return false;
    memcpy(walls, arena.WallLayer, sizeof walls);
    memcpy(items, arena.ItemLayer, sizeof items);
    memcpy(attributes, arena.AttributeLayer, sizeof attributes);
    return true;
}

// Starting a match scans the arena, places the fighters and seeds the
// generator: every move starts from the same start, so it is made once per
// set of layers and copied after.
void ProbeLevel::restart(bool withLifts)
{
    if (startedWith == static_cast<int>(withLifts) && memcmp(startedFrom[0], walls, sizeof walls) == 0 &&
        memcmp(startedFrom[1], items, sizeof items) == 0 &&
        memcmp(startedFrom[2], attributes, sizeof attributes) == 0) {
        match = started;
        return;
    }
    Arena arena = {};
    memcpy(arena.WallLayer, walls, sizeof walls);
    memcpy(arena.ItemLayer, items, sizeof items);
    memcpy(arena.AttributeLayer, attributes, sizeof attributes);
    if (!withLifts)
        for (Uint16 &item : arena.ItemLayer)
            if (item == ItemLift)
                item = 0;
    startMatch(match, arena, {"", 0, {1, 1}, 1, {}});
    match.players[1].respawnTimer = ForeverDead;
    started = match;
    startedWith = withLifts;
    memcpy(startedFrom[0], walls, sizeof walls);
    memcpy(startedFrom[1], items, sizeof items);
    memcpy(startedFrom[2], attributes, sizeof attributes);
}

// One frame with the first fighter steered and the second idle.
static void playFrame(Match &match, const FighterInput &input)
{
    static FrameEvents events;
    const FighterInput inputs[MaxPlayers] = {input, {}};
    step(match, inputs, events);
}

// Puts the first fighter at rest at a stance, fresh from a spawn.
Player &ProbeLevel::place(const Stance &start, int facing)
{
    Player &p = match.players[0];
    p.health = 100;
    p.respawnTimer = p.cooldown = p.attackTimer = 0;
    p.weapon = WeaponNone;
    p.walkPhase = p.fallDistance = p.pose = p.explosiveDebris = 0;
    p.gadget = start.parachute ? GadgetParachute : GadgetNone;
    p.gadgetCharge = start.parachute ? 1 : 0;
    p.facing = facing;
    p.x = start.x;
    p.y = start.y;
    p.vx = p.vy = p.pushVx = 0;
    return p;
}

static int cellOf(double x, double y)
{
    int column = static_cast<int>(x / CellSize);
    int row = static_cast<int>(y / CellSize - 1);
    if (column < 0 || column >= ArenaColumns || row < 0 || row >= ArenaRows)
        return -1;
    return row * ArenaColumns + column;
}

MoveResult ProbeLevel::play(const Stance &start, const Move &move)
{
    restart(false);
    Player &p = place(start, move.direction < 0 ? 1 : 0);
    MoveResult result{};
    result.topRow = static_cast<int>(start.y / CellSize - 1);
    bool leftFeet = false;
    int restFrames = 0;
    int fallStart = cellOf(start.x, start.y);
    for (int t = 0; t < MaxMoveFrames; t++) {
        // A jump that never leaves the ground (a ceiling right above) ends its steering soon too.
        bool backOnFeet = (leftFeet && restFrames >= 1) || (!leftFeet && t >= move.jumpFrames + 40);
        bool steering = move.direction != 0 && t >= move.from && (move.to == Forever ? !backOnFeet : t < move.to);
        FighterInput input = {steering && move.direction < 0, steering && move.direction > 0, t < move.jumpFrames, 0};
        double x = p.x, y = p.y, vy = p.vy;
        int fall = p.fallDistance;
        int health = p.health;
        playFrame(match, input);
        result.frames = t + 1;
        result.hurt |= p.health < health || p.respawnTimer > 0;
        if (p.respawnTimer > 0) {
            int column = static_cast<int>(x / CellSize), row = static_cast<int>(y / CellSize - 1);
            if (attributeAt(match.arena, column, row) == AttributeDeadly) {
                result.outcome = MoveResult::Hazard;
            } else if (y + vy > 472) {
                result.outcome = MoveResult::Pit;  // through the bottom edge
            } else if (fall > 0 && vy > 0) {
                result.outcome = MoveResult::Fell;
                result.fallHeight = fall;
                result.landingCell = cellOf(x, y);
                result.fallStartCell = fallStart;
            } else {
                result.outcome = MoveResult::Hazard;
            }
            return result;
        }
        // Thrown again by the pad it came down on: it would bounce there for good, so it counts as resting on the pad.
        bool inputOver =
            t + 1 >= move.jumpFrames && (move.direction == 0 || (move.to == Forever ? !steering : t + 1 >= move.to));
        if (t > 0 && inputOver && vy >= 0 && p.vy <= -9) {
            result.outcome = MoveResult::Rests;
            result.end = {x, y, p.gadget == GadgetParachute};
            return result;
        }
        int cell = cellOf(p.x, p.y);
        if (cell >= 0)
            result.touched.set(cell);
        if (p.fallDistance == 0 && p.vy <= 0)
            fallStart = cell;
        int row = static_cast<int>(p.y / CellSize - 1);
        if (row < result.topRow)
            result.topRow = row;
        bool resting = p.vy == 0 && p.y == y;
        restFrames = resting ? restFrames + 1 : 0;
        leftFeet |= !resting;
        if (inputOver && restFrames >= 2 && std::fabs(p.vx) < 0.05) {
            result.outcome = MoveResult::Rests;
            result.end = {p.x, p.y, p.gadget == GadgetParachute};
            return result;
        }
    }
    result.outcome = MoveResult::Stuck;
    return result;
}

std::vector<std::pair<int, int>> ProbeLevel::path(const Stance &start, int direction, int jumpFrames)
{
    restart(false);
    Player &p = place(start, direction < 0 ? 1 : 0);
    std::vector<std::pair<int, int>> points{{static_cast<int>(p.x), static_cast<int>(p.y)}};
    int restFrames = 0;
    for (int t = 0; t < MaxMoveFrames && (restFrames < 2 || t < jumpFrames); t++) {
        double y = p.y;
        playFrame(match, {direction<0, direction> 0, t < jumpFrames, 0});
        if (p.respawnTimer > 0)
            break;
        points.push_back({static_cast<int>(p.x), static_cast<int>(p.y)});
        restFrames = p.vy == 0 && p.y == y ? restFrames + 1 : 0;
    }
    return points;
}

void ProbeLevel::frame(const FighterInput &input)
{
    playFrame(match, input);
}

void ProbeLevel::idle()
{
    playFrame(match, {});
}
