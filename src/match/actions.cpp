// The fighter's action steps: attack timers, the strike or throw, pickups in
// its cell, hurting and deadly cells, and the death check that ends its update.
#include "match/match.h"

#include "arena/arena.h"
#include "media/media.h"
#include "world/world.h"

#include <new>

constexpr int MaxHealth = 100;
constexpr int MeleeReach = 12;  // strike point in front of the centre
constexpr int MeleeDamage = 10;
constexpr double MeleePush = 3.0;

// The arena cell holding the fighter's centre.
static int cellColumn(double x)
{
    return static_cast<int>(x / CellSize);
}

static int cellRow(double y)
{
    return static_cast<int>(y / CellSize - 1);
}

void Player::updateTimers()
{
    if (attackTimer > 0)
        attackTimer--;
    if (cooldown > 0)
        cooldown--;
}

// Ammunition is never used up, so this only matters for a record made empty.
void Player::dropEmptyWeapon()
{
    if (ammo == 0)
        weapon = WeaponNone;
}

// The struck fighter is only marked here; it bursts at the end of its own update.
static void strikeMelee(Match &match, Player *striker)
{
    striker->attackTimer = 10;
    striker->cooldown = 15;
    emitSound(match, Sound::Swing);
    double strikeX = striker->facing == 0 ? striker->x + MeleeReach : striker->x - MeleeReach;
    int found[MaxPlayers];
    int count = fightersNear(match, strikeX, striker->y, squareReach(10), found);
    for (int k = 0; k < count; k++) {
        Player *other = &match.players[found[k]];
        if (other == striker)
            continue;
        other->pushVx += striker->facing == 0 ? MeleePush : -MeleePush;
        other->health -= MeleeDamage;
        if (other->health <= 0)
            creditKill(match, striker->index, other->index);
        emitSound(match, Sound::BlowHit);
    }
}

void Player::attack(Match &match, int fire)
{
    if (!fire || cooldown != 0 || ammo <= 0)
        return;
    attackTimer = 15;
    cooldown = 20;
    int centreX = static_cast<int>(x);
    int centreY = static_cast<int>(y);
    switch (weapon) {
    case WeaponMelee: strikeMelee(match, this); break;
    case WeaponGrenade:
        linkObject(match, new (std::nothrow) Grenade(centreX, centreY, facing, 24, index));
        emitSound(match, Sound::GrenadeThrow);
        break;
    case WeaponBomb:
        dropBomb(match, centreX, centreY, index);
        emitSound(match, Sound::BombDrop);
        break;
    case WeaponKnife:
        linkObject(match, new (std::nothrow) Knife(centreX, centreY, facing, 0, index));
        emitSound(match, Sound::KnifeThrow);
        break;
    default: break;  // empty hands only pose
    }
}

// Every pickup acts at once, but only health leaves its cell at once; the
// others are cleared after the cell's hazard, from the cell the fighter stood
// in when the step began, even if a deadly cell has moved it since.
void Player::takePickupsAndHazards(Match &match)
{
    int column = cellColumn(x);
    int row = cellRow(y);
    int item = itemAt(match.arena, column, row);
    int attribute = attributeAt(match.arena, column, row);

    bool tookItem = true;
    switch (item) {
    case ItemMelee:
        weapon = WeaponMelee;
        ammo = 20;
        break;
    case ItemBomb:
        weapon = WeaponBomb;
        ammo = 20;
        break;
    case ItemGrenade:
        weapon = WeaponGrenade;
        ammo = 30;
        break;
    case ItemKnife:
        weapon = WeaponKnife;
        ammo = 20;
        break;
    case ItemExplosiveDebris: explosiveDebris = 1; break;
    case ItemJetpack:
        gadget = GadgetJetpack;
        gadgetCharge = 500;
        break;
    case ItemParachute:
        gadget = GadgetParachute;
        gadgetCharge = 1;
        break;
    case ItemHealth:
        health += 50;
        setItem(match.arena, column, row, 0);
        emitSound(match, Sound::Health);
        tookItem = false;
        break;
    default: tookItem = false; break;
    }

    if (attribute == AttributeDamaging) {
        health -= 1;
        emitSoundWhenQuiet(match, Sound::Hazard);
    }
    if (attribute == AttributeDeadly)
        killPlayer(match);
    if (health > MaxHealth)
        health = MaxHealth;
    if (tookItem) {
        setItem(match.arena, column, row, 0);
        emitSound(match, Sound::Pickup);
    }
}

// Nobody scores here: hazards, falls and the bottom edge kill on their own.
void Player::checkDeath(Match &match)
{
    if (health <= 0 || y > ScreenHeight)
        killPlayer(match);
}
