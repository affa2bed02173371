// Recorded matches: the file (a seed, the start and both inputs of every
// frame of the match and of its end scene, the state hash every 100 frames),
// the replays/ folder that keeps the last ten, and checking one headless.
#include "match/match.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"
#include "world/world.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef ZOLTR_VERSION
#define ZOLTR_VERSION "1.0.0"
#endif

constexpr char Magic[8] = {'Z', 'O', 'L', 'T', 'R', 'R', 'E', 'C'};
constexpr uint32_t MaxFrames = 10000000;  // some 35 hours of play
constexpr const char *ReplayFolder = "replays";
constexpr int KeptRecordings = 10;

uint8_t packInputs(const FighterInput inputs[MaxPlayers])
{
    uint8_t byte = 0;
    for (int i = 0; i < MaxPlayers; i++) {
        const FighterInput &in = inputs[i];
        int bits = (in.left ? 1 : 0) | (in.right ? 2 : 0) | (in.jump ? 4 : 0) | (in.fire ? 8 : 0);
        byte = static_cast<uint8_t>(byte | bits << (4 * i));
    }
    return byte;
}

void unpackInputs(uint8_t byte, FighterInput inputs[MaxPlayers])
{
    for (int i = 0; i < MaxPlayers; i++) {
        int bits = byte >> (4 * i);
        inputs[i] = {bits & 1, (bits >> 1) & 1, (bits >> 2) & 1, (bits >> 3) & 1};
    }
}

uint32_t arenaHash(const Arena &arena)
{
    StateHash hash;
    hash.add(arena.WallLayer, sizeof arena.WallLayer);
    hash.add(arena.ItemLayer, sizeof arena.ItemLayer);
    hash.add(arena.AttributeLayer, sizeof arena.AttributeLayer);
    return hash.digest();
}

// The arena hash is taken from the level the match was set up from: the
// machines' marks are gone from a started match, so it is read again here.
static uint32_t hashOfArenaFile(const std::string &path, bool &found)
{
    static Arena arena;
    found = loadArena(arena, path.c_str()) != 0;
    return found ? arenaHash(arena) : 0;
}

Recording beginRecording(const Match &match, const MatchSetup &setup)
{
    Recording recording = {};
    recording.gameVersion = ZOLTR_VERSION;
    recording.arena = setup.arena;
    recording.killLimit = setup.killLimit;
    recording.seed = setup.seed;
    for (int i = 0; i < MaxPlayers; i++) {
        recording.looks[i] = setup.looks[i];
        recording.names[i] = match.names[i];
    }
    bool found = false;
    recording.arenaHash = hashOfArenaFile(recording.arena, found);
    recording.match.inputs.reserve(1 << 16);
    recording.match.finalHash = hash(match);
    return recording;
}

void beginEndSceneRecording(Recording &recording, const Match &match, uint32_t victoryArenaHash)
{
    recording.endScenePlayed = true;
    recording.victoryArenaHash = victoryArenaHash;
    recording.endScene = {};
    recording.endScene.inputs.reserve(EndSceneFrames);
    recording.endScene.finalHash = hash(match);
}

void recordFrame(Recording &recording, const Match &match, const FighterInput inputs[MaxPlayers])
{
    RecordedPlay &play = match.endScene ? recording.endScene : recording.match;
    play.inputs.push_back(packInputs(inputs));
    if (play.inputs.size() % RecordingCheckInterval == 0)
        play.checks.push_back(hash(match));
}

// --- the file ---

static void putWord(std::string &out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

static void putText(std::string &out, const std::string &text)
{
    size_t length = std::min<size_t>(text.size(), 255);
    out += static_cast<char>(length);
    out.append(text, 0, length);
}

static uint32_t checksum(const char *data, size_t size)
{
    uint32_t sum = 2166136261u;
    for (size_t i = 0; i < size; i++)
        sum = (sum ^ static_cast<unsigned char>(data[i])) * 16777619u;
    return sum;
}

// The frame count, the final hash, the inputs as runs (the byte, then how
// many frames it lasts, seven bits at a time), the checks.
static void putPlay(std::string &out, const RecordedPlay &play)
{
    putWord(out, static_cast<uint32_t>(play.inputs.size()));
    putWord(out, play.finalHash);
    for (size_t at = 0; at < play.inputs.size();) {
        size_t end = at;
        while (end < play.inputs.size() && play.inputs[end] == play.inputs[at])
            end++;
        out += static_cast<char>(play.inputs[at]);
        for (uint32_t run = static_cast<uint32_t>(end - at);; run >>= 7) {
            out += static_cast<char>((run & 0x7F) | (run >= 0x80 ? 0x80 : 0));
            if (run < 0x80)
                break;
        }
        at = end;
    }
    for (uint32_t check : play.checks)
        putWord(out, check);
}

std::string encodeRecording(const Recording &recording)
{
    std::string out(Magic, sizeof Magic);
    out += static_cast<char>(RecordingFormat);
    putText(out, recording.gameVersion);
    putText(out, recording.arena);
    putWord(out, recording.arenaHash);
    putWord(out, static_cast<uint32_t>(recording.killLimit));
    for (int look : recording.looks)
        putWord(out, static_cast<uint32_t>(look));
    putWord(out, recording.seed);
    for (const std::string &name : recording.names)
        putText(out, name);
    putPlay(out, recording.match);
    out += static_cast<char>(recording.endScenePlayed ? 1 : 0);
    if (recording.endScenePlayed) {
        putWord(out, recording.victoryArenaHash);
        putPlay(out, recording.endScene);
    }
    putWord(out, checksum(out.data(), out.size()));
    return out;
}

namespace {

// Reads a file's bytes front to back; running past the end marks it short.
struct Reader {
    const std::string &bytes;
    size_t at = 0;
    bool isShort = false;

    bool has(size_t count)
    {
        if (bytes.size() - at < count)
            isShort = true;
        return !isShort;
    }
    uint8_t byte() { return has(1) ? static_cast<uint8_t>(bytes[at++]) : 0; }
    uint32_t word()
    {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8)
            value |= static_cast<uint32_t>(byte()) << shift;
        return value;
    }
    std::string text()
    {
        size_t length = byte();
        if (!has(length))
            return {};
        at += length;
        return bytes.substr(at - length, length);
    }
};

// A stretch of play as putPlay wrote it, of at most `most` frames; what is
// wrong with it, or an empty text.
std::string readPlay(Reader &in, RecordedPlay &play, uint32_t most)
{
    uint32_t frames = in.word();
    play.finalHash = in.word();
    if (in.isShort)
        return "the file ends early";
    if (frames > most)
        return "damaged: " + std::to_string(frames) + " frames";
    // Never more frames than the file has runs for: a damaged count cannot make it allocate.
    play.inputs.reserve(std::min<size_t>(frames, in.bytes.size() * 128));
    while (play.inputs.size() < frames && !in.isShort) {
        uint8_t inputs = in.byte();
        uint32_t run = 0;
        for (int shift = 0;; shift += 7) {
            uint8_t part = in.byte();
            if (shift > 28 || in.isShort)
                return in.isShort ? "the file ends early" : "damaged: a run too long";
            run |= static_cast<uint32_t>(part & 0x7F) << shift;
            if (!(part & 0x80))
                break;
        }
        if (run == 0 || run > frames - play.inputs.size())
            return "damaged: the runs do not add up to " + std::to_string(frames) + " frames";
        play.inputs.insert(play.inputs.end(), run, inputs);
    }
    play.checks.resize(frames / RecordingCheckInterval);
    for (uint32_t &check : play.checks)
        check = in.word();
    return {};
}

}  // namespace

std::string decodeRecording(const std::string &bytes, Recording &recording)
{
    recording = {};
    if (bytes.size() < sizeof Magic + 1 || memcmp(bytes.data(), Magic, sizeof Magic) != 0)
        return "not a recorded match of this game";
    Reader in{bytes, sizeof Magic};
    int format = in.byte();
    if (format > RecordingFormat)
        return "recorded by a newer version of the game (format " + std::to_string(format) + ")";
    if (format < 1)
        return "damaged: format 0";
    recording.gameVersion = in.text();
    recording.arena = in.text();
    recording.arenaHash = in.word();
    recording.killLimit = static_cast<int>(in.word());
    for (int &look : recording.looks)
        look = static_cast<int>(in.word());
    recording.seed = in.word();
    for (std::string &name : recording.names)
        name = in.text();
    if (in.isShort)
        return "the file ends early";
    if (recording.arena.empty() || recording.arena.find('\0') != std::string::npos)
        return "damaged: no arena name";
    std::string problem = readPlay(in, recording.match, MaxFrames);
    if (problem.empty() && format >= 2) {
        uint8_t played = in.byte();
        if (played > 1)
            return "damaged: end scene mark " + std::to_string(played);
        recording.endScenePlayed = played == 1;
        if (recording.endScenePlayed) {
            recording.victoryArenaHash = in.word();
            problem = readPlay(in, recording.endScene, EndSceneFrames);
        }
    }
    if (!problem.empty())
        return problem;
    size_t summed = in.at;
    uint32_t sum = in.word();
    if (in.isShort)
        return "the file ends early";
    if (in.at != bytes.size())
        return "damaged: " + std::to_string(bytes.size() - in.at) + " bytes after its end";
    if (sum != checksum(bytes.data(), summed))
        return "damaged: its checksum does not match";
    return {};
}

// --- the replays folder ---

static std::vector<std::string> recordingsInFolder()
{
    std::vector<std::string> names;
    if (DIR *folder = opendir(ReplayFolder)) {
        while (dirent *entry = readdir(folder)) {
            std::string name = entry->d_name;
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".zrec") == 0)
                names.push_back(name);
        }
        closedir(folder);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string lastRecordingPath()
{
    std::vector<std::string> names = recordingsInFolder();
    return names.empty() ? std::string() : std::string(ReplayFolder) + "/" + names.back();
}

// Named by the time it ended and a counter after the last of that second,
// so that names sort from the oldest to the newest.
static std::string newRecordingPath()
{
    time_t now = time(nullptr);
    tm local = {};
    localtime_r(&now, &local);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    int counter = 1;
    for (const std::string &name : recordingsInFolder())
        if (name.compare(0, strlen(stamp), stamp) == 0)
            counter = std::max(counter, atoi(name.c_str() + strlen(stamp) + 1) + 1);
    char path[64];
    snprintf(path, sizeof path, "%s/%s-%03d.zrec", ReplayFolder, stamp, counter);
    return path;
}

std::string keepRecording(const Recording &recording, const std::string &replacing)
{
    std::string bytes = encodeRecording(recording);
    if (mkdir(ReplayFolder, 0755) != 0 && errno != EEXIST) {
        fprintf(stderr, "Note: the match was not recorded: %s/: %s\n", ReplayFolder, strerror(errno));
        return {};
    }
    std::string path = replacing.empty() ? newRecordingPath() : replacing;
    std::string part = path + ".part";
    FILE *file = fopen(part.c_str(), "wb");
    bool written = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && fclose(file) != 0)
        written = false;
    if (!written || rename(part.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "Note: the match was not recorded: %s: %s\n", path.c_str(), strerror(errno));
        remove(part.c_str());
        return {};
    }
    std::vector<std::string> names = recordingsInFolder();
    for (size_t i = 0; i + KeptRecordings < names.size(); i++)
        remove((std::string(ReplayFolder) + "/" + names[i]).c_str());
    return path;
}

// --- playing one back ---

static bool readWhole(const char *path, std::string &bytes, std::string &problem)
{
    std::string why;
    FILE *file = openRegularStream(path, MaxRecordingFileBytes, &why);
    if (!file) {
        problem = why.empty() ? std::string("cannot be read: ") + strerror(errno) : why;
        return false;
    }
    char buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, got);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed)
        problem = "cannot be read";
    return !failed;
}

// What differs between an arena file and the hash a recording holds of it, or an empty text.
static std::string arenaProblem(const std::string &path, uint32_t recorded, const char *which)
{
    bool found = false;
    if (hashOfArenaFile(path, found) == recorded)
        return {};
    return found ? std::string(which) + " " + path + " is not the one it was played on"
                 : std::string(which) + " " + path + " is missing";
}

bool startReplay(const char *path, Recording &recording, Match &match)
{
    std::string bytes, problem;
    if (readWhole(path, bytes, problem))
        problem = decodeRecording(bytes, recording);
    if (problem.empty())
        problem = arenaProblem(recording.arena, recording.arenaHash, "its arena");
    if (problem.empty() && recording.endScenePlayed)
        problem = arenaProblem(VictoryArena, recording.victoryArenaHash, "its victory arena");
    if (problem.empty()) {
        MatchSetup setup = {recording.arena.c_str(),
                            recording.killLimit,
                            {recording.looks[0], recording.looks[1]},
                            recording.seed,
                            {recording.names[0].c_str(), recording.names[1].c_str()}};
        if (!startMatch(match, setup))
            problem = "its arena " + recording.arena + " is missing";
    }
    if (!problem.empty()) {
        // The name is never printed raw beyond its first 200 bytes.
        fprintf(stderr, "replay: %.200s: %s\n", path, problem.c_str());
        return false;
    }
    return true;
}

bool startReplayedEndScene(Match &match, int &winner)
{
    if (!loadArena(match.arena, VictoryArena))
        return false;
    setupLevel(match);
    winner = startEndScene(match);
    return true;
}

// Steps a recorded stretch of play, checking the state against its hashes;
// false after one line on stderr at the first frame where it differs.
static bool replayPlay(Match &match, const RecordedPlay &play, const char *path, const char *where, FrameEvents &events)
{
    FighterInput inputs[MaxPlayers];
    size_t frames = play.inputs.size();
    for (size_t frame = 0; frame <= frames; frame++) {
        if (frame > 0) {
            unpackInputs(play.inputs[frame - 1], inputs);
            step(match, inputs, events);
        }
        bool checked = frame > 0 && frame % RecordingCheckInterval == 0;
        if ((checked && hash(match) != play.checks[frame / RecordingCheckInterval - 1]) ||
            (frame == frames && hash(match) != play.finalHash)) {
            fprintf(stderr, "replay: %.200s: the state no longer matches the recording at frame %zu%s\n", path, frame,
                    where);
            return false;
        }
    }
    return true;
}

int verifyRecording(const char *path)
{
    static Recording recording;
    static Match match;
    if (!startReplay(path, recording, match))
        return 1;
    FrameEvents events;
    events.reserve(256);
    if (!replayPlay(match, recording.match, path, "", events))
        return 1;
    size_t frames = recording.match.inputs.size();
    if (recording.endScenePlayed) {
        int winner = 0;
        if (!startReplayedEndScene(match, winner)) {
            fprintf(stderr, "replay: %.200s: its victory arena %s is missing\n", path, VictoryArena);
            return 1;
        }
        if (!replayPlay(match, recording.endScene, path, " of the end scene", events))
            return 1;
        frames += recording.endScene.inputs.size();
    }
    printf("replay: %zu frames, state hash %08x, matches the recording\n", frames, hash(match));
    return 0;
}
