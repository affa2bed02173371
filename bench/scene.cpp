// Scenes for the frame benchmark, built with the game's own operations from
// the arena the benchmark runs on, and the two halves of a match frame.
#include "scene.h"

#include "alloc_count.h"
#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "shell/shell.h"
#include "world/world.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

Match benchMatch;

namespace {

Match &game = benchMatch;
// Room for a frame's sounds, made once: the frame itself allocates nothing.
FrameEvents events = [] {
    FrameEvents room;
    room.reserve(256);
    return room;
}();

constexpr unsigned SceneSeed = 1234;
constexpr int StressDeaths = 12;  // 21 debris pieces each
constexpr int StressBombs = 30;
constexpr int StressGrenades = 10;

// The arena as loaded, before level setup turns its machine marks into objects.
Uint16 keptWalls[ArenaCells];
Uint16 keptItems[ArenaCells];
Uint16 keptAttributes[ArenaCells];

int cellX(int cell)
{
    return (cell % ArenaColumns) * CellSize + 10;
}
int cellY(int cell)
{
    return (cell / ArenaColumns) * CellSize + 30;
}

// Visible cells whose centre a fighter or an object may occupy.
std::vector<int> openCells()
{
    std::vector<int> cells;
    for (int cell = 0; cell < (ArenaRows - 2) * ArenaColumns; cell++)
        if (isPassable(game.arena, cellX(cell), cellY(cell)))
            cells.push_back(cell);
    return cells;
}

// Open cells standing on a wall: bombs placed there rest in rows and set each other off.
std::vector<int> floorCells(const std::vector<int> &open)
{
    std::vector<int> cells;
    for (int cell : open)
        if (game.arena.WallLayer[cell + ArenaColumns] != 0)
            cells.push_back(cell);
    return cells;
}

void restoreArena()
{
    memcpy(game.arena.WallLayer, keptWalls, sizeof game.arena.WallLayer);
    memcpy(game.arena.ItemLayer, keptItems, sizeof game.arena.ItemLayer);
    memcpy(game.arena.AttributeLayer, keptAttributes, sizeof game.arena.AttributeLayer);
    memset(game.arena.RegenTimers, 0, sizeof game.arena.RegenTimers);
}

void spreadDebris(const std::vector<int> &open)
{
    Player *victim = &game.players[0];
    for (int k = 0; k < StressDeaths; k++) {
        int cell = open[k * open.size() / StressDeaths];
        victim->x = cellX(cell);
        victim->y = cellY(cell);
        victim->killPlayer(game);
    }
}

void throwGrenades(const std::vector<int> &open)
{
    for (int k = 0; k < StressGrenades; k++) {
        int cell = open[(k * open.size() / StressGrenades + open.size() / 20) % open.size()];
        linkObject(game, new Grenade(cellX(cell), cellY(cell), k % 2, 24, k % 2));
    }
}

// The bomb's cross, as the bombs test it.
bool inCross(int dx, int dy)
{
    return (std::abs(dx) < 100 && std::abs(dy) < 10) || (std::abs(dx) < 10 && std::abs(dy) < 100);
}

// Runs of three bombs side by side on a floor, no run within reach of another's
// cross; where floors run out, single bombs in the other open cells.
std::vector<std::vector<int>> bombGroups(const std::vector<int> &open)
{
    std::vector<int> floor = floorCells(open);
    std::vector<std::vector<int>> groups;
    std::vector<int> taken;
    auto outOfReach = [&taken](int cell) {
        return std::none_of(taken.begin(), taken.end(), [cell](int other) {
            return inCross(cellX(cell) - cellX(other), cellY(cell) - cellY(other));
        });
    };
    for (size_t i = 0; i + 2 < floor.size() && static_cast<int>(taken.size()) + 3 <= StressBombs; i++) {
        int first = floor[i];
        if (floor[i + 1] != first + 1 || floor[i + 2] != first + 2 || first % ArenaColumns > ArenaColumns - 3)
            continue;
        if (!outOfReach(first) || !outOfReach(first + 1) || !outOfReach(first + 2))
            continue;
        groups.push_back({first, first + 1, first + 2});
        taken.insert(taken.end(), {first, first + 1, first + 2});
        i += 2;
    }
    for (int cell : open) {
        if (static_cast<int>(taken.size()) >= StressBombs)
            break;
        if (std::find(taken.begin(), taken.end(), cell) == taken.end()) {
            groups.push_back({cell});
            taken.push_back(cell);
        }
    }
    return groups;
}

// The groups go off one after another through the episode. In a group the
// last bomb laid goes first: it comes first in the update pass, so the others
// go off in the same pass. Each bomb has a fuse of its own that ends within
// the episode, in case a fighter kicks it out of its group.
void layBombs(const std::vector<int> &open)
{
    std::vector<std::vector<int>> groups = bombGroups(open);
    int spacing = groups.empty() ? 0 : (StressBatch - 8) / static_cast<int>(groups.size());
    for (size_t g = 0; g < groups.size(); g++) {
        int size = static_cast<int>(groups[g].size());
        for (int j = 0; j < size; j++) {
            Bomb *bomb = dropBomb(game, cellX(groups[g][j]), cellY(groups[g][j]), j % 2);
            bomb->age = BombFuse - 2 - static_cast<int>(g) * spacing - (size - 1 - j);
        }
    }
}

}  // namespace

int arenaRichness()
{
    int tiles = 0;
    for (int cell = 0; cell < ArenaCells; cell++)
        tiles += (game.arena.WallLayer[cell] != 0) + (game.arena.ItemLayer[cell] != 0);
    return tiles;
}

// The game folder's match arenas (not the victory stage), in name order.
static std::vector<std::string> matchArenas()
{
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("maps", error))
        if (entry.is_regular_file() && entry.file_size() == ArenaFileSize && entry.path().filename() != "win1")
            paths.push_back("maps/" + entry.path().filename().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string findRichestArena()
{
    std::vector<std::string> paths = matchArenas();
    std::string richest;
    int most = -1;
    for (const std::string &path : paths) {
        if (!loadArena(game.arena, path.c_str()))
            continue;
        int tiles = arenaRichness();
        if (tiles > most) {
            most = tiles;
            richest = path;
        }
    }
    return richest;
}

std::string findMachineArena()
{
    std::vector<std::string> paths = matchArenas();
    std::string found;
    int most = 0;
    for (const std::string &path : paths) {
        if (!loadArena(game.arena, path.c_str()))
            continue;
        int machines = 0;
        for (int cell = 0; cell < ArenaCells; cell++)
            machines += game.arena.ItemLayer[cell] == ItemJumpPad || game.arena.ItemLayer[cell] == ItemLift;
        if (machines > most) {
            most = machines;
            found = path;
        }
    }
    return found;
}

void startGameHeadless()
{
    loadSettings();
    startSdl();
    loadFonts();
    loadCatalogue();
}

bool useArena(const std::string &path)
{
    if (!loadArena(game.arena, path.c_str()))
        return false;
    keepArena(game.arena);
    return true;
}

void keepArena(const Arena &arena)
{
    memcpy(keptWalls, arena.WallLayer, sizeof keptWalls);
    memcpy(keptItems, arena.ItemLayer, sizeof keptItems);
    memcpy(keptAttributes, arena.AttributeLayer, sizeof keptAttributes);
}

void buildRestScene()
{
    game = Match();
    seedRandom(game.random, SceneSeed);
    restoreArena();
    setupLevel(game);
    addFighter(game, settings.Image1);
    addFighter(game, settings.Image2);
    memcpy(game.names[0], settings.Name1, sizeof settings.Name1);
    memcpy(game.names[1], settings.Name2, sizeof settings.Name2);
}

void buildStressScene()
{
    buildRestScene();
    std::vector<int> open = openCells();
    if (open.empty())
        return;
    spreadDebris(open);
    throwGrenades(open);
    layBombs(open);
    keepFightersAlive();
    game.players[0].weapon = WeaponKnife;
    game.players[1].weapon = WeaponGrenade;
    game.players[1].ammo = 30;
}

void buildCrowdScene(bool withBombs)
{
    buildRestScene();
    std::vector<int> open = openCells();
    if (open.empty())
        return;
    for (int k = 0; k < CrowdDebris; k++) {
        int cell = open[(k * 7919) % open.size()];
        spawnDebris(game, cellX(cell), cellY(cell), static_cast<float>(k % 3 - 1), 0, 8 + k % 8, 0, -1);
    }
    std::vector<int> floor = floorCells(open);
    for (int k = 0; withBombs && k < StressBombs && k < static_cast<int>(floor.size()); k++)
        dropBomb(game, cellX(floor[k * floor.size() / StressBombs]), cellY(floor[k * floor.size() / StressBombs]),
                 k % 2);
}

FighterInput stressInput(int player, int frame)
{
    // Fighter 1 runs right then left, fighter 2 the other way; their jumps and throws alternate.
    bool firstHalf = (frame / 25) % 2 == 0;
    bool rightward = player == 0 ? firstHalf : !firstHalf;
    int jumpPhase = player == 0 ? 0 : 8;
    int firePhase = player == 0 ? 0 : 5;
    FighterInput input;
    input.left = rightward ? 0 : 1;
    input.right = rightward ? 1 : 0;
    input.jump = frame % 16 == jumpPhase ? 1 : 0;
    input.fire = frame % 10 == firePhase ? 1 : 0;
    return input;
}

void keepFightersAlive()
{
    for (int i = 0; i < game.playerCount; i++) {
        if (game.players[i].respawnTimer > 0) {
            game.players[i].respawnTimer = 0;
            game.players[i].health = 100;
        }
    }
}

SceneLoad countLoad()
{
    SceneLoad load = {};
    const WorldObject *worldHead = game.worldHead;
    if (!worldHead)
        return load;
    const WorldObject *object = worldHead;
    do {
        load.objects++;
        if (dynamic_cast<const Debris *>(object))
            load.debris++;
        else if (dynamic_cast<const Bomb *>(object))
            load.bombs++;
        else if (dynamic_cast<const Grenade *>(object))
            load.grenades++;
        else if (dynamic_cast<const Animation *>(object))
            load.flames++;
        object = object->next;
    } while (object != worldHead);
    return load;
}

// The frame of the match loop up to the flip.
void drawHalf()
{
    beginFrameList();
    drawMatchFrame(game);
    finishFrameList();
}

void flipScreen()
{
    presentScreen();
}

// The frame of the match loop after the pacing.
void updateHalf(const FighterInput &one, const FighterInput &two)
{
    const FighterInput inputs[MaxPlayers] = {one, two};
    step(game, inputs, events);
    playEvents(events);
}

long allocationsOutsideWorld()
{
    std::vector<const void *> world;
    if (const WorldObject *worldHead = game.worldHead) {
        const WorldObject *object = worldHead;
        do {
            world.push_back(object);
            object = object->next;
        } while (object != worldHead);
    }
    std::sort(world.begin(), world.end(), std::less<const void *>());
    long outside = countedAllocations() - keptAllocations();  // unknown ones count against the frame
    for (int i = 0; i < keptAllocations(); i++)
        if (!std::binary_search(world.begin(), world.end(), countedAllocation(i), std::less<const void *>()))
            outside++;
    return outside;
}
