// The designer's numbers, measured by playing small arenas built here: how high
// a jump and a pad throw, which drops kill, how fast lifts and ladders move,
// when spawners refill and how spawn points are chosen.
#include "probe.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "world/world.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int Floor = 20;  // the floor's row in the test arenas: fighters stand in row 19

void clear(ProbeLevel &level)
{
    memset(level.walls, 0, sizeof level.walls);
    memset(level.items, 0, sizeof level.items);
    memset(level.attributes, 0, sizeof level.attributes);
}

void wall(ProbeLevel &level, int row, int from, int to)
{
    for (int column = from; column <= to; column++)
        level.walls[row * ArenaColumns + column] = 1;
}

Stance standing(int column, int row)
{
    return {column * CellSize + 10.0, row * CellSize + 30.0, false};
}

int rowOf(double y)
{
    return static_cast<int>(y / CellSize - 1);
}

// The highest rise of the centre from a stance, in pixels, with jump held for `jumpFrames`.
int rise(ProbeLevel &level, const Stance &start, int jumpFrames)
{
    int top = static_cast<int>(start.y);
    for (auto [x, y] : level.path(start, 0, jumpFrames))
        top = std::min(top, y);
    return static_cast<int>(start.y) - top;
}

// The tallest step, in rows, that some jump from the floor below lands on.
int highestLedge()
{
    ProbeLevel level;
    int best = 0;
    for (int rows = 1; rows < 12; rows++) {
        clear(level);
        wall(level, Floor, 0, 31);
        for (int row = Floor - rows; row < Floor; row++)
            wall(level, row, 16, 31);
        bool landed = false;
        for (int column = 10; column < 16 && !landed; column++)
            for (int from : {0, 4, 8, 12, 16, 24})
                for (int to : {from + 8, from + 20, Forever}) {
                    MoveResult r = level.play(standing(column, Floor - 1), {1, 1, from, to});
                    landed |= r.outcome == MoveResult::Rests && rowOf(r.end.y) == Floor - 1 - rows;
                }
        if (landed)
            best = rows;
    }
    return best;
}

// The smallest drop, in rows, that kills a fighter who walks off, or jumps off, its edge.
int deadlyDrop(bool jumping)
{
    ProbeLevel level;
    for (int rows = 1; rows < 18; rows++) {
        clear(level);
        wall(level, Floor, 0, 31);
        wall(level, Floor - rows, 0, 12);
        Move move = jumping ? Move{1, 1, 0, Forever} : Move{0, 1, 0, Forever};
        if (level.play(standing(12, Floor - rows - 1), move).outcome == MoveResult::Fell)
            return rows;
    }
    return -1;
}

// The longest gap, in cells, that a running jump clears.
int widestGap()
{
    ProbeLevel level;
    int best = 0;
    for (int gap = 1; gap < 12; gap++) {
        clear(level);
        wall(level, Floor, 0, 15);
        wall(level, Floor, 16 + gap, 31);
        wall(level, Floor + 1, 0, 31);
        bool crossed = false;
        for (int column = 5; column <= 15 && !crossed; column++)
            for (int from : {0, 6, 12}) {
                MoveResult r = level.play(standing(column, Floor - 1), {from + 1, 1, 0, Forever});
                crossed |= r.outcome == MoveResult::Rests && r.end.x >= (16 + gap) * CellSize;
            }
        if (crossed)
            best = gap;
    }
    return best;
}

// Frames a lift takes for its way down 10 rows, and for the trip down and back up.
void liftTiming(int &downFrames, int &tripFrames)
{
    ProbeLevel level;
    clear(level);
    wall(level, 2, 0, 31);
    wall(level, 14, 0, 31);
    level.items[4 * ArenaColumns + 5] = ItemLift;
    level.restart(true);
    level.match.players[0].respawnTimer = ForeverDead;
    Lift *lift = nullptr;
    for (WorldObject *o = level.match.worldHead; o && !lift; o = o->next == level.match.worldHead ? nullptr : o->next)
        lift = dynamic_cast<Lift *>(o);
    int startY = lift->y;
    downFrames = tripFrames = 0;
    for (int frame = 1; frame < 20000 && !tripFrames; frame++) {
        level.idle();
        if (!downFrames && lift->movingDown == 0)
            downFrames = frame;
        if (downFrames && lift->movingDown == 1 && lift->y == startY)
            tripFrames = frame;
    }
}

// Frames from taking a spawner's item to its return: the earliest and the latest.
void refillFrames(int &earliest, int &latest)
{
    ProbeLevel level;
    clear(level);
    wall(level, Floor, 0, 31);
    int cell = (Floor - 1) * ArenaColumns + 5;
    level.attributes[cell] = AttributeSpawnerLast;
    level.items[cell] = ItemHealth;
    earliest = 1 << 30;
    latest = 0;
    for (int takenAt = 100; takenAt < 125; takenAt++) {
        level.restart(false);
        level.match.players[0].respawnTimer = ForeverDead;
        int frame = 0;
        for (; frame < takenAt; frame++)
            level.idle();
        setItem(level.match.arena, 5, Floor - 1, 0);  // what a pickup writes
        while (level.match.arena.ItemLayer[cell] == 0 && frame < 5000) {
            level.idle();
            frame++;
        }
        earliest = std::min(earliest, frame - takenAt);
        latest = std::max(latest, frame - takenAt);
    }
}

// How often each of four spawn points is chosen, in percent: the least and the most.
void spawnShares(int &least, int &most)
{
    ProbeLevel level;
    clear(level);
    wall(level, Floor, 0, 31);
    for (int column : {3, 10, 20, 28})
        level.attributes[(Floor - 1) * ArenaColumns + column] = AttributeSpawn;
    level.restart(false);
    int counts[ArenaColumns] = {};
    seedRandom(level.match.random, 1);
    constexpr int Tries = 4000;
    for (int i = 0; i < Tries; i++) {
        level.match.players[0].respawnPlayer(level.match);
        counts[static_cast<int>(level.match.players[0].x) / CellSize]++;
    }
    least = 100;
    most = 0;
    for (int column : {3, 10, 20, 28}) {
        least = std::min(least, counts[column] * 100 / Tries);
        most = std::max(most, counts[column] * 100 / Tries);
    }
}

// Pixels climbed in the 20 frames after one press of jump on a ladder, and
// pixels a fighter hanging on it sinks in 100 frames with no key held.
void ladderMotion(int &climbed, int &sunk)
{
    ProbeLevel level;
    clear(level);
    wall(level, Floor, 0, 31);
    for (int row = 5; row < Floor; row++)
        level.items[row * ArenaColumns + 5] = ItemLadder;
    Stance on = standing(5, 12);
    std::vector<std::pair<int, int>> up = level.path(on, 0, 1);
    climbed = static_cast<int>(on.y) - up[std::min<size_t>(20, up.size() - 1)].second;
    std::vector<std::pair<int, int>> idle = level.path(on, 0, 0);
    sunk = idle.back().second - static_cast<int>(on.y);
}

// Frames a jump pad rests after a throw before it can throw again.
int padRest()
{
    ProbeLevel level;
    clear(level);
    wall(level, Floor, 0, 31);
    level.items[(Floor - 1) * ArenaColumns + 15] = ItemJumpPad;
    level.restart(false);
    JumpPad *pad = nullptr;
    for (WorldObject *o = level.match.worldHead; o && !pad; o = o->next == level.match.worldHead ? nullptr : o->next)
        pad = dynamic_cast<JumpPad *>(o);
    level.place(standing(15, Floor - 1), 0);
    int frames = 0;
    for (int frame = 0; frame < 1000 && (frames == 0 || pad->age != 0); frame++) {
        level.idle();
        frames += pad->age != 0;
    }
    return frames;
}

// The longest fall survived and the shortest that kills, in the pixels the fighter counts,
// over walks and jumps off ledges of every height; and how far a fighter holding a
// parachute falls before it opens.
void fallLimits(int &survived, int &killed, int &parachuteOpens)
{
    ProbeLevel level;
    survived = 0;
    killed = 1 << 20;
    parachuteOpens = 0;
    for (int rows = 1; rows < 18; rows++) {
        clear(level);
        wall(level, Floor, 0, 31);
        wall(level, Floor - rows, 0, 12);
        for (int jump : {0, 1})
            for (bool parachute : {false, true}) {
                level.restart(false);
                Player &p = level.place({12 * CellSize + 10.0, (Floor - rows - 1) * CellSize + 30.0, parachute}, 0);
                int fall = 0;
                for (int t = 0; t < MaxMoveFrames && p.respawnTimer <= 0; t++) {
                    int charge = p.gadgetCharge;
                    fall = std::max(fall, p.fallDistance);
                    level.frame({0, t < 30, t < jump, 0});
                    if (parachute && charge != 2 && p.gadgetCharge == 2)
                        parachuteOpens = std::max(parachuteOpens, fall);
                    if (p.fallDistance == 0 && p.vy == 0 && t > 30)
                        break;
                }
                if (parachute)
                    continue;
                if (p.respawnTimer > 0)
                    killed = std::min(killed, fall);
                else
                    survived = std::max(survived, fall);
            }
    }
}

// The pixels of a cell's width from which a plain climb takes a fighter up
// through a one-cell hole in a ceiling: the first and the last x within the cell.
void ladderHole(int &from, int &to)
{
    ProbeLevel level;
    clear(level);
    wall(level, Floor, 0, 31);
    wall(level, 10, 0, 31);
    level.walls[10 * ArenaColumns + 15] = 0;
    for (int row = 5; row < Floor; row++)
        level.items[row * ArenaColumns + 15] = ItemLadder;
    from = CellSize;
    to = -1;
    for (int x = 0; x < CellSize; x++) {
        MoveResult r = level.play({15.0 * CellSize + x, (Floor - 1) * CellSize + 30.0, false}, {120, 0, 0, 0});
        if (r.topRow < 10) {
            from = std::min(from, x);
            to = std::max(to, x);
        }
    }
}

}  // namespace

int measureGame()
{
    ProbeLevel level;
    clear(level);
    wall(level, Floor, 0, 31);
    level.restart(false);
    Stance floor = standing(15, Floor - 1);
    int jumpRise = rise(level, floor, 1);
    level.items[(Floor - 1) * ArenaColumns + 15] = ItemJumpPad;
    int padRise = rise(level, floor, 0);
    int down = 0, trip = 0, earliest = 0, latest = 0, least = 0, most = 0, climbed = 0, sunk = 0;
    liftTiming(down, trip);
    refillFrames(earliest, latest);
    spawnShares(least, most);
    ladderMotion(climbed, sunk);
    int survived = 0, killed = 0, opens = 0, holeFrom = 0, holeTo = 0;
    fallLimits(survived, killed, opens);
    ladderHole(holeFrom, holeTo);
    printf("jump.pixels %d  a standing jump lifts the fighter's centre (%d rows)\n", jumpRise, jumpRise / 20);
    printf("jump.ledge %d  the tallest step, in rows, that a jump from the floor lands on\n", highestLedge());
    printf("jump.gap %d  the widest gap, in cells, that a running jump clears\n", widestGap());
    printf("pad.pixels %d  a jump pad lifts a fighter standing on it (%d rows)\n", padRise, padRise / 20);
    printf("pad.rest %d  frames a jump pad rests after a throw\n", padRest());
    printf("fall.walk %d  the smallest drop, in rows, that kills a fighter walking off its edge\n", deadlyDrop(false));
    printf("fall.jump %d  the smallest drop, in rows, that kills a fighter jumping off it\n", deadlyDrop(true));
    printf("fall.survived %d  the longest fall survived, in pixels as the fighter counts them\n", survived);
    printf("fall.kills %d  the shortest fall that kills, counted the same way\n", killed);
    printf("parachute.opens %d  pixels a fighter holding a parachute falls before it opens\n", opens);
    printf("lift.down %d  frames a lift takes down 10 rows (200 pixels)\n", down);
    printf("lift.trip %d  frames of that lift's trip down and back up\n", trip);
    printf("ladder.climb %d  pixels climbed in the 20 frames after one press of jump on a ladder\n", climbed);
    printf("ladder.sink %d  pixels a fighter hanging on a ladder sinks with no key held\n", sunk);
    printf("ladder.hole.from %d  the first x in a cell from which a climb passes a one-cell hole\n", holeFrom);
    printf("ladder.hole.to %d  the last such x\n", holeTo);
    printf("spawner.earliest %d  frames from taking a spawner's item to its return, at the earliest\n", earliest);
    printf("spawner.latest %d  the same, at the latest\n", latest);
    printf("spawn.least %d  percent of 4000 respawns at the least chosen of four spawn points\n", least);
    printf("spawn.most %d  percent at the most chosen one\n", most);
    return 0;
}
