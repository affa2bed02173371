// Recorded matches: a match and its end scene played and recorded verify; a
// changed input is found at the first check after it; every kind of bad file
// gets one line and status 1; replays/ keeps the last ten; the file stays small.
#include "support/support.h"

namespace {

// Inputs held for a few frames at a time, as people press keys.
FighterInput held(uint32_t &state, int frame)
{
    if (frame % 6 == 0)
        state = state * 1664525u + 1013904223u;
    uint32_t bits = state >> 24;
    return {(bits & 3) == 1, (bits & 3) == 2, (bits & 4) != 0, (bits & 24) != 0};
}

// The match, then `sceneFrames` of its end scene when given.
Recording recordMatch(const char *arena, int frames, int sceneFrames = -1)
{
    static Match played;
    MatchSetup setup = {arena, 10, {1, 2}, 77, {"Ann", "Bob"}};
    EXPECT_TRUE(startMatch(played, setup));
    Recording recording = beginRecording(played, setup);
    FrameEvents events;
    uint32_t state = 9;
    for (int f = 0; f < frames; f++) {
        const FighterInput inputs[MaxPlayers] = {held(state, f), held(state, f + 3)};
        step(played, inputs, events);
        recordFrame(recording, played, inputs);
    }
    recording.match.finalHash = hash(played);
    if (sceneFrames >= 0) {
        EXPECT_TRUE(loadArena(played.arena, VictoryArena));
        uint32_t victory = arenaHash(played.arena);
        setupLevel(played);
        startEndScene(played);
        beginEndSceneRecording(recording, played, victory);
        for (int f = 0; f < sceneFrames; f++) {
            const FighterInput inputs[MaxPlayers] = {held(state, f), {}};
            step(played, inputs, events);
            recordFrame(recording, played, inputs);
        }
        recording.endScene.finalHash = hash(played);
    }
    played = Match();
    return recording;
}

// The verifier's status and the line it wrote.
std::pair<int, std::string> verified(const std::string &path)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = verifyRecording(path.c_str());
    std::string said = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    return {status, said};
}

TEST(Recording, PlayedMatchVerifiesAndEveryFaultIsNamed)
{
    TempGameDir dir;
    writeFile("maps/arena", readFile(ZOLTR_SOURCE_DIR "/game/maps/arena1"));
    writeFile("maps/win1", readFile(ZOLTR_SOURCE_DIR "/game/maps/win1"));
    Recording recording = recordMatch("maps/arena", 1000, 250);
    const std::string good = encodeRecording(recording);
    writeFile("good.zrec", good);
    char line[128];
    snprintf(line, sizeof line, "replay: 1250 frames, state hash %08x, matches the recording\n",
             recording.endScene.finalHash);
    EXPECT_EQ(verified("good.zrec"), std::pair(0, std::string(line)));

    // Both fighters steered otherwise from frame 431: the state parts at the check of frame 500.
    Recording changed = recording;
    for (int f = 430; f < 440; f++)
        changed.match.inputs[f] ^= 0x33;
    writeFile("changed.zrec", encodeRecording(changed));
    EXPECT_EQ(
        verified("changed.zrec"),
        std::pair(1, std::string("replay: changed.zrec: the state no longer matches the recording at frame 500\n")));
    changed = recording;
    changed.endScene.checks[1] ^= 1;
    writeFile("changed.zrec", encodeRecording(changed));
    EXPECT_EQ(verified("changed.zrec"),
              std::pair(1, std::string("replay: changed.zrec: the state no longer matches the recording at frame 200 "
                                       "of the end scene\n")));
    // A file of the first format has no end scene; it is read all the same.
    Recording older;
    EXPECT_EQ(decodeRecording(readFile(ZOLTR_SOURCE_DIR "/fuzz/corpus/replay/short_runs"), older), "");
    EXPECT_EQ(older.match.inputs.size() * 10 + older.endScenePlayed, 2510u);

    std::string newer = good;
    newer[8] = 3;
    std::string damaged = good;
    damaged[damaged.size() - 6] ^= 0x40;  // inside the last check
    const std::pair<std::string, std::string> bad[] = {
        {"", "not a recorded match of this game"},
        {"GIF89a and more", "not a recorded match of this game"},
        {good.substr(0, good.size() - 3), "the file ends early"},
        {good.substr(0, 40), "the file ends early"},
        {newer, "recorded by a newer version of the game (format 3)"},
        {damaged, "damaged: its checksum does not match"},
        {good + "x", "damaged: 1 bytes after its end"},
    };
    for (const auto &[bytes, problem] : bad) {
        writeFile("bad.zrec", bytes);
        EXPECT_EQ(verified("bad.zrec"), std::pair(1, "replay: bad.zrec: " + problem + "\n"));
    }
    EXPECT_EQ(verified("none.zrec").second.rfind("replay: none.zrec: cannot be read: ", 0), 0u);
    writeFile("maps/arena", readFile(ZOLTR_SOURCE_DIR "/game/maps/arena2"));
    EXPECT_EQ(verified("good.zrec"),
              std::pair(1, std::string("replay: good.zrec: its arena maps/arena is not the one it was played on\n")));
    remove("maps/arena");
    EXPECT_EQ(verified("good.zrec"), std::pair(1, std::string("replay: good.zrec: its arena maps/arena is missing\n")));
    writeFile("maps/arena", readFile(ZOLTR_SOURCE_DIR "/game/maps/arena1"));
    writeFile("maps/win1", readFile(ZOLTR_SOURCE_DIR "/game/maps/arena2"));
    EXPECT_EQ(verified("good.zrec"),
              std::pair(1, std::string("replay: good.zrec: its victory arena maps/win1 is not the one it was played "
                                       "on\n")));
}

TEST(Recording, ReplaysKeepsTheLastTenAndAFolderItCannotWriteGetsANote)
{
    TempGameDir dir;
    writeFile("maps/arena", readFile(ZOLTR_SOURCE_DIR "/game/maps/arena3"));
    // Five minutes at 80 frames a second, keys changing every few frames.
    Recording recording = recordMatch("maps/arena", 5 * 60 * 80);
    EXPECT_LT(encodeRecording(recording).size(), 30000u);
    recording.match.inputs.resize(200);
    recording.match.checks.resize(2);
    for (int k = 0; k < 12; k++) {
        recording.seed = static_cast<unsigned>(k);
        keepRecording(recording);
    }
    std::vector<std::string> kept;
    for (const auto &entry : std::filesystem::directory_iterator("replays"))
        kept.push_back(entry.path().string());
    EXPECT_EQ(kept.size(), 10u);
    Recording last;
    EXPECT_EQ(decodeRecording(readFile(lastRecordingPath()), last), "");
    EXPECT_EQ(last.seed, 11u);

    std::filesystem::remove_all("replays");
    writeFile("replays", "a file where the folder should be");
    testing::internal::CaptureStderr();
    keepRecording(recording);
    std::string note = testing::internal::GetCapturedStderr();
    EXPECT_EQ(note.rfind("Note: the match was not recorded: replays/", 0), 0u) << note;
    EXPECT_EQ(std::count(note.begin(), note.end(), '\n'), 1);
}

}  // namespace
