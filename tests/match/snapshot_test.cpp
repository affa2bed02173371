// A copy of a match is a snapshot: stepped with the same inputs it stays equal
// to the original, shares nothing with it, and an older snapshot restored and
// replayed comes back to the same state.
#include "support/support.h"

namespace {

// Busy inputs from a seed: runs, jumps and a lot of fire.
FighterInput mashed(uint32_t &state)
{
    state = state * 1664525u + 1013904223u;
    uint32_t bits = state >> 24;
    return {(bits & 3) == 1, (bits & 3) == 2, (bits & 4) != 0, (bits & 24) != 0};
}

std::vector<const WorldObject *> objectsIn(const Match &match)
{
    std::vector<const WorldObject *> found;
    for (const WorldObject *o = match.worldHead; o; o = o->next == match.worldHead ? nullptr : o->next)
        found.push_back(o);
    return found;
}

void play(Match &match, uint32_t &state, int frames)
{
    FrameEvents events;
    for (int f = 0; f < frames; f++) {
        const FighterInput inputs[MaxPlayers] = {mashed(state), mashed(state)};
        step(match, inputs, events);
    }
}

TEST(MatchSnapshot, CopyStepsLikeTheOriginalAndARestoredSnapshotReplaysExactly)
{
    static Match original, copy, older;
    settings.Image1 = 1;
    settings.Image2 = 2;
    ASSERT_TRUE(startLevel(original, ZOLTR_SOURCE_DIR "/game/maps/arena1", 7));
    uint32_t inputs = 5;
    play(original, inputs, 700);
    older = original;
    const uint32_t olderInputs = inputs;
    play(original, inputs, 300);

    copy = original;
    ASSERT_EQ(hash(copy), hash(original));
    std::vector<const WorldObject *> mine = objectsIn(original), theirs = objectsIn(copy);
    ASSERT_GT(mine.size(), 20u);  // bodies, flames and thrown things to copy
    ASSERT_EQ(mine.size(), theirs.size());
    for (const WorldObject *o : theirs)
        EXPECT_EQ(std::find(mine.begin(), mine.end(), o), mine.end());

    uint32_t copyInputs = inputs;
    for (int round = 0; round < 20; round++) {
        play(original, inputs, 100);
        play(copy, copyInputs, 100);
        ASSERT_EQ(hash(copy), hash(original)) << "after " << (round + 1) * 100 << " frames";
    }
    EXPECT_GT(original.players[0].kills + original.players[1].kills, 0);

    // Back to frame 700 and the same inputs again: the same 2,300 frames.
    uint32_t replayed = olderInputs;
    play(older, replayed, 2300);
    EXPECT_EQ(hash(older), hash(original));

    // Any field that steers the future moves the hash.
    const uint32_t before = hash(original);
    original.worldHead->next->x++;
    EXPECT_NE(hash(original), before);
    original.worldHead->next->x--;
    nextRandom(original.random);
    EXPECT_NE(hash(original), before);
    original = copy = older = Match();
}

}  // namespace
