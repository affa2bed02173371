// Hand-edited and damaged files of the shell: settings that are binary, empty,
// endless or extreme, catalogues naming broken pictures and sounds, and a match
// played with no media at all.
#include "harness.h"
#include "support/support.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

using testing::HasSubstr;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

int nonBlackPixels()
{
    int count = 0;
    for (int y = 0; y < screen->h; y++)
        for (int x = 0; x < screen->w; x++)
            count += pixelAt(screen, x, y) != 0;
    return count;
}

}  // namespace

TEST(BadSettings, SkinsFarOutsideThePlayerSheetDrawNothingAndNeverOverflow)
{
    initHeadlessScreen();
    resetMatch();
    SDL_Surface *sheet = makeSolidSurface(160, 160, 0, 255, 0);
    ImageSlots[3] = sheet;

    const int skins[] = {INT_MIN, -70000, 0, 268435457, INT_MAX};
    for (int image : skins) {
        SCOPED_TRACE(image);
        settings.Image1 = image;
        settings.Image2 = 1;  // a real skin, drawn, as a check on the set-up
        new Player();
        new Player();
        players[0]->x = 100;
        players[0]->y = 100;
        players[1]->x = 500;
        players[1]->y = 100;
        SDL_FillRect(screen, nullptr, 0);
        players[0]->drawPlayer();
        players[1]->drawPlayer();
        EXPECT_EQ(pixelAt(screen, 100, 100), 0u);
        EXPECT_EQ(pixelAt(screen, 500, 100), screenColour(0, 255, 0));

        // The body parts of its death are as invisible as the body.
        players[0]->killPlayer();
        SDL_FillRect(screen, nullptr, 0);
        drawWorld();
        EXPECT_EQ(nonBlackPixels(), 0);
        resetMatch();
    }
    ImageSlots[3] = nullptr;
    SDL_FreeSurface(sheet);
}

TEST(BadMedia, BrokenPicturesAndSoundsLeaveTheirSlotsEmptyWithTheirMessages)
{
    ASSERT_TRUE(openHeadlessAudio());
    TempGameDir dir;
    std::string png = makePng(16, 16, true);
    std::string gif = makeGif(16, 16);
    std::string wav = makeWav(300);
    writeFile("good.png", png);
    writeFile("good32.png", makePng(16, 16, false));
    writeFile("good.gif", gif);
    writeFile("cut.png", png.substr(0, 60));
    writeFile("cut.gif", gif.substr(0, 20));    // inside the colour table
    writeFile("short.gif", gif.substr(0, 40));  // inside the picture data
    writeFile("text.png", "this is a note, not a picture\n");
    writeFile("empty", "");
    mkdir("folder", 0755);
    writeFile("good.wav", wav);
    writeFile("cut.wav", wav.substr(0, 30));
    std::string blankSounds(10, '\n');
    writeFile("seznam.dat",
              "#\ngood.png 1\ncut.png 1\ngood.gif 0\ncut.gif 0\ntext.png 0\nfolder 0\nempty 0\n"
              "good32.png 2\nshort.gif 0\nmissing.png 0\n#\ngood.wav\ncut.wav\ntext.png\nempty\nfolder\nmissing.wav\n" +
                  blankSounds + "text.png\n#\n");
    settings.Sounds = 1;
    CaptureStderr();
    loadCatalogue();
    std::string errors = GetCapturedStderr();

    // The whole files load, so it is the damage that empties the other slots.
    EXPECT_NE(ImageSlots[0], nullptr);
    EXPECT_NE(ImageSlots[2], nullptr);
    EXPECT_NE(ImageSlots[7], nullptr);
    for (int slot : {1, 3, 4, 5, 6, 9})
        EXPECT_EQ(ImageSlots[slot], nullptr) << slot;
    // The picture library keeps what it decoded of a GIF cut short in its data.
    ASSERT_NE(ImageSlots[8], nullptr);
    EXPECT_EQ(ImageSlots[8]->w, 16);
    for (const char *name : {"cut.png", "cut.gif", "text.png", "folder", "empty", "missing.png"}) {
        EXPECT_THAT(errors, HasSubstr(std::string("Couldn't load image ") + name + ": ")) << name;
        EXPECT_THAT(errors, HasSubstr(std::string("obrazek ") + name + " nenalezen")) << name;
    }

    EXPECT_NE(SoundSlots[0].chunk, nullptr);
    for (int slot : {1, 2, 3, 4, 5})
        EXPECT_EQ(SoundSlots[slot].chunk, nullptr) << slot;
    EXPECT_EQ(SoundSlots[MusicSlot].music, nullptr);
    EXPECT_THAT(errors, HasSubstr("zvuk cut.wav nenalezen"));
    EXPECT_THAT(
        errors,
        HasSubstr("zvuk text.png nenalezenzvuk empty nenalezenzvuk folder nenalezenzvuk missing.wav nenalezen"));
    EXPECT_THAT(errors, testing::EndsWith("zvuk text.png nenalezen"));  // the music slot

    // The broken slots simply play nothing.
    for (int slot = 0; slot < SoundSlotCount; slot++)
        playSound(static_cast<Sound>(slot));
    releaseMediaSlots();

    // A folder in place of the catalogue reads as a catalogue without a '#' line.
    remove("seznam.dat");
    mkdir("seznam.dat", 0755);
    CaptureStderr();
    loadCatalogue();
    EXPECT_EQ(GetCapturedStderr(), "");
    for (SDL_Surface *image : ImageSlots)
        EXPECT_EQ(image, nullptr);
}

TEST(BadMedia, AMatchWithEveryPictureAndTheFontMissingIsPlayedInBlack)
{
    initHeadlessScreen();
    releaseMediaSlots();
    fontPlain = fontKeyed = nullptr;
    resetMatch();
    buildArena({
        "################################",
        "#                              #",
        "#   3  4  2   J       L        #",
        "#  ######################      #",
        "#                              #",
        "#  S     ~~  H         X  S    #",
        "################################",
    });
    settings.Image1 = 1;
    settings.Image2 = 2;
    srand(7);
    setupLevel();
    createPlayers();
    SDL_FillRect(screen, nullptr, 0);  // as the intro leaves it: nothing draws the HUD strip now
    for (int frame = 0; frame < 600; frame++) {
        bool fire = frame % 21 == 0;
        playMatchFrame({frame % 200 < 100, frame % 200 >= 100, frame % 50 == 0, fire},
                       {frame % 160 >= 80, frame % 160 < 80, frame % 70 == 0, fire});
        checkMatch();
    }
    EXPECT_EQ(nonBlackPixels(), 0);
    resetMatch();
}
