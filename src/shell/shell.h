// Game shell: start-up, the settings file, the media catalogue, the intro and shutdown.
// Owns the Settings record, the display surface, the two font loads and the media slots.
// Everything here is set once at start-up and lives until the process exits.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>

// The ten values of settings.ini; zero (empty text) when a key is absent.
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
};

constexpr int DefaultFps = 50;  // used when the file asks for 0 or fewer frames per second

constexpr int ImageSlotCount = 256;
constexpr int SoundSlotCount = 18;
constexpr int MusicSlot = 16;  // this sound slot holds the match music, not a sample

// A sound slot holds a sample, or (slot 16 only) the music.
struct SoundSlot {
    Mix_Chunk *chunk;
    Mix_Music *music;
};

// --- process lifetime ---
extern Settings settings;
extern SDL_Surface *screen;     // the 640x480x16 display surface; all drawing goes here
extern SDL_Surface *fontPlain;  // gfx/myfont.gif without a colour key (intro text)
extern SDL_Surface *fontKeyed;  // the same font keyed on its first pixel (HUD, end scene)
extern SDL_Surface *ImageSlots[ImageSlotCount];
extern SoundSlot SoundSlots[SoundSlotCount];

// Player index 0 or 1 to its settings.
const char *playerName(int index);
int playerImage(int index);

void loadSettings();
// The settings reading on its own: every key the file holds overwrites its field.
void readSettings(FILE *file, Settings &into);
SDL_Surface *loadImage(const char *path, int colourKeyMode);
void loadCatalogue();

// Both text files are read in pieces of at most size - 1 bytes that end after a
// line end; a CR LF pair arrives as a single '\n'. Returns false at the end of the file.
constexpr int TextPieceSize = 100;
bool readTextPiece(FILE *file, char *piece, int size);

// Plays sound slot `slot` once on mixer channel `channel`; an empty slot plays nothing.
void playSound(int slot, int channel);

[[noreturn]] void fatalSdlError();

// The start-up sequence of main, split so that tests can run its parts.
void startSdl();          // SDL, caption, video mode, audio, cursor; stopSdl runs at exit
void stopSdl();           // closes the mixer and SDL; safe to call more than once
void loadFonts();
void runIntro();
void drawIntroFrame(int counter, bool ascending);  // one intro picture, without the flip
void waitForKeyRelease();
