// Floor 5, the match: stands on media (1), gfx (2), the arena (3) and the world (4).
// The match as one value (`Match`): its world, both fighters, its counters
// and its random generator; starting one, stepping it, hashing it, drawing
// it; and the game's frame loop around it with the end scene and the pacing.
// The fighters are in player.h.
// Owns no globals: what the running game's frames need (settings, computer
// players, pacing) they are handed in a RunningGame.
#pragma once

#include "match/player.h"

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The game's random generator: for a seed, exactly the numbers the C
// library's rand() gives after srand on this platform. A plain value, so a
// copy goes on from where the original stood.
struct GameRandom {
    static constexpr int Size = 31;
    uint32_t ring[Size];  // the last 31 words
    int oldest;           // the word 31 places back
};
void seedRandom(GameRandom &random, unsigned seed);
int nextRandom(GameRandom &random);  // 0 to 2^31 - 1

// Everything a match's future depends on. A copy is a snapshot: stepped
// with the same inputs it stays equal to the original, and nothing in it
// points into another match. Media are named by slot, never held.
struct Match : World {
    Match();

    Player players[MaxPlayers];
    int playerCount = 0;      // fighters created; two once the match has started
    int spawnPointCount = 0;  // per level: set by setupLevel
    int killLimit = 0;        // the match ends when a fighter has this many kills
    bool endScene = false;    // the victory scene: fighters stand still, a dead one stays dead
    GameRandom random = {};
    char names[MaxPlayers][30] = {};  // shown in the HUD; play never reads them
};

// What the players chose that changes play.
struct MatchSetup {
    const char *arena;  // arena file
    int killLimit;
    int looks[MaxPlayers];  // fighters' skins, counted from 1
    unsigned seed;
    const char *names[MaxPlayers];  // nullptr: no name
};

// The one way to start a match, for the game, the replays, the tests, the
// fuzzers, the benchmark and the arena probe: a fresh match, the generator
// seeded, the arena loaded and set up, both fighters on spawn points.
// False (and the match fresh but without an arena) when the arena does not load.
bool startMatch(Match &match, const MatchSetup &setup);
// The same on an arena already loaded (setup.arena is not read).
void startMatch(Match &match, const Arena &arena, const MatchSetup &setup);

// Turns a freshly loaded arena into a level: the world emptied, jump pads and
// lifts made from their marks, spawn points counted.
void setupLevel(Match &match);

// A fighter for the next place of the match, on a spawn point; with two already, nothing.
void addFighter(Match &match, int look);

// One frame of play: the world, item refills every 25 frames, both fighters,
// the counters. Fills `events` with what the frame must play, in order; it
// reads and writes nothing outside the match.
void step(Match &match, const FighterInput inputs[MaxPlayers], FrameEvents &events);

bool killLimitReached(const Match &match);

// The victory scene on a freshly loaded and set up victory arena: the
// fighters placed by the result and brought back to life, the frames counted
// from 0. Returns 0 or 1 for the winner, -1 for a draw.
int startEndScene(Match &match);

// The state hash: every value of the match that steers its future, in a
// fixed order; equal matches give equal hashes on every machine.
uint32_t hash(const Match &match);

// The match's picture: the arena with its objects, the HUD strip, the
// fighters. Changes nothing in the match.
void drawMatchFrame(const Match &match);
// The victory scene's picture: the HUD strip under the arena, two lines of
// text over it, then the fighters.
void drawEndSceneFrame(const Match &match, const char *result, const char *prompt);

// --- recorded matches ---
// A match is its start (arena, kill limit, looks, seed) and both inputs of
// every frame, then its end scene's frames; the state hash every 100 frames
// and at the end of each lets a replay prove it comes out the same.
constexpr int RecordingCheckInterval = 100;
constexpr int RecordingFormat = 2;  // 1: the match alone, without its end scene
constexpr const char *VictoryArena = "maps/win1";
constexpr int EndSceneFrames = 2000;  // the end scene's frames when nobody presses Escape

// A stretch of play as recorded.
struct RecordedPlay {
    std::vector<uint8_t> inputs;   // one byte a frame: see packInputs
    std::vector<uint32_t> checks;  // the state hash after every 100th frame
    uint32_t finalHash = 0;        // after the last frame (before the first, for none)
};

struct Recording {
    std::string gameVersion;
    std::string arena;   // the arena file, as the settings named it
    uint32_t arenaHash;  // of its three layers as loaded
    int killLimit;
    int looks[MaxPlayers];
    unsigned seed;
    std::string names[MaxPlayers];
    RecordedPlay match;
    // The victory scene on VictoryArena after the match; absent in files of
    // format 1 and while the scene still plays.
    bool endScenePlayed;
    uint32_t victoryArenaHash;
    RecordedPlay endScene;
};

// Both fighters' controls in a byte: bits 0-3 fighter 1 (left, right, jump,
// fire), bits 4-7 fighter 2.
uint8_t packInputs(const FighterInput inputs[MaxPlayers]);
void unpackInputs(uint8_t byte, FighterInput inputs[MaxPlayers]);
uint32_t arenaHash(const Arena &arena);

// A recording of the match about to be played (started with `setup`).
Recording beginRecording(const Match &match, const MatchSetup &setup);
// The end scene about to be played on the match (startEndScene done), on the
// victory arena whose arenaHash before its level set-up was `victoryArenaHash`.
void beginEndSceneRecording(Recording &recording, const Match &match, uint32_t victoryArenaHash);
// Notes a frame's inputs after its step, in the match's part or, once the
// end scene plays, in the scene's; the caller sets each part's finalHash at its end.
void recordFrame(Recording &recording, const Match &match, const FighterInput inputs[MaxPlayers]);

// The file's bytes, and back; decodeRecording returns what is wrong, or an
// empty text. Files of format 1 are read too; the writer writes the current format.
std::string encodeRecording(const Recording &recording);
std::string decodeRecording(const std::string &bytes, Recording &recording);
constexpr long MaxRecordingFileBytes = 16L << 20;

// Writes a recording into replays/ and keeps the last ten there; a folder it
// cannot write gets a one-line note on stderr. Given the path of an earlier
// write it replaces that file. Returns the path written, or an empty text.
std::string keepRecording(const Recording &recording, const std::string &replacing = {});
// The newest file in replays/, or an empty text.
std::string lastRecordingPath();

// The recording at `path` read and checked against its arenas, and its
// match started; false after one line on stderr naming the file and the fault.
bool startReplay(const char *path, Recording &recording, Match &match);
// The match of a replay, its recorded frames played, moved on to its end
// scene on the victory arena (winner: as startEndScene gives it); false
// when that arena does not load.
bool startReplayedEndScene(Match &match, int &winner);

// zoltr --replay FILE [--verify]: plays a recording back in the window
// (Escape stops it), or steps it headless and checks it against its hashes.
// One line on stdout or stderr; 0 when it matches, 1 for any fault.
struct RunningGame;
int playRecording(const char *path, RunningGame &game);
int verifyRecording(const char *path);

// --- gamepads (pads.cpp) ---
// What a pad holds, kept from its events: the stick's lean on each axis (-1,
// 0 or 1 past the dead zone), the d-pad (SDL_HAT_* bits), the buttons held.
struct PadState {
    int stickX = 0, stickY = 0;
    Uint8 hat = SDL_HAT_CENTERED;
    Uint32 buttons = 0;  // bit n: button n (the first 32)
};
// Up to two pads, in SDL's order. With two, the first drives fighter 1 and
// the second fighter 2; a lone pad drives fighter 2. The stick or the d-pad
// moves (up jumps), any button fires; the keys go on working beside them.
struct Pads {
    int count = 0;
    SDL_Joystick *opened[MaxPlayers] = {};
    PadState fighter[MaxPlayers];  // by the fighter each pad drives
};
// Opens the first two joysticks SDL finds; none when it has no joystick support.
// With none found, SDL's joystick support is shut again: pads are found once.
void openPads(Pads &pads);
void closePads(Pads &pads);
// The fighter a pad (SDL's joystick index) drives, or -1.
int padFighter(const Pads &pads, int which);
// Notes a pad's event; returns the fighter it drives, -1 for any other event.
int notePadEvent(Pads &pads, const SDL_Event &event);
// A fighter's input from its pad: what is held now.
FighterInput padInput(const PadState &pad);

// --- the running game ---

// The values of settings.ini; zero (empty text) when a key is absent.
struct Settings {
    char Name1[30];        // player 1's name, at most 29 characters
    char Name2[30];        // player 2's name
    char Level[256];       // arena file of the match, the whole rest of its line
    int Image1;            // player 1's skin, counted from 1
    int Image2;            // player 2's skin, counted from 1
    int Zoltr;             // kill limit
    int FPS;               // match frames per second; always at least 1 after loadSettings
    int Sounds;            // nonzero: load and play sounds
    int Windowed;          // nonzero: window, 0: full screen
    int Language;          // 0 Czech, otherwise English
    int Computer1;         // who plays fighter 1: 0 (or less) a person, 1 easy, 2 normal, 3 (or more) hard computer
    int Computer2;         // who plays fighter 2, likewise
    int Keys[2][4];        // each player's key (SDL key number) per FighterAction; 0 for the usual one
    char JoinAddress[64];  // the menu's last host address typed on its Join row, one word
};

enum FighterAction { ActionLeft, ActionRight, ActionJump, ActionFire };

constexpr int DefaultFps = 50;  // used when the file asks for 0 or fewer frames per second

// The match the settings ask for, with a seed.
MatchSetup setupFromSettings(const Settings &chosen, unsigned seed);

// Who plays a fighter when no person does: the fighter's input for the frame.
// It carries what the player keeps between frames (a brain, a test's script).
using ComputerPlayer = std::function<FighterInput(const Match &match, int fighter)>;

// The frames' pace: the next frame's deadline and the clock it is measured
// on; tests hand it a clock of their own.
struct FramePacing {
    Uint32 nextTick = 0;  // ms; 0 before the first frame
    Uint32 (*ticks)() = SDL_GetTicks;
    void (*delay)(Uint32 ms) = SDL_Delay;
};
// Holds `fps` frames a second (DefaultFps for 0 or fewer).
void paceFrame(FramePacing &pacing, int fps);

// What the running game's frames need beside the match: the players'
// choices, who plays each fighter, the pads, the pace. The game's top owns it.
struct RunningGame {
    const Settings *settings = nullptr;
    FramePacing pacing;
    // Null for a person at the keyboard. With one computer the person may use either key set.
    ComputerPlayer computers[MaxPlayers] = {};
    // Opened by the game's top before a match; none (count 0) otherwise. A
    // computer's fighter ignores its pad.
    Pads pads;
    // Called after every frame of the match when set: the arena tool's live loop reloads the arena there.
    std::function<void(Match &match)> betweenFrames;
    // The match runMatch or playRecording plays (or played last); nullptr before the first.
    Match *match = nullptr;
};

// How a match ended, for whoever started the game.
struct MatchResult {
    int kills[2];
    bool escaped;  // ended with Escape before the kill limit
};
MatchResult runMatch(RunningGame &game, unsigned seed);  // the whole match and its end scene
// The victory scene after a match, on the victory arena, until Escape or its
// last frame; the winner is named as the match names its fighters. Its frames
// go into `recording` when one is given.
void runEndScene(Match &match, RunningGame &game, Recording *recording = nullptr);

// What a frame's events asked for: fire keys that went down or are held after
// them, Escape, a pause (P, or the window losing the keyboard).
struct FrameRequests {
    bool fire[2] = {false, false};
    bool escape = false;
    bool pause = false;
};
// Reads every pending event, the pads' into `pads`; the fire keys are the
// chosen ones, and any pad button fires that pad's fighter.
FrameRequests drainEvents(const Settings &chosen, Pads &pads);
// A fighter's key for an action: the settings' own key, else the usual one.
SDLKey keyOf(const Settings &chosen, int fighter, FighterAction action);
SDLKey usualKey(int fighter, FighterAction action);
// A fighter's input: its movement keys or its pad held now, its fire from the frame's events.
FighterInput fighterInput(const Settings &chosen, int fighter, const FrameRequests &down, const Pads &pads);
// Shows "paused" (in the chosen language) over the frame and holds the match,
// music and sounds still until P again or Escape; true for Escape. The pads'
// events meanwhile still move what they hold.
bool pauseMatch(const Settings &chosen, Pads &pads);
