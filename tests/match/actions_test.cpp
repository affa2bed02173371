// A fighter's actions on small arenas: melee reach, knock-back and credit,
// attack pacing and throws, pickups and their order against the attack,
// hurting and deadly cells, and the death check that ends an update.
#include "support/support.h"

namespace {

// The small arena, with the fighter at x = 100 and the other at x = 400.
class Actions : public SmallArena {
protected:
    void SetUp() override
    {
        SmallArena::SetUp();
        seedRandom(match.random, 11);
        start();
        fighter = &match.players[0];
        other = &match.players[1];
        fighter->x = 100;
        other->x = 400;
    }

    static Uint16 &itemAtCell(int column, int row) { return match.arena.ItemLayer[row * ArenaColumns + column]; }

    Player *fighter = nullptr;
    Player *other = nullptr;
};

TEST_F(Actions, MeleeHitsOnlyInsideItsReachAndAddsToThePush)
{
    struct Case {
        int facing;
        double dx, dy;
        bool hit;
    };
    const Case cases[] = {
        {0, 2.0, 0, false},  {0, 2.5, 0, true}, {0, 21.9, 9.9, true}, {0, 22.0, 0, false}, {0, 12, 10.0, false},
        {0, 12, -9.9, true}, {0, 0, 0, false},  {1, -12, 0, true},    {1, 12, 0, false},   {1, -21.5, 5, true},
    };
    fighter->weapon = WeaponMelee;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "facing " << c.facing << " dx " << c.dx << " dy " << c.dy);
        fighter->facing = c.facing;
        fighter->cooldown = 0;
        other->x = fighter->x + c.dx;
        other->y = fighter->y + c.dy;
        other->health = 100;
        other->pushVx = 0.5;
        fighter->attack(match, 1);
        EXPECT_EQ(std::tuple(fighter->attackTimer, fighter->cooldown, other->health, playingSlot(0)),
                  std::tuple(10, 15, c.hit ? 90 : 100, c.hit ? 8 : 1));
        EXPECT_EQ(other->pushVx, c.hit ? (c.facing == 0 ? 3.5 : -2.5) : 0.5);
    }

    other->respawnTimer = 3;  // the dead cannot be struck
    other->health = 100;
    other->x = fighter->x - 12;
    fighter->cooldown = 0;
    fighter->attack(match, 1);
    EXPECT_EQ(other->health, 100);
}

TEST_F(Actions, MeleeKillIsCreditedAtTheStrikeAndTheBodyBurstsLater)
{
    fighter->weapon = WeaponMelee;
    other->x = fighter->x + 12;
    other->health = 10;
    fighter->attack(match, 1);
    EXPECT_EQ(fighter->kills, 1);
    EXPECT_EQ(playingSlot(1), 0);
    EXPECT_EQ(other->respawnTimer, 0);  // still standing until its own update ends
    other->updatePlayer(match, {0, 0, 0, 0});
    EXPECT_EQ(other->respawnTimer, 100);
    EXPECT_EQ(match.debrisCount, 21);
    EXPECT_EQ(fighter->kills, 1);
}

TEST_F(Actions, AttacksArePacedAndThrowsStartFromTheTruncatedCentre)
{
    fighter->weapon = WeaponKnife;
    for (int update = 1; update <= 41; update++)
        fighter->updatePlayer(match, {0, 0, 0, 1});
    EXPECT_EQ(objectsOf<Knife>().size(), 3u);  // thrown in updates 1, 21 and 41
    EXPECT_EQ(fighter->ammo, 20);              // never used up
    EXPECT_EQ(playingSlot(0), 9);

    while (match.worldHead)
        unlinkObject(match, match.worldHead);
    other->x = 300.7;
    other->y = 209.9;
    other->facing = 1;
    for (int weapon : {WeaponKnife, WeaponGrenade, WeaponBomb, WeaponNone}) {
        other->weapon = weapon;
        other->cooldown = 0;
        other->attack(match, 1);
    }
    EXPECT_EQ(other->attackTimer, 15);  // empty hands only pose
    Knife *knife = objectsOf<Knife>()[0];
    Grenade *grenade = objectsOf<Grenade>()[0];
    Bomb *bomb = objectsOf<Bomb>()[0];
    // The knife starts a step ahead of 300, to the left.
    EXPECT_EQ(std::tuple(knife->x, knife->y, grenade->x, grenade->vx, bomb->x), std::tuple(297, 209, 300, -3.0f, 300));
    EXPECT_EQ(knife->owner + grenade->owner + bomb->owner, 3);
    EXPECT_EQ(playingSlot(0), 6);

    other->weapon = WeaponBomb;
    other->ammo = 0;  // a weapon without ammunition is dropped and never used
    other->cooldown = 0;
    other->attackTimer = 0;
    other->updatePlayer(match, {0, 0, 0, 1});
    EXPECT_EQ(other->weapon, WeaponNone);
    EXPECT_EQ(other->attackTimer, 0);
}

TEST_F(Actions, PickupsActAfterTheAttackAndAreAlwaysConsumed)
{
    struct Case {
        int code;
        int weapon, ammo, gadget, charge, explosive;
    };
    const Case cases[] = {
        {ItemMelee, WeaponMelee, 20, GadgetJetpack, 120, 0},
        {ItemBomb, WeaponBomb, 20, GadgetJetpack, 120, 0},
        {ItemGrenade, WeaponGrenade, 30, GadgetJetpack, 120, 0},
        {ItemKnife, WeaponKnife, 20, GadgetJetpack, 120, 0},
        {ItemExplosiveDebris, WeaponGrenade, 30, GadgetJetpack, 120, 1},
        {ItemParachute, WeaponGrenade, 30, GadgetParachute, 1, 0},  // replaces the jetpack
        {ItemJetpack, WeaponGrenade, 30, GadgetJetpack, 500, 0},    // refills it
    };
    fighter->x = 119.9;  // column 5, row 9
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "item " << c.code);
        Player &f = *fighter;
        std::tie(f.weapon, f.ammo, f.gadget, f.gadgetCharge, f.explosiveDebris) =
            std::tuple(WeaponGrenade, 30, GadgetJetpack, 120, 0);
        itemAtCell(5, 9) = static_cast<Uint16>(c.code);
        f.takePickupsAndHazards(match);
        EXPECT_EQ(std::tie(f.weapon, f.ammo, f.gadget, f.gadgetCharge, f.explosiveDebris),
                  std::tuple(c.weapon, c.ammo, c.gadget, c.charge, c.explosive));
        EXPECT_EQ(std::tuple(itemAtCell(5, 9), playingSlot(0)), std::tuple(0, 15));
    }
    for (int health : {80, 100}) {
        fighter->health = health;
        itemAtCell(5, 9) = ItemHealth;
        fighter->takePickupsAndHazards(match);
        EXPECT_EQ(std::tuple(fighter->health, itemAtCell(5, 9), playingSlot(0)), std::tuple(100, 0, 11));
    }

    // Fire in the update that reaches a knife still throws the grenade.
    itemAtCell(5, 9) = ItemKnife;
    fighter->cooldown = 0;
    fighter->updatePlayer(match, {0, 0, 0, 1});
    EXPECT_EQ(objectsOf<Grenade>().size(), 1u);
    EXPECT_TRUE(objectsOf<Knife>().empty());
    EXPECT_EQ(fighter->weapon, WeaponKnife);
    EXPECT_EQ(playingSlot(0), 15);  // the pickup sound cuts off the throw
}

// A point an update, so full health lasts a hundred updates.
TEST_F(Actions, HurtingCellTakesAPointAnUpdateWithAHissThatWaitsForQuiet)
{
    match.arena.AttributeLayer[9 * ArenaColumns + 5] = AttributeDamaging;
    fighter->x = 110;
    fighter->updatePlayer(match, {0, 0, 0, 0});
    EXPECT_EQ(std::tuple(playingSlot(0), fighter->health), std::tuple(13, 99));
    playSound(static_cast<Sound>(9));  // the hiss waits for channel 0 to go quiet
    fighter->updatePlayer(match, {0, 0, 0, 0});
    EXPECT_EQ(playingSlot(0), 9);
    Mix_HaltChannel(0);
    fighter->updatePlayer(match, {0, 0, 0, 0});
    EXPECT_EQ(std::tuple(playingSlot(0), fighter->health), std::tuple(13, 97));
}

// The death has already thrown its parts and moved the fighter to a spawn
// point, so neither movement nor the held jump nor a second death follows.
TEST_F(Actions, FighterKilledByADeadlyCellSkipsTheRestOfItsUpdate)
{
    match.arena.AttributeLayer[9 * ArenaColumns + 5] = AttributeDeadly;
    itemAtCell(5, 9) = ItemKnife;
    itemAtCell(28, 9) = ItemMelee;  // on the spawn point the fighter is sent to
    fighter->x = 110;
    fighter->vx = 1.5;
    fighter->updatePlayer(match, {0, 1, 1, 0});
    EXPECT_EQ(std::tuple(fighter->respawnTimer, fighter->x, fighter->y, fighter->vx, fighter->vy, fighter->weapon),
              std::tuple(100, 570.0, 210.0, 1.5, 0.0, int{WeaponNone}));
    EXPECT_EQ(match.debrisCount, 21);  // one burst, not two
    EXPECT_EQ(itemAtCell(5, 9), 0);    // its pickup is taken from where it lay
    EXPECT_EQ(itemAtCell(28, 9), ItemMelee);
    EXPECT_EQ(playingSlot(0), 15);
    EXPECT_EQ(playingSlot(3), 7);
}

TEST_F(Actions, FallingOffTheBottomKillsWithHealthLeftAndScoresForNobody)
{
    fighter->y = 480;
    fighter->checkDeath(match);
    EXPECT_EQ(fighter->respawnTimer, 0);

    clearArena(match.arena);  // nothing to land on
    fighter->y = 476;
    fighter->vy = 6.0;
    fighter->updatePlayer(match, {0, 0, 0, 0});
    EXPECT_EQ(fighter->respawnTimer, 100);
    EXPECT_EQ(fighter->kills + other->kills, 0);
}

}  // namespace
