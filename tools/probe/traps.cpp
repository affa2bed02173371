// What the explored places say about getting out: the places a fighter can
// reach but never leave for the rest of the arena, and how far each place is
// from the spawn points.
#include "probe.h"

#include "arena/arena.h"

#include <algorithm>
#include <functional>

namespace {

// The ways between places, with one extra node per lift: a fighter beside a
// lift's way can ride it to any other place beside it.
std::vector<std::vector<int>> waysBetween(const Exploration &e, const std::vector<LiftTravel> &lifts)
{
    size_t count = e.places.size();
    std::vector<std::vector<int>> ways(count + lifts.size());
    for (size_t n = 0; n < count; n++) {
        ways[n] = e.places[n].next;
        int column = e.places[n].cell % ArenaColumns, row = e.places[n].cell / ArenaColumns;
        for (size_t k = 0; k < lifts.size(); k++) {
            const LiftTravel &l = lifts[k];
            if (std::abs(column - l.column) <= 1 && row >= l.top - 1 && row <= l.bottom + 1) {
                ways[n].push_back(static_cast<int>(count + k));
                ways[count + k].push_back(static_cast<int>(n));
            }
        }
    }
    return ways;
}

// Strongly connected components, numbered in the order Tarjan's walk closes them.
std::vector<int> components(const std::vector<std::vector<int>> &ways, int &count)
{
    int size = static_cast<int>(ways.size()), order = 0;
    std::vector<int> component(size, -1), low(size), seen(size, -1), stack;
    std::vector<bool> onStack(size);
    count = 0;
    struct Frame {
        int node;
        size_t edge;
    };
    for (int root = 0; root < size; root++) {
        if (seen[root] >= 0)
            continue;
        std::vector<Frame> walk{{root, 0}};
        seen[root] = low[root] = order++;
        stack.push_back(root);
        onStack[root] = true;
        while (!walk.empty()) {
            Frame &f = walk.back();
            if (f.edge < ways[f.node].size()) {
                int to = ways[f.node][f.edge++];
                if (seen[to] < 0) {
                    seen[to] = low[to] = order++;
                    stack.push_back(to);
                    onStack[to] = true;
                    walk.push_back({to, 0});
                } else if (onStack[to]) {
                    low[f.node] = std::min(low[f.node], seen[to]);
                }
                continue;
            }
            int node = f.node;
            walk.pop_back();
            if (!walk.empty())
                low[walk.back().node] = std::min(low[walk.back().node], low[node]);
            if (low[node] == seen[node]) {
                int member;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[member] = false;
                    component[member] = count;
                } while (member != node);
                count++;
            }
        }
    }
    return component;
}

}  // namespace

std::vector<bool> reachable(const std::vector<std::vector<int>> &ways, const std::vector<int> &from)
{
    std::vector<bool> seen(ways.size());
    std::vector<int> queue = from;
    while (!queue.empty()) {
        int n = queue.back();
        queue.pop_back();
        if (seen[n])
            continue;
        seen[n] = true;
        for (int to : ways[n])
            if (!seen[to])
                queue.push_back(to);
    }
    return seen;
}

std::vector<Trap> findTraps(const Exploration &e, const std::vector<int> &starts, const std::vector<LiftTravel> &lifts,
                            const std::bitset<768> &jetpackSpawners)
{
    std::vector<std::vector<int>> ways = waysBetween(e, lifts);
    int size = static_cast<int>(ways.size()), count = 0;
    std::vector<int> component = components(ways, count);

    // The rest of the arena is the component that spreads over the most cells.
    std::vector<std::bitset<768>> cellsOf(count);
    for (size_t n = 0; n < e.places.size(); n++)
        cellsOf[component[n]].set(e.places[n].cell);
    int heart = 0;
    for (int c = 1; c < count; c++)
        if (cellsOf[c].count() > cellsOf[heart].count())
            heart = c;
    std::vector<std::vector<bool>> fromSpawn;
    for (int start : starts)
        fromSpawn.push_back(start >= 0 ? reachable(ways, {start}) : std::vector<bool>(size));
    if (count == 0)
        return {};

    // Who can get there: walking the ways backwards from it, and from every jetpack spawner a fighter touches.
    std::vector<std::vector<int>> back(size);
    for (int n = 0; n < size; n++)
        for (int to : ways[n])
            back[to].push_back(n);
    std::vector<int> out;
    for (int n = 0; n < size; n++)
        if (component[n] == heart ||
            (n < static_cast<int>(e.places.size()) && (e.places[n].touched & jetpackSpawners).any()))
            out.push_back(n);
    std::vector<bool> getsOut = reachable(back, out);

    std::vector<bool> trapped(size);
    for (int n = 0; n < size; n++)
        for (const std::vector<bool> &reached : fromSpawn)
            trapped[n] = trapped[n] || (reached[n] && !getsOut[n]);

    // Trapped places joined by a way in either direction make one trap.
    std::vector<Trap> traps;
    std::vector<bool> grouped(size);
    for (int first = 0; first < size; first++) {
        if (!trapped[first] || grouped[first])
            continue;
        Trap trap{};
        std::vector<int> queue{first}, members;
        grouped[first] = true;
        while (!queue.empty()) {
            int n = queue.back();
            queue.pop_back();
            members.push_back(n);
            auto join = [&](int to) {
                if (trapped[to] && !grouped[to]) {
                    grouped[to] = true;
                    queue.push_back(to);
                }
            };
            std::for_each(ways[n].begin(), ways[n].end(), join);
            std::for_each(back[n].begin(), back[n].end(), join);
        }
        for (int n : members)
            if (n < static_cast<int>(e.places.size())) {
                trap.cells.set(e.places[n].cell);
                trap.deathGetsOut |= e.places[n].deathExit;
            }
        for (size_t s = 0; s < fromSpawn.size(); s++) {
            if (std::any_of(members.begin(), members.end(), [&](int n) { return fromSpawn[s][n]; }))
                trap.spawns.push_back(static_cast<int>(s));
            if (std::find(members.begin(), members.end(), starts[s]) != members.end())
                trap.inside.push_back(static_cast<int>(s));
        }
        traps.push_back(trap);
    }
    return traps;
}

std::vector<int> movesSinceParachute(const Exploration &e)
{
    std::vector<int> distance(e.places.size(), -1), queue;
    for (const Place &from : e.places)
        for (int to : from.next)
            if (!from.stance.parachute && e.places[to].stance.parachute && distance[to] < 0) {
                distance[to] = 1;
                queue.push_back(to);
            }
    for (size_t head = 0; head < queue.size(); head++)
        for (int to : e.places[queue[head]].next)
            if (distance[to] < 0) {
                distance[to] = distance[queue[head]] + 1;
                queue.push_back(to);
            }
    return distance;
}
