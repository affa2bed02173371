// Floor 1, media: the ground the other floors stand on; it uses only SDL (and
// Xlib with MIT-SHM to present on X11).
// The display surface and its present, the numbered image and sound slots that
// the catalogue fills, their names, the one image loader and the one way to
// play a sound.
// Owns `screen`, `ImageSlots` and `SoundSlots`: process lifetime, set at
// start-up and never freed.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <string>
#include <vector>

constexpr int ScreenWidth = 640;
constexpr int ScreenHeight = 480;

constexpr int ImageSlotCount = 256;
constexpr int SoundSlotCount = 18;
constexpr int MusicSlot = 16;  // this sound slot holds the match music, not a sample

// The image slots the game draws from, by what they hold; the others stay unused.
enum class ImageSlot {
    WallTiles = 0,
    ItemTiles = 1,   // items, decorations and machines
    Fighters = 3,    // six skins of 16 frames, body parts among them
    Weapons = 4,     // held and thrown weapons, bomb flames, the parachute canopy
    Explosion = 5,   // the grenade's blast
    IntroTop = 13,   // slides down from the top
    IntroLeft = 14,  // slides in from the left
    HudStrip = 15,
    HealthBar = 16,
    IntroTitle = 17,  // Czech upper half, English lower half
};

// The sound slots, by when they sound. Each plays on a mixer channel of its own
// choosing; a new sound cuts off whatever its channel was playing.
enum class Sound {
    Kill = 0,       // a fighter killed by a blow, a throw or a stomp
    Swing = 1,      // a melee swing
    Explosion = 2,  // a grenade or a bomb goes off
    Start = 3,      // the match or the end scene starts
    GrenadeThrow = 4,
    JumpPad = 5,
    BombDrop = 6,
    Burst = 7,    // a fighter dies and bursts into body parts
    BlowHit = 8,  // a melee blow lands
    KnifeThrow = 9,
    KnifeHit = 10,  // a knife sticks in a wall or hits a fighter
    Health = 11,
    LiftTurn = 12,   // a lift reaches its lower end
    Hazard = 13,     // a hurting cell takes health
    BombKnock = 14,  // a bomb is stopped or kicked
    Pickup = 15,     // a weapon or gadget is picked up
};

// A sound slot holds a sample, or (MusicSlot only) the music.
struct SoundSlot {
    Mix_Chunk *chunk;
    Mix_Music *music;
};

// --- process lifetime: set at start-up, never freed ---
extern SDL_Surface *screen;  // the 640x480x16 display surface; all drawing goes here
extern SDL_Surface *ImageSlots[ImageSlotCount];
extern SoundSlot SoundSlots[SoundSlotCount];

inline SDL_Surface *slotImage(ImageSlot slot)
{
    return ImageSlots[static_cast<int>(slot)];
}

// The screen's height, also before there is a screen: what falls below it is gone.
int screenHeight();

// Shows the screen on the window: straight through X shared memory where it
// can (true), else (and with ZOLTR_SDL_PRESENT=1) through SDL_Flip (false).
bool presentScreen();
// Lets go of what presentScreen holds in the X server; before SDL closes the display.
void releasePresent();
// What the drawing knows changed on the screen since the last present: the
// next present converts and puts only these areas (none: the screen is as
// shown); notes add up until it. A count of -1: too many, all of the screen
// is compared. Without a note the present compares all of it.
void noteChangedAreas(const SDL_Rect *areas, int count);
// False when SDL's reading of events would find none: the present shows the
// screen itself and its display's connection holds no event (it is read here,
// without waiting), SDL holds none, no pad is open and SDL read them less than
// a tenth of a second ago. Each SDL read costs a frame more than the put.
bool eventsMayBeWaiting();
// How often SDL reads events anyway (ms, 100 unless set); tests lengthen it.
void setSdlReadInterval(Uint32 milliseconds);
// The presents made so far without a note: the screen may then hold drawing nobody listed.
unsigned presentsWithoutNote();
// After every video mode is set: the next present takes the new window, and a
// full-screen window covers the whole display (full_screen.cpp).
void coverDisplay();

// The one image loader: a picture converted to the screen's format. Colour-key
// modes 1 and 2 make its top-left pixel transparent; 0 keys nothing.
SDL_Surface *loadImage(const char *path, int colourKeyMode);

// What a step of the match asks the frame to do outside it: the match itself
// plays nothing, it lists its sounds and the frame plays them after the step.
struct FrameEvent {
    enum Kind {
        PlaySound,           // on its channel, cutting off what played there
        PlaySoundWhenQuiet,  // only while its channel is silent
        StartMusic,
    } kind;
    Sound sound;
};
using FrameEvents = std::vector<FrameEvent>;

// Plays a step's events in the order it made them.
void playEvents(const FrameEvents &events);

// Plays a sound once on its channel; an empty slot plays nothing.
void playSound(Sound sound);
// The same, but only while its channel is silent.
void playSoundWhenQuiet(Sound sound);
// Starts the music slot once at full volume; an empty slot stays silent.
void playMusic();

// --- reading files a player can put in the game folder ---
// Every file the programs read is opened through these: only a regular file
// of at most maxBytes is opened, and nothing ever waits on a named pipe or a
// device. On refusal they return -1 (null) with "PATH is not a regular file"
// or "PATH is too large" in `why`; a file that cannot be opened at all (most
// often: there is none) leaves `why` empty and errno set.
int openRegularFile(const char *path, long maxBytes, std::string *why = nullptr);
FILE *openRegularStream(const char *path, long maxBytes, std::string *why = nullptr);

// The limits of the game's own text files: a settings file holds a dozen
// short lines, the catalogue a few hundred.
constexpr long MaxSettingsFileBytes = 4L << 20;
constexpr long MaxCatalogueFileBytes = 4L << 20;
