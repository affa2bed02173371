// Floor 5, the match: stands on media (1), gfx (2), the arena (3) and the world (4).
// The settings of the match, the fresh game, level setup, the frame loop of
// the match and of its end scene, and frame pacing; the fighters are in player.h.
// Owns settings, keyState, nextFrameTick and spawnPointCount.
#pragma once

#include "match/player.h"

#include <SDL.h>

// The values of settings.ini; zero (empty text) when a key is absent.
struct Settings {
    char Name1[30];   // player 1's name, at most 29 characters
    char Name2[30];   // player 2's name
    char Level[256];  // arena file of the match, the whole rest of its line
    int Image1;       // player 1's skin, counted from 1
    int Image2;       // player 2's skin, counted from 1
    int Zoltr;        // kill limit
    int FPS;          // match frames per second; always at least 1 after loadSettings
    int Sounds;       // nonzero: load and play sounds
    int Windowed;     // nonzero: window, 0: full screen
    int Language;     // 0 Czech, otherwise English
    int Computer1;    // who plays fighter 1: 0 (or less) a person, 1 easy, 2 normal, 3 (or more) hard computer
    int Computer2;    // who plays fighter 2, likewise
};

constexpr int DefaultFps = 50;  // used when the file asks for 0 or fewer frames per second

// --- process lifetime: read from settings.ini at start-up ---
extern Settings settings;

// --- process lifetime: SDL's own keyboard array; the pacing's next deadline (0 in a fresh game) ---
extern Uint8 *keyState;
extern Uint32 nextFrameTick;  // ms

// --- per level: set by setupLevel ---
extern int spawnPointCount;

// A fresh game: no fighters, an empty world and every counter at 0. The arena
// stays as it is until the next load.
// The game, the tests, the fuzzers and the benchmark all start from here.
void resetGame();

// Turns a freshly loaded arena into a level: the world emptied, jump pads and
// lifts made from their marks, spawn points counted, a few keys released, the music started.
void setupLevel();

int runMatch();  // the whole match and its end scene; returns 0

// The two halves of a match frame, before the flip and after the pacing.
// The soak, the fuzzers and the benchmark drive the match through them too.
void drawMatchFrame();
void updateMatchFrame(const FighterInput &first, const FighterInput &second);
void paceFrame();  // holds the FPS setting

// Clock used by paceFrame; tests replace it.
extern Uint32 (*matchTicks)();
extern void (*matchDelay)(Uint32 ms);
