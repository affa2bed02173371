// drawSprite and drawTile: which cell of a sheet is cut, the bounds of both,
// clipping at the screen's edges and far-off positions; the game's own copy of
// a picture against SDL's blit.
#include "support/support.h"

namespace {

Uint32 cellColour(int cell)
{
    return screenColour(static_cast<Uint8>(10 + cell * 8), static_cast<Uint8>(200 - cell * 4), 60);
}

// A sheet 8 cells of `size` pixels wide and `height` high, each cell of its own colour.
SDL_Surface *makeSheet(int size, int height)
{
    SDL_Surface *sheet = makeSolidSurface(8 * size, height, 0, 0, 0);
    for (int cell = 0; cell < 8 * ((height + size - 1) / size); cell++) {
        SDL_Rect r = {static_cast<Sint16>((cell % 8) * size), static_cast<Sint16>((cell / 8) * size),
                      static_cast<Uint16>(size), static_cast<Uint16>(size)};
        SDL_FillRect(sheet, &r, cellColour(cell));
    }
    return sheet;
}

// Draws one frame or tile at (100, 100) on a grey screen; gives the colours at
// its top-left, its bottom-right and just past both (-1: grey).
std::vector<long> drawn(bool tile, int size, int height, int index)
{
    Uint32 grey = screenColour(128, 128, 128);
    SDL_FillRect(screen, nullptr, grey);
    SDL_Surface *sheet = makeSheet(size, height);
    (tile ? drawTile : drawSprite)(100, 100, sheet, index);
    SDL_FreeSurface(sheet);
    int edge = tile ? 20 : size;
    std::vector<long> seen;
    for (int d : {0, edge - 1, edge})
        seen.push_back(pixelAt(screen, 100 + d, 100 + d) == grey ? -1L : long{pixelAt(screen, 100 + d, 100 + d)});
    return seen;
}

// What drawn() gives for a whole cell, or one cut off above its bottom-right corner.
std::vector<long> cell(int index, long bottomRight = -2)
{
    long colour = cellColour(index);
    return {colour, bottomRight == -2 ? colour : bottomRight, -1};
}

const std::vector<long> Nothing = {-1, -1, -1};

}  // namespace

TEST(Sheets, FramesFollowTheSheetWidthAndTilesAreTwentyPixelCells)
{
    initHeadlessScreen();
    EXPECT_EQ(drawn(false, 20, 40, 0), cell(0));
    EXPECT_EQ(drawn(false, 20, 40, 13), cell(13));
    EXPECT_EQ(drawn(false, 80, 160, 9), cell(9));  // a 640-wide sheet has 80x80 frames
    EXPECT_EQ(drawn(true, 20, 40, 15), cell(15));
    EXPECT_EQ(drawn(true, 40, 40, 9), cell(0));  // (20, 20, 20, 20): a quarter of cell 0
    // (30 * 8) / 20 = 12: tile 12 shows its 10 rows inside the sheet, tile 13 is refused.
    EXPECT_EQ(drawn(true, 20, 30, 12), cell(12, -1));
    for (int frame : {16, 23, -1, 8 * 3277})  // the last: a source row that would wrap onto the sheet
        EXPECT_EQ(drawn(false, 20, 40, frame), Nothing) << frame;
    for (int tile : {-1, 16, 17, 100})
        EXPECT_EQ(drawn(true, 20, 40, tile), Nothing) << tile;
    EXPECT_EQ(drawn(true, 20, 30, 13), Nothing);
}

TEST(Sheets, DrawingIsClippedAtTheScreenEdgesAndMissingSheetsDrawNothing)
{
    initHeadlessScreen();
    Uint32 grey = screenColour(128, 128, 128);
    SDL_FillRect(screen, nullptr, grey);
    SDL_Surface *sheet = makeSheet(20, 20);
    drawSprite(-10, -10, sheet, 1);  // only the lower-right 10x10 of the frame shows
    drawTile(630, 470, sheet, 2);
    EXPECT_EQ(pixelAt(screen, 9, 9), cellColour(1));
    EXPECT_EQ(pixelAt(screen, 10, 10), grey);
    EXPECT_EQ(pixelAt(screen, 630, 470), cellColour(2));
    EXPECT_EQ(pixelAt(screen, 639, 479), cellColour(2));

    // Wholly off the screen, also where 16-bit positions would wrap onto it.
    drawSprite(-20, 100, sheet, 0);
    drawSprite(65536 + 100, 100, sheet, 0);
    drawTile(100, 65536 + 100, sheet, 0);
    drawTile(-65536 + 100, 100, sheet, 0);
    drawSprite(100, 100, nullptr, 0);
    drawTile(100, 100, nullptr, 0);
    SDL_Surface *narrow = makeSolidSurface(7, 7, 255, 0, 0);  // frames of size 0
    drawSprite(100, 100, narrow, 3);
    SDL_FreeSurface(narrow);
    SDL_FreeSurface(sheet);
    for (int y = 80; y < 220; y++)
        for (int x = 0; x < 140; x++)
            ASSERT_EQ(pixelAt(screen, x, y), grey) << x << "," << y;
}

// copyPicture against SDL_BlitSurface on two copies of one background: keyed
// and opaque sheets, parts reaching out of the sheet, targets out of a clip
// rectangle; every pixel the same.
TEST(Sheets, OwnCopyDrawsWhatSdlBlitDraws)
{
    initHeadlessScreen();
    SDL_Surface *sheet = makeSolidSurface(37, 29, 0, 0, 0);
    Uint32 key = screenColour(255, 0, 255);
    SDL_LockSurface(sheet);
    for (int y = 0; y < sheet->h; y++)
        for (int x = 0; x < sheet->w; x++) {
            Uint16 pixel = (x * 7 + y * 3) % 5 == 0 ? static_cast<Uint16>(key) : static_cast<Uint16>(x * 1000 + y * 77);
            memcpy(static_cast<Uint8 *>(sheet->pixels) + y * sheet->pitch + 2 * x, &pixel, 2);
        }
    SDL_UnlockSurface(sheet);
    SDL_Surface *bySdl = makeSolidSurface(64, 48, 30, 90, 150);
    SDL_Surface *byGame = makeSolidSurface(64, 48, 30, 90, 150);
    const SDL_Rect clips[] = {{0, 0, 64, 48}, {9, 5, 30, 20}};
    const SDL_Rect parts[] = {{0, 0, 37, 29}, {5, 3, 20, 20}, {-6, -4, 20, 20}, {30, 20, 20, 20}};
    const int places[][2] = {{0, 0}, {-7, 30}, {50, -9}, {12, 8}, {60, 44}};
    for (bool keyed : {true, false}) {
        SDL_SetColorKey(sheet, keyed ? SDL_SRCCOLORKEY : 0, key);
        for (const SDL_Rect &clip : clips)
            for (const SDL_Rect &part : parts)
                for (const auto &place : places) {
                    SDL_SetClipRect(bySdl, &clip);
                    SDL_SetClipRect(byGame, &clip);
                    SDL_Rect source = part,
                             target = {static_cast<Sint16>(place[0]), static_cast<Sint16>(place[1]), 0, 0};
                    SDL_BlitSurface(sheet, &source, bySdl, &target);
                    copyPicture(sheet, part, byGame, place[0], place[1]);
                }
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++)
                ASSERT_EQ(pixelAt(byGame, x, y), pixelAt(bySdl, x, y)) << keyed << " " << x << "," << y;
    }
    SDL_FreeSurface(sheet);
    SDL_FreeSurface(bySdl);
    SDL_FreeSurface(byGame);
}
