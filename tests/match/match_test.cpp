// The match run in-process on tiny arenas in a temporary game folder, with a
// fake clock whose tick read marks each frame: frame order, fire flags, the end
// test, the result and the end scene; and the frame pacing on its own.
#include "brain/brain.h"
#include "support/support.h"

#include <csignal>

namespace {

Uint32 fakeNow;
int tickReads;
std::function<void(int)> onFrame;  // given the 0-based number of the frame being paced

Uint32 fakeTicks()
{
    int frame = tickReads++;
    if (onFrame)
        onFrame(frame);
    return fakeNow;
}

void fakeDelay(Uint32 ms)
{
    fakeNow += ms;
}

// Writes an arena file: text rows over a floor at row 10, then `adjust` on the layers.
void writeArena(const std::string &path, std::vector<std::string> rows, const std::function<void()> &adjust = nullptr)
{
    rows.resize(11);
    rows[10] = std::string(32, '#');
    buildArena(rows);
    if (adjust)
        adjust();
    std::string bytes;
    for (const Uint16 *layer : {match.arena.WallLayer, match.arena.ItemLayer, match.arena.AttributeLayer})
        for (int cell = 0; cell < ArenaCells; cell++) {
            bytes += static_cast<char>(layer[cell] & 0xFF);
            bytes += static_cast<char>(layer[cell] >> 8);
        }
    writeFile(path, bytes);
}

void pushKey(Uint8 type, SDLKey key)
{
    SDL_Event event = {};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

void holdEscape()
{
    SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 1;
}

class MatchRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        match = Match();
        seedRandom(match.random, 3);
        game.settings = &settings;
        game.pacing.ticks = fakeTicks;
        game.pacing.delay = fakeDelay;
        fakeNow = 1000;
        tickReads = 0;
        onFrame = nullptr;
        SDL_Event stale;
        while (SDL_PollEvent(&stale) > 0) {
        }
        memset(SDL_GetKeyState(nullptr), 0, SDLK_LAST);

        settings = Settings{};
        strcpy(settings.Name1, "Alice");
        strcpy(settings.Name2, "Bob");
        strcpy(settings.Level, "maps/test");
        settings.Image1 = 1;
        settings.Image2 = 2;
        settings.Zoltr = 5;
        settings.FPS = 1000;
        settings.Language = 1;
        // A solid font: every glyph a white 8x12 block, spaces black.
        fontKeyed = makeSolidSurface(94 * 8, 24, 255, 255, 255);

        std::vector<std::string> rows(11);
        rows[9] = ".....S...................S";
        // An item spawner in mid-air at (15, 5) shows when regeneration runs.
        writeArena("maps/test", rows,
                   [] { match.arena.AttributeLayer[5 * ArenaColumns + 15] = AttributeSpawnerFirst; });
        std::vector<std::string> win(11);
        win[9] = "...S........................S";
        writeArena("maps/win1", win);
    }

    void TearDown() override
    {
        onFrame = nullptr;
        memset(SDL_GetKeyState(nullptr), 0, SDLK_LAST);
        match = Match();
        SDL_FreeSurface(fontKeyed);
        fontKeyed = nullptr;
    }

    static bool white(int x, int y) { return pixelAt(screen, x, y) == screenColour(255, 255, 255); }

    // A line of n glyphs centred on x = 320 covers 320 - 4n .. 320 + 4n - 1.
    static void expectLineWidth(int y, int glyphs)
    {
        int left = 320 - 4 * glyphs;
        int right = 320 + 4 * glyphs - 1;
        EXPECT_TRUE(white(left, y)) << glyphs;
        EXPECT_FALSE(white(left - 1, y)) << glyphs;
        EXPECT_TRUE(white(right, y)) << glyphs;
        EXPECT_FALSE(white(right + 1, y)) << glyphs;
    }

    TempGameDir folder;
    RunningGame game;
};

// The end scene stands the winner on spawn point 0 (a draw puts both on 1)
// and writes the result in the settings' language; a 29-character name fits.
TEST_F(MatchRun, EndSceneStandsTheFightersByTheResultAndWritesItInTheLanguage)
{
    struct Case {
        int kills0, kills1, language;
        double x0, x1;
        int glyphs;
    } cases[] = {{0, 0, 0, 570, 570, 10},          // "Nerozhodně", after one frame at limit 0
                 {0, 5, 0, 570, 70, 5 + 29 + 13},  // "Hráč " name " zvítězil !!!"
                 {6, 0, 1, 70, 570, 5 + 14}};      // "Alice is winner !!!"
    memset(settings.Name2, 'B', 29);
    for (const Case &c : cases) {
        match = Match();
        tickReads = 0;
        settings.Zoltr = c.kills0 + c.kills1 == 0 ? 0 : 5;
        settings.Language = c.language;
        onFrame = [&](int frame) {
            if (frame == 0)
                game.match->players[0].kills = c.kills0, game.match->players[1].kills = c.kills1;
            if (frame == 5)
                holdEscape();
        };
        runMatch(game, 3);
        EXPECT_EQ(game.match->players[0].x, c.x0);
        EXPECT_EQ(game.match->players[1].x, c.x1);
        expectLineWidth(55, c.glyphs);
        expectLineWidth(465, c.language ? 12 : 14);  // "press escape", "stiskni escape"
    }
}

// Escape held from before the match is cleared by the level setup; the end
// scene needs its own press. Fighters killed in the end scene stay dead.
TEST_F(MatchRun, EscapeEndsTheMatchOnlyWhenPressedDuringItAndAgainForTheEndScene)
{
    holdEscape();
    std::vector<std::string> win(11);
    win[5] = "...S";
    win[7] = "............................S";
    win[9] = "............................X";
    writeArena("maps/win1", win);

    std::vector<int> spawnerItem;
    onFrame = [&](int frame) {
        spawnerItem.push_back(itemAt(game.match->arena, 15, 5));
        if (frame == 30 || frame == 31 + 40)
            holdEscape();
    };
    runMatch(game, 3);
    ASSERT_EQ(tickReads, 31 + 41);
    EXPECT_EQ(game.match->frameCounter, 41);
    // Regeneration ran in frame 0 (the timer went to -1) and refilled in frame 25.
    EXPECT_EQ(spawnerItem[25], 0);
    EXPECT_EQ(spawnerItem[26], ItemMelee);
    for (const Player &p : game.match->players)
        EXPECT_EQ(p.respawnTimer, 100);

    // The recording holds the end scene too, and it comes out the same again.
    Recording kept;
    ASSERT_EQ(decodeRecording(readFile(lastRecordingPath()), kept), "");
    EXPECT_EQ(kept.match.inputs.size() * 100 + kept.endScene.inputs.size(), 31u * 100 + 41);
    testing::internal::CaptureStdout();
    EXPECT_EQ(verifyRecording(lastRecordingPath().c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("replay: 72 frames, state hash ", 0), 0u);
}

// Inputs for one frame of the match: events to push and keys to hold.
struct FrameKeys {
    std::vector<std::pair<Uint8, SDLKey>> events;
    std::vector<SDLKey> held;
};

// Plays one match frame per entry after a first idle frame, then Escape, and
// tells for each entry which fighters attacked (an attack with nothing in hand
// only starts the 20-frame cooldown). With `fresh` every frame starts at
// cooldown 0, so each attack shows the frame's fire flag.
std::vector<std::pair<int, int>> attacksOver(RunningGame &game, const std::vector<FrameKeys> &frames, bool fresh)
{
    std::vector<std::pair<int, int>> attacks;
    onFrame = [&](int frame) {  // paced between the fire flags and the updates
        if (frame > 1 && frame <= static_cast<int>(frames.size()) + 1)
            attacks.push_back({game.match->players[0].cooldown == 20, game.match->players[1].cooldown == 20});
        if (fresh)
            game.match->players[0].cooldown = game.match->players[1].cooldown = 0;
        Uint8 *keys = SDL_GetKeyState(nullptr);
        memset(keys, 0, SDLK_LAST);
        if (frame > static_cast<int>(frames.size()))
            keys[SDLK_ESCAPE] = 1;
        if (frame >= static_cast<int>(frames.size()))
            return;
        for (auto [type, key] : frames[frame].events)
            pushKey(type, key);
        for (SDLKey key : frames[frame].held)
            keys[key] = 1;
    };
    runMatch(game, 3);
    return attacks;
}

constexpr Uint8 Down = SDL_KEYDOWN;
constexpr Uint8 Up = SDL_KEYUP;

TEST_F(MatchRun, FireIsAKeyDownOfTheFrameOrAHeldKeyWhateverElseHappens)
{
    settings.Zoltr = 100;
    struct Case {
        FrameKeys keys;
        std::pair<int, int> fires;
    };
    const std::vector<Case> cases = {
        {{{{Down, SDLK_TAB}}, {}}, {1, 0}},  // a tap
        {{{}, {}}, {0, 0}},                  // and only once
        {{{{Down, SDLK_TAB}, {Up, SDLK_TAB}, {Down, SDLK_UP}}, {}}, {1, 0}},
        {{{{Down, SDLK_RCTRL}, {Down, SDLK_TAB}, {Up, SDLK_a}}, {}}, {1, 1}},
        {{{{Down, SDLK_LEFT}, {Up, SDLK_LEFT}}, {SDLK_TAB}}, {1, 0}},  // held while the other moves
        {{{}, {SDLK_TAB, SDLK_RCTRL}}, {1, 1}},
        {{{{Down, SDLK_a}, {Down, SDLK_LCTRL}}, {SDLK_a, SDLK_w, SDLK_RIGHT, SDLK_LCTRL}}, {0, 0}},
    };
    std::vector<FrameKeys> frames;
    for (const Case &c : cases)
        frames.push_back(c.keys);
    std::vector<std::pair<int, int>> attacks = attacksOver(game, frames, true);
    ASSERT_EQ(attacks.size(), cases.size());
    for (size_t i = 0; i < cases.size(); i++)
        EXPECT_EQ(attacks[i], cases[i].fires) << "case " << i;
}

// Red holds Tab and walks; Blue jumps, taps Left in every frame and taps
// right Ctrl every seventh: both attack as often as their cooldowns allow.
TEST_F(MatchRun, TwoPlayersBusyAtOnceBothAttackWheneverTheCooldownAllows)
{
    settings.Zoltr = 100;
    std::vector<FrameKeys> frames(100);
    for (size_t i = 0; i < frames.size(); i++) {
        frames[i].held = {SDLK_TAB, i < 50 ? SDLK_a : SDLK_d, SDLK_UP};
        if (i % 7 == 0)
            frames[i].events.push_back({Down, SDLK_RCTRL});
        frames[i].events.push_back({Down, SDLK_LEFT});
        frames[i].events.push_back({Up, SDLK_LEFT});
    }
    std::vector<std::pair<int, int>> attacks = attacksOver(game, frames, false);
    std::vector<size_t> red, blue;
    for (size_t i = 0; i < attacks.size(); i++) {
        if (attacks[i].first)
            red.push_back(i);
        if (attacks[i].second)
            blue.push_back(i);
    }
    EXPECT_EQ(red, (std::vector<size_t>{0, 20, 40, 60, 80}));
    EXPECT_EQ(blue, (std::vector<size_t>{0, 21, 42, 63, 84}));
}

// The match's fake clock, for the pacing alone.
class PaceFrame : public MatchRun {};

TEST_F(PaceFrame, DeadlineCountsFromTheTickReadOnEntry)
{
    fakeNow = 0;

    std::vector<Uint32> returns;
    for (int i = 0; i < 7; i++) {
        paceFrame(game.pacing, 50);
        returns.push_back(fakeNow);
        fakeNow += 5;  // the frame's work
    }
    EXPECT_EQ(returns, (std::vector<Uint32>{0, 20, 25, 45, 50, 70, 75}));

    // Work longer than the period never waits; one frame a second waits a second.
    for (auto [fps, waits] : {std::pair{100, 0u}, {1, 985u}}) {
        game.pacing.nextTick = 0;
        fakeNow = 0;
        paceFrame(game.pacing, fps);
        fakeNow += 15;
        paceFrame(game.pacing, fps);
        EXPECT_EQ(fakeNow, 15 + waits) << fps;
    }

    // Across the tick counter's wrap (49 days): a frame that ends past it waits
    // nothing rather than 2^32 ms, and the next one waits its 20 ms again.
    game.pacing.nextTick = 0;
    returns.clear();
    fakeNow = 0u - 30;
    for (Uint32 work : {35u, 5u, 0u}) {
        paceFrame(game.pacing, 50);
        returns.push_back(fakeNow);
        fakeNow += work;
    }
    EXPECT_EQ(returns, (std::vector<Uint32>{0u - 30, 5, 25}));
}

// The arena tool's live loop: after SIGHUP the arena file is loaded again
// between two frames; a fighter the new walls leave no room for goes to a
// spawn point, the other stays where it stands; computers map the new walls.
TEST_F(MatchRun, AWatchedArenaReloadsOnTheSignalKeepingFightersWhereTheyHaveRoom)
{
    Computers computers;
    watchArena(game, computers);
    std::tuple<Uint16, double, double, double> seen{};
    onFrame = [&](int frame) {
        Match &running = *game.match;
        if (frame == 3) {
            running.players[0].x = 310;
            running.players[1].x = 110;
            std::vector<std::string> saved(11);
            saved[9] = "...............#..............S";
            writeArena("maps/test", saved);
            computers.brains[1].map.built = true;  // a computer's map of the old walls
            raise(SIGHUP);
        }
        if (frame == 5) {
            seen = {running.arena.WallLayer[9 * ArenaColumns + 15], running.players[0].x, running.players[1].x,
                    running.players[1].y};
            EXPECT_FALSE(computers.brains[1].map.built);
            holdEscape();
        }
    };
    runMatch(game, 3);
    signal(SIGHUP, SIG_DFL);
    EXPECT_EQ(seen, std::tuple(Uint16{1}, 610.0, 110.0, 210.0));
}

}  // namespace

namespace {

void pushFocusLoss()
{
    SDL_Event event = {};
    event.type = SDL_ACTIVEEVENT;
    event.active.gain = 0;
    event.active.state = SDL_APPINPUTFOCUS;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// P pauses (the events after it wait for the pause) and P again plays on; so
// does the window losing the keyboard; a tap of Escape shorter than a frame
// ends the match and the end scene; Escape in a pause ends the match.
TEST_F(MatchRun, PauseHoldsTheMatchUntilPAgainAndEscapeEndsItEvenAsATap)
{
    settings.Zoltr = 100;
    std::vector<int> paused;  // per paced frame: the "paused" line on its dark band is on the screen
    int cooldownAfterPause = -1;
    onFrame = [&](int frame) {
        paused.push_back(white(320, 235) && pixelAt(screen, 5, 216) == 0);
        if (frame == 2)
            pushKey(Down, SDLK_p), pushKey(Down, SDLK_TAB), pushKey(Down, SDLK_p);
        if (frame == 3)
            cooldownAfterPause = game.match->players[0].cooldown, pushFocusLoss(), pushKey(Down, SDLK_p),
            pushKey(Down, SDLK_ESCAPE), pushKey(Up, SDLK_ESCAPE);
        if (frame == 6)
            pushKey(Down, SDLK_ESCAPE), pushKey(Up, SDLK_ESCAPE);
        if (frame > 9)  // ends a match that missed its taps
            holdEscape();
    };
    MatchResult result = runMatch(game, 3);
    EXPECT_TRUE(result.escaped);
    EXPECT_EQ(cooldownAfterPause, 0);  // Tab pressed during the pause fired nothing
    EXPECT_EQ(paused, (std::vector<int>{0, 0, 0, 1, 1, 0, 0, 0}));

    pushKey(Down, SDLK_TAB), pushKey(Down, SDLK_ESCAPE);
    EXPECT_TRUE(pauseMatch(settings, game.pads));
    pushKey(Down, SDLK_p);
    EXPECT_FALSE(pauseMatch(settings, game.pads));
}

TEST_F(MatchRun, OwnKeysReplaceTheUsualOnesOnlyWhereSet)
{
    settings.Keys[0][ActionLeft] = SDLK_j;
    settings.Keys[1][ActionFire] = SDLK_SPACE;
    settings.Keys[1][ActionJump] = 100000;  // no key: the usual one
    Uint8 *keyState = SDL_GetKeyState(nullptr);
    for (SDLKey key : {SDLK_j, SDLK_d, SDLK_a, SDLK_UP, SDLK_SPACE})
        keyState[key] = 1;
    pushKey(Down, SDLK_TAB);
    FrameRequests down = drainEvents(settings, game.pads);
    FighterInput first = fighterInput(settings, 0, down, game.pads),
                 second = fighterInput(settings, 1, down, game.pads);
    EXPECT_EQ(std::vector<int>({first.left, first.right, first.jump, first.fire}), std::vector<int>({1, 1, 0, 1}));
    EXPECT_EQ(std::vector<int>({second.left, second.right, second.jump, second.fire}), std::vector<int>({0, 0, 1, 1}));

    keyState[SDLK_j] = keyState[SDLK_SPACE] = 0;
    pushKey(Down, SDLK_RCTRL);
    down = drainEvents(settings, game.pads);
    EXPECT_EQ(fighterInput(settings, 0, down, game.pads).left, 0);  // A is no longer player 1's
    EXPECT_EQ(fighterInput(settings, 1, down, game.pads).fire, 0);  // nor right Ctrl player 2's fire
}

}  // namespace

namespace {

void pushPad(Uint8 type, int pad, int part, int value)
{
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_JOYAXISMOTION)
        event.jaxis = {type, static_cast<Uint8>(pad), static_cast<Uint8>(part), static_cast<Sint16>(value)};
    else if (type == SDL_JOYHATMOTION)
        event.jhat = {type, static_cast<Uint8>(pad), static_cast<Uint8>(part), static_cast<Uint8>(value)};
    else
        event.jbutton = {type, static_cast<Uint8>(pad), static_cast<Uint8>(part), static_cast<Uint8>(value)};
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

FighterInput idleComputer(const Match &, int)
{
    return {};
}

// Pads driven by their events through real match frames (two pads, as if
// opened): the stick and the d-pad move, a button tapped between two frames
// fires, keys and pad add up, recentring (in a pause too) stops the fighter;
// a lone pad drives fighter 2, and a computer's fighter ignores its pad while
// the person may use it. The recording holds what the frames stepped.
TEST_F(MatchRun, PadsDriveTheirFightersBesideTheKeys)
{
    settings.Zoltr = 100;
    game.pads.count = 2;
    std::vector<double> x;
    // Events pushed here count in the next frame, keys and computers in this one.
    onFrame = [&](int frame) {
        x.push_back(game.match->players[0].x);
        Uint8 *keys = SDL_GetKeyState(nullptr);
        memset(keys, 0, SDLK_LAST);
        if (frame == 0)
            pushPad(SDL_JOYAXISMOTION, 0, 0, 30000), pushPad(SDL_JOYHATMOTION, 1, 0, SDL_HAT_UP | SDL_HAT_LEFT);
        if (frame == 1)
            pushPad(SDL_JOYBUTTONDOWN, 1, 3, 1), pushPad(SDL_JOYBUTTONUP, 1, 3, 0),
                pushPad(SDL_JOYAXISMOTION, 0, 1, -30000);
        if (frame == 2)
            keys[SDLK_a] = 1, pushKey(Down, SDLK_p), pushPad(SDL_JOYAXISMOTION, 0, 0, 0),
            pushPad(SDL_JOYAXISMOTION, 0, 1, 5000), pushPad(SDL_JOYHATMOTION, 1, 0, SDL_HAT_CENTERED),
            pushKey(Down, SDLK_p);
        if (frame == 3)
            game.pads.count = 1, pushPad(SDL_JOYBUTTONDOWN, 0, 0, 1), pushPad(SDL_JOYAXISMOTION, 1, 0, -30000);
        if (frame == 4)
            pushPad(SDL_JOYHATMOTION, 0, 0, SDL_HAT_RIGHT);
        if (frame == 6)
            game.computers[1] = idleComputer, holdEscape();
    };
    runMatch(game, 3);
    EXPECT_GT(x[2], x[1]);  // the stick's lean walked fighter 1 right
    Recording kept;
    ASSERT_EQ(decodeRecording(readFile(lastRecordingPath()), kept), "");
    // Per fighter: 1 left, 2 right, 4 jump, 8 fire; fighter 2 in the high half.
    EXPECT_EQ(kept.match.inputs, (std::vector<uint8_t>{0x00, 0x52, 0xD7, 0x00, 0x80, 0xA0, 0x0A}));
}

}  // namespace
