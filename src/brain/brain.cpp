// The computer player's thinking: what it wants (a weapon, health, the other
// fighter, a way out of a bomb's cross), the way there on its map, and when
// to strike or throw. It sees the other fighter a few frames late and misjudges
// its height a little, more so on the easier levels, so it plays like a person.
#include "brain/brain.h"

#include "arena/arena.h"
#include "match/match.h"
#include "world/world.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int NoWay = 1 << 28;
constexpr int ScriptFrameLimit = 240;
constexpr int SeenFrames = 32;
constexpr double BombReach = 110;

// How each level plays: frames between decisions, frames before it takes a
// chance it has seen, pixels it may misjudge a height by, and the health below
// which a health pickup is worth a detour.
struct LevelStyle {
    int decideEvery, reaction, aimError, healthWanted, fireChance;  // fireChance in percent
    bool dodges;  // sees a fighter coming down on it (or its own jump into one) and steps aside
};
// Every level fetches a jetpack close by and flies over the other's head with
// it: a drop onto a head is how most fights end. Where to let go is misjudged
// by the same error as heights.
constexpr LevelStyle Styles[] = {
    {20, 20, 14, 25, 45, false},  // easy
    {10, 11, 7, 40, 75, false},   // normal
    {3, 5, 3, 60, 100, true},     // hard
};

const LevelStyle &styleOf(const Brain &brain)
{
    return Styles[std::clamp(brain.level, 1, 3) - 1];
}

bool lives(const Player *fighter)
{
    return fighter && isLiving(*fighter);
}

int randomBelow(Brain &brain, int n)
{
    return n > 0 ? static_cast<int>(nextRandom(brain.random) % static_cast<uint32_t>(n)) : 0;
}

int cellAt(double x, double y)
{
    int column = static_cast<int>(x / CellSize), row = static_cast<int>(y / CellSize - 1);
    if (x < 0 || column >= ArenaColumns || row < 0 || row >= ArenaRows)
        return -1;
    return row * ArenaColumns + column;
}

double centreX(int cell)
{
    return cell % ArenaColumns * CellSize + 10.0;
}

double centreY(int cell)
{
    return cell / ArenaColumns * CellSize + 30.0;
}

// The cell right over a fighter's head, where a jetpack drops onto it from.
int overHead(double x, double y)
{
    int cell = cellAt(x, y);
    return cell >= ArenaColumns ? cell - ArenaColumns : -1;
}

// Standing on something, as the fighter's own landing test sees it.
bool atRest(const Arena &arena, const Player &p)
{
    int column = static_cast<int>(p.x / CellSize), row = static_cast<int>(p.y / CellSize - 1);
    bool ladder = itemAt(arena, column, row) == ItemLadder;
    bool floor = !isPassable(arena, static_cast<int>(p.x - 5), static_cast<int>(p.y + 10)) ||
                 !isPassable(arena, static_cast<int>(p.x + 5), static_cast<int>(p.y + 10));
    return p.vy == 0 && (floor || ladder);
}

int costBetween(const NavMap &map, int from, int to)
{
    if (from < 0 || to < 0)
        return NoWay;
    return map.cost[static_cast<size_t>(from) * map.nodes() + to];
}

// The node nearest to a point, counting a row as two columns; reachable from `from` when it can be.
int nodeNear(const NavMap &map, int from, double x, double y, int avoid)
{
    int best = -1, bestScore = NoWay;
    int column = static_cast<int>(x / CellSize), row = static_cast<int>(y / CellSize - 1);
    for (int n = 0; n < map.nodes(); n++) {
        if (map.onPad[n] || n == avoid)  // nobody stays on a jump pad
            continue;
        int cell = map.cellOfNode[n];
        int score = std::abs(cell % ArenaColumns - column) + 2 * std::abs(cell / ArenaColumns - row);
        if (costBetween(map, from, n) >= NoWay)
            score += 1000;
        if (score < bestScore) {
            bestScore = score;
            best = n;
        }
    }
    return best;
}

// The node cheapest to reach from `from`, within `limit` frames, among those that `fits`.
template <typename Fits>
int cheapestNode(const NavMap &map, int from, int limit, Fits fits)
{
    int best = -1, bestCost = limit;
    for (int n = 0; n < map.nodes(); n++) {
        if (!fits(n, map.cellOfNode[n]))
            continue;
        int cost = costBetween(map, from, n);
        if (cost < bestCost) {
            bestCost = cost;
            best = n;
        }
    }
    return best;
}

// The cheapest node whose cell holds one of the items asked for, within `limit` frames.
int nearestItem(const Arena &arena, const NavMap &map, int from, std::initializer_list<int> wanted, int limit)
{
    return cheapestNode(map, from, limit, [&](int, int cell) {
        int item = itemAt(arena, cell % ArenaColumns, cell / ArenaColumns);
        return std::find(wanted.begin(), wanted.end(), item) != wanted.end();
    });
}

bool rowIsOpen(const Arena &arena, double fromX, double toX, double y);

// The cheapest place from which a throw reaches the other: a knife flies
// straight along the row, a grenade bursts where the map found it comes to rest.
int throwingPlace(const Arena &arena, const NavMap &map, int from, int weapon, double otherX, double otherY, int avoid)
{
    int row = static_cast<int>(otherY / CellSize - 1);
    return cheapestNode(map, from, NoWay, [&](int n, int cell) {
        if (map.onPad[n] || n == avoid)
            return false;
        if (weapon == WeaponGrenade) {
            const GrenadeBurst &burst = map.bursts[2 * n + (otherX > centreX(cell) ? 0 : 1)];
            return std::fabs(burst.x - otherX) <= GrenadeReach - 12 && std::fabs(burst.y - otherY) <= GrenadeReach - 12;
        }
        double dx = std::fabs(centreX(cell) - otherX);
        return cell / ArenaColumns == row && dx >= 30 && dx <= 120 &&
               rowIsOpen(arena, centreX(cell), otherX, centreY(cell));
    });
}

// A bomb whose cross reaches the point, or a grenade close to it.
const WorldObject *dangerNear(const Match &match, double x, double y, int me)
{
    for (const WorldObject *o = match.worldHead; o; o = o->next == match.worldHead ? nullptr : o->next) {
        if (!o->alive)
            continue;
        double dx = std::fabs(o->x - x), dy = std::fabs(o->y - y);
        if (dynamic_cast<const Bomb *>(o) && ((dx < BombReach && dy < 16) || (dy < BombReach && dx < 16)))
            return o;
        if (dynamic_cast<const Grenade *>(o) && o->owner >= 0 && dx < 60 && dy < 60)
            return o;
        // A flying knife thrown by the other, coming along this row.
        if (const Knife *knife = dynamic_cast<const Knife *>(o))
            if (knife->age == 0 && knife->owner != me && dy < 12 && dx < 90 && (knife->vx > 0) == (x > knife->x))
                return o;
    }
    return nullptr;
}

// A node a short way off and out of the danger's row and column.
int escapeFrom(const NavMap &map, int from, const WorldObject &danger)
{
    int best = -1, bestScore = -NoWay;
    for (int n = 0; n < map.nodes(); n++) {
        int cost = costBetween(map, from, n);
        if (cost > 150)
            continue;
        int cell = map.cellOfNode[n];
        double dx = std::fabs(centreX(cell) - danger.x), dy = std::fabs(centreY(cell) - danger.y);
        bool inCross = (dx < BombReach && dy < 16) || (dy < BombReach && dx < 16);
        int score = static_cast<int>(std::min(dx + dy, 200.0)) - cost / 2 - (inCross ? 1000 : 0);
        if (score > bestScore) {
            bestScore = score;
            best = n;
        }
    }
    return best;
}

// Every cell from one column to another (both included) on this row has ground or a ladder under it and hurts nobody.
bool floorBetween(const Arena &arena, int fromColumn, int toColumn, int row)
{
    for (int c = std::min(fromColumn, toColumn); c <= std::max(fromColumn, toColumn); c++) {
        int attribute = attributeAt(arena, c, row);
        bool ground =
            !isPassable(arena, c * CellSize + 10, (row + 2) * CellSize + 2) || itemAt(arena, c, row + 1) == ItemLadder;
        if (!ground || attribute == AttributeDeadly || attribute == AttributeDamaging)
            return false;
    }
    return true;
}

bool rowIsOpen(const Arena &arena, double fromX, double toX, double y)
{
    double step = toX > fromX ? 10 : -10;
    for (double x = fromX; std::fabs(x - toX) > 10; x += step)
        if (!isPassable(arena, static_cast<int>(x), static_cast<int>(y)))
            return false;
    return true;
}

// A cell of the other fighter's (`feet`), beside it or in the three rows under
// those: a fighter rising or drifting in there may come up into its feet.
bool nearFeet(int cell, int feet)
{
    if (feet < 0)
        return false;
    int columns = std::abs(cell % ArenaColumns - feet % ArenaColumns), rows = cell / ArenaColumns - feet / ArenaColumns;
    return columns <= 1 && rows >= 0 && rows <= 3;
}

// The next cell of the shortest flight from one cell to another through open
// sky (the map's sky cells); slanting only past two open sides, never through
// the cells near the feet of the fighter in cell `avoid`. -1 when there is none.
int nextFlightCell(const NavMap &map, int from, int to, int avoid = -1)
{
    // A ladder the fighter can rest on is an end too.
    if (from < 0 || to < 0 || map.sky.empty() || (map.sky[to] == SkyClosed && map.nodeOfCell[to] < 0))
        return -1;
    if (from == to)
        return to;
    // Outward from the end, so the first step is read off at the start.
    short distance[ArenaCells];
    std::fill(std::begin(distance), std::end(distance), static_cast<short>(-1));
    int queue[ArenaCells], head = 0, tail = 0;
    distance[to] = 0;
    queue[tail++] = to;
    auto step = [&](int cell, int dc, int dr) {
        int column = cell % ArenaColumns + dc, row = cell / ArenaColumns + dr;
        if (column < 0 || column >= ArenaColumns || row < 0 || row >= ArenaRows)
            return -1;
        int next = row * ArenaColumns + column;
        // Searching outward, the fighter goes from `next` to `cell`: down when
        // dr < 0. Into a ladder only straight up (or to end there), out of one never down.
        if ((dr < 0 && map.sky[next] == SkyLadder) || (map.sky[cell] == SkyLadder && cell != to && (dc != 0 || dr < 0)))
            return -1;
        if (dc == 0 || dr == 0)
            return next;
        // Slanting, it passes through either side; slanting down, not through a ladder.
        uint8_t side1 = map.sky[cell + dc], side2 = map.sky[cell + dr * ArenaColumns];
        bool sides = dr < 0 ? side1 == SkyOpen && side2 == SkyOpen : side1 != SkyClosed && side2 != SkyClosed;
        return sides ? next : -1;
    };
    constexpr int Ways[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    while (head < tail) {
        int cell = queue[head++];
        for (const auto &way : Ways) {
            int next = step(cell, way[0], way[1]);
            if (next == from)
                return cell;
            if (next < 0 || distance[next] >= 0 || map.sky[next] == SkyClosed || nearFeet(next, avoid))
                continue;
            distance[next] = static_cast<short>(distance[cell] + 1);
            queue[tail++] = next;
        }
    }
    return -1;
}

// The cheapest place within a short way beside a jetpack lying on the same
// floor (the map keeps off the jetpack's own cell); `cell` is the jetpack's.
int jetpackBeside(const Arena &arena, const NavMap &map, int from, int &cell)
{
    int node = cheapestNode(map, from, 300, [&](int, int at) {
        int column = at % ArenaColumns, row = at / ArenaColumns;
        for (int side : {-1, 1})
            if (column + side >= 0 && column + side < ArenaColumns &&
                itemAt(arena, column + side, row) == ItemJetpack && floorBetween(arena, column, column + side, row))
                return true;
        return false;
    });
    cell = -1;
    if (node >= 0) {
        int at = map.cellOfNode[node];
        cell = itemAt(arena, at % ArenaColumns - 1, at / ArenaColumns) == ItemJetpack ? at - 1 : at + 1;
    }
    return node;
}

void choosePlan(const Match &match, Brain &brain, const Player &self, const Player *other, int here, double otherX,
                double otherY)
{
    const NavMap &map = brain.map;
    const LevelStyle &style = styleOf(brain);
    brain.goal = brain.jetpack = -1;
    if (brain.destination >= 0 && brain.destination < ArenaCells) {
        brain.goal = map.nodeOfCell[brain.destination];
        return;
    }
    if (const WorldObject *danger = dangerNear(match, self.x, self.y, self.index);
        danger && !dynamic_cast<const Knife *>(danger)) {
        brain.goal = escapeFrom(map, here, *danger);
        return;
    }
    if (self.weapon == WeaponNone)
        brain.goal = nearestItem(match.arena, map, here, {ItemKnife, ItemMelee, ItemGrenade, ItemBomb}, NoWay);
    if (brain.goal < 0 && self.gadget == GadgetNone && lives(other)) {
        brain.goal = jetpackBeside(match.arena, map, here, brain.jetpack);
        // Worth it only with open sky from there to over the other's head.
        if (brain.jetpack >= 0 && nextFlightCell(map, brain.jetpack, overHead(otherX, otherY)) < 0)
            brain.goal = brain.jetpack = -1;
    }
    if (brain.goal < 0 && self.health < style.healthWanted)
        brain.goal = nearestItem(match.arena, map, here, {ItemHealth}, 300);
    // Knives reach furthest and fastest: worth a detour from a short-range weapon, a look from any other.
    bool shortRange = self.weapon == WeaponBomb || self.weapon == WeaponMelee;
    if (brain.goal < 0 && self.weapon != WeaponKnife)
        brain.goal = nearestItem(match.arena, map, here, {ItemKnife}, shortRange ? 250 : 60);
    // Bombs score nothing on someone unhurt: having waited for a chance in vain, it fetches a throw.
    if (brain.goal < 0 && self.weapon == WeaponBomb && lives(other) && other->health >= 100 && brain.fruitless >= 0)
        brain.goal = nearestItem(match.arena, map, here, {ItemKnife, ItemGrenade}, NoWay);
    if (brain.goal < 0 && lives(other) && !shortRange) {
        brain.goal = throwingPlace(match.arena, map, here, self.weapon, otherX, otherY, brain.fruitless);
        // Nowhere a grenade reaches it from: another weapon, then.
        if (brain.goal < 0 && self.weapon == WeaponGrenade)
            brain.goal = nearestItem(match.arena, map, here, {ItemKnife, ItemMelee, ItemBomb}, NoWay);
    }
    // Beside the other, never under its feet: a fighter landing on a head kills.
    if (brain.goal < 0 && lives(other))
        brain.goal = nodeNear(map, here, otherX + (self.x < otherX ? -CellSize : CellSize), otherY, brain.fruitless);
    if (brain.goal < 0 || brain.goal == here) {
        if (brain.wander < 0 || brain.wander == here || costBetween(map, here, brain.wander) >= NoWay)
            brain.wander = randomBelow(brain, map.nodes());
        if (!lives(other) || brain.goal < 0)
            brain.goal = brain.wander;
    }
}

// Frames it keeps its mind on a strike it saw a chance for, not looking out for its own skin.
constexpr int StrikeFocus = 60;

// Whether to strike or throw now, and the way to face for it (-1, 0 none, +1).
int chooseFire(const Match &match, Brain &brain, const Player &self, const Player &other, double otherX, double otherY,
               int &turn)
{
    turn = 0;
    double dx = otherX - self.x, dy = otherY + brain.aimError - self.y;
    int toward = dx > 0 ? 1 : -1;
    bool facing = (toward > 0) == (self.facing == 0);
    bool chance = false;
    switch (self.weapon) {
    case WeaponMelee:
        // The blow lands 2 to 22 pixels ahead; a little further off, it steps in on safe ground.
        chance = std::fabs(dx) > 4 && std::fabs(dx) < 20 && std::fabs(dy) < 8;
        if (int from = cellAt(self.x, self.y), to = cellAt(otherX, otherY);
            !chance && std::fabs(dx) < 44 && std::fabs(dy) < 8 && from >= 0 && to >= 0 && atRest(match.arena, self) &&
            floorBetween(match.arena, from % ArenaColumns, to % ArenaColumns, from / ArenaColumns)) {
            turn = toward;
            return 0;
        }
        break;
    case WeaponKnife:
        chance = std::fabs(dy) < 12 && std::fabs(dx) < 320 && rowIsOpen(match.arena, self.x, otherX, self.y);
        break;
    case WeaponGrenade: {
        GrenadeBurst burst = grenadeBurst(match.arena, static_cast<int>(self.x), static_cast<int>(self.y), toward < 0);
        // Never a throw whose burst would catch itself.
        chance = std::fabs(burst.x - otherX) < GrenadeReach - 6 &&
                 std::fabs(burst.y - otherY - brain.aimError) < GrenadeReach - 6 &&
                 (std::fabs(burst.x - self.x) > GrenadeReach + 4 || std::fabs(burst.y - self.y) > GrenadeReach + 4);
        break;
    }
    // The cross goes through walls: along the row within its reach is enough.
    // A blast leaves someone unhurt at nothing, and nobody scores: a bomb is for finishing the hurt.
    case WeaponBomb: chance = std::fabs(dx) < 85 && std::fabs(dy) < 8 && other.health < 100; break;
    default: break;
    }
    if (!chance) {
        brain.reactIn = styleOf(brain).reaction / 2;
        return 0;
    }
    brain.striking = StrikeFocus;
    if (self.weapon != WeaponBomb && !facing) {
        turn = toward;
        return 0;
    }
    if (brain.reactIn > 0) {
        brain.reactIn--;
        return 0;
    }
    if (self.cooldown != 0 || randomBelow(brain, 100) >= styleOf(brain).fireChance)
        return 0;
    return 1;
}

// The input of frame `t` of a scripted move, and whether the script is over.
FighterInput scriptInput(const Arena &arena, Brain &brain, const Player &self, const NavMove &move, bool &over)
{
    int t = brain.edgeFrame++;
    bool resting = atRest(arena, self);
    brain.leftFeet |= !resting;
    bool backOnFeet = (brain.leftFeet && resting) || (!brain.leftFeet && t >= move.jumpFrames + 40);
    bool inputOver = false;
    FighterInput input = moveInput(move, t, backOnFeet, inputOver);
    over = (inputOver && resting && t > 2) || t > ScriptFrameLimit;
    return input;
}

FighterInput walkTowards(double fromX, double toX)
{
    if (toX < fromX - 2)
        return {1, 0, 0, 0};
    if (toX > fromX + 2)
        return {0, 1, 0, 0};
    return {};
}

// A hurting or deadly cell, or the screen's bottom, under the fighter before any floor.
bool hazardBelow(const Arena &arena, double x, double y)
{
    for (double below = y + 10; below < y + 100; below += CellSize) {
        if (below >= ArenaRows * CellSize + CellSize)
            return true;
        int cell = cellAt(x, below);
        if (cell < 0)
            return true;
        int attribute = attributeAt(arena, cell % ArenaColumns, cell / ArenaColumns);
        if (attribute == AttributeDamaging || attribute == AttributeDeadly)
            return true;
        if (!isPassable(arena, static_cast<int>(x), static_cast<int>(below)))
            return false;
    }
    return false;
}

// Solid ground under the point within `drop` pixels.
bool floorWithin(const Arena &arena, double x, double y, double drop)
{
    for (double below = y + 10; below < y + drop; below += CellSize)
        if (!isPassable(arena, static_cast<int>(x), static_cast<int>(below)))
            return below < ArenaRows * CellSize + CellSize;
    return false;
}

// The thrusts a jetpack keeps for breaking falls: out of fuel high up, a fall kills.
constexpr int FuelReserve = 40;
// Frames a flight may take to arrive (twelve seconds); one that does not is
// given up for as long, the fuel burnt off meanwhile.
constexpr int FlightPatience = 600;

// With a jetpack the map's jumps are thrusts: it flies instead, along its
// planned way through open sky to a cell, holding the height of the next cell
// of the way; there it comes down. Going for the other it flies to the cell
// over its head and lets itself drop onto it. It thrusts whenever a fall grows
// long or a hazard or the screen's bottom is under it. False when it has no way.
bool fly(const Arena &arena, Brain &brain, const Player &self, bool attack, double otherX, double otherY,
         FighterInput &input)
{
    // A thrust carries it 9 pixels past where it lets go: the cell it flies
    // from is kept till it is well into another, or it would dither on the line between.
    int here = cellAt(self.x, self.y), last = brain.flyingFrom;
    if (last >= 0 && std::fabs(self.x - centreX(last)) < 15 && std::fabs(self.y - centreY(last)) < 15)
        here = last;
    brain.flyingFrom = here;
    int target = attack ? overHead(otherX, otherY) : brain.goal >= 0 ? brain.map.cellOfNode[brain.goal] : -1;
    // Wherever it goes it keeps clear of the other's feet.
    int next = nextFlightCell(brain.map, here, target, cellAt(otherX, otherY));
    if (next < 0) {
        brain.flyingFrom = -1;
        return false;
    }
    double x = centreX(next), y = centreY(next) - 2;
    // Through a gap above or below only once in line with it.
    if (next % ArenaColumns == here % ArenaColumns && next != here && std::fabs(self.x - x) > 3)
        y = centreY(here) - 2;
    brain.flying = next == here ? 0 : brain.flying + 1;
    // Standing two seconds pressed against what its way took for open sky: a flight that does not arrive.
    if (next != here && atRest(arena, self) && brain.stillFrames > 100)
        brain.flying = FlightPatience + 1;
    if (attack)
        brain.striking = StrikeFocus;
    bool drop = false;
    if (next == here && attack) {
        x = otherX + brain.aimError;
        drop = std::fabs(self.x - x) < 4;
    }
    input = walkTowards(self.x, x);
    // Left alone it would rise to its apex (or sink further): thrust when that is below the height wanted.
    double coming = self.vy < 0 ? self.y - self.vy * self.vy / 0.4 : self.y + self.vy * 3;
    bool landing = (next == here && !attack) || self.gadgetCharge <= FuelReserve;
    // A ladder holds a fighter, and one rising in it rises on to its top: out of one sideways without a thrust.
    if (next / ArenaColumns == here / ArenaColumns && next != here && brain.map.sky[here] == SkyLadder)
        landing = true;
    // Right under the other it sinks rather than rise into its feet.
    bool underOther = std::fabs(otherX - self.x) < 16 && self.y - otherY > 0 && self.y - otherY < 44;
    input.jump = (!drop && !landing && !underOther && coming > y) || self.fallDistance > 120 ||
                 (self.vy > 0 && hazardBelow(arena, self.x, self.y));
    return true;
}

FighterInput move(const Arena &arena, Brain &brain, const Player &self, int here, bool launched, bool attack,
                  double otherX, double otherY)
{
    const NavMap &map = brain.map;
    // Down to its reserve and on its feet: the last fuel is burnt straight up
    // where it stands, so that the map's jumps are jumps again.
    if (self.gadget == GadgetJetpack && self.gadgetCharge <= FuelReserve && atRest(arena, self)) {
        brain.edge = -1;
        return {0, 0, 1, 0};
    }
    // A flight that has not got where it was going in twelve seconds (the
    // other keeps moving, or the way is too tight to fly) is given up for a
    // while: it burns the fuel off in short hops where it stands, so that the
    // map's jumps are jumps again.
    if (brain.flying > FlightPatience)
        brain.flying = -FlightPatience;
    if (brain.flying < 0 && self.gadget == GadgetJetpack) {
        brain.flying++;
        brain.edge = -1;
        // From the middle of its cell, where nothing overhead catches a fighter standing off it.
        int cell = cellAt(self.x, self.y);
        if (atRest(arena, self) && cell >= 0 && std::fabs(self.x - centreX(cell)) > 3)
            return walkTowards(self.x, centreX(cell));
        if (atRest(arena, self)) {
            brain.unstick = {0, 0, 1, 0};
            brain.unstickFor = 12;
        }
        return {0, 0, self.fallDistance > 120 || (self.vy > 0 && hazardBelow(arena, self.x, self.y)), 0};
    }
    if (FighterInput input; self.gadget == GadgetJetpack && ((attack && self.gadgetCharge > 80 &&
                                                              fly(arena, brain, self, true, otherX, otherY, input)) ||
                                                             fly(arena, brain, self, false, otherX, otherY, input))) {
        brain.edge = -1;
        return input;
    }
    // Nowhere to fly to from its feet: the fuel is burnt off likewise; in the
    // air it only breaks a long fall or one into a hazard.
    brain.flying = self.gadget == GadgetJetpack && atRest(arena, self) ? -FlightPatience : 0;
    if (self.gadget == GadgetJetpack && !atRest(arena, self) && !launched) {
        brain.edge = -1;
        return {0, 0, self.fallDistance > 120 || (self.vy > 0 && hazardBelow(arena, self.x, self.y)), 0};
    }
    // Beside a jetpack it meant to fetch: a step onto it.
    if (brain.jetpack >= 0 && here == brain.goal && here >= 0 && self.gadget == GadgetNone &&
        std::abs(map.cellOfNode[here] - brain.jetpack) == 1 &&
        itemAt(arena, brain.jetpack % ArenaColumns, brain.jetpack / ArenaColumns) == ItemJetpack)
        return walkTowards(self.x, centreX(brain.jetpack));
    // A move that ended on a jump pad is over once the pad throws: moves from the pad take on from there.
    if (brain.edge >= 0 && launched && here >= 0 && map.edges[brain.edgeFrom][brain.edge].to == here &&
        brain.edgeFrame > 2)
        brain.edge = -1;
    if (brain.edge >= 0) {
        const NavEdge &edge = map.edges[brain.edgeFrom][brain.edge];
        bool over = false;
        FighterInput input = scriptInput(arena, brain, self, map.moves[edge.move], over);
        if (over)
            brain.edge = -1;
        // Under a parachute the scripted steering drifts far past where the
        // map came down (it plans without one): steer for the landing cell.
        if (self.gadget == GadgetParachute && self.vy > 0 && !atRest(arena, self)) {
            FighterInput steer = walkTowards(self.x, centreX(map.cellOfNode[edge.to]));
            input.left = steer.left;
            input.right = steer.right;
        }
        return input;
    }
    // In the air, or pushed somewhere odd: no steering, a fall steered blindly may end in a hazard.
    if (here < 0)
        return {};
    int first = brain.goal >= 0 && brain.goal != here
                    ? map.firstEdge[static_cast<size_t>(here) * map.nodes() + brain.goal]
                    : -1;
    // Thrown up by a jump pad with nowhere to go: coming down unsteered on a
    // pad still resting from the throw is a deadly fall. Off by the quickest way.
    if (first < 0 && launched && map.onPad[here])
        for (int e = 0; e < static_cast<int>(map.edges[here].size()); e++)
            if (first < 0 || map.edges[here][e].frames < map.edges[here][first].frames)
                first = e;
    if (first < 0) {
        if (brain.goal != here)
            brain.goal = -1;
        return {};
    }
    const NavEdge &edge = map.edges[here][first];
    int target = map.cellOfNode[edge.to];
    // Along a floor it walks on without stopping; a step down is made as the map made it.
    if (edge.walk && !launched && target / ArenaColumns == map.cellOfNode[here] / ArenaColumns)
        return walkTowards(self.x, centreX(target));
    // A scripted move starts from the middle of the cell at rest, facing its way.
    if (!atRest(arena, self) && !launched)
        return {};
    int cell = map.cellOfNode[here];
    double dx = centreX(cell) - self.x;
    if (std::fabs(dx) > 2 && brain.aligning < 40 && !launched) {
        brain.aligning++;
        // Steps while far, taps when close, so it does not overshoot.
        if (std::fabs(dx) > 6 || std::fabs(self.vx) < 0.3)
            return walkTowards(self.x, centreX(cell));
        return {};
    }
    if (std::fabs(self.vx) > 0.3 && brain.aligning < 40 && !launched) {
        brain.aligning++;
        return {};
    }
    const NavMove &m = map.moves[edge.move];
    if (m.direction != 0 && (m.direction > 0) != (self.facing == 0) && !launched)
        return {m.direction<0, m.direction> 0, 0, 0};  // the first frame that way only turns
    brain.aligning = 0;
    brain.edgeFrom = here;
    brain.edge = first;
    brain.edgeFrame = 0;
    brain.leftFeet = false;
    bool over = false;
    return scriptInput(arena, brain, self, m, over);
}

constexpr int DodgeFrames = 30;  // how far ahead it looks for a fighter landing on it or a bomb going off
constexpr int DodgeSoon = 15;    // a landing further off may not come: it goes its way till then

// The bombs close enough to matter: where they lie and the frames till each goes off.
struct Bombs {
    int count = 0;
    double x[8], y[8];
    int left[8];
};

Bombs bombsNear(const Match &match, const Player &self)
{
    Bombs bombs;
    for (const WorldObject *o = match.worldHead; o && bombs.count < 8;
         o = o->next == match.worldHead ? nullptr : o->next)
        if (o->alive && dynamic_cast<const Bomb *>(o) && o->age > BombFuse - DodgeFrames - 10 &&
            std::fabs(o->x - self.x) < 160 && std::fabs(o->y - self.y) < 160) {
            bombs.x[bombs.count] = o->x;
            bombs.y[bombs.count] = o->y;
            bombs.left[bombs.count++] = BombFuse - o->age;
        }
    return bombs;
}

// The first frame of its trail at which the other's trail (`lead` frames
// ahead of it) comes down on its head; DodgeFrames when never.
int stompedAt(const Trail &mine, const Trail &theirs, int lead)
{
    for (int k = 0; k < mine.frames && k + lead < theirs.frames; k++) {
        double dx = mine.x[k] - theirs.x[k + lead], dy = mine.y[k] - theirs.y[k + lead];
        if (theirs.vy[k + lead] > 0 && std::fabs(dx) < 9 && dy > 0.5 && dy < 15)
            return k;
    }
    return DodgeFrames;
}

// The first frame of its trail at which a bomb's cross catches it; DodgeFrames when never.
int bombedAt(const Trail &mine, const Bombs &bombs)
{
    int first = DodgeFrames;
    for (int b = 0; b < bombs.count; b++) {
        int k = std::min(bombs.left[b], mine.frames - 1);
        if (k < 0)
            continue;
        double dx = std::fabs(mine.x[k] - bombs.x[b]), dy = std::fabs(mine.y[k] - bombs.y[b]);
        if ((dx < BombReach && dy < 16) || (dy < BombReach && dx < 16))
            first = std::min(first, bombs.left[b]);
    }
    return first;
}

// The other as last seen (`reaction` frames ago), going on as it went; false
// when it is not in the air near above (on its feet or a ladder nobody lands on anyone).
bool otherAhead(const Match &match, const Brain &brain, const Player &self, const Player &other, int reaction,
                Trail &theirs)
{
    int late = (brain.seenAt - reaction + SeenFrames) % SeenFrames, before = (late + SeenFrames - 1) % SeenFrames;
    double x = brain.seenX[late], y = brain.seenY[late];
    double vx = x - brain.seenX[before], vy = y - brain.seenY[before];
    // Far, well below, or just reappeared elsewhere: nothing to fear.
    if (!lives(&other) || std::fabs(vx) > 8 || std::fabs(vy) > 12 || std::fabs(x - self.x) > 120 || y > self.y + 20 ||
        y < self.y - 260)
        return false;
    int cell = cellAt(x, y);
    if (vy == 0 || cell < 0 || itemAt(match.arena, cell % ArenaColumns, cell / ArenaColumns) == ItemLadder)
        return false;
    // A jetpack flyer bobs on its thrusts, never falling faster than a thrust's bob: only one falling
    // faster is coming down, and one that lets go just over a head falls too little to tell in time.
    if (other.gadget == GadgetJetpack && vy <= 2.0)
        return false;
    Player seen = other;
    seen.x = x;
    seen.y = y;
    seen.vx = vx;
    seen.vy = vy;
    seen.pushVx = 0;
    seen.facing = vx < 0 ? 1 : 0;
    // Rising 1.8 pixels a frame is a jetpack's thrust held: it goes on holding it.
    bool thrusting = other.gadget == GadgetJetpack && std::fabs(vy + 1.8) < 0.05;
    FighterInput going = {vx<-0.3, vx> 0.3, thrusting, 0};
    playAhead(brain.map, match, seen, {going, going, nullptr, 0, false}, reaction + DodgeFrames, false, theirs);
    return true;
}

// A fighter falling onto another kills it, and a bomb's cross: when the
// other, as last seen and going on as it went, would come down on it on the
// way it means to go (its jumps included), or a bomb would catch it there, it
// goes the way (walking, standing or jumping) that keeps it clear longest
// without a hazard or a deadly fall. True when it turned from its way.
bool keepClear(const Match &match, Brain &brain, const Player &self, const Player &other, FighterInput &input)
{
    int reaction = std::min(styleOf(brain).reaction, SeenFrames - 2);
    Bombs bombs = bombsNear(match, self);
    Trail theirs, mine;
    // Set on its own strike, like a person it does not look up for the other's;
    // but flying at someone who jumps (no jetpack, so anywhere at any time)
    // it does see its own way carrying it under their feet.
    bool flyingAtJumper = self.gadget == GadgetJetpack && other.gadget != GadgetJetpack && !atRest(match.arena, self);
    bool focused = brain.striking > 0;
    bool falling = (!focused || flyingAtJumper) && otherAhead(match, brain, self, other, reaction, theirs);
    if (!falling && bombs.count == 0)
        return false;
    FighterInput held = {input.left, input.right, self.gadget == GadgetJetpack ? input.jump : 0, 0};
    Steering plan = {input, held, nullptr, 0, brain.leftFeet};
    if (brain.edge >= 0) {
        plan.move = &brain.map.moves[brain.map.edges[brain.edgeFrom][brain.edge].move];
        plan.t = brain.edgeFrame - 1;
    }
    playAhead(brain.map, match, self, plan, DodgeFrames, false, mine);
    int stomped = falling ? stompedAt(mine, theirs, reaction) : DodgeFrames, bombed = bombedAt(mine, bombs);
    if (stomped >= DodgeSoon && bombed >= DodgeFrames)
        return false;
    int best = std::min(stomped, bombed);
    bool away = brain.seenX[brain.seenAt] > self.x;
    if (focused && stomped < DodgeSoon) {
        // Still on its strike: it only holds back a frame or two, and flies on once clear.
        FighterInput chosen = input;
        for (FighterInput side : {FighterInput{input.left, input.right, 0, 0}, FighterInput{0, 0, input.jump, 0},
                                  FighterInput{away, !away, input.jump, 0}, FighterInput{away, !away, 0, 0}}) {
            playAhead(brain.map, match, self, {side, side, nullptr, 0, brain.leftFeet}, DodgeFrames, false, mine);
            if (int at = std::min(stompedAt(mine, theirs, reaction), bombedAt(mine, bombs)); at > best) {
                best = at;
                chosen = side;
            }
        }
        bool turned = chosen.left != input.left || chosen.right != input.right || chosen.jump != input.jump;
        input = chosen;
        return turned;
    }
    FighterInput chosen = input;
    for (int jump : {0, 1})
        for (FighterInput side :
             {FighterInput{away, !away, jump, 0}, FighterInput{0, 0, jump, 0}, FighterInput{!away, away, jump, 0}}) {
            playAhead(brain.map, match, self, {side, {side.left, side.right, 0, 0}, nullptr, 0, brain.leftFeet},
                      DodgeFrames, true, mine);
            int at = std::min(falling ? stompedAt(mine, theirs, reaction) : DodgeFrames, bombedAt(mine, bombs));
            if (mine.harmedAt >= 0)  // its own doing for sure, where the other may yet turn
                at = -1;
            if (at > best) {
                best = at;
                chosen = side;
            }
        }
    if (chosen.left == input.left && chosen.right == input.right && chosen.jump == input.jump)
        return false;
    input = chosen;
    brain.dodge = {chosen.left, chosen.right, 0, 0};
    brain.dodgeFor = DodgeFrames;
    brain.edge = -1;
    return true;
}

}  // namespace

int computerLevel(int setting)
{
    return std::clamp(setting, 0, 3);
}

uint32_t nextRandom(BrainRandom &random)
{
    // xorshift64*: small, fast and the brain's alone.
    random.state ^= random.state >> 12;
    random.state ^= random.state << 25;
    random.state ^= random.state >> 27;
    return static_cast<uint32_t>((random.state * 2685821657736338717ULL) >> 32);
}

void startBrain(Brain &brain, int me, int level, unsigned seed)
{
    brain = Brain();
    brain.level = std::clamp(level, 1, 3);
    brain.random.state = (static_cast<uint64_t>(seed) << 8 | static_cast<unsigned>(me + 1)) * 0x9E3779B97F4A7C15ULL + 1;
}

FighterInput think(const Match &match, int me, Brain &brain)
{
    if (me < 0 || me >= MaxPlayers || me >= match.playerCount)
        return {};
    if (!brain.map.built)
        buildNavMap(brain.map, match);
    const Arena &arena = match.arena;
    const Player &self = match.players[me];
    const Player *other = match.playerCount > 1 ? &match.players[1 - me] : nullptr;
    brain.seenAt = (brain.seenAt + 1) % SeenFrames;
    brain.seenX[brain.seenAt] = other ? other->x : 0;
    brain.seenY[brain.seenAt] = other ? other->y : 0;
    if (!brain.seenAny) {
        std::fill(std::begin(brain.seenX), std::end(brain.seenX), brain.seenX[brain.seenAt]);
        std::fill(std::begin(brain.seenY), std::end(brain.seenY), brain.seenY[brain.seenAt]);
        brain.seenAny = true;
    }
    // Dead, it forgets what it was doing: a new life starts on a spawn point.
    if (!isLiving(self) || brain.map.nodes() == 0) {
        brain.edge = brain.goal = brain.flyingFrom = -1;
        brain.dodgeFor = brain.unstickFor = brain.stillFrames = 0;
        return {};
    }
    const LevelStyle &style = styleOf(brain);
    int late = (brain.seenAt - std::min(style.reaction, SeenFrames - 1) + SeenFrames) % SeenFrames;
    double otherX = brain.seenX[late], otherY = brain.seenY[late];

    // Just thrown up by a jump pad: as good as resting on it, the map's moves from there start so.
    bool launched = self.vy <= -9.5;
    int cell = launched ? cellAt(self.x, self.y - self.vy) : cellAt(self.x, self.y);
    int here = cell >= 0 && (launched || atRest(arena, self)) ? brain.map.nodeOfCell[cell] : -1;
    // Stuck on one spot (or rocking on it) for seconds, whatever the plan says: a short
    // step or jump of its own, along a safe floor where there is one.
    if (std::fabs(self.x - brain.lastX) < 3 && std::fabs(self.y - brain.lastY) < 3) {
        brain.stillFrames++;
    } else {
        brain.stillFrames = 0;
        brain.lastX = self.x;
        brain.lastY = self.y;
    }
    // Standing in the other fighter (both came to life on one spot): two
    // brains that see the same would move as one forever, so it steps aside.
    bool inOther = lives(other) && std::fabs(otherX - self.x) < 3 && std::fabs(otherY - self.y) < 3 &&
                   atRest(arena, self) && brain.edge < 0;
    if ((brain.stillFrames > 150 || inOther) && brain.destination < 0) {
        brain.stillFrames = 0;
        brain.edge = -1;
        int column = static_cast<int>(self.x / CellSize), row = static_cast<int>(self.y / CellSize - 1);
        int way = randomBelow(brain, 2) ? 1 : -1;
        auto floorTo = [&](int w) {
            return column + w >= 0 && column + w < ArenaColumns && floorBetween(arena, column, column + w, row);
        };
        // Pressed against a wall its head clips on, a jump goes nowhere: the open side, then.
        if (!floorTo(way))
            way = -way;
        bool safe = floorTo(way);
        // Wedged on a wall's edge in the air by a push: off it on the open side, onto ground within a safe drop.
        if (!safe && !inOther) {
            way = isPassable(arena, static_cast<int>(self.x + 14), static_cast<int>(self.y)) ? 1 : -1;
            safe = !isPassable(arena, static_cast<int>(self.x - 14 * way), static_cast<int>(self.y)) &&
                   !hazardBelow(arena, self.x + 14 * way, self.y) && floorWithin(arena, self.x + 14 * way, self.y, 180);
        }
        brain.unstick = {safe && way < 0, safe && way > 0, !safe || !inOther, 0};
        brain.unstickFor = 12;
    }
    if (brain.unstickFor > 0) {
        brain.unstickFor--;
        return brain.unstick;
    }

    // Resting on a ledge's corner, in a cell the map has no place in: the
    // cell beside it is the place, and the first step goes back to it.
    if (here < 0 && cell >= 0 && atRest(arena, self)) {
        int column = cell % ArenaColumns;
        int side = self.x - (column * CellSize + 10.0) < 0 ? -1 : 1;
        for (int d : {side, -side})
            if (here < 0 && column + d >= 0 && column + d < ArenaColumns)
                here = brain.map.nodeOfCell[cell + d];
    }
    // Off the map, or on a corner from which the map knows no move: walk to
    // the nearest place on this floor that leads somewhere, over solid ground only.
    if ((here < 0 || brain.map.edges[here].empty()) && cell >= 0 && brain.edge < 0 && atRest(arena, self)) {
        int column = cell % ArenaColumns;
        int side = self.x - (column * CellSize + 10.0) < 0 ? -1 : 1;
        for (int d = 1; d <= 4; d++)
            for (int way : {side, -side}) {
                int target = column + way * d;
                if (target < 0 || target >= ArenaColumns ||
                    !floorBetween(arena, column + way, target, cell / ArenaColumns))
                    continue;
                int node = brain.map.nodeOfCell[cell - column + target];
                if (node >= 0 && !brain.map.edges[node].empty())
                    return walkTowards(self.x, centreX(cell - column + target));
            }
    }
    if (--brain.decideIn <= 0 && brain.edge < 0 && here >= 0) {
        brain.decideIn = style.decideEvery;
        brain.aimError = randomBelow(brain, 2 * style.aimError + 1) - style.aimError;
        choosePlan(match, brain, self, other, here, otherX, otherY);
    }
    // A stand-still fighter is an easy target and a dull one: after a while it goes elsewhere.
    brain.idle = std::fabs(self.vx) < 0.05 && self.vy == 0 ? brain.idle + 1 : 0;
    if (brain.fruitlessFor > 0 && --brain.fruitlessFor == 0)
        brain.fruitless = -1;
    if (brain.idle > 90 && brain.edge < 0 && (brain.destination < 0 || here < 0)) {
        // Waited here in vain (the place looked right on the map but no chance
        // came): try elsewhere for a while.
        brain.fruitless = here;
        brain.fruitlessFor = 400;
        brain.wander = randomBelow(brain, brain.map.nodes());
        brain.goal = brain.wander;
        brain.idle = 0;
        // Somewhere the map does not know, or knows no way on from: a jump gets it out.
        if (here < 0 || costBetween(brain.map, here, brain.goal) >= NoWay)
            return {randomBelow(brain, 2) == 0, randomBelow(brain, 2) == 0, 1, 0};
    }

    int turn = 0;
    int fire = lives(other) ? chooseFire(match, brain, self, *other, otherX, otherY, turn) : 0;
    FighterInput input = move(arena, brain, self, here, launched, lives(other), otherX, otherY);
    // A flying knife is jumped over when there is ground to jump from.
    if (const WorldObject *danger = dangerNear(match, self.x, self.y, me);
        danger && dynamic_cast<const Knife *>(danger) && brain.edge < 0 && atRest(arena, self) && style.reaction < 15 &&
        !input.left && !input.right)
        input.jump = 1;
    // Someone coming down from above lands on heads: step out from under.
    if (!style.dodges && lives(other) && brain.edge < 0 && otherY < self.y - 4 && otherY > self.y - 140 &&
        std::fabs(otherX - self.x) < 30 && other->vy != 0) {
        bool left = otherX > self.x;
        // Only along the floor: stepping off an edge trades a stomp for a fall.
        double side = self.x + (left ? -14 : 14);
        if (!isPassable(arena, static_cast<int>(side), static_cast<int>(self.y + 12)))
            return {left, !left, 0, fire};
    }
    // A blow's push carries a fighter a long way: near an edge it walks against it.
    if (std::fabs(self.pushVx) > 0.2 && atRest(arena, self)) {
        double ahead = self.x + (self.pushVx > 0 ? 1 : -1) * 16;
        bool edgeAhead = isPassable(arena, static_cast<int>(ahead - 5), static_cast<int>(self.y + 10)) &&
                         isPassable(arena, static_cast<int>(ahead + 5), static_cast<int>(self.y + 10));
        if (edgeAhead)
            return {self.pushVx > 0, self.pushVx < 0, 0, fire};
    }
    // In flight a turn would throw it off its way through a gap.
    if (turn != 0 && brain.edge < 0 && !input.jump && (self.gadget != GadgetJetpack || atRest(arena, self))) {
        input.left = turn < 0;
        input.right = turn > 0;
    }
    // Having turned from its way in the air, it goes on the way it found clear.
    if (brain.dodgeFor > 0 && --brain.dodgeFor > 0 && brain.edge < 0 && !atRest(arena, self)) {
        input.left = brain.dodge.left;
        input.right = brain.dodge.right;
    }
    if (brain.striking > 0)
        brain.striking--;
    if (style.dodges && other)
        keepClear(match, brain, self, *other, input);
    input.fire = fire;
    // A grenade bursts long after the throw: throwing them from a good place is no idling.
    if (fire && self.weapon == WeaponGrenade)
        brain.idle = 0;
    return input;
}

void startComputers(RunningGame &game, Computers &computers, unsigned seed)
{
    const Settings &chosen = *game.settings;
    const int levels[MaxPlayers] = {computerLevel(chosen.Computer1), computerLevel(chosen.Computer2)};
    for (int i = 0; i < MaxPlayers; i++) {
        Brain &brain = computers.brains[i];
        startBrain(brain, i, levels[i], seed);
        game.computers[i] = nullptr;
        if (levels[i] != ComputerPerson)
            game.computers[i] = [&brain](const Match &match, int fighter) { return think(match, fighter, brain); };
    }
}

void remapComputers(Computers &computers)
{
    for (Brain &brain : computers.brains) {
        brain.map = NavMap();
        brain.edge = brain.goal = brain.wander = brain.fruitless = -1;
    }
}
