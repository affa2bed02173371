// The exploration: every place a fighter can come to rest, found by playing a
// fixed set of moves from every place already found, starting at the spawn
// points. A place is a resting position to the pixel, with or without a
// parachute, so positions off a cell's centre are explored as well.
#include "probe.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "world/world.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <unordered_map>

namespace {

constexpr int MaxPlaces = 200000;

std::vector<Move> ladderMoves()
{
    std::vector<Move> moves;
    for (int frames : {12, 30, 60, 120}) {
        moves.push_back({frames, 0, 0, 0});
        for (int d : {-1, 1})
            moves.push_back({frames, d, frames - 4, Forever});
    }
    return moves;
}

}  // namespace

// Short and long walks, standing and running jumps steered early, late or all
// the way; on ladders also climbs of several lengths, stepping off at the top.
std::vector<Move> groundMoves()
{
    std::vector<Move> moves;
    for (int d : {-1, 1}) {
        for (int frames : {1, 3, 11, 30})
            moves.push_back({0, d, 0, frames});
        for (int from : {0, 12, 24})
            for (int to : {from + 8, from + 20, Forever})
                moves.push_back({1, d, from, to});
    }
    moves.push_back({1, 0, 0, 0});
    return moves;
}

int Exploration::placeOf(const Stance &s)
{
    long long key =
        static_cast<long long>(s.x) | static_cast<long long>(s.y) << 16 | static_cast<long long>(s.parachute) << 32;
    auto found = index.find(key);
    if (found != index.end())
        return found->second;
    if (static_cast<int>(places.size()) >= MaxPlaces)
        return -1;
    int cell = static_cast<int>(s.y / CellSize - 1) * ArenaColumns + static_cast<int>(s.x / CellSize);
    places.push_back({s, cell, {}, {}});
    index[key] = static_cast<int>(places.size()) - 1;
    return static_cast<int>(places.size()) - 1;
}

MoveResult Exploration::play(const Stance &s, const Move &m)
{
    MoveResult r = level.play(s, m);
    moves++;
    frames += r.frames;
    return r;
}

void Exploration::explore(std::vector<int> queue)
{
    std::vector<Move> ground = groundMoves(), ladder = ladderMoves();
    std::vector<bool> done(places.size());
    clock_t started = clock(), shown = started;
    bool tty = isatty(2);
    while (!queue.empty()) {
        int n = queue.back();
        queue.pop_back();
        if (n < static_cast<int>(done.size()) && done[n])
            continue;
        done.resize(places.size());
        done[n] = true;
        Stance from = places[n].stance;
        bool onLadder = level.items[places[n].cell] == ItemLadder;
        for (const std::vector<Move> *set : {&ground, &ladder}) {
            if (set == &ladder && !onLadder)
                continue;
            for (const Move &m : *set) {
                MoveResult r = play(from, m);
                if (set == &ladder && m.direction == 0 && m.jumpFrames == 120)
                    places[n].climbTop = r.topRow;  // the longest plain climb
                if (r.outcome == MoveResult::Fell && !from.parachute) {
                    Fall &fall = falls[{r.fallStartCell, r.landingCell}];
                    fall.height = std::max(fall.height, r.fallHeight);
                    fall.startedAt.push_back(n);
                }
                places[n].deathExit |= r.outcome != MoveResult::Rests && r.outcome != MoveResult::Stuck;
                if (r.outcome != MoveResult::Rests)
                    continue;
                int to = placeOf(r.end);
                places[n].touched |= r.touched;
                if (to < 0)
                    continue;
                places[n].next.push_back(to);
                if (to >= static_cast<int>(done.size()) || !done[to])
                    queue.push_back(to);
            }
        }
        if (tty && clock() - shown > CLOCKS_PER_SEC / 2) {
            shown = clock();
            fprintf(stderr, "\rexploring: %zu places, %ld moves, %.0f s ", places.size(), moves,
                    static_cast<double>(shown - started) / CLOCKS_PER_SEC);
        }
    }
    if (tty && shown != started)
        fprintf(stderr, "\r%60s\r", "");
}

std::bitset<768> Exploration::reach(int start) const
{
    std::vector<std::vector<int>> ways;
    for (const Place &place : places)
        ways.push_back(place.next);
    std::vector<bool> mine = reachable(ways, {start});
    std::bitset<768> touched;
    for (size_t n = 0; n < places.size(); n++)
        if (mine[n]) {
            touched |= places[n].touched;
            touched.set(places[n].cell);
        }
    return touched;
}

bool isDeathLoop(Exploration &e, const Stance &spawn)
{
    std::vector<Move> moves = groundMoves();
    moves.push_back({0, 0, 0, 0});
    for (const Move &m : moves) {
        MoveResult r = e.play(spawn, m);
        if (r.outcome == MoveResult::Rests && !r.hurt)
            return false;
    }
    return true;
}

namespace {

// A line of cells; the number is left out when negative.
void printCells(const char *label, int n, const std::bitset<768> &cells)
{
    printf("%s", label);
    if (n >= 0)
        printf(" %d", n);
    for (int cell = 0; cell < ArenaCells; cell++)
        if (cells[cell])
            printf(" %d,%d", cell % ArenaColumns, cell / ArenaColumns);
    printf("\n");
}

}  // namespace

// Lifts run on their own through two full trips.
std::vector<LiftTravel> liftTravels(ProbeLevel &level)
{
    level.restart(true);
    level.match.players[0].respawnTimer = ForeverDead;
    struct Trip {
        Lift *lift;
        int startY, top, bottom, period;
        bool turned;
    };
    std::vector<Trip> trips;
    for (WorldObject *o = level.match.worldHead; o; o = o->next == level.match.worldHead ? nullptr : o->next)
        if (Lift *lift = dynamic_cast<Lift *>(o))
            trips.push_back({lift, lift->y, lift->y, lift->y, 0, false});
    for (int frame = 1; frame <= 2 * 3 * CellSize * ArenaRows * 2; frame++) {
        level.idle();
        for (Trip &t : trips) {
            t.top = std::min(t.top, t.lift->y);
            t.bottom = std::max(t.bottom, t.lift->y);
            t.turned |= t.lift->movingDown == 0;
            if (!t.period && t.turned && t.lift->movingDown == 1)
                t.period = frame;
        }
    }
    std::vector<LiftTravel> travels;
    for (const Trip &t : trips) {
        // The body covers y - 10 to y + 9; row 0 starts at y = 20. A lift starts 20 pixels above its mark's centre.
        int top = std::max(0, (t.top - 30) / CellSize), bottom = (t.bottom - 11) / CellSize;
        travels.push_back({t.lift->x / CellSize, (t.startY - 10) / CellSize, top, bottom, t.period});
    }
    return travels;
}

namespace {

void reportPads(ProbeLevel &level)
{
    for (int cell = 0; cell < ArenaCells; cell++) {
        if (level.items[cell] != ItemJumpPad)
            continue;
        int column = cell % ArenaColumns, row = cell / ArenaColumns;
        Stance on = {column * CellSize + 10.0, row * CellSize + 30.0, false};
        for (int d : {0, -1, 1}) {
            std::vector<std::pair<int, int>> points = level.path(on, d);
            int top = on.y;
            for (auto [x, y] : points)
                top = std::min(top, y);
            printf("pad %d %d %d %d", column, row, d, static_cast<int>(on.y) - top);
            for (auto [x, y] : points)
                printf(" %d,%d", x, y);
            printf("\n");
        }
    }
}

}  // namespace

int reportProblems(const char *path)
{
    static Arena arena;
    if (!loadArena(arena, path)) {
        fprintf(stderr, "zoltr-arena-probe: cannot load the arena %s\n", path);
        return -1;
    }
    // The faults that make an arena unfit for a match have one home in the game library.
    std::vector<std::string> problems = arenaProblems(arena);
    for (const std::string &problem : problems)
        printf("error %s\n", problem.c_str());
    return static_cast<int>(problems.size());
}

int exploreArena(const char *path)
{
    int problems = reportProblems(path);
    if (problems != 0)
        return problems < 0 ? 1 : 0;
    Exploration e;
    e.level.load(path);
    clock_t started = clock();
    // No jetpacks: a fighter with one goes nearly anywhere, which hides the arena's own ways.
    std::bitset<768> jetpackSpawners;
    for (int cell = 0; cell < ArenaCells; cell++) {
        if (e.level.items[cell] == ItemJetpack)
            e.level.items[cell] = 0;
        if (e.level.attributes[cell] == ItemJetpack - 16) {  // its spawner
            e.level.attributes[cell] = 0;
            jetpackSpawners.set(cell);
        }
    }
    std::vector<LiftTravel> lifts = liftTravels(e.level);
    for (const LiftTravel &l : lifts)
        printf("lift %d %d %d %d %d\n", l.column, l.row, l.top, l.bottom, l.period);
    reportPads(e.level);

    std::vector<int> starts;
    for (int cell = 0; cell < ArenaCells; cell++) {
        if (e.level.attributes[cell] != AttributeSpawn)
            continue;
        int column = cell % ArenaColumns, row = cell / ArenaColumns;
        Stance spawn = {column * CellSize + 10.0, row * CellSize + 30.0, false};
        MoveResult r = e.play(spawn, {0, 0, 0, 0});
        int n = r.outcome == MoveResult::Rests ? e.placeOf(r.end) : -1;
        printf("spawn %zu %d %d %s\n", starts.size(), column, row,
               n < 0                   ? "dies"
               : isDeathLoop(e, spawn) ? "hurts"
                                       : "rests");
        starts.push_back(n);
    }
    std::vector<int> queue;
    for (int n : starts)
        if (n >= 0)
            queue.push_back(n);
    e.explore(queue);

    for (size_t s = 0; s < starts.size(); s++)
        if (starts[s] >= 0)
            printCells("reach", static_cast<int>(s), e.reach(starts[s]));

    // trap HOW REACHING INSIDE CELLS...: spawn point lists joined by '/', '-' when empty.
    for (const Trap &trap : findTraps(e, starts, lifts, jetpackSpawners)) {
        printf("trap %s", trap.deathGetsOut ? "dying" : "sealed");
        for (const std::vector<int> *list : {&trap.spawns, &trap.inside}) {
            for (size_t k = 0; k < list->size(); k++)
                printf("%c%d", k ? '/' : ' ', (*list)[k]);
            if (list->empty())
                printf(" -");
        }
        printCells("", -1, trap.cells);
    }

    std::vector<int> sincePickup = movesSinceParachute(e);
    std::vector<int> nearestWithParachute(ArenaCells, -1);
    for (size_t n = 0; n < e.places.size(); n++) {
        int &best = nearestWithParachute[e.places[n].cell];
        if (sincePickup[n] >= 0 && (best < 0 || sincePickup[n] < best))
            best = sincePickup[n];
    }
    for (const auto &[cells, fall] : e.falls) {
        bool excused = false;
        for (int n : fall.startedAt) {
            int since = nearestWithParachute[e.places[n].cell];
            excused |= since >= 0 && since <= ParachuteMoves;
        }
        printf("fall %d %d %d %d %d %d\n", cells.first % ArenaColumns, cells.first / ArenaColumns,
               cells.second % ArenaColumns, cells.second / ArenaColumns, fall.height, excused ? 1 : 0);
    }

    // A ladder cell where a plain climb goes higher from some places than from others.
    std::map<int, std::vector<const Place *>> onLadders;
    for (const Place &p : e.places)
        if (p.climbTop >= 0 && !p.stance.parachute)
            onLadders[p.cell].push_back(&p);
    for (const auto &[cell, list] : onLadders) {
        int best = ArenaRows, worst = -1, from = 1 << 20, to = -1;
        for (const Place *p : list) {
            best = std::min(best, p->climbTop);
            worst = std::max(worst, p->climbTop);
        }
        if (best == worst)
            continue;
        for (const Place *p : list)
            if (p->climbTop == best) {
                from = std::min(from, static_cast<int>(p->stance.x));
                to = std::max(to, static_cast<int>(p->stance.x));
            }
        printf("ladder %d %d %d %d %d\n", cell % ArenaColumns, cell / ArenaColumns, from, to, worst);
    }
    printf("stats %zu %ld %ld %.2f\n", e.places.size(), e.moves, e.frames,
           static_cast<double>(clock() - started) / CLOCKS_PER_SEC);
    return 0;
}
