// Loading arena files: whole files, short files block by block, odd bytes,
// read-only and missing files, and the regeneration reset.
#include "arena/arena.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Values every cell of a test file carries, distinct per layer and above 255
// so that both bytes of each code matter.
int wallValue(int cell) { return 300 + cell; }
int itemValue(int cell) { return 2000 + cell; }
int attributeValue(int cell) { return 40000 + cell; }
constexpr Uint16 Previous = 7;  // what the layers hold before a load

void appendCode(std::string &bytes, int code)
{
    bytes += static_cast<char>(code & 0xFF);
    bytes += static_cast<char>((code >> 8) & 0xFF);
}

// The first `length` bytes of a complete arena file (plus filler beyond 4608).
std::string arenaBytes(size_t length)
{
    std::string bytes;
    for (int cell = 0; cell < ArenaCells; cell++)
        appendCode(bytes, wallValue(cell));
    for (int cell = 0; cell < ArenaCells; cell++)
        appendCode(bytes, itemValue(cell));
    for (int cell = 0; cell < ArenaCells; cell++)
        appendCode(bytes, attributeValue(cell));
    while (bytes.size() < length)
        bytes += '\x5A';
    return bytes.substr(0, length);
}

void fillLayersWithPrevious()
{
    for (int cell = 0; cell < ArenaCells; cell++) {
        WallLayer[cell] = ItemLayer[cell] = AttributeLayer[cell] = Previous;
        RegenTimers[cell] = -5;
    }
}

// How many cells of a layer hold the test file's values, and whether the
// rest still hold the previous arena's.
int cellsLoaded(const Uint16 *layer, int (*value)(int))
{
    int loaded = 0;
    while (loaded < ArenaCells && layer[loaded] == value(loaded))
        loaded++;
    for (int cell = loaded; cell < ArenaCells; cell++)
        if (layer[cell] != Previous)
            return -1;
    return loaded;
}

bool timersAll(int value)
{
    for (Sint16 timer : RegenTimers)
        if (timer != value)
            return false;
    return true;
}

// loadArena as a user without the right to write the file. Root may write any
// file, so as root the load runs in a child that has given up root.
int loadArenaUnprivileged(const char *path)
{
    if (geteuid() != 0)
        return loadArena(path);
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(loadArena(path));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(ArenaFile, WholeLongerAndReadOnlyFilesLoadEveryLayer)
{
    TempGameDir dir;
    writeFile("exact", arenaBytes(ArenaFileSize));
    writeFile("longer", arenaBytes(ArenaFileSize + 301));
    writeFile("maps/locked", arenaBytes(ArenaFileSize));
    std::filesystem::permissions("maps/locked", std::filesystem::perms(0444));
    std::filesystem::permissions("maps", std::filesystem::perms(0555));

    for (const char *path : {"exact", "longer", "maps/locked"}) {
        SCOPED_TRACE(path);
        fillLayersWithPrevious();
        ASSERT_EQ(loadArena(path), 1);
        EXPECT_EQ(cellsLoaded(WallLayer, wallValue), ArenaCells);
        EXPECT_EQ(cellsLoaded(ItemLayer, itemValue), ArenaCells);
        EXPECT_EQ(cellsLoaded(AttributeLayer, attributeValue), ArenaCells);
        EXPECT_TRUE(timersAll(0));
    }
    // Others may read the test folder, as players may read an installed game.
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    EXPECT_EQ(loadArenaUnprivileged("maps/locked"), 1);
    // Loading only reads: the read-only file is left as it was.
    EXPECT_EQ(readFile("maps/locked"), arenaBytes(ArenaFileSize));
    std::filesystem::permissions("maps", std::filesystem::perms(0755));
}

TEST(ArenaFile, ShortFilesLoadBlockByBlock)
{
    TempGameDir dir;
    struct Case {
        size_t length;
        int result;
        int walls, items, attributes;  // cells loaded per layer
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0},
        {1, 0, 0, 0, 0},           // not one whole wall code
        {1535, 0, 767, 0, 0},      // odd byte at the end of the walls, no items
        {1537, 0, 768, 0, 0},      // one byte into the items
        {3072, 0, 768, 768, 0},    // walls and items only
        {3073, 0, 768, 768, 0},    // one byte into the attributes
        {3074, 1, 768, 768, 1},    // one attribute code is enough
        {3075, 1, 768, 768, 1},    // the odd byte leaves the next cell whole
        {4000, 1, 768, 768, 464},
        {4607, 1, 768, 768, 767},  // the last cell keeps the previous arena's code
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("file of " + std::to_string(c.length) + " bytes");
        writeFile("arena", arenaBytes(c.length));
        fillLayersWithPrevious();
        EXPECT_EQ(loadArena("arena"), c.result);
        EXPECT_EQ(cellsLoaded(WallLayer, wallValue), c.walls);
        EXPECT_EQ(cellsLoaded(ItemLayer, itemValue), c.items);
        EXPECT_EQ(cellsLoaded(AttributeLayer, attributeValue), c.attributes);
        // Only a successful load restarts the spawners.
        EXPECT_TRUE(timersAll(c.result ? 0 : -5));
    }

    fillLayersWithPrevious();
    std::filesystem::create_directory("folder");
    EXPECT_EQ(loadArena("no such arena"), 0);
    EXPECT_EQ(loadArena("folder"), 0);  // a folder is not an arena either
    EXPECT_EQ(cellsLoaded(WallLayer, wallValue), 0);
    EXPECT_EQ(cellsLoaded(AttributeLayer, attributeValue), 0);
    EXPECT_TRUE(timersAll(-5));
}
