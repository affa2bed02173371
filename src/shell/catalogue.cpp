// seznam.dat: the catalogue of images and sounds, loaded into numbered slots,
// and loadImage, the one image loader (catalogue pictures and the font).
#include "shell/media_guard.h"
#include "shell/shell.h"

#include <algorithm>
#include <cstring>

SDL_Surface *ImageSlots[ImageSlotCount];
SoundSlot SoundSlots[SoundSlotCount];

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
        case 3: value = SDL_BYTEORDER == SDL_LIL_ENDIAN ? bytes[0] | bytes[1] << 8 | bytes[2] << 16
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

static bool isSectionEnd(const char *line)
{
    return line[0] == '#';
}

// An empty or space-led line names nothing but still uses up its slot number.
static bool namesNothing(const char *line)
{
    return line[0] == '\n' || line[0] == ' ';
}

static void loadImageLine(const char *line, int slot)
{
    char path[TextPieceSize];
    int mode = 0;  // a line without a mode loads the picture without a key
    if (sscanf(line, "%99s %d", path, &mode) < 1)
        return;  // only white space after a tab: nothing to load
    if (slot >= ImageSlotCount)
        return;
    ImageSlots[slot] = loadImage(path, mode);
    if (!ImageSlots[slot])
        fprintf(stderr, "obrazek %s nenalezen", path);
}

static void loadSoundLine(const char *line, int slot)
{
    char path[TextPieceSize];
    if (sscanf(line, "%99s", path) != 1 || slot >= SoundSlotCount)
        return;
    SoundSlot &sound = SoundSlots[slot];
    if (slot == MusicSlot)
        sound.music = guardedMusicLoad(path);
    else
        sound.chunk = guardedSampleLoad(path);
    if (!sound.music && !sound.chunk)
        fprintf(stderr, "zvuk %s nenalezen", path);
}

void loadCatalogue()
{
    FILE *file = fopen("seznam.dat", "rb");
    if (!file) {
        fprintf(stderr, "Nebyl nalezen seznam.dat");
        return;
    }
    char line[TextPieceSize];

    bool found = false;
    while (!found && readTextPiece(file, line, sizeof line))
        found = isSectionEnd(line);

    // Slot numbers stop at the end of each table: lines past it are read and
    // ignored, however many there are.
    bool more = found;
    for (int slot = 0; more; slot = std::min(slot + 1, ImageSlotCount)) {
        more = readTextPiece(file, line, sizeof line) && !isSectionEnd(line);
        if (more && !namesNothing(line))
            loadImageLine(line, slot);
    }

    more = found && settings.Sounds != 0;
    for (int slot = 0; more; slot = std::min(slot + 1, SoundSlotCount)) {
        more = readTextPiece(file, line, sizeof line) && !isSectionEnd(line);
        if (more && !namesNothing(line))
            loadSoundLine(line, slot);
    }
    fclose(file);
}

void playSound(int slot, int channel)
{
    if (slot < 0 || slot >= SoundSlotCount || !SoundSlots[slot].chunk)
        return;
    Mix_PlayChannelTimed(channel, SoundSlots[slot].chunk, 0, -1);
}
