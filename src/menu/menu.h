// Floor 9, the match menu: a program of its own on top of the shell, whose
// readers of settings.ini and the catalogue it uses; stands on every floor below.
// The match menu: a program of its own beside the game that chooses the arena,
// the names, fighters, who plays them (a person or the computer), kill limit, screen, sound and language, writes them
// into settings.ini, runs the game and comes back for the next match. It draws with the game's own font, tiles, sprites
// and arena drawing, from the same catalogue. Owns no globals; the Menu record lives for the menu's whole run.
#pragma once

#include "match/match.h"
#include "media/media.h"

#include <SDL.h>

#include <string>
#include <vector>

// One arena file of maps/, as the menu offers it. The check and the
// miniatures are made when it first shows (examined), and kept while the file
// stays the same.
struct ArenaChoice {
    std::string path;      // as settings.ini names it: "maps/arena1"
    std::string name;      // the file name shown
    std::string identity;  // the file's inode, size and change time when listed
    bool examined;         // the fields below are filled in
    int spawnPoints;
    std::vector<std::string> problems;  // why the arena check rejects it; empty when fine
    SDL_Surface *preview;               // 320x230 miniature; null when the file does not load
    SDL_Surface *thumbnail;             // 80x57 miniature; null likewise
};

// Rows of the set-up list, top to bottom.
enum MenuRow {
    RowArena,
    RowName1,
    RowSkin1,
    RowComputer1,
    RowName2,
    RowSkin2,
    RowComputer2,
    RowKills,
    RowScreen,
    RowSound,
    RowLanguage,
    RowKeys,
    RowRules,  // beside Keys
    RowHost,
    RowJoin,
    RowPlay,
    RowQuit,  // beside Play
    RowWatch,
    RowCount
};

enum MenuAction { ActionNone, ActionPlay, ActionWatch, ActionQuit, ActionHost, ActionJoin };

// The menu's state for one run of the program.
struct Menu {
    Settings setup;                                 // what Play writes into settings.ini
    std::vector<ArenaChoice> arenas;                // every arena of maps/ but the victory stage
    int arena;                                      // the chosen one, an index into arenas
    int row;                                        // the selected MenuRow
    int skins;                                      // fighters on the players sheet
    std::vector<SDL_Surface *> fighterPictures;     // each fighter standing, keyed (makeFighterPictures)
    int played;                                     // matches counted this evening: not the abandoned ones
    int gamesRun;                                   // games started; every one after the first is a quick rematch
    std::vector<std::pair<std::string, int>> wins;  // wins per player name this evening, in order of appearance
    std::string lastResult;                         // the last match's result, its score and winner
    bool scoreShown;                                // the score board stands where the arena's preview is
    bool sameFighterAllowed;                        // the players were told and chose the same fighter again
    bool rules;                                     // the rules screen is up
    bool keys;                                      // the keys screen is up
    int keyRow;                                     // its selected row: player * 4 + action, 8: the usual keys
    bool keyWaiting;                                // the next key pressed becomes the selected row's
    std::string message;                            // the last word of the game or the settings writer
    std::string joinAddress;                        // typed on the Join row: the host's HOST[:PORT]
    Uint32 calmUntil;                               // input is ignored until then (SDL ticks)
    Uint32 idleSince;                               // the last input (SDL ticks)
    Uint32 demoAfter;                               // idle milliseconds before the demo; 0: none
    Pads pads;                                      // the gamepads, opened when the menu starts
};

// --- settings.ini (settings_file.cpp) ---
// Reads the file as the game does; false, leaving `into` alone, when there is none.
bool readSettingsFile(const char *path, Settings &into);
// Writes the values the menu sets into the file, keeping every other line and
// its line ends; a new file renamed over the old one, read back first. Returns
// "" on success, else what went wrong (the old file is then untouched).
std::string writeSettingsFile(const char *path, const Settings &values);
// Removes the temporary files that menus killed while writing left beside the
// file; those of menus still running stay.
void removeStaleTemporaries(const char *path);

// --- arenas (arena_previews.cpp) ---
// Every arena file of the folder, sorted by name, not yet examined; the
// examined arenas of `known` whose files are unchanged come back as they
// were, the rest of `known` is freed.
std::vector<ArenaChoice> listArenas(const char *folder, std::vector<ArenaChoice> &known);
// Checks the arena and makes its miniatures, once.
void examineArena(ArenaChoice &arena);
void freeArenas(std::vector<ArenaChoice> &arenas);
// A miniature of a 16-bit surface's part, 1/factor of its size, by averaging boxes.
SDL_Surface *shrinkSurface(SDL_Surface *source, SDL_Rect part, int factor);
// Each fighter of the players sheet standing, at twice its size but at most
// as tall as the fighter rows: made once, so a sheet of any size costs every
// redraw the same small blit.
void makeFighterPictures(Menu &menu);
void freeFighterPictures(Menu &menu);

// --- screens (screens.cpp, rules.cpp) ---
const char *say(const Menu &menu, const char *english, const char *czech);
void drawMenu(const Menu &menu);
// The arenas the set-up screen shows: the chosen one and the row of miniatures.
std::vector<int> shownArenas(const Menu &menu);
void drawRules(const Menu &menu);
void drawKeys(const Menu &menu);
void handleKeysScreenKey(Menu &menu, SDLKey key);
MenuAction handleMenuEvent(Menu &menu, const SDL_Event &event);

// --- the evening's score (score.cpp) ---
// Counts a match for the score and returns the line that tells its result:
// a win for the name with more kills, a draw, or "abandoned" for a match
// ended with Escape before any kill, which is not counted.
std::string recordResult(Menu &menu, const MatchResult &result);
// Reads a result file as the game writes it; false when it holds none.
bool readMatchResult(const char *path, MatchResult &result);
// The lines of the game's error stream that are the game's own messages
// ("Problem: ...", missing files), without a library's diagnostics.
std::string gameWords(const std::string &said);
int winsOf(const Menu &menu, const std::string &name);
// "Ann 2, Bob 0 (2 matches)": every name's wins this evening.
std::string scoreLine(const Menu &menu);

// --- input (input.cpp) ---
// True for a key press that SDL's key repeat made up for a key no longer
// held; the repeating stops there.
bool dropGhostRepeat(const SDL_Event &event);
// A pad's event as the key press it means to the menu (a lean of the stick or
// the d-pad as an arrow, the second button as Escape, any other as Enter);
// false when it means none. Every pad steers the menu.
bool padAsKey(Pads &pads, const SDL_Event &event, SDL_Event &key);

// --- the idle demo (demo.cpp) ---
// How long the menu waits without input before its demo: a minute, or
// ZOLTR_DEMO_AFTER_MS milliseconds (0: never).
Uint32 demoAfterMilliseconds();
// The next event; false, with none, once the menu's window shows and has
// had no input for its demo's idle time.
bool nextMenuEvent(const Menu &menu, SDL_Event &event);
// The arena the demo plays: the chosen one when the check accepts it, else
// the next one it accepts; -1 when it accepts none.
int demoArena(Menu &menu);
// Two hard computers play on that arena until a key, a pad's button or a
// click, which is used up; a match at the kill limit is followed by the
// next. False when there is no arena to play.
bool playDemo(Menu &menu);

// --- running the game (run_game.cpp) ---
// Loads the catalogue as the game will, and returns what the game would say
// of its missing or damaged pictures, so that the players read it before the
// match; everything said also goes to the terminal.
std::string loadCatalogueTelling();
// The game binary beside this program.
std::string gameBinary();
// Runs the game in the working folder and waits for it; returns the message
// to show ("" when the match ended normally) and counts a played match.
// With `replay`, the game plays that recording back instead; `network` are
// the options of a networked match (its result is not on the evening's score:
// the other machine's player may bear any name).
std::string runGame(Menu &menu, const std::string &binary, const char *replay = nullptr,
                    const std::vector<const char *> &network = {});
// Plays back the newest recording of replays/.
std::string watchLastMatch(Menu &menu, const std::string &binary);
// Where a match is played: here, or over the network as its host or as the one who joins.
enum MatchPlace { AtOneKeyboard, Hosting, Joining };
// Checks the arena and the victory stage, saves the set-up, then runGame;
// a networked match starts the game with --host or --join joinAddress.
std::string playMatch(Menu &menu, const std::string &binary, MatchPlace place = AtOneKeyboard);
// True while input is still ignored after a match. Ticks wrap after 49 days:
// only a moment just ahead counts, so a wrap never silences the menu for weeks.
bool menuIsCalm(const Menu &menu, Uint32 now);
// Opens the menu's window (again).
void openMenuWindow(const Menu &menu);
