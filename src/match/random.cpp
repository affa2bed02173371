// The game's random numbers: the additive feedback generator the C library's
// rand() uses on this platform, with its state in the match so that a match
// can be copied, saved and sent. For a seed it yields exactly rand()'s numbers.
#include "match/match.h"

constexpr int RandomDiscard = 310;  // outputs thrown away after seeding, as rand() does

void seedRandom(GameRandom &random, unsigned seed)
{
    // 34 words from the minimal standard generator; only the last 31 are kept.
    int32_t words[34];
    words[0] = static_cast<int32_t>(seed == 0 ? 1 : seed);
    for (int i = 1; i < 31; i++) {
        // 16807 * word mod 2^31 - 1, without overflowing 31 bits.
        long hi = words[i - 1] / 127773;
        long lo = words[i - 1] % 127773;
        long word = 16807 * lo - 2836 * hi;
        words[i] = static_cast<int32_t>(word < 0 ? word + 2147483647 : word);
    }
    for (int i = 31; i < 34; i++)
        words[i] = words[i - 31];
    for (int i = 0; i < GameRandom::Size; i++)
        random.ring[i] = static_cast<uint32_t>(words[i + 3]);
    random.oldest = 0;
    for (int i = 0; i < RandomDiscard; i++)
        nextRandom(random);
}

int nextRandom(GameRandom &random)
{
    // Each word is the sum of the words 31 and 3 places back.
    int back3 = random.oldest + GameRandom::Size - 3;
    if (back3 >= GameRandom::Size)
        back3 -= GameRandom::Size;
    uint32_t word = random.ring[random.oldest] + random.ring[back3];
    random.ring[random.oldest] = word;
    random.oldest = random.oldest + 1 == GameRandom::Size ? 0 : random.oldest + 1;
    return static_cast<int>(word >> 1);
}
