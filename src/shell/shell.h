// Floor 8, the shell: the game program's top, standing on every floor below it.
// Start-up, the settings file, the media catalogue, the intro and shutdown;
// `main` runs them in a straight line and then the match.
// Owns `settings` (read at start-up); what else it reads goes into the media
// slots (media, 1) and the fonts (gfx, 2). It hands the match a RunningGame:
// the settings, the computer players (brain, 6) they ask for, the pacing.
#pragma once

#include "brain/brain.h"
#include "match/match.h"
#include "net/net.h"

#include <cstdio>
#include <string>

// --- process lifetime: read from settings.ini at start-up ---
extern Settings settings;

void loadSettings();
// The settings reading on its own: every key the file holds overwrites its field.
void readSettings(FILE *file, Settings &into);
// The keys of each player's own keys in settings.ini, by FighterAction.
extern const char *const FighterKeyNames[2][4];
void loadCatalogue();
// The slot after `slot` in a table of `count` slots: it stops at `count`, so
// lines past the table are read and ignored however many there are.
int nextSlot(int slot, int count);

// Both text files are read in pieces of at most size - 1 bytes that end after a
// line end; a CR LF pair arrives as a single '\n'. Returns false at the end of the file.
constexpr int TextPieceSize = 100;
bool readTextPiece(FILE *file, char *piece, int size);

bool writeMatchResult(const char *path, const MatchResult &result);

[[noreturn]] void fatalSdlError();

// Start-up armour the game and the menu share.
// Before SDL starts: presenting without OpenGL, and SIGINT and SIGTERM left to end the program.
void prepareSdlStart();
// Ends the program with "Problem: there is no display to show PROGRAM on"
// when SDL fell back to an invisible driver nobody asked for.
void requireDisplay(const char *program);
// After each start of SDL's video: the signals back to stopping the program,
// and a display that goes away ending it at once.
void endPromptlyWhenAsked();

// `zoltr --watch`, the arena tool's live loop: SIGHUP loads the arena named by
// the settings again, through the level set-up, between two frames of the match;
// the computer players map the new walls.
void watchArena(RunningGame &game, Computers &computers);

// The start-up sequence of main, split so that tests can run its parts.
void startSdl();  // SDL, caption, video mode, audio, cursor; stopSdl runs at exit
void stopSdl();   // closes the mixer and SDL; safe to call more than once
void runIntro();
void drawIntroFrame(int counter, bool ascending);  // one intro picture, without the flip
void waitForKeyRelease();

// What the command line asks for: a match at one keyboard (no options), a
// networked one as its host or as the one who joins, or a recorded one played
// back (--replay FILE) or checked headless (--replay FILE --verify).
struct GameOptions {
    enum Mode { Local, Host, Join, Replay } mode = Local;
    std::string replay;                // Replay: the recording
    bool verify = false;               // Replay: checked headless instead of shown
    std::string address;               // Join: the host's name or address
    std::uint16_t port = 0;            // Host and Join
    int inputDelay = -1;               // --delay FRAMES (0 to 3); -1: chosen from the round trip
    int frameLimit = 0;                // --frames N: a networked match ends after N frames
    bool watch = false;                // --watch: the arena tool's live loop (see watchArena)
    bool rematch = false;              // --rematch: no intro, no key wait (the menu's rematches)
    const char *resultFile = nullptr;  // --result FILE: how the match ended goes there
};
constexpr char Usage[] = "Usage: zoltr [--watch | --host [PORT] | --join HOST[:PORT]] [--delay FRAMES] [--frames N] "
                         "[--rematch] [--result FILE] | --replay FILE [--verify]";
// False, with the reason in one line, for a command line it does not understand.
bool parseOptions(int argc, char **argv, GameOptions &options, std::string &error);
