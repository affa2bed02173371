// The game's random generator gives exactly the C library's numbers for every seed.
#include "support/support.h"

namespace {

TEST(GameRandomTest, YieldsTheCLibrarysNumbersForEverySeed)
{
    std::vector<unsigned> seeds = {0, 1, 2, 11, 1234, 0x7fffffffu, 0x80000000u, 0xffffffffu};
    for (unsigned k = 0; k < 4000; k++)
        seeds.push_back(k * 2654435761u + 12345u);
    for (unsigned seed : seeds) {
        GameRandom random;
        seedRandom(random, seed);
        srand(seed);
        for (int n = 0; n < 40; n++)
            ASSERT_EQ(nextRandom(random), rand()) << "seed " << seed << ", number " << n;
    }
    // A long run, and a copy goes on exactly as the original.
    GameRandom random;
    seedRandom(random, 99);
    srand(99);
    for (int n = 0; n < 200000; n++)
        ASSERT_EQ(nextRandom(random), rand()) << "number " << n;
    GameRandom copy = random;
    for (int n = 0; n < 100; n++)
        ASSERT_EQ(nextRandom(copy), nextRandom(random));
}

}  // namespace
