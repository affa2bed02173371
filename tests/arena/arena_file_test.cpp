// Loading arena files: whole, longer and short files block by block, folders,
// missing and read-only files, and the regeneration reset.
#include "support/support.h"

namespace {

// Each layer's codes are distinct per cell and above 255, so that both bytes
// of each code matter; the layers hold 7 before a load.
const int Base[] = {300, 2000, 40000};
Uint16 *const Layers[] = {match.arena.WallLayer, match.arena.ItemLayer, match.arena.AttributeLayer};

// The first `length` bytes of a complete arena file (plus filler beyond 4608).
std::string arenaBytes(size_t length)
{
    std::string bytes;
    for (int base : Base)
        for (int cell = 0; cell < ArenaCells; cell++) {
            bytes += static_cast<char>((base + cell) & 0xFF);
            bytes += static_cast<char>((base + cell) >> 8);
        }
    bytes.resize(std::max(length, bytes.size()), '\x5A');
    return bytes.substr(0, length);
}

// Loads `path` into layers full of 7s and timers of -5; gives the result and,
// per layer, how many cells hold the file's codes (-1 if the rest are not 7).
std::string load(const char *path)
{
    for (Uint16 *layer : Layers)
        std::fill(layer, layer + ArenaCells, 7);
    std::fill(std::begin(match.arena.RegenTimers), std::end(match.arena.RegenTimers), -5);
    std::string seen = std::to_string(loadArena(match.arena, path)) + ":";
    for (int l = 0; l < 3; l++) {
        int loaded = 0;
        while (loaded < ArenaCells && Layers[l][loaded] == Base[l] + loaded)
            loaded++;
        bool restKept = std::all_of(Layers[l] + loaded, Layers[l] + ArenaCells, [](Uint16 v) { return v == 7; });
        seen += " " + std::to_string(restKept ? loaded : -1);
    }
    // Only a successful load restarts the spawners.
    Sint16 timer = seen[0] == '1' ? 0 : -5;
    if (std::count(std::begin(match.arena.RegenTimers), std::end(match.arena.RegenTimers), timer) != ArenaCells)
        seen += " timers";
    return seen;
}

}  // namespace

TEST(ArenaFile, ShortFilesLoadBlockByBlock)
{
    TempGameDir dir;
    const std::pair<size_t, const char *> cases[] = {
        {0, "0: 0 0 0"},          {1, "0: 0 0 0"},           // not one whole wall code
        {1535, "0: 767 0 0"},                                // odd byte at the end of the walls, no items
        {1537, "0: 768 0 0"},                                // one byte into the items
        {3073, "0: 768 768 0"},                              // one byte into the attributes
        {3074, "1: 768 768 1"},                              // one attribute code is enough
        {3075, "1: 768 768 1"},                              // the odd byte leaves the next cell whole
        {4607, "1: 768 768 767"},                            // the last cell keeps the previous arena's code
        {4608, "1: 768 768 768"}, {4909, "1: 768 768 768"},  // what follows the layers is never read
    };
    for (const auto &[length, expected] : cases) {
        writeFile("arena", arenaBytes(length));
        EXPECT_EQ(load("arena"), expected) << length << " bytes";
    }
    std::filesystem::create_directory("folder");
    EXPECT_EQ(load("no such arena"), "0: 0 0 0");
    EXPECT_EQ(load("folder"), "0: 0 0 0");
    // Neither waits on a pipe nor reads on into a device that never ends.
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    std::filesystem::create_symlink("/dev/zero", "zero");
    EXPECT_EQ(load("fifo"), "0: 0 0 0");
    EXPECT_EQ(load("zero"), "0: 0 0 0");
}

TEST(ArenaFile, ReadOnlyFilesLoadAndStayAsTheyWere)
{
    TempGameDir dir;
    writeFile("locked", arenaBytes(ArenaFileSize));
    std::filesystem::permissions("locked", std::filesystem::perms(0444));
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0555));
    EXPECT_EQ(unprivileged([] { return std::to_string(loadArena(match.arena, "locked")); }), "1");
    EXPECT_EQ(readFile("locked"), arenaBytes(ArenaFileSize));
}
