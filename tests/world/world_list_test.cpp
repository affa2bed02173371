// The world list: ring order of both passes, removal during the update pass,
// objects created during it, and what emptying the list leaves alone.
#include "support/support.h"

namespace {

std::string updated;  // names in update order
std::string drawn;    // names in draw order
std::string deleted;  // names in deletion order

// A named object, linked into the match's world when made, whose update runs a step the test chooses.
class Probe : public WorldObject {
public:
    explicit Probe(char name, std::function<void(Probe &)> step = nullptr) : name(name), step(std::move(step))
    {
        y = 100;
        linkObject(match, this);
    }
    ~Probe() override { deleted += name; }
    void update(World &) override
    {
        updated += name;
        if (step)
            step(*this);
    }
    void draw() const override { drawn += name; }
    WorldObject *clone() const override { return nullptr; }

    char name;
    std::function<void(Probe &)> step;
};

class WorldList : public ::testing::Test {
protected:
    void SetUp() override
    {
        match = Match();
        deleted.clear();
    }
    void TearDown() override { match = Match(); }

    static std::string pass()
    {
        updated.clear();
        updateWorld(match);
        return updated;
    }
    static std::string drawPass()
    {
        drawn.clear();
        drawWorld(match);
        return drawn;
    }
    static char head() { return static_cast<Probe *>(match.worldHead)->name; }
};

void die(Probe &probe)
{
    probe.alive = 0;
}

}  // namespace

TEST_F(WorldList, RingHoldsTheHeadThenTheNewestObjects)
{
    EXPECT_EQ(pass() + drawPass(), "");
    for (char name : std::string("ABCD"))
        new Probe(name);
    EXPECT_EQ(pass(), "ADCB");
    EXPECT_EQ(drawPass(), "ADCB");
    EXPECT_EQ(static_cast<Probe *>(match.worldHead->prev->prev)->name, 'C');  // consistent backwards too
    EXPECT_EQ(deleted, "");
}

TEST_F(WorldList, RemovingTheHeadEndsThePassEarly)
{
    new Probe('A', die);
    for (char name : std::string("BCD"))
        new Probe(name);
    EXPECT_EQ(pass(), "A");
    EXPECT_EQ(head(), 'D');
    EXPECT_EQ(pass(), "DCB");

    // The last object before the head goes at the end of a full pass.
    static_cast<Probe *>(match.worldHead->prev)->step = die;  // B
    EXPECT_EQ(pass(), "DCB");
    EXPECT_EQ(pass(), "DC");

    // One in the middle goes without disturbing the others.
    static_cast<Probe *>(match.worldHead)->step = [](Probe &) {
        static_cast<Probe *>(match.worldHead->next)->alive = 0;
    };
    EXPECT_EQ(pass(), "DC");
    EXPECT_EQ(deleted, "ABC");
    EXPECT_EQ(pass(), "D");
}

TEST_F(WorldList, OnlyTheHeadsNewObjectsJoinTheCurrentPass)
{
    new Probe('A', [](Probe &self) {
        if (self.age++ == 0)
            new Probe('E');
    });
    new Probe('B', [](Probe &self) {
        if (self.age++ == 0)
            new Probe('F');
    });
    new Probe('C');
    EXPECT_EQ(pass(), "AECB");  // F, made by B, waits for the next frame
    EXPECT_EQ(pass(), "AFECB");

    // The head that leaves while making something: the new object becomes the
    // head and is first updated in the next frame.
    match = Match();
    new Probe('G', [](Probe &self) {
        new Probe('H');
        self.alive = 0;
    });
    new Probe('I');
    EXPECT_EQ(pass(), "G");
    EXPECT_EQ(pass(), "HI");
}

TEST_F(WorldList, ObjectsBelowTheScreenAndTheLastObjectAreRemoved)
{
    new Probe('A', [](Probe &self) { self.y = 480; });
    new Probe('B', [](Probe &self) { self.y = 481; });
    new Probe('C', [](Probe &self) { self.y = -5000; });
    match.debrisCount = 7;
    EXPECT_EQ(pass(), "ACB");
    EXPECT_EQ(pass(), "AC");
    EXPECT_EQ(deleted, "B");
    EXPECT_EQ(match.debrisCount, 7);  // falling out is not counted down

    match = Match();
    new Probe('Z', die);
    EXPECT_EQ(pass(), "Z");
    EXPECT_EQ(match.worldHead, nullptr);
    EXPECT_EQ(pass(), "");
}

TEST_F(WorldList, EmptyingTheListDeletesEveryObjectAndKeepsDebrisCount)
{
    for (char name : std::string("ABCDE"))
        new Probe(name);
    match.debrisCount = 250;
    while (match.worldHead)
        unlinkObject(match, match.worldHead);
    EXPECT_EQ(deleted, "AEDCB");  // each head removal moves the head to its successor
    EXPECT_EQ(match.debrisCount, 250);

    // A list emptied and filled again starts a new ring from its first object.
    for (char name : std::string("XYW"))
        new Probe(name);
    EXPECT_EQ(drawPass(), "XWY");
}
