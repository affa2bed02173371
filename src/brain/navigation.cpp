// The brain's map of the arena: every cell where a fighter comes to rest and
// the moves that lead from one to another, found by playing the match's own
// fighter update on a scratch copy of the match. Moves that
// touch a hurting or deadly cell, fall too far or leave the screen are never
// in the map.
#include "brain/brain.h"

#include "arena/arena.h"
#include "match/match.h"
#include "media/media.h"
#include "world/world.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <queue>

namespace {

constexpr int MoveFrameLimit = 240;
constexpr int SafeFall = 190;  // a little short of the deadly fall, for the fighter's own landing frame
constexpr int NoWay = 1 << 28;
constexpr int Forever = NavForever;

// Walks of two lengths, and off a ledge turning back under it; standing and
// running jumps steered early, late or all the way; climbs of several lengths
// with or without a step off at the top.
std::vector<NavMove> navMoves()
{
    std::vector<NavMove> moves;
    for (int d : {-1, 1}) {
        moves.push_back({0, d, 0, 8, false});
        moves.push_back({0, d, 0, 30, false});
        moves.push_back({0, d, 0, 12, true});
        for (auto [from, to] : {std::pair{0, 8}, {0, 20}, {0, Forever}, {12, Forever}, {24, Forever}})
            moves.push_back({1, d, from, to, false});
    }
    moves.push_back({1, 0, 0, 0, false});
    for (int frames : {12, 30, 60, 120}) {
        moves.push_back({frames, 0, 0, 0, false});
        for (int d : {-1, 1})
            moves.push_back({frames, d, frames - 4, Forever, false});
    }
    return moves;
}

bool isClimb(const NavMove &m)
{
    return m.jumpFrames > 1;
}

int cellAt(double x, double y)
{
    int column = static_cast<int>(x / CellSize), row = static_cast<int>(y / CellSize - 1);
    if (x < 0 || column >= ArenaColumns || row < 0 || row >= ArenaRows)
        return -1;
    return row * ArenaColumns + column;
}

}  // namespace

// A copy of the match to play moves on: only its first fighter, nothing to
// pick up, no hurting cells (the map reads them from the real arena) and
// no sounds, since a copy has no step's event list to sound them into.
class Sandbox {
public:
    explicit Sandbox(const Match &match) : scratch(match)
    {
        Arena &arena = scratch.arena;
        memcpy(attributes, arena.AttributeLayer, sizeof attributes);
        for (WorldObject *o = scratch.worldHead; o; o = o->next == scratch.worldHead ? nullptr : o->next)
            if (JumpPad *pad = dynamic_cast<JumpPad *>(o))
                pads.push_back(pad);
        // A lift sweeps its column from wall to wall and crushes who is below
        // it: the map keeps out of the whole sweep, wherever the lift is now.
        for (WorldObject *o = scratch.worldHead; o; o = o->next == scratch.worldHead ? nullptr : o->next) {
            if (!dynamic_cast<Lift *>(o))
                continue;
            int column = o->x / CellSize, row = std::clamp((o->y - 30) / CellSize, 0, ArenaRows - 1);
            int top = row, bottom = row;
            while (top > 0 && arena.WallLayer[(top - 1) * ArenaColumns + column] == 0)
                top--;
            while (bottom < ArenaRows - 1 && arena.WallLayer[(bottom + 1) * ArenaColumns + column] == 0)
                bottom++;
            for (int r = top; r <= bottom; r++) {
                forbidden[r * ArenaColumns + column] = swept[r * ArenaColumns + column] = true;
                if (arena.ItemLayer[r * ArenaColumns + column] == ItemLift ||
                    arena.ItemLayer[r * ArenaColumns + column] == ItemShaft)
                    arena.ItemLayer[r * ArenaColumns + column] = 0;
            }
        }
        // A jetpack turns every jump into a thrust and the map's moves with it:
        // the map's ways never pass one.
        for (int cell = 0; cell < ArenaCells; cell++)
            if (arena.ItemLayer[cell] == ItemJetpack || arena.AttributeLayer[cell] == ItemJetpack - 16)
                forbidden[cell] = true;
        // Nothing to pick up and nothing that hurts: the map reads the hurting cells itself.
        for (int cell = 0; cell < ArenaCells; cell++) {
            if (arena.ItemLayer[cell] >= ItemMelee && arena.ItemLayer[cell] <= ItemHealth)
                arena.ItemLayer[cell] = 0;
            if (arena.AttributeLayer[cell] == AttributeDamaging || arena.AttributeLayer[cell] == AttributeDeadly)
                arena.AttributeLayer[cell] = 0;
        }
        scratch.playerCount = 1;
        scratch.players[0].index = 0;
    }
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    // The jump pads as they stand in the match (its own pads, in the same order).
    void padsAsIn(const Match &match)
    {
        size_t i = 0;
        for (const WorldObject *o = match.worldHead; o && i < pads.size();
             o = o->next == match.worldHead ? nullptr : o->next)
            if (dynamic_cast<const JumpPad *>(o))
                pads[i++]->age = o->age;
    }

    // A fighter's next frames from `start`, as far as the first that harms it;
    // with `settle` it plays on unsteered until it stands, and a harm then counts on its last frame.
    void ahead(const Player &start, const Steering &steering, int frames, bool settle, Trail &trail)
    {
        Player &p = scratch.players[0];
        p = start;
        p.index = 0;
        trail.frames = 0;
        trail.harmedAt = -1;
        bool leftFeet = steering.leftFeet;
        int restFrames = 0;
        frames = std::min(frames, TrailFrames);
        for (int t = 0; t < frames + (settle ? MoveFrameLimit : 0); t++) {
            FighterInput input = t >= frames ? FighterInput{} : steering.held;
            if (t == 0) {
                input = steering.first;
            } else if (steering.move && t < frames) {
                bool backOnFeet =
                    (leftFeet && restFrames >= 1) || (!leftFeet && steering.t + t >= steering.move->jumpFrames + 40);
                bool inputOver = false;
                input = moveInput(*steering.move, steering.t + t, backOnFeet, inputOver);
            }
            input.fire = 0;  // nothing thrown into the scratch level
            double y = p.y;
            for (JumpPad *pad : pads)
                pad->update(scratch);
            p.updatePlayer(scratch, input);
            int now = cellAt(p.x, p.y);
            if (t < frames) {
                trail.x[t] = p.x;
                trail.y[t] = p.y;
                trail.vy[t] = p.vy;
                trail.frames = t + 1;
            }
            // Stopped short of a death, which would throw body parts into the scratch level.
            if (p.respawnTimer > 0 || now < 0 || p.fallDistance > SafeFall || p.y > screenHeight() - 8 ||
                attributes[now] == AttributeDamaging || attributes[now] == AttributeDeadly) {
                trail.harmedAt = std::min(t, frames - 1);
                return;
            }
            bool resting = p.vy == 0 && p.y == y;
            restFrames = resting ? restFrames + 1 : 0;
            leftFeet |= !resting;
            if (t >= frames && resting)
                return;
        }
    }

    // Plays one move from rest at a cell's centre; the cell it rests in, or -1.
    int play(int cell, const NavMove &move, int &frames, double offset = 0, bool padsReady = true)
    {
        Player &p = scratch.players[0];
        p.health = 100;
        p.respawnTimer = p.cooldown = p.attackTimer = 0;
        p.weapon = WeaponNone;
        p.walkPhase = p.fallDistance = p.pose = p.explosiveDebris = 0;
        p.gadget = GadgetNone;
        p.gadgetCharge = 0;
        p.facing = move.direction < 0 ? 1 : 0;
        p.x = cell % ArenaColumns * CellSize + 10.0 + offset;
        p.y = cell / ArenaColumns * CellSize + 30.0;
        p.vx = p.vy = p.pushVx = 0;
        for (size_t i = 0; i < pads.size(); i++)
            pads[i]->age = padsReady ? 0 : 1000;
        bool leftFeet = false;
        int restFrames = 0;
        for (int t = 0; t < MoveFrameLimit; t++) {
            bool backOnFeet = (leftFeet && restFrames >= 1) || (!leftFeet && t >= move.jumpFrames + 40);
            bool inputOver = false;
            FighterInput input = moveInput(move, t, backOnFeet, inputOver);
            double x = p.x, y = p.y, vy = p.vy;
            for (JumpPad *pad : pads)
                pad->update(scratch);
            p.updatePlayer(scratch, input);
            frames = t + 1;
            int now = cellAt(p.x, p.y);
            if (p.respawnTimer > 0 || now < 0 || p.fallDistance > SafeFall || p.y > screenHeight() - 8)
                return -1;
            if (attributes[now] == AttributeDamaging || attributes[now] == AttributeDeadly || forbidden[now])
                return -1;
            // Thrown again by the pad it came down on: it rests there as far as the map goes.
            if (t > 0 && inputOver && vy >= 0 && p.vy <= -9)
                return cellAt(x, y);
            bool resting = p.vy == 0 && p.y == y;
            restFrames = resting ? restFrames + 1 : 0;
            leftFeet |= !resting;
            if (inputOver && restFrames >= 2 && std::fabs(p.vx) < 0.05)
                return now;
        }
        return -1;
    }

    bool sweptByLift(int cell) const { return swept[cell]; }

private:
    Match scratch;
    Uint16 attributes[ArenaCells];
    bool forbidden[ArenaCells] = {};
    bool swept[ArenaCells] = {};
    std::vector<JumpPad *> pads;
};

void playAhead(const NavMap &map, const Match &match, const Player &start, const Steering &steering, int frames,
               bool settle, Trail &trail)
{
    trail = Trail();
    if (!map.sandbox)
        return;
    map.sandbox->padsAsIn(match);
    map.sandbox->ahead(start, steering, frames, settle, trail);
}

FighterInput moveInput(const NavMove &move, int t, bool backOnFeet, bool &inputOver)
{
    int d = move.direction;
    bool steering = d != 0 && t >= move.from && (move.to == Forever ? !backOnFeet : t < move.to);
    bool turned = move.back && t >= move.to && !backOnFeet;
    // A move that turns back is over only once it is back on its feet.
    bool backOver = !move.back || (t >= move.to && backOnFeet);
    inputOver = t + 1 >= move.jumpFrames && (d == 0 || (move.to == Forever ? !steering : t + 1 >= move.to && backOver));
    return {(steering && d < 0) || (turned && d > 0), (steering && d > 0) || (turned && d < 0), t < move.jumpFrames, 0};
}

namespace {

int addNode(NavMap &map, int cell)
{
    if (map.nodeOfCell[cell] < 0) {
        map.nodeOfCell[cell] = map.nodes();
        map.cellOfNode.push_back(cell);
        map.edges.emplace_back();
    }
    return map.nodeOfCell[cell];
}

// Shortest ways between every pair of nodes, by frames; few nodes, so all at once.
void findWays(NavMap &map)
{
    int n = map.nodes();
    map.firstEdge.assign(static_cast<size_t>(n) * n, -1);
    map.cost.assign(static_cast<size_t>(n) * n, NoWay);
    using Entry = std::pair<int, int>;
    for (int from = 0; from < n; from++) {
        int *cost = &map.cost[static_cast<size_t>(from) * n];
        int *first = &map.firstEdge[static_cast<size_t>(from) * n];
        std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
        cost[from] = 0;
        open.push({0, from});
        while (!open.empty()) {
            auto [c, node] = open.top();
            open.pop();
            if (c > cost[node])
                continue;
            for (size_t e = 0; e < map.edges[node].size(); e++) {
                const NavEdge &edge = map.edges[node][e];
                int next = c + edge.frames + 4;
                if (next >= cost[edge.to])
                    continue;
                cost[edge.to] = next;
                first[edge.to] = node == from ? static_cast<int>(e) : first[node];
                open.push({next, edge.to});
            }
        }
    }
}

}  // namespace

void buildNavMap(NavMap &map, const Match &match)
{
    map = NavMap();
    map.nodeOfCell.assign(ArenaCells, -1);
    map.moves = navMoves();
    if (match.playerCount < 1)
        return;
    map.sandbox = std::make_shared<Sandbox>(match);
    Sandbox &sandbox = *map.sandbox;
    std::vector<int> queue;
    for (int cell = 0; cell < ArenaCells; cell++) {
        if (attributeAt(match.arena, cell % ArenaColumns, cell / ArenaColumns) != AttributeSpawn)
            continue;
        int frames = 0;
        int rest = sandbox.play(cell, {0, 0, 0, 0, false}, frames);
        if (rest >= 0 && map.nodeOfCell[rest] < 0)
            queue.push_back(addNode(map, rest));
    }
    std::vector<bool> done;
    while (!queue.empty()) {
        int node = queue.back();
        queue.pop_back();
        done.resize(map.nodes());
        if (done[node])
            continue;
        done[node] = true;
        int cell = map.cellOfNode[node];
        bool onLadder = itemAt(match.arena, cell % ArenaColumns, cell / ArenaColumns) == ItemLadder;
        for (size_t m = 0; m < map.moves.size(); m++) {
            const NavMove &move = map.moves[m];
            if (isClimb(move) && !onLadder)
                continue;
            int frames = 0;
            int rest = sandbox.play(cell, move, frames);
            if (rest < 0 || rest == cell)
                continue;
            // A fighter starts a move a pixel or two off the middle: the move must
            // be safe from there too, though it may end a cell further on (the
            // brain plans again from wherever it lands). A jump pad may still be
            // resting from its last throw: the move must be safe then too.
            int ignored = 0;
            bool steady = sandbox.play(cell, move, ignored, 0, false) >= 0;
            for (double offset : {-2.5, 2.5}) {
                int end = sandbox.play(cell, move, ignored, offset);
                steady = steady && end >= 0 && end / ArenaColumns == rest / ArenaColumns && std::abs(end - rest) <= 1;
            }
            if (!steady)
                continue;
            bool known = map.nodeOfCell[rest] >= 0;
            int to = addNode(map, rest);
            std::vector<NavEdge> &out = map.edges[node];
            bool walk = move.jumpFrames == 0 && !move.back;
            auto same = std::find_if(out.begin(), out.end(), [&](const NavEdge &e) { return e.to == to; });
            if (same == out.end())
                out.push_back({to, static_cast<int>(m), frames, walk});
            else if (frames < same->frames)
                *same = {to, static_cast<int>(m), frames, walk};
            if (!known)
                queue.push_back(to);
        }
    }
    findWays(map);
    map.onPad.assign(map.nodes(), false);
    for (const WorldObject *o = match.worldHead; o; o = o->next == match.worldHead ? nullptr : o->next)
        if (dynamic_cast<const JumpPad *>(o)) {
            int cell = cellAt(o->x, o->y);
            if (cell >= 0 && map.nodeOfCell[cell] >= 0)
                map.onPad[map.nodeOfCell[cell]] = true;
        }
    // A jetpack flies through any cell with room for a fighter that hurts nobody and no lift sweeps.
    map.sky.assign(ArenaCells, SkyClosed);
    for (int cell = 0; cell < ArenaCells; cell++) {
        int column = cell % ArenaColumns, row = cell / ArenaColumns, attribute = attributeAt(match.arena, column, row);
        if (isPassable(match.arena, column * CellSize + 10, row * CellSize + 30) && attribute != AttributeDamaging &&
            attribute != AttributeDeadly && !sandbox.sweptByLift(cell))
            map.sky[cell] = itemAt(match.arena, column, row) == ItemLadder ? SkyLadder : SkyOpen;
    }
    for (int cell : map.cellOfNode)
        for (int direction : {0, 1})
            map.bursts.push_back(grenadeBurst(match.arena, cell % ArenaColumns * CellSize + 10,
                                              cell / ArenaColumns * CellSize + 30, direction));
    map.built = true;
}
