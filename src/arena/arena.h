// Floor 3, the arena: stands on media (1) and gfx (2).
// The 32x24 tile map: its file, the queries movement and pickups ask, item
// regeneration, and the drawing of its item and wall tiles.
// Owns no match state: the `Arena` value lives in the match. Owns the wall
// layer's picture, a drawing cache remade whenever the walls differ.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

constexpr int ArenaColumns = 32;
constexpr int ArenaRows = 24;
constexpr int ArenaCells = ArenaColumns * ArenaRows;  // index = row * 32 + column
constexpr int CellSize = 20;
constexpr int HudHeight = 20;  // the arena starts below the HUD strip
constexpr int ArenaFileSize = 3 * ArenaCells * 2;
constexpr int ShippedWallTiles = 16;  // tiles in the wall sheet the game ships

// Item layer codes.
enum ItemCode {
    ItemLadder = 5,
    ItemJumpPad = 9,
    ItemMelee = 25,
    ItemBomb = 26,
    ItemGrenade = 27,
    ItemKnife = 28,
    ItemExplosiveDebris = 29,
    ItemJetpack = 30,
    ItemParachute = 31,
    ItemHealth = 32,
    ItemLift = 33,
    ItemShaft = 34,
};

// Attribute layer codes.
enum AttributeCode {
    AttributeSpawn = 2,
    AttributeDamaging = 3,
    AttributeDeadly = 4,
    AttributeAnimated = 8,
    AttributeSpawnerFirst = 9,  // spawners 9..16 refill item code attribute + 16
    AttributeSpawnerLast = 16,
};

// The tile map of a match: three layers of codes and the refill timers.
// A plain value: copying it copies the map.
struct Arena {
    Uint16 WallLayer[ArenaCells];
    Uint16 ItemLayer[ArenaCells];
    Uint16 AttributeLayer[ArenaCells];
    Sint16 RegenTimers[ArenaCells];  // all 0 after a successful load
};

// The animation step the item layer is drawn with; the match counts it.
constexpr int AnimationTickWrap = 30 * 70000000;  // back to 0 here: a whole number of 30-frame cycles
constexpr int nextAnimationTick(int tick)
{
    return tick >= AnimationTickWrap - 1 ? 0 : tick + 1;
}

// Reads an arena file into `arena`; 1 on success, 0 on failure. A short
// file leaves the cells past its end as they were.
int loadArena(Arena &arena, const char *path);
void clearArena(Arena &arena);  // all three layers and the timers empty

int isPassable(const Arena &arena, int x, int y);  // pixel position; 1 passable, 0 blocked
int itemAt(const Arena &arena, int column, int row);
int attributeAt(const Arena &arena, int column, int row);
void setItem(Arena &arena, int column, int row, int code);
void regenerateItems(Arena &arena);

// What makes the arena unfit for a match (before setupLevel has
// turned its machine marks into objects); empty when it is fine. Wall codes
// above wallTiles have no tile in the wall sheet.
std::vector<std::string> arenaProblems(const Arena &arena, int wallTiles = ShippedWallTiles);

// The two halves of the arena's picture; the world objects go between them.
void drawItemLayer(const Arena &arena, int animationTick);  // the playfield cleared, then the item tiles
void drawWallLayer(const Arena &arena);
// The wall layer is drawn once per arena and reused; loading and clearing
// throw that picture away and the next draw (or prepareWallLayer) redraws it.
void prepareWallLayer(const Arena &arena);
void forgetWallLayer();
