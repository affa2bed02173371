// Floor 3, the arena: stands on media (1) and gfx (2).
// The 32x24 tile map: its file, the queries movement and pickups ask, item
// regeneration, and the drawing of its item and wall tiles.
// Owns the three layers, RegenTimers, animationTick and the wall layer's picture.
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

// --- overwritten by every arena load ---
extern Uint16 WallLayer[ArenaCells];
extern Uint16 ItemLayer[ArenaCells];
extern Uint16 AttributeLayer[ArenaCells];
extern Sint16 RegenTimers[ArenaCells];  // all 0 after a successful load

// --- per game: one step per frame drawn, 0 in a fresh game ---
extern int animationTick;
constexpr int AnimationTickWrap = 30 * 70000000;  // back to 0 here: a whole number of 30-frame cycles

int loadArena(const char *path);  // 1 on success, 0 on failure
void clearArena();                // all three layers and the timers empty

int isPassable(int x, int y);  // pixel position; 1 passable, 0 blocked
int itemAt(int column, int row);
int attributeAt(int column, int row);
void setItem(int column, int row, int code);
void regenerateItems();

// What makes the loaded arena unfit for a match (before setupLevel has
// turned its machine marks into objects); empty when it is fine. Wall codes
// above wallTiles have no tile in the wall sheet.
std::vector<std::string> arenaProblems(int wallTiles = ShippedWallTiles);

// The two halves of the arena's picture; the world objects go between them.
void drawItemLayer();  // one animation step; the playfield cleared, then the item tiles
void drawWallLayer();
// The wall layer is drawn once per arena and reused; loading and clearing
// throw that picture away and the next draw (or prepareWallLayer) redraws it.
void prepareWallLayer();
void forgetWallLayer();
