// Picture, sample and music files under fuzzing, through the game's own
// loaders: the first input byte says which loader (and the colour-key mode),
// the rest is the file. Whatever the file holds, the loader must give a
// usable result or an empty slot, and the process must go on.
#include "harness.h"

#include "media/media.h"
#include "media/media_guard.h"

static void loadFuzzed(const uint8_t *data, size_t size)
{
    startHarness();
    if (size == 0)
        return;
    writeBytes("fuzzed", data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: {
        SDL_Surface *image = loadImage("fuzzed", data[0] / 3 % 3);
        if (!image)
            return;
        if (image->format->BitsPerPixel != screen->format->BitsPerPixel || image->w > MaxPictureSide ||
            image->h > MaxPictureSide)
            harnessFailure("picture not in the display format", image->w);
        SDL_Rect at = {-3, -3, 0, 0};
        SDL_BlitSurface(image, nullptr, screen, &at);
        SDL_FreeSurface(image);
        return;
    }
    case 1: {
        Mix_Chunk *chunk = guardedSampleLoad("fuzzed");
        if (!chunk)
            return;
        if (chunk->alen > MaxSoundBytes)
            harnessFailure("sample longer than the limit", chunk->alen);
        Mix_PlayChannelTimed(0, chunk, 0, -1);
        Mix_HaltChannel(0);
        Mix_FreeChunk(chunk);
        return;
    }
    default: {
        Mix_Music *music = guardedMusicLoad("fuzzed");
        if (!music)
            return;
        // A plain WAV of our own, or an Ogg Vorbis file its child decoded to the end.
        if (Mix_GetMusicType(music) != MUS_WAV && Mix_GetMusicType(music) != MUS_OGG)
            harnessFailure("music neither a plain WAV nor a checked Ogg", Mix_GetMusicType(music));
        Mix_PlayMusic(music, 0);
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        return;
    }
    }
}

void fuzzMedia(const uint8_t *data, size_t size)
{
    loadFuzzed(data, size);
}

// The game's side of the guard alone, in this process: the file stands for
// what the decoding child wrote back, which the game must check as strictly.
void fuzzMediaReply(const uint8_t *data, size_t size)
{
    takeFilesAsDecoded(true);
    loadFuzzed(data, size);
    takeFilesAsDecoded(false);
}
