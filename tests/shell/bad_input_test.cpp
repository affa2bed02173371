// Damaged input to the shell: skins far outside the player sheet, and
// catalogues naming broken pictures and sounds.
#include "support/support.h"

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
    resetMatch(match);
    SDL_Surface *sheet = makeSolidSurface(160, 160, 0, 255, 0);
    ImageSlots[3] = sheet;

    for (int image : {INT_MIN, -70000, 0, 268435457, INT_MAX}) {
        SCOPED_TRACE(image);
        settings.Image1 = image;
        settings.Image2 = 1;  // a real skin, drawn, as a check on the set-up
        createPlayers();
        for (int i = 0; i < 2; i++)
            match.players[i].x = 100 + 400 * i, match.players[i].y = 100;
        SDL_FillRect(screen, nullptr, 0);
        match.players[0].drawPlayer("");
        match.players[1].drawPlayer("");
        EXPECT_EQ(pixelAt(screen, 100, 100), 0u);
        EXPECT_EQ(pixelAt(screen, 500, 100), screenColour(0, 255, 0));

        // The body parts of its death are as invisible as the body.
        match.players[0].killPlayer(match);
        SDL_FillRect(screen, nullptr, 0);
        drawWorld(match);
        EXPECT_EQ(nonBlackPixels(), 0);
        resetMatch(match);
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
    writeFile("cut.gif", gif.substr(0, 20));    // inside the colour table
    writeFile("short.gif", gif.substr(0, 40));  // inside the picture data
    writeFile("cut.png", png.substr(0, 60));
    writeFile("text.png", "this is a note, not a picture\n");
    writeFile("empty", "");
    mkdir("folder", 0755);
    writeFile("good.wav", wav);
    writeFile("cut.wav", wav.substr(0, 30));
    writeFile("seznam.dat",
              "#\ngood.png 1\ncut.png 1\ntext.png 0\nfolder 0\nempty 0\nmissing.png 0\ncut.gif 0\nshort.gif 0\n"
              "#\ngood.wav\ncut.wav\nfolder\nmissing.wav\n" +
                  std::string(12, '\n') + "text.png\n#\n");
    settings.Sounds = 1;
    CaptureStderr();
    loadCatalogue();
    std::string errors = GetCapturedStderr();

    EXPECT_NE(ImageSlots[0], nullptr);
    for (int slot : {1, 2, 3, 4, 5, 6})
        EXPECT_EQ(ImageSlots[slot], nullptr) << slot;
    // The picture library keeps what it decoded of a GIF cut short in its data.
    ASSERT_NE(ImageSlots[7], nullptr);
    EXPECT_EQ(ImageSlots[7]->w, 16);
    for (const char *name : {"cut.png", "text.png", "folder", "empty", "missing.png", "cut.gif"}) {
        EXPECT_THAT(errors, HasSubstr(std::string("Couldn't load image ") + name + ": ")) << name;
        EXPECT_THAT(errors, HasSubstr(std::string("obrazek ") + name + " nenalezen")) << name;
    }
    EXPECT_NE(SoundSlots[0].chunk, nullptr);
    for (int slot : {1, 2, 3})
        EXPECT_EQ(SoundSlots[slot].chunk, nullptr) << slot;
    EXPECT_EQ(SoundSlots[MusicSlot].music, nullptr);
    EXPECT_THAT(errors, HasSubstr("zvuk cut.wav nenalezenzvuk folder nenalezenzvuk missing.wav nenalezen"));
    EXPECT_THAT(errors, testing::EndsWith("zvuk text.png nenalezen"));  // the music slot
    // The broken slots simply play nothing.
    for (int slot = 0; slot < SoundSlotCount; slot++)
        playSound(static_cast<Sound>(slot));
    releaseMediaSlots();

    // Anything but a regular file in place of the catalogue is named and counts as missing.
    for (const char *kind : {"folder", "fifo", "/dev/zero"}) {
        std::filesystem::remove_all("seznam.dat");
        if (std::string(kind) == "folder")
            mkdir("seznam.dat", 0755);
        else if (std::string(kind) == "fifo")
            ASSERT_EQ(mkfifo("seznam.dat", 0600), 0);
        else
            std::filesystem::create_symlink(kind, "seznam.dat");
        CaptureStderr();
        loadCatalogue();
        EXPECT_EQ(GetCapturedStderr(), "seznam.dat is not a regular file\nNebyl nalezen seznam.dat") << kind;
    }
    for (SDL_Surface *image : ImageSlots)
        EXPECT_EQ(image, nullptr);
}
