// drawSprite and drawTile: which cell of a sheet is cut, the bounds of both,
// clipping at the screen's edges and far-off positions.
#include "gfx/gfx.h"
#include "support/support.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace {

Uint32 cellColour(int cell)
{
    return screenColour(static_cast<Uint8>(10 + cell * 8), static_cast<Uint8>(200 - cell * 4), 60);
}

// A sheet of `rows` rows of 8 square cells of `size` pixels, each of its own colour.
SDL_Surface *makeSheet(int size, int rows, int extraHeight = 0)
{
    SDL_Surface *sheet = makeSolidSurface(8 * size, rows * size + extraHeight, 0, 0, 0);
    for (int cell = 0; cell < 8 * (rows + (extraHeight > 0)); cell++) {
        SDL_Rect r = {static_cast<Sint16>((cell % 8) * size), static_cast<Sint16>((cell / 8) * size),
                      static_cast<Uint16>(size), static_cast<Uint16>(size)};
        SDL_FillRect(sheet, &r, cellColour(cell));
    }
    return sheet;
}

class Sheets : public testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        grey = screenColour(128, 128, 128);
        clear();
    }
    void TearDown() override
    {
        SDL_FreeSurface(sheet);
    }
    void clear()
    {
        SDL_FillRect(screen, nullptr, grey);
    }
    // True when the 20x20 square at (x, y) is untouched.
    bool untouched(int x, int y, int size = 20)
    {
        for (int dy = 0; dy < size; dy++)
            for (int dx = 0; dx < size; dx++)
                if (pixelAt(screen, x + dx, y + dy) != grey)
                    return false;
        return true;
    }
    Uint32 grey = 0;
    SDL_Surface *sheet = nullptr;
};

TEST_F(Sheets, SpriteFramesFollowTheSheetWidth)
{
    sheet = makeSheet(20, 2);  // 160x40
    for (int frame = 0; frame < 16; frame++) {
        drawSprite(30 * frame, 100, sheet, frame);
        EXPECT_EQ(pixelAt(screen, 30 * frame, 100), cellColour(frame)) << frame;
        EXPECT_EQ(pixelAt(screen, 30 * frame + 19, 119), cellColour(frame)) << frame;
        EXPECT_EQ(pixelAt(screen, 30 * frame + 20, 100), grey) << frame;
    }
    drawSprite(0, 200, sheet, 16);
    drawSprite(40, 200, sheet, 23);
    drawSprite(80, 200, sheet, -1);
    drawSprite(120, 200, sheet, 8 * 3277);  // a source row that would wrap onto the sheet
    EXPECT_TRUE(untouched(0, 200));
    EXPECT_TRUE(untouched(40, 200));
    EXPECT_TRUE(untouched(80, 200));
    EXPECT_TRUE(untouched(120, 200));

    // A 640-wide sheet has 80x80 frames: frame 9 is the rectangle (80, 80, 80, 80).
    SDL_FreeSurface(sheet);
    sheet = makeSheet(80, 2);
    clear();
    drawSprite(10, 10, sheet, 9);
    EXPECT_EQ(pixelAt(screen, 10, 10), cellColour(9));
    EXPECT_EQ(pixelAt(screen, 89, 89), cellColour(9));
    EXPECT_EQ(pixelAt(screen, 90, 10), grey);
    EXPECT_EQ(pixelAt(screen, 10, 90), grey);
}

TEST_F(Sheets, TilesAreTwentyPixelCellsBoundedByTheSheetHeight)
{
    sheet = makeSheet(20, 2);  // 160x40: tiles 0..15, 16 passes the test but lies below
    for (int tile = 0; tile < 16; tile++) {
        drawTile(30 * tile, 100, sheet, tile);
        EXPECT_EQ(pixelAt(screen, 30 * tile, 100), cellColour(tile)) << tile;
        EXPECT_EQ(pixelAt(screen, 30 * tile + 19, 119), cellColour(tile)) << tile;
    }
    for (int tile : {-1, 16, 17, 100})
        drawTile(0, 200, sheet, tile);
    EXPECT_TRUE(untouched(0, 200));

    // A 160x30 sheet: (30 * 8) / 20 = 12, so tile 12 shows its 10 rows inside the
    // sheet while tile 13, just as much inside, is refused.
    SDL_FreeSurface(sheet);
    sheet = makeSheet(20, 1, 10);
    clear();
    drawTile(0, 300, sheet, 12);
    drawTile(40, 300, sheet, 13);
    EXPECT_EQ(pixelAt(screen, 0, 300), cellColour(12));
    EXPECT_EQ(pixelAt(screen, 19, 309), cellColour(12));
    EXPECT_EQ(pixelAt(screen, 0, 310), grey);
    EXPECT_TRUE(untouched(40, 300));

    // The tile sheet is cut in 20-pixel cells whatever its width.
    SDL_FreeSurface(sheet);
    sheet = makeSheet(40, 1);  // 320x40
    clear();
    drawTile(0, 0, sheet, 9);  // (20, 20, 20, 20): the lower right quarter of cell 0
    EXPECT_EQ(pixelAt(screen, 0, 0), cellColour(0));
    EXPECT_EQ(pixelAt(screen, 19, 19), cellColour(0));
    EXPECT_EQ(pixelAt(screen, 20, 0), grey);
}

TEST_F(Sheets, DrawingIsClippedAtTheScreenEdges)
{
    sheet = makeSheet(20, 1);
    SDL_Rect corner = {10, 10, 10, 10};
    SDL_FillRect(sheet, &corner, screenColour(255, 255, 255));
    Uint32 white = screenColour(255, 255, 255);

    // At (-10, -10) only the lower-right 10x10 of the frame shows.
    drawSprite(-10, -10, sheet, 0);
    EXPECT_EQ(pixelAt(screen, 0, 0), white);
    EXPECT_EQ(pixelAt(screen, 9, 9), white);
    EXPECT_EQ(pixelAt(screen, 10, 10), grey);
    EXPECT_EQ(pixelAt(screen, 10, 0), grey);

    drawTile(630, 470, sheet, 0);
    EXPECT_EQ(pixelAt(screen, 630, 470), cellColour(0));
    EXPECT_EQ(pixelAt(screen, 639, 479), cellColour(0));

    // Wholly off the screen, also where 16-bit positions would wrap onto it.
    clear();
    drawSprite(-20, 100, sheet, 0);
    drawSprite(65536 + 100, 100, sheet, 0);
    drawTile(100, 65536 + 100, sheet, 0);
    drawTile(-65536 + 100, 100, sheet, 0);
    EXPECT_TRUE(untouched(0, 80, 140));
}

}  // namespace
