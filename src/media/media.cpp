// The display surface, the media slots, the image loader and sound playing.
#include "media/media.h"

#include "media/media_guard.h"

#include <cstdio>
#include <cstring>

SDL_Surface *screen;
SDL_Surface *ImageSlots[ImageSlotCount];
SoundSlot SoundSlots[SoundSlotCount];

// The mixer channel of every sound, by slot.
static const int SoundChannels[] = {1, 0, 2, 1, 0, 4, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0};
constexpr int PlayedSounds = sizeof SoundChannels / sizeof SoundChannels[0];

int screenHeight()
{
    return screen ? screen->h : ScreenHeight;
}

// The top-left pixel in the image's own depth, so that a key mode that does not
// match the picture's depth still reads only that pixel's bytes.
static Uint32 firstPixel(SDL_Surface *image)
{
    Uint32 value = 0;
    if (image->w <= 0 || image->h <= 0 || SDL_LockSurface(image) != 0)
        return 0;
    if (image->pixels) {
        const Uint8 *bytes = static_cast<const Uint8 *>(image->pixels);
        switch (image->format->BytesPerPixel) {
        case 1: value = bytes[0]; break;
        case 2: {
            Uint16 pixel;
            memcpy(&pixel, bytes, sizeof pixel);
            value = pixel;
            break;
        }
        case 3:
            value = SDL_BYTEORDER == SDL_LIL_ENDIAN ? bytes[0] | bytes[1] << 8 | bytes[2] << 16
                                                    : bytes[2] | bytes[1] << 8 | bytes[0] << 16;
            break;
        default: memcpy(&value, bytes, sizeof value); break;
        }
    }
    SDL_UnlockSurface(image);
    return value;
}

SDL_Surface *loadImage(const char *path, int colourKeyMode)
{
    SDL_Surface *loaded = guardedImageLoad(path);
    if (!loaded) {
        fprintf(stderr, "Couldn't load image %s: %s\n", path, SDL_GetError());
        return nullptr;
    }
    // Mode 1 is meant for palettised pictures and mode 2 for 32-bit ones; both
    // make the top-left pixel transparent.
    if (colourKeyMode == 1 || colourKeyMode == 2)
        SDL_SetColorKey(loaded, SDL_SRCCOLORKEY | SDL_RLEACCEL, firstPixel(loaded));
    SDL_Surface *converted = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    return converted;
}

// The slot of a sound the game plays, or -1.
static int playedSlot(Sound sound)
{
    int slot = static_cast<int>(sound);
    return slot >= 0 && slot < PlayedSounds ? slot : -1;
}

void playSound(Sound sound)
{
    int slot = playedSlot(sound);
    if (slot < 0 || !SoundSlots[slot].chunk)
        return;
    Mix_PlayChannelTimed(SoundChannels[slot], SoundSlots[slot].chunk, 0, -1);
}

void playSoundWhenQuiet(Sound sound)
{
    int slot = playedSlot(sound);
    if (slot >= 0 && Mix_Playing(SoundChannels[slot]) == 0)
        playSound(sound);
}

void playMusic()
{
    if (SoundSlots[MusicSlot].music) {
        Mix_PlayMusic(SoundSlots[MusicSlot].music, 0);
        Mix_VolumeMusic(255);
    }
}

void playEvents(const FrameEvents &events)
{
    for (const FrameEvent &event : events) {
        switch (event.kind) {
        case FrameEvent::PlaySound: playSound(event.sound); break;
        case FrameEvent::PlaySoundWhenQuiet: playSoundWhenQuiet(event.sound); break;
        case FrameEvent::StartMusic: playMusic(); break;
        }
    }
}
