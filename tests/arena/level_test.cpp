// Level setup (machines, spawn points, what it keeps) and the arena drawing
// read back from the screen.
#include "support/support.h"

namespace {

// Item tiles: red counts the tile within a row of 32, green the block of 32.
Uint32 itemTileColour(int tile)
{
    return screenColour(8 * (tile % 32), 64 + 8 * (tile / 32), 0);
}

// Top-left pixel of cell (c, r) plus an offset.
Uint32 cellPixel(int column, int row, int dx = 5, int dy = 5)
{
    return pixelAt(screen, column * 20 + dx, 20 + row * 20 + dy);
}

}  // namespace

TEST(LevelSetup, TurnsMarksIntoMachinesAndCountsSpawnPoints)
{
    initHeadlessScreen();
    match = Match();
    addObject<Knife>(10, 10, 0, 0, 0);
    match.debrisCount = 12;
    match.animationTick = 345;
    buildArena({"S", "....L", "...J"});
    match.arena.AttributeLayer[2 * ArenaColumns + 3] = AttributeSpawn;  // a pad on a spawn point
    match.arena.AttributeLayer[23 * ArenaColumns + 31] = AttributeSpawn;
    match.arena.ItemLayer[6] = ItemShaft;  // shafts stay: only the lift writes them
    setupLevel(match);

    EXPECT_EQ(match.debrisCount, 12);     // emptying the world does not lower it
    EXPECT_EQ(match.animationTick, 345);  // nor restart the animations
    EXPECT_EQ(match.spawnPointCount, 3);
    // The lift's mark comes first in the scan, so the lift is the head.
    std::vector<Lift *> lifts = objectsOf<Lift>();
    std::vector<JumpPad *> pads = objectsOf<JumpPad>();
    ASSERT_EQ(lifts.size() + pads.size(), 2u);
    ASSERT_EQ(match.worldHead, lifts[0]);
    EXPECT_EQ(lifts[0]->x * 1000 + lifts[0]->y, 90 * 1000 + 30);  // 20 pixels above its mark's centre
    EXPECT_EQ(pads[0]->x * 1000 + pads[0]->y, 70 * 1000 + 70);
    EXPECT_EQ(lifts[0]->frame * 100 + pads[0]->frame, 3208);
    EXPECT_EQ(itemAt(match.arena, 4, 1) + itemAt(match.arena, 3, 2), 0);
    EXPECT_EQ(itemAt(match.arena, 6, 0), ItemShaft);

    // A second level replaces the machines; with no marks the world stays empty.
    buildArena({"#..#", "####"});
    setupLevel(match);
    EXPECT_EQ(match.worldHead, nullptr);
    EXPECT_EQ(match.spawnPointCount, 0);
}

TEST(ArenaDrawing, AnimatedCellsCycleThroughThreeTilesOfTenFrames)
{
    initHeadlessScreen();
    match = Match();
    // Sheets of 8 by 6 tiles, each filled with its own colour; walls are blue.
    SDL_Surface *walls = makeSolidSurface(160, 120, 0, 0, 200);
    SDL_Surface *items = makeSolidSurface(160, 120, 0, 0, 0);
    for (int tile = 0; tile < 48; tile++) {
        SDL_Rect cell = {static_cast<Sint16>(tile % 8 * 20), static_cast<Sint16>(tile / 8 * 20), 20, 20};
        SDL_FillRect(items, &cell, itemTileColour(tile));
    }
    ImageSlots[0] = walls;
    ImageSlots[1] = items;
    buildArena({});
    const int row = 4;
    const int attributes[] = {0, AttributeDamaging, AttributeAnimated, AttributeAnimated, AttributeDeadly, 9};
    for (int column = 1; column <= 5; column++) {
        match.arena.AttributeLayer[row * ArenaColumns + column] = static_cast<Uint16>(attributes[column]);
        match.arena.ItemLayer[row * ArenaColumns + column] = column >= 3 ? ItemMelee : 0;  // 4: deadly, 5: a spawner
    }
    match.arena.WallLayer[row * ArenaColumns + 5] = 1;               // walls on top of items and objects
    match.arena.ItemLayer[23 * ArenaColumns + 12] = ItemHealth;      // row 23 leaves nothing on screen
    addObject<Animation>(100, 110, ImageSlot::ItemTiles, 47, 1, 1);  // over cells 4 and 5, under the wall
    SDL_FillRect(screen, nullptr, screenColour(200, 0, 0));

    for (int frame = 1; frame <= 65; frame++) {
        drawArena(match, frame);
        int step = frame / 10 % 3;
        Uint32 emptyCell = step == 0 ? 0u : itemTileColour(step - 1);
        EXPECT_EQ(cellPixel(1, row), emptyCell) << "frame " << frame;
        EXPECT_EQ(cellPixel(2, row), emptyCell) << "frame " << frame;
        EXPECT_EQ(cellPixel(3, row), itemTileColour(24 + step)) << "frame " << frame;
        EXPECT_EQ(cellPixel(4, row), itemTileColour(24)) << "frame " << frame;
        EXPECT_EQ(cellPixel(5, row, 19, 19), screenColour(0, 0, 200)) << "frame " << frame;
    }
    EXPECT_EQ(cellPixel(4, row, 15, 5), itemTileColour(47));
    EXPECT_EQ(cellPixel(5, row, 5, 5), screenColour(0, 0, 200));
    EXPECT_EQ(pixelAt(screen, 300, 19), screenColour(200, 0, 0));  // the HUD strip is left alone
    EXPECT_EQ(cellPixel(12, 22, 5, 19), 0u);
    match = Match();
    ImageSlots[0] = ImageSlots[1] = nullptr;
    SDL_FreeSurface(walls);
    SDL_FreeSurface(items);
}

namespace {

// A 16-tile sheet cut short (tiles 8..15 keep 10 rows): every tile striped in
// black, the colour 0x0001 and a colour of its own, with a hole of `hole`.
SDL_Surface *makeWallSheet(Uint16 hole)
{
    SDL_Surface *sheet = makeSolidSurface(160, 30, 0, 0, 0);
    SDL_LockSurface(sheet);
    for (int y = 0; y < sheet->h; y++)
        for (int x = 0; x < sheet->w; x++) {
            Uint16 stripes[] = {0x0000, 0x0001, static_cast<Uint16>(0x1000 + 97 * (x / 20 + 8 * (y / 20)))};
            Uint16 pixel = x % 20 > 12 && y % 20 < 6 ? hole : stripes[(x + y) % 3];
            memcpy(static_cast<Uint8 *>(sheet->pixels) + y * sheet->pitch + 2 * x, &pixel, 2);
        }
    SDL_UnlockSurface(sheet);
    return sheet;
}

// Every value a 16-bit pixel can take somewhere on the screen.
void paintBackground(SDL_Surface *surface)
{
    SDL_LockSurface(surface);
    for (int y = 0; y < surface->h; y++)
        for (int x = 0; x < surface->w; x++) {
            Uint16 pixel = static_cast<Uint16>(y * surface->w + x);
            memcpy(static_cast<Uint8 *>(surface->pixels) + y * surface->pitch + 2 * x, &pixel, 2);
        }
    SDL_UnlockSurface(surface);
}

int differingPixels(SDL_Surface *a, SDL_Surface *b)
{
    int differing = 0;
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            differing += pixelAt(a, x, y) != pixelAt(b, x, y);
    return differing;
}

}  // namespace

// The wall layer drawn once per arena and reused shows exactly what drawing
// it tile by tile shows, through changes of walls and sheets between frames.
TEST(ArenaDrawing, WallLayerIsTheSameAsTileByTile)
{
    initHeadlessScreen();
    match = Match();
    const Uint16 Magenta = 0xf81f;
    SDL_Surface *opaque = makeWallSheet(0x0002);
    SDL_Surface *keyed = makeWallSheet(Magenta);
    SDL_SetColorKey(keyed, SDL_SRCCOLORKEY, Magenta);
    SDL_Surface *expected = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 16, 0xf800, 0x07e0, 0x001f, 0);
    clearArena(match.arena);
    for (int cell = 0; cell < ArenaCells; cell += 3)
        match.arena.WallLayer[cell] =
            static_cast<Uint16>(cell % 19);  // 17 and 18: no tile; the last row below the screen
    const struct {
        const char *step;
        SDL_Surface *sheet;
        void (*change)();
    } steps[] = {
        {"opaque sheet", opaque, [] {}},
        {"the same frame again", opaque, [] {}},
        {"a wall written in place", opaque, [] { match.arena.WallLayer[4 * ArenaColumns + 4] = 12; }},
        {"keyed sheet", keyed, [] {}},
        {"arena cleared, one wall", keyed,
         [] { clearArena(match.arena), match.arena.WallLayer[ArenaColumns + 1] = 2; }},
        {"no wall sheet", nullptr, [] {}},
    };
    for (const auto &step : steps) {
        step.change();
        ImageSlots[0] = step.sheet;
        paintBackground(expected);
        SDL_Surface *shown = screen;
        screen = expected;
        for (int cell = 0; cell < ArenaCells; cell++)
            drawTile(cell % ArenaColumns * CellSize, HudHeight + cell / ArenaColumns * CellSize, step.sheet,
                     match.arena.WallLayer[cell] - 1);
        screen = shown;
        paintBackground(screen);
        drawWallLayer(match.arena);
        EXPECT_EQ(differingPixels(screen, expected), 0) << step.step;
    }
    ImageSlots[0] = nullptr;
    forgetWallLayer();
    SDL_FreeSurface(expected);
    SDL_FreeSurface(opaque);
    SDL_FreeSurface(keyed);
}
