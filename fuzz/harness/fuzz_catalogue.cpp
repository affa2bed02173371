// seznam.dat under fuzzing: the catalogue names files that exist (small
// pictures and sounds made here once), files that are broken and files that
// are missing. Whatever it says, every slot it fills must be usable.
#include "harness.h"

#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"
#include "shell/shell.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

// The files a catalogue may name; the dictionary in fuzz/dict lists them too.
static void writeCatalogueFiles()
{
    static bool written;
    if (written)
        return;
    written = true;
    writeFile("p8.png", makePng(16, 16, true));
    writeFile("p32.png", makePng(16, 16, false));
    writeFile("big.png", makePng(160, 60, true));
    writeFile("g.gif", makeGif(16, 16));
    writeFile("cut.png", makePng(16, 16, true).substr(0, 60));
    writeFile("cut.gif", makeGif(16, 16).substr(0, 40));
    writeFile("text.png", "this is not a picture\n");
    writeFile("s.wav", makeWav(200));
    writeFile("m.wav", makeWav(2000));
    writeFile("cut.wav", makeWav(200).substr(0, 30));
    writeFile("empty", "");
    mkdir("dir", 0755);

    // With ZOLTR_GAME_DIR set, the shipped pictures and sounds can be named too.
    if (const char *game = getenv("ZOLTR_GAME_DIR")) {
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator(game, error)) {
            std::string name = entry.path().filename().string();
            if (name != "seznam.dat" && name != "settings.ini" && !std::filesystem::exists(name, error))
                if (symlink(entry.path().c_str(), name.c_str()) != 0)
                    harnessFailure("cannot link a shipped media folder", 0);
        }
    }

    SDL_Surface *eight = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 8, 0, 0, 0, 0);
    SDL_Surface *deep = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xff0000, 0xff00, 0xff, 0xff000000);
    if (!eight || !deep)
        harnessFailure("no surface for the bitmaps", 0);
    SDL_FillRect(eight, nullptr, 3);
    SDL_FillRect(deep, nullptr, 0x80402010);
    SDL_SaveBMP(eight, "b8.bmp");
    SDL_SaveBMP(deep, "b32.bmp");
    SDL_FreeSurface(eight);
    SDL_FreeSurface(deep);
}

void fuzzCatalogue(const uint8_t *data, size_t size)
{
    startHarness();
    writeCatalogueFiles();
    releaseMediaSlots();
    writeBytes("seznam.dat", data, size);
    settings.Sounds = 1;
    loadCatalogue();

    // Every loaded picture is in the screen's format and can be drawn the ways
    // the game draws: as sprites, as tiles and whole.
    for (SDL_Surface *image : ImageSlots) {
        if (!image)
            continue;
        if (image->w <= 0 || image->h <= 0 || image->format->BitsPerPixel != screen->format->BitsPerPixel)
            harnessFailure("catalogue image not in the display format", image->format->BitsPerPixel);
        drawSprite(-5, 15, image, 0);
        drawSprite(630, 470, image, 9);
        drawTile(100, 100, image, 0);
        drawTile(100, 100, image, 7);
        SDL_Rect whole = {0, 0, static_cast<Uint16>(image->w), static_cast<Uint16>(image->h)};
        SDL_Rect at = {0, 0, 0, 0};
        SDL_UpperBlit(image, &whole, screen, &at);
    }
    // The intro draws slots 13, 14 and 17 whole or by halves, whatever they hold.
    settings.Language = static_cast<int>(size % 3);
    drawIntroFrame(399, false);
    drawIntroFrame(1, true);
    drawIntroFrame(400, true);
    for (int slot = 0; slot < SoundSlotCount; slot++) {
        const SoundSlot &sound = SoundSlots[slot];
        if (slot != MusicSlot && sound.music)
            harnessFailure("music outside the music slot", slot);
        if (slot == MusicSlot && sound.chunk)
            harnessFailure("a sample in the music slot", slot);
        playSound(static_cast<Sound>(slot));
    }
    if (SoundSlots[MusicSlot].music)
        Mix_PlayMusic(SoundSlots[MusicSlot].music, 0);
    releaseMediaSlots();
}
