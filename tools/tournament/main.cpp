// The tournament: headless matches between two computer players (or a
// computer and a wanderer that walks, jumps and fires at random) on arenas,
// at full speed, with a table of what happened.
//
//   zoltr-tournament [-n MATCHES] [-k KILLS] [-s SEED] LEVEL1 LEVEL2 ARENA...
//
// Levels are 1 easy, 2 normal, 3 hard, 0 the wanderer, -1 a player who touches nothing. Fighters change sides
// every match. Run it in the game folder; the limit is ten minutes a match.
// To see why a computer misbehaves: ZOLTR_TOURNAMENT_VERBOSE (a line a match), _TRACE=N (positions and plans every N
// frames), _STILL, _DEATHS, _KILLS (each such event) and _MAP (the first brain's map of the arena).
#include "arena/arena.h"
#include "brain/brain.h"
#include "match/match.h"
#include "match/player.h"
#include "world/world.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int FramesPerMinute = 50 * 60;
constexpr int FrameLimit = 10 * FramesPerMinute;
constexpr int StillLimit = 5 * 50;  // frames: five seconds at the game's pace

struct Wanderer {
    BrainRandom random;
    FighterInput held = {};
    int holdFor = 0;
};

FighterInput wander(Wanderer &w)
{
    if (--w.holdFor <= 0) {
        uint32_t r = nextRandom(w.random);
        int direction = r % 3;
        w.held = {direction == 1, direction == 2, (r >> 4) % 4 == 0, (r >> 8) % 3 == 0};
        w.holdFor = 5 + (r >> 12) % 40;
    }
    return w.held;
}

double threadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

struct Tally {
    int wins[2] = {0, 0}, draws = 0;
    long frames = 0;
    int kills = 0, deaths = 0, ownDeaths = 0, stills = 0;
    std::vector<double> thinks[2];  // seconds of CPU, a sample of single thinks
    long long thinkCount = 0;
    double matchSeconds = 0;
};

// The bombs, grenades and flying knives close to a point, for a kill's line.
std::string objectsNear(const Match &match, double x, double y)
{
    std::string found;
    for (const WorldObject *o = match.worldHead; o; o = o->next == match.worldHead ? nullptr : o->next) {
        const char *kind = dynamic_cast<const Bomb *>(o)                   ? "bomb"
                           : dynamic_cast<const Grenade *>(o)              ? "grenade"
                           : dynamic_cast<const Knife *>(o) && o->age == 0 ? "knife"
                                                                           : nullptr;
        if (kind && o->alive && std::abs(o->x - x) < 120 && std::abs(o->y - y) < 120)
            found += std::string(" ") + kind + "(" + std::to_string(o->owner) + " " + std::to_string(o->x) + "," +
                     std::to_string(o->y) + ")";
    }
    return found;
}

// One match; `side` 1 puts the second level on fighter 1.
void playMatch(const char *arena, const int levels[2], int side, int kills, unsigned seed, Tally &tally)
{
    static Match match;
    const MatchSetup setup = {arena, kills, {1, 2}, seed, {nullptr, nullptr}};
    if (!startMatch(match, setup)) {
        fprintf(stderr, "zoltr-tournament: cannot load %s\n", arena);
        exit(1);
    }
    FrameEvents events;
    Brain brains[2];
    Wanderer wanderers[2];
    int levelOf[2];
    for (int f = 0; f < 2; f++) {
        levelOf[f] = levels[f ^ side];
        startBrain(brains[f], f, levelOf[f], seed);
        wanderers[f].random.state = seed * 7919ULL + f + 1;
    }
    int still[2] = {0, 0};
    double lastX[2] = {0, 0}, lastY[2] = {0, 0};
    int sinceHurt[2] = {1 << 20, 1 << 20};  // frames since the other last took health off the fighter
    double started = threadSeconds();
    int frame = 0;
    for (; frame < FrameLimit; frame++) {
        FighterInput input[2];
        for (int f = 0; f < 2; f++) {
            if (levelOf[f] < 0) {  // a player who touches nothing
                input[f] = {};
                continue;
            }
            if (levelOf[f] == 0) {
                input[f] = wander(wanderers[f]);
                continue;
            }
            bool sample = frame % 16 == 0;
            double before = sample ? threadSeconds() : 0;
            input[f] = think(match, f, brains[f]);
            if (sample && frame > 0)
                tally.thinks[f ^ side].push_back(threadSeconds() - before);
            tally.thinkCount++;
        }
        if (getenv("ZOLTR_TOURNAMENT_MAP") && frame == 10 && brains[0].map.built) {
            const NavMap &m = brains[0].map;
            for (int n = 0; n < m.nodes(); n++) {
                fprintf(stderr, "node %d cell %d (c%d r%d):", n, m.cellOfNode[n], m.cellOfNode[n] % 32,
                        m.cellOfNode[n] / 32);
                for (const NavEdge &e : m.edges[n])
                    fprintf(stderr, " ->c%d r%d", m.cellOfNode[e.to] % 32, m.cellOfNode[e.to] / 32);
                fprintf(stderr, "\n");
            }
        }
        if (getenv("ZOLTR_TOURNAMENT_TRACE") && frame % std::max(1, atoi(getenv("ZOLTR_TOURNAMENT_TRACE"))) == 0)
            for (int f = 0; f < 2; f++)
                fprintf(
                    stderr,
                    "%d f%d x %.1f y %.1f vx %.2f vy %.2f push %.2f hp %d weapon %d gadget %d,%d goal %d edge %d in "
                    "%d%d%d%d facing %d cooldown %d react %d aim %d\n",
                    frame, f, match.players[f].x, match.players[f].y, match.players[f].vx, match.players[f].vy,
                    match.players[f].pushVx, match.players[f].health, match.players[f].weapon, match.players[f].gadget,
                    match.players[f].gadgetCharge, brains[f].goal < 0 ? -1 : brains[f].map.cellOfNode[brains[f].goal],
                    brains[f].edge, input[f].left, input[f].right, input[f].jump, input[f].fire,
                    match.players[f].facing, match.players[f].cooldown, brains[f].reactIn, brains[f].aimError);
        int killsBefore[2] = {match.players[0].kills, match.players[1].kills};
        bool aliveBefore[2] = {isLiving(match.players[0]), isLiving(match.players[1])};
        Player before[2] = {match.players[0], match.players[1]};
        std::string near[2];
        if (getenv("ZOLTR_TOURNAMENT_KILLS") || getenv("ZOLTR_TOURNAMENT_DEATHS"))
            for (int f = 0; f < 2; f++)
                near[f] = objectsNear(match, match.players[f].x, match.players[f].y);
        step(match, input, events);
        for (int f = 0; f < 2; f++) {
            if (aliveBefore[f] && !isLiving(match.players[f])) {
                tally.deaths++;
                const Player &b = before[f];
                int attribute = attributeAt(match.arena, static_cast<int>(b.x / 20), static_cast<int>(b.y / 20 - 1));
                bool fellOrBurnt = attribute == AttributeDeadly || attribute == AttributeDamaging ||
                                   b.fallDistance + b.vy > 195 || b.y + b.vy > 470;
                if (getenv("ZOLTR_TOURNAMENT_KILLS") && match.players[1 - f].kills != killsBefore[1 - f])
                    fprintf(stderr,
                            "kill of level %d by weapon %d dx %.0f dy %.0f killer vy %.1f at %.0f %.0f vx %.2f vy %.1f "
                            "edge %d frame %d seed %u hp %d near%s\n",
                            levelOf[f], before[1 - f].weapon, before[1 - f].x - b.x, before[1 - f].y - b.y,
                            before[1 - f].vy, b.x, b.y, b.vx, b.vy, brains[f].edge, frame, seed, b.health,
                            near[f].c_str());
                if (getenv("ZOLTR_TOURNAMENT_DEATHS") && match.players[1 - f].kills == killsBefore[1 - f] &&
                    !fellOrBurnt)
                    fprintf(stderr, "unscored death of level %d at %.0f %.0f hp %d near%s\n", levelOf[f], b.x, b.y,
                            b.health, near[f].c_str());
                // Knocked off a ledge or into a hazard by a blow or a blast: the other's doing, not its own.
                bool knocked = sinceHurt[f] < 100;
                if (match.players[1 - f].kills == killsBefore[1 - f] && fellOrBurnt && !knocked) {
                    tally.ownDeaths++;
                    if (getenv("ZOLTR_TOURNAMENT_DEATHS"))
                        fprintf(
                            stderr,
                            "own death f%d at %.1f %.1f vy %.1f fall %d attribute %d health %d edge %d move %d "
                            "from cell %d to %d edge frame %d; match seed %u frame %d gadget %d charge %d\n",
                            f, before[f].x, before[f].y, before[f].vy, before[f].fallDistance,
                            attributeAt(match.arena, static_cast<int>(before[f].x / 20),
                                        static_cast<int>(before[f].y / 20 - 1)),
                            before[f].health, brains[f].edge,
                            brains[f].edge >= 0 ? brains[f].map.edges[brains[f].edgeFrom][brains[f].edge].move : -1,
                            brains[f].edge >= 0 ? brains[f].map.cellOfNode[brains[f].edgeFrom] : -1,
                            brains[f].edge >= 0
                                ? brains[f].map.cellOfNode[brains[f].map.edges[brains[f].edgeFrom][brains[f].edge].to]
                                : -1,
                            brains[f].edgeFrame, seed, frame, before[f].gadget, before[f].gadgetCharge);
                }
            }
            bool hurt = isLiving(match.players[f]) && match.players[f].health < before[f].health &&
                        attributeAt(match.arena, static_cast<int>(before[f].x / 20),
                                    static_cast<int>(before[f].y / 20 - 1)) != AttributeDamaging;
            sinceHurt[f] = hurt ? 0 : sinceHurt[f] + 1;
            if (isLiving(match.players[f]) && match.players[f].x == lastX[f] && match.players[f].y == lastY[f]) {
                if (++still[f] == StillLimit) {
                    tally.stills++;
                    if (getenv("ZOLTR_TOURNAMENT_STILL"))
                        fprintf(stderr, "still f%d at %.1f %.1f goal %d edge %d idle %d frame %d\n", f,
                                match.players[f].x, match.players[f].y,
                                brains[f].goal >= 0 ? brains[f].map.cellOfNode[brains[f].goal] : -1, brains[f].edge,
                                brains[f].idle, frame);
                }
            } else {
                still[f] = 0;
            }
            lastX[f] = match.players[f].x;
            lastY[f] = match.players[f].y;
        }
        if (match.players[0].kills >= kills || match.players[1].kills >= kills)
            break;
    }
    tally.matchSeconds += threadSeconds() - started;
    tally.frames += frame;
    tally.kills += match.players[0].kills + match.players[1].kills;
    int k0 = match.players[0].kills, k1 = match.players[1].kills;
    if (getenv("ZOLTR_TOURNAMENT_VERBOSE"))
        fprintf(stderr, "match seed %u: levels %d %d kills %d %d frames %d nodes %d\n", seed, levelOf[0], levelOf[1],
                k0, k1, frame, brains[0].map.nodes());
    if (k0 == k1)
        tally.draws++;
    else
        tally.wins[(k0 > k1 ? 0 : 1) ^ side]++;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    int matches = 10, kills = 5;
    unsigned seed = 1;
    int option;
    while ((option = getopt(argc, argv, "n:k:s:")) != -1) {
        if (option == 'n')
            matches = atoi(optarg);
        else if (option == 'k')
            kills = atoi(optarg);
        else if (option == 's')
            seed = static_cast<unsigned>(strtoul(optarg, nullptr, 10));
        else
            return 2;
    }
    if (argc - optind < 3) {
        fprintf(stderr, "usage: zoltr-tournament [-n MATCHES] [-k KILLS] [-s SEED] LEVEL1 LEVEL2 ARENA...\n");
        return 2;
    }
    const int levels[2] = {atoi(argv[optind]), atoi(argv[optind + 1])};
    const char *names[] = {"idle", "wanderer", "easy", "normal", "hard"};
    printf("%-14s %8s %8s %6s %9s %7s %7s %6s %10s %10s %9s\n", "arena", names[std::clamp(levels[0], -1, 3) + 1],
           names[std::clamp(levels[1], -1, 3) + 1], "draws", "kills/min", "deaths", "fall %", "still", "think1 us",
           "think2 us", "frames/s");
    for (int a = optind + 2; a < argc; a++) {
        Tally tally;
        for (int m = 0; m < matches; m++)
            playMatch(argv[a], levels, m % 2, kills, seed + m, tally);
        std::string name = argv[a];
        name = name.substr(name.rfind('/') + 1);
        printf("%-14s %8d %8d %6d %9.1f %7d %7.1f %6d %10.1f %10.1f %9.0f\n", name.c_str(), tally.wins[0],
               tally.wins[1], tally.draws,
               tally.kills * static_cast<double>(FramesPerMinute) / std::max(1L, tally.frames), tally.deaths,
               tally.deaths ? 100.0 * tally.ownDeaths / tally.deaths : 0.0, tally.stills, median(tally.thinks[0]) * 1e6,
               median(tally.thinks[1]) * 1e6, tally.frames / std::max(1e-9, tally.matchSeconds));
        fflush(stdout);
    }
    return 0;
}
