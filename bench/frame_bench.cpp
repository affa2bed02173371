// The frame benchmark: the CPU time of one match frame on the richest arena of
// the game folder, at rest and at stress load, at stress on the arena with the
// most machines, and the update of a crowded world, against the floor set by
// presenting the screen. Times are the main thread's own CPU time, which other
// programs on the machine do not inflate the way they do wall-clock time.
// Run it from the game folder; it prints the medians and the ratios.
#include "alloc_count.h"
#include "scene.h"

#include "media/media.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

// --quick cuts these down to a run-through.
int Repetitions = 10;
int FramesPerRun = StressBatch * 4;
int FlipsPerRun = 500;

enum FramePart { Draw = 1, Flip = 2, Update = 4 };
enum Scene { Rest, Stress, Crowd, CrowdWithoutBombs };

std::string RichestArena, MachineArena;

// CPU time of this thread, in seconds.
double threadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double secondsSince(double start)
{
    return threadSeconds() - start;
}

void buildScene(Scene scene)
{
    if (scene == Stress)
        buildStressScene();
    else if (scene == Crowd || scene == CrowdWithoutBombs)
        buildCrowdScene(scene == Crowd);
    else
        buildRestScene();
}

// Runs whole frames on an arena and reports the time of the parts asked for.
// A stress or crowd episode is rebuilt when it ends; the rebuild is never timed.
void measureFrames(benchmark::State &state, const std::string *arena, Scene scene, int timedParts)
{
    useArena(*arena);
    bool stress = scene != Rest;
    int frame = 0;
    long created = 0;
    long outside = 0;
    double drawTotal = 0, flipTotal = 0, updateTotal = 0;
    SceneLoad least = {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX};
    SceneLoad most = {};
    buildScene(scene);
    for (auto _ : state) {
        if (stress && frame == StressBatch) {
            buildScene(scene);
            frame = 0;
        }
        FighterInput one = scene == Stress ? stressInput(0, frame) : FighterInput{};
        FighterInput two = scene == Stress ? stressInput(1, frame) : FighterInput{};

        startCountingAllocations();
        double start = threadSeconds();
        drawHalf();
        double drawTime = secondsSince(start);
        start = threadSeconds();
        if (timedParts & Flip)
            flipScreen();
        double flipTime = secondsSince(start);
        start = threadSeconds();
        updateHalf(one, two);
        double updateTime = secondsSince(start);
        stopCountingAllocations();

        state.SetIterationTime((timedParts & Draw ? drawTime : 0) + flipTime + (timedParts & Update ? updateTime : 0));
        drawTotal += drawTime;
        flipTotal += flipTime;
        updateTotal += updateTime;
        long strays = allocationsOutsideWorld();
        outside += strays;
        created += countedAllocations() - strays;
        SceneLoad load = countLoad();
        least = {std::min(least.objects, load.objects), std::min(least.debris, load.debris),
                 std::min(least.bombs, load.bombs), std::min(least.grenades, load.grenades),
                 std::min(least.flames, load.flames)};
        most = {std::max(most.objects, load.objects), std::max(most.debris, load.debris),
                std::max(most.bombs, load.bombs), std::max(most.grenades, load.grenades),
                std::max(most.flames, load.flames)};
        if (scene == Stress)
            keepFightersAlive();
        frame++;
    }
    // Each part's own mean, in milliseconds, whether it is timed or not.
    double frames = static_cast<double>(state.iterations());
    state.counters["draw_ms"] = 1000 * drawTotal / frames;
    state.counters["flip_ms"] = 1000 * flipTotal / frames;
    state.counters["update_ms"] = 1000 * updateTotal / frames;
    state.counters["objects_max"] = most.objects;
    state.counters["debris_min"] = least.debris;
    state.counters["bombs_max"] = most.bombs;
    state.counters["grenades_min"] = least.grenades;
    state.counters["flames_max"] = most.flames;
    state.counters["new_objects"] =
        benchmark::Counter(static_cast<double>(created), benchmark::Counter::kAvgIterations);
    state.counters["other_allocs"] =
        benchmark::Counter(static_cast<double>(outside), benchmark::Counter::kAvgIterations);
}

void measureFillAndFlip(benchmark::State &state)
{
    for (auto _ : state) {
        double start = threadSeconds();
        SDL_FillRect(screen, nullptr, 0);
        SDL_Flip(screen);
        state.SetIterationTime(secondsSince(start));
    }
}

void measureFlip(benchmark::State &state)
{
    for (auto _ : state) {
        double start = threadSeconds();
        SDL_Flip(screen);
        state.SetIterationTime(secondsSince(start));
    }
}

// SDL prepares each pair of surfaces at their first blit; one stress episode
// with its flips does that for every sheet before anything is measured.
void warmUp()
{
    buildStressScene();
    for (int frame = 0; frame < StressBatch; frame++) {
        drawHalf();
        flipScreen();
        updateHalf(stressInput(0, frame), stressInput(1, frame));
        keepFightersAlive();
    }
}

struct Median {
    double ms;
    std::map<std::string, double> counters;
    std::map<std::string, double> meanCounters;  // a rare stray allocation shows in the mean only
};

// The console table as usual, keeping each benchmark's medians for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Median> medians;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate)
                continue;
            Median &median = medians[run.run_name.function_name];
            if (run.aggregate_name == "median") {
                median.ms = run.GetAdjustedRealTime();
                for (const auto &[name, counter] : run.counters)
                    median.counters[name] = counter.value;
            } else if (run.aggregate_name == "mean") {
                for (const auto &[name, counter] : run.counters)
                    median.meanCounters[name] = counter.value;
            }
        }
    }
};

std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string oneMinute;
    file >> oneMinute;
    return oneMinute.empty() ? "unknown" : oneMinute;
}

void registerFrames(const char *name, const std::string *arena, Scene scene, int parts)
{
    benchmark::RegisterBenchmark(name, measureFrames, arena, scene, parts)
        ->Iterations(FramesPerRun)
        ->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// A snapshot (a copy) of the crowded match, or its state hash, without stepping it.
void measureCopyOrHash(benchmark::State &state, bool hashOnly)
{
    useArena(RichestArena);
    buildCrowdScene(true);
    static Match copy;
    uint32_t sum = 0;
    for (auto _ : state) {
        double start = threadSeconds();
        if (hashOnly)
            sum += hash(benchMatch);
        else
            copy = benchMatch;
        state.SetIterationTime(secondsSince(start));
    }
    benchmark::DoNotOptimize(sum);
    copy = Match();
}

void measureSnapshot(benchmark::State &state)
{
    measureCopyOrHash(state, false);
}

void measureHash(benchmark::State &state)
{
    measureCopyOrHash(state, true);
}

// A recording of a 5-minute match at 80 frames a second on the arena, both
// fighters running, jumping and throwing as in the stress scene.
std::string recordFiveMinutes(size_t &bytes)
{
    static Match played;
    MatchSetup setup = {RichestArena.c_str(), 1000000, {1, 2}, 1234, {"Red", "Blue"}};
    startMatch(played, setup);
    Recording recording = beginRecording(played, setup);
    FrameEvents events;
    for (int frame = 0; frame < 5 * 60 * 80; frame++) {
        const FighterInput inputs[MaxPlayers] = {stressInput(0, frame), stressInput(1, frame)};
        step(played, inputs, events);
        recordFrame(recording, played, inputs);
    }
    recording.match.finalHash = hash(played);
    played = Match();
    std::string encoded = encodeRecording(recording);
    bytes = encoded.size();
    std::string path = "/tmp/zoltr-bench-" + std::to_string(getpid()) + ".zrec";
    if (FILE *file = fopen(path.c_str(), "wb")) {
        fwrite(encoded.data(), 1, encoded.size(), file);
        fclose(file);
    }
    return path;
}

// Reading and verifying that recording headless, as zoltr --replay FILE --verify does.
void measureVerify(benchmark::State &state)
{
    size_t bytes = 0;
    std::string path = recordFiveMinutes(bytes);
    int quiet = open("/dev/null", O_WRONLY);
    int shown = dup(STDOUT_FILENO);
    int status = 0;
    for (auto _ : state) {
        fflush(stdout);
        dup2(quiet, STDOUT_FILENO);
        double start = threadSeconds();
        status |= verifyRecording(path.c_str());
        state.SetIterationTime(secondsSince(start));
        fflush(stdout);
        dup2(shown, STDOUT_FILENO);
    }
    close(quiet);
    close(shown);
    remove(path.c_str());
    state.counters["file_bytes"] = static_cast<double>(bytes);
    state.counters["failed"] = status;
}

void registerFloor(const char *name, void (*measure)(benchmark::State &))
{
    benchmark::RegisterBenchmark(name, measure)
        ->Iterations(FlipsPerRun)
        ->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printSummary(const std::map<std::string, Median> &m, const std::string &arena, int tiles)
{
    auto ms = [&m](const char *name) {
        auto found = m.find(name);
        return found == m.end() ? 0.0 : found->second.ms;
    };
    auto counter = [&m](const char *name, const char *key, bool mean = false) {
        auto found = m.find(name);
        if (found == m.end())
            return 0.0;
        const auto &counters = mean ? found->second.meanCounters : found->second.counters;
        auto value = counters.find(key);
        return value == counters.end() ? 0.0 : value->second;
    };
    printf("\nFrame cost on %s (%d tiles), main thread CPU time, medians of %d repetitions, load average %s\n",
           arena.c_str(), tiles, Repetitions, loadAverage().c_str());
    printf("  %-30s %10s %10s\n", "", "rest ms", "stress ms");
    const char *rows[][3] = {{"draw half", "rest/draw", "stress/draw"},
                             {"update half", "rest/update", "stress/update"},
                             {"draw + update", "rest/draw+update", "stress/draw+update"},
                             {"whole frame (draw+flip+update)", "rest/whole_frame", "stress/whole_frame"}};
    for (const auto &row : rows)
        printf("  %-30s %10.4f %10.4f\n", row[0], ms(row[1]), ms(row[2]));
    printf("  %-30s %10.4f\n", "floor: fill + flip", ms("floor/fill+flip"));
    printf("  %-30s %10.4f\n", "floor: bare flip", ms("floor/flip"));
    printf(
        "  stress load: %.0f objects at most, debris >= %.0f, bombs up to %.0f, grenades >= %.0f, flames up to %.0f\n",
        counter("stress/draw+update", "objects_max"), counter("stress/draw+update", "debris_min"),
        counter("stress/draw+update", "bombs_max"), counter("stress/draw+update", "grenades_min"),
        counter("stress/draw+update", "flames_max"));
    if (ms("machines/draw+update") > 0)
        printf("  %-30s %10s %10.4f  (%s, its jump pads and lifts working)\n", "draw + update, machine arena", "",
               ms("machines/draw+update"), MachineArena.c_str());
    if (ms("crowd/update") > 0)
        printf("  %-30s %10s %10.4f  (%.0f bombs, debris >= %.0f)\n", "update, crowded world", "", ms("crowd/update"),
               counter("crowd/update", "bombs_max"), counter("crowd/update", "debris_min"));

    // A goal is judged only when the benchmarks it needs ran (a filter may leave them out).
    double work = ms("stress/draw+update");
    double flip = ms("floor/flip");
    double whole = ms("stress/whole_frame");
    double crowd = ms("crowd/update");
    if (work > 0)
        printf("  %-44s %8.4f ms  goal <= 0.3 ms   %s\n", "frame work at stress (draw + update)", work,
               verdict(work <= 0.3));
    if (crowd > 0)
        printf("  %-44s %8.4f ms  goal <= 0.03 ms  %s\n", "update, 30 bombs + 1,000 debris", crowd,
               verdict(crowd <= 0.03));
    if (crowd > 0 && ms("debris/update") > 0)
        printf("  %-44s %8.2f     (%.4f ms without the bombs)\n", "update, crowded world / without its bombs",
               crowd / ms("debris/update"), ms("debris/update"));
    if (ms("crowd/snapshot") > 0)
        printf("  %-44s %8.4f ms  goal <= 0.05 ms  %s\n", "snapshot (copy) of the crowded match", ms("crowd/snapshot"),
               verdict(ms("crowd/snapshot") <= 0.05));
    if (ms("crowd/hash") > 0)
        printf("  %-44s %8.4f ms  goal <= 0.02 ms  %s\n", "state hash of the crowded match", ms("crowd/hash"),
               verdict(ms("crowd/hash") <= 0.02));
    if (ms("recording/verify_5min") > 0)
        printf("  %-44s %8.1f ms  goal <= 1000 ms  %s  (%.0f bytes%s)\n", "read and verify a 5-minute recording",
               ms("recording/verify_5min"), verdict(ms("recording/verify_5min") <= 1000),
               counter("recording/verify_5min", "file_bytes"),
               counter("recording/verify_5min", "failed") > 0 ? ", DID NOT VERIFY" : "");
    if (whole > 0 && flip > 0)
        printf("  %-44s %8.2f\n", "whole frame / bare flip at stress", whole / flip);
    if (ms("rest/whole_frame") > 0 && flip > 0)
        printf("  %-44s %8.2f\n", "whole frame / bare flip at rest", ms("rest/whole_frame") / flip);
    if (work > 0) {
        double stressOther = counter("stress/draw+update", "other_allocs", true);
        double restOther = counter("rest/draw+update", "other_allocs", true);
        printf("  %-44s %8.2f new objects, %.4f other (rest %.4f other)  goal 0 other  %s\n",
               "allocations per frame, mean", counter("stress/draw+update", "new_objects", true), stressOther,
               restOther, verdict(stressOther == 0 && restOther == 0));
    }
}

}  // namespace

int main(int argc, char **argv)
{
    // Headless: the frame is drawn into the dummy driver's screen, sound goes nowhere.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    benchmark::Initialize(&argc, argv);

    std::string &arena = RichestArena;
    bool printArenaOnly = false;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--arena=", 8) == 0) {
            arena = argv[i] + 8;
        } else if (strcmp(argv[i], "--richest-arena") == 0) {
            printArenaOnly = true;
        } else if (strcmp(argv[i], "--quick") == 0) {
            Repetitions = 2;
            FramesPerRun = StressBatch;
            FlipsPerRun = 20;
        } else {
            fprintf(stderr,
                    "unknown option %s (besides the --benchmark_ ones: --arena=PATH, --richest-arena, --quick)\n",
                    argv[i]);
            return 2;
        }
    }
    if (arena.empty())
        arena = findRichestArena();
    if (arena.empty()) {
        fprintf(stderr, "no arena under maps/: run this from the game folder\n");
        return 1;
    }
    if (printArenaOnly) {
        printf("%s\n", arena.c_str());
        return 0;
    }

    startGameHeadless();
    if (!useArena(arena)) {
        fprintf(stderr, "cannot load %s\n", arena.c_str());
        return 1;
    }
    int tiles = arenaRichness();
    MachineArena = findMachineArena();
    if (!MachineArena.empty() && useArena(MachineArena))
        warmUp();
    useArena(arena);
    warmUp();

    registerFrames("rest/draw", &RichestArena, Rest, Draw);
    registerFrames("rest/update", &RichestArena, Rest, Update);
    registerFrames("rest/draw+update", &RichestArena, Rest, Draw | Update);
    registerFrames("rest/whole_frame", &RichestArena, Rest, Draw | Flip | Update);
    registerFrames("stress/draw", &RichestArena, Stress, Draw);
    registerFrames("stress/update", &RichestArena, Stress, Update);
    registerFrames("stress/draw+update", &RichestArena, Stress, Draw | Update);
    registerFrames("stress/whole_frame", &RichestArena, Stress, Draw | Flip | Update);
    if (!MachineArena.empty())
        registerFrames("machines/draw+update", &MachineArena, Stress, Draw | Update);
    registerFrames("crowd/update", &RichestArena, Crowd, Update);
    registerFrames("debris/update", &RichestArena, CrowdWithoutBombs, Update);
    registerFloor("crowd/snapshot", measureSnapshot);
    registerFloor("crowd/hash", measureHash);
    benchmark::RegisterBenchmark("recording/verify_5min", measureVerify)
        ->Iterations(1)
        ->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    registerFloor("floor/fill+flip", measureFillAndFlip);
    registerFloor("floor/flip", measureFlip);

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter.medians, arena, tiles);
    benchmark::Shutdown();
    return 0;
}
