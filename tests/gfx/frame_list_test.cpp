// The frame list: a match drawn as lists, frame after frame, shows the very
// picture of a match drawn whole, while drawing only the cells that changed.
#include "support/support.h"

#include <unistd.h>

namespace {

std::vector<Uint16> screenPixels()
{
    std::vector<Uint16> pixels(static_cast<size_t>(screen->w) * screen->h);
    SDL_LockSurface(screen);
    for (int y = 0; y < screen->h; y++)
        memcpy(&pixels[static_cast<size_t>(y) * screen->w], static_cast<Uint8 *>(screen->pixels) + y * screen->pitch,
               static_cast<size_t>(screen->w) * 2);
    SDL_UnlockSurface(screen);
    return pixels;
}

void listedFrame()
{
    beginFrameList();
    drawMatchFrame(match);
    finishFrameList();
}

class FrameList : public SmallArena {};

}  // namespace

TEST_F(FrameList, ShowsWhatAWholeFrameShowsAndDrawsOnlyWhatChanged)
{
    ASSERT_EQ(chdir(ZOLTR_SOURCE_DIR "/game"), 0);
    loadCatalogue();
    loadFonts();
    // Walls above and between, every pickup, hurting and deadly cells, a jump pad and a lift.
    start({"", "   ####   ####   #  #   ########", "", "       H           #        ", "       H    J      #     L  ",
           "   4 3 H2 1 5 6 7 8  4 3  2 4 ", "  ######       ~~~  #####   ", "       H      XX            ",
           "  1 4  H  3 2    8 5  4 3 4 1 ", " 2 4 3 4 ~~ 1 2 3 J 4 3 2 ~ 4 "});
    snprintf(match.names[0], sizeof match.names[0], "left one");
    snprintf(match.names[1], sizeof match.names[1], "right one");
    uint32_t seed = 2026;
    auto roll = [&seed](int below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<uint32_t>(below));
    };
    FighterInput held[2] = {};
    int differingFrames = 0;
    for (int frame = 0; frame < 700; frame++) {
        listedFrame();
        std::vector<Uint16> listed = screenPixels();
        drawMatchFrame(match);  // whole, outside a list
        differingFrames += screenPixels() != listed;
        for (FighterInput &input : held)
            if (roll(12) == 0)
                input = {roll(3) == 0, roll(3) == 0, roll(4) == 0, roll(2) == 0};
        stepMatch(held[0], held[1]);
    }
    EXPECT_EQ(differingFrames, 0);

    // A mark in a cell nothing changes stays through a listed frame...
    SDL_Rect mark = {600, 470, 4, 4};
    Uint32 red = screenColour(255, 0, 0);
    SDL_FillRect(screen, &mark, red);
    listedFrame();
    EXPECT_EQ(pixelAt(screen, 601, 471), red);
    presentScreen();
    // ...and goes at the one after a present made without a list, or after the list forgot.
    SDL_FillRect(screen, &mark, red);
    presentScreen();
    listedFrame();
    EXPECT_NE(pixelAt(screen, 601, 471), red);
    SDL_FillRect(screen, &mark, red);
    forgetFrameList();
    listedFrame();
    EXPECT_NE(pixelAt(screen, 601, 471), red);
}
