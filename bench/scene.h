// The scenes the frame benchmark runs: the richest arena of the game folder,
// a quiet match and a match at stress load, and one frame of the match loop
// cut into its draw half, the flip and its update half.
#pragma once

#include "match/match.h"

#include <string>

// The match every scene is built in.
extern Match benchMatch;

// Frames of one stress episode; the benchmark rebuilds the scene after each.
constexpr int StressBatch = 50;

// Cells of the loaded arena that draw a wall or an item tile.
int arenaRichness();
// The arena under maps/ with the most tiles, the victory arena left out; empty when none loads.
std::string findRichestArena();
// The arena under maps/ with the most jump pads and lifts, the victory arena left out; empty when none has one.
std::string findMachineArena();

// Settings, SDL, fonts and catalogue, as the game starts before its intro.
void startGameHeadless();
// Loads the arena once and keeps its layers, so that every scene starts from the same map.
bool useArena(const std::string &path);
void keepArena(const Arena &arena);  // these layers, for an arena built in place

// Both build from the kept arena, with the same random seed every time.
void buildRestScene();    // the arena's machines and two idle fighters
void buildStressScene();  // plus 252 debris pieces, 30 bombs in chains going off through the episode, 10 grenades
// The rest scene plus 1,000 debris pieces and, when asked, 30 bombs whose fuses outlast the episode.
constexpr int CrowdDebris = 1000;
void buildCrowdScene(bool withBombs);

// Both fighters run back and forth, jump and throw, the same way in every episode.
FighterInput stressInput(int player, int frame);
// A fighter killed in an episode is brought back at once, so that both keep moving.
void keepFightersAlive();

struct SceneLoad {
    int objects, debris, bombs, grenades, flames;
};
SceneLoad countLoad();

void drawHalf();  // arena, HUD strip, both fighters
void flipScreen();
void updateHalf(const FighterInput &one, const FighterInput &two);  // world, regeneration, fighters, counter

// Allocations counted since startCountingAllocations that are not world objects now in the list.
long allocationsOutsideWorld();
