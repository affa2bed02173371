// Thrown weapons: knives that fly straight and stick in walls, grenades that
// are lobbed and burst (also a dying fighter's explosive body parts), and bombs
// that fall, get kicked along and explode in a cross of flames.
#include "world/world.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>

constexpr int KnifeDamage = 15;
constexpr int GrenadeFuse = 150;
constexpr int GrenadeDamage = 75;
constexpr int BombDamage = 100;

// An integer coordinate plus a float offset, summed exactly and truncated.
static int moved(int coordinate, double offset)
{
    return static_cast<int>(coordinate + offset);
}

// The bomb's cross: under 100 pixels along one axis and under 10 along the other.
static bool inCross(double dx, double dy)
{
    return (std::fabs(dx) < 100 && std::fabs(dy) < 10) || (std::fabs(dx) < 10 && std::fabs(dy) < 100);
}

// ---------------------------------------------------------------- knife

Knife::Knife(int x, int y, int direction, int frame, int owner) : direction(direction)
{
    this->y = y;
    this->frame = frame;
    age = 0;
    vx = static_cast<float>(3 - 6 * direction);
    this->x = moved(x, vx);  // starts one step ahead of the thrower
    this->owner = owner;
}

// The tile the knife is stuck in, or is about to hit, lies two steps ahead.
static int isOpenAhead(const World &world, const Knife *knife)
{
    return isPassable(world.arena, moved(knife->x, 2.0 * knife->vx), knife->y);
}

void Knife::update(World &world)
{
    if (age == 0) {
        x = moved(x, vx);
        if (!isOpenAhead(world, this)) {
            age = 1;
            world.debrisCount++;
            emitSound(world, Sound::KnifeHit);
        }
        // Runs also in the update in which the knife has just stuck; the
        // thrower is never hit by its own knife.
        int found[MaxPlayers];
        int count = world.fighters->near(world, x, y, squareReach(10), found);
        for (int k = 0; k < count; k++) {
            if (found[k] == owner)
                continue;
            world.fighters->hurt(world, found[k], KnifeDamage, owner);
            alive = 0;
            emitSound(world, Sound::KnifeHit);
        }
    } else {
        if (age > ClutterAge && world.debrisCount > ClutterCount) {
            alive = 0;
            world.debrisCount--;
        }
        if (age < INT_MAX)
            age++;  // a knife stuck for years stops counting rather than overflow
    }
    // The tile it stuck in has opened (a lift took its shaft away). A knife
    // already expired as clutter in this update is not counted off twice.
    if (alive && age > 0 && isOpenAhead(world, this)) {
        alive = 0;
        world.debrisCount--;
    }
}

void Knife::draw() const
{
    drawSprite(x - 10, y - 10, slotImage(ImageSlot::Weapons), 36 + direction + (age != 0 ? 10 : 0));
}

WorldObject *Knife::clone() const
{
    return new Knife(*this);
}

void Knife::hashInto(StateHash &hash) const
{
    hash.add(1, direction);
    WorldObject::hashInto(hash);
}

// ---------------------------------------------------------------- grenade

Grenade::Grenade(int x, int y, int direction, int frame, int owner) : image(ImageSlot::Weapons)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
    vx = static_cast<float>(3 - 6 * direction);
    vy = -3.0f;
    this->owner = owner;
}

Grenade::Grenade(int x, int y, int vx, int vy, int frame, int owner) : image(ImageSlot::Fighters)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
    this->vx = static_cast<float>(vx);
    this->vy = static_cast<float>(vy);
    this->owner = owner;
}

void flyGrenade(const Arena &arena, int &x, int &y, float &vx, float &vy)
{
    // Anything in the way stops it dead; from then on it can only drop.
    if (isPassable(arena, moved(x, vx), moved(y, vy))) {
        x = moved(x, vx);
        y = moved(y, vy);
        vy = vy + 0.1f;
        if (vy > FallLimit)
            vy = FallLimit;
    } else {
        vx = 0;
        vy = 0;
    }
}

GrenadeBurst grenadeBurst(const Arena &arena, int x, int y, int direction)
{
    Grenade g(x, y, direction, 0, -1);
    for (int age = 0; age <= GrenadeFuse; age++)
        flyGrenade(arena, g.x, g.y, g.vx, g.vy);
    return {g.x, g.y};
}

void Grenade::update(World &world)
{
    flyGrenade(world.arena, x, y, vx, vy);
    if (age == GrenadeFuse) {
        int found[MaxPlayers];
        int count = world.fighters->near(world, x, y, squareReach(GrenadeReach), found);
        for (int k = 0; k < count; k++)
            world.fighters->hurt(world, found[k], GrenadeDamage, owner);
        alive = 0;
        emitSound(world, Sound::Explosion);
        spawnAnimation(world, x - 30, y - 30, ImageSlot::Explosion, 0, 5, 5);
    }
    age++;
}

void Grenade::draw() const
{
    drawSprite(x - 10, y - 10, slotImage(image), frame);
}

WorldObject *Grenade::clone() const
{
    return new Grenade(*this);
}

void Grenade::hashInto(StateHash &hash) const
{
    hash.add(2, static_cast<int>(image));
    WorldObject::hashInto(hash);
}

// A dying fighter's body part: plain debris, or with the explosive-debris
// power-up a grenade in its debris form, credited to the fighter who died.
void spawnDebris(World &world, int x, int y, float vx, float vy, int frame, int explosive, int owner)
{
    if (explosive) {
        linkObject(world, new (std::nothrow) Grenade(x, y, static_cast<int>(vx), static_cast<int>(vy), frame, owner));
    } else if (WorldObject *part = new (std::nothrow) Debris(x, y, static_cast<int>(vx), static_cast<int>(vy), frame)) {
        world.debrisCount++;
        linkObject(world, part);
    }
}

// ---------------------------------------------------------------- bomb

// The bomb ring holds exactly the bombs of the world list: a bomb joins it when
// it is made (and linked) and leaves it when the world list deletes it. Its
// order is not the world list's and need not be: each walk over it is a
// question of whether any bomb is near, or sets every bomb in reach to the
// same fuse, so the order of the visits changes nothing.
static void joinBombRing(World &world, Bomb *bomb)
{
    Bomb *&bombHead = world.bombHead;
    if (!bombHead) {
        bomb->prevBomb = bomb->nextBomb = bomb;
        bombHead = bomb;
        return;
    }
    bomb->nextBomb = bombHead->nextBomb;
    bomb->prevBomb = bombHead;
    bombHead->nextBomb->prevBomb = bomb;
    bombHead->nextBomb = bomb;
}

void Bomb::leaveWorld(World &world)
{
    if (nextBomb == this) {
        world.bombHead = nullptr;
        return;
    }
    nextBomb->prevBomb = prevBomb;
    prevBomb->nextBomb = nextBomb;
    if (world.bombHead == this)
        world.bombHead = nextBomb;
}

Bomb::Bomb(int x, int y, int owner) : blink(0), prevBomb(this), nextBomb(this)
{
    this->x = x;
    this->y = y;
    frame = 30;
    passThrough = 0;
    age = 0;
    this->owner = owner;
}

Bomb *dropBomb(World &world, int x, int y, int owner)
{
    Bomb *bomb = new (std::nothrow) Bomb(x, y, owner);
    if (!bomb)
        return nullptr;
    linkObject(world, bomb);
    joinBombRing(world, bomb);
    Bomb *other = world.bombHead;
    do {
        if (other != bomb && other->passThrough == 0 && std::abs(x - other->x) < 20 && std::abs(y - other->y) < 20) {
            bomb->alive = 0;
            break;
        }
        other = other->nextBomb;
    } while (other != world.bombHead);
    return bomb;
}

// Bombs see other bombs and wall tiles only; ladders, lift shafts and the
// like are open to them.
int isFreeForBomb(const World &world, const WorldObject *bomb, int px, int py)
{
    if (const Bomb *bombHead = world.bombHead) {
        const Bomb *other = bombHead;
        do {
            if (other != bomb && other->passThrough == 0 && std::abs(px - other->x) < 15 &&
                std::abs(py - other->y) < 15)
                return 0;
            other = other->nextBomb;
        } while (other != bombHead);
    }
    int r = py - HudHeight;
    if (r < 0)
        r = 0;  // above the arena counts as its top row
    if (r / CellSize >= ArenaRows)
        return 1;
    if (px < 0 || px / CellSize >= ArenaColumns)
        return 0;
    return world.arena.WallLayer[(r / CellSize) * ArenaColumns + px / CellSize] == 0 ? 1 : 0;
}

// One arm of flames: up to five cells from the bomb, ending before the first
// closed cell of the bomb's row or column.
static void spawnFlameArm(World &world, const Bomb *bomb, int stepX, int stepY, int first)
{
    int column = bomb->x / CellSize;
    int row = bomb->y / CellSize;
    for (int k = 1; k <= 5; k++) {
        if (!isPassable(world.arena, (column + k * stepX) * CellSize, (row + k * stepY) * CellSize))
            return;
        spawnAnimation(world, bomb->x + 20 * k * stepX, bomb->y + 20 * k * stepY, ImageSlot::Weapons, first, 0,
                       50 - 10 * k);
    }
}

// Damage is the cross test alone: walls do not shield, the flames only show it.
void Bomb::update(World &world)
{
    int feetY = moved(y, vy + 9.0);
    if (isFreeForBomb(world, this, moved(x, vx - 4.0), feetY) &&
        isFreeForBomb(world, this, moved(x, vx + 4.0), feetY)) {
        x = moved(x, vx);
        y = moved(y, vy);
        vy = vy + 0.2f;
        if (vy > FallLimit)
            vy = FallLimit;
    } else {
        vy = 0;
    }

    int sideY = moved(y, vy);
    if (!isFreeForBomb(world, this, moved(x, vx - 5.0), sideY) ||
        !isFreeForBomb(world, this, moved(x, vx + 5.0), sideY)) {
        vx = 0;
        emitSound(world, Sound::BombKnock);
    }

    // Dead fighters kick too: only their stored speed and position count.
    for (int i = 0; i < world.fighters->count(world); i++) {
        FighterPlace kicker = world.fighters->place(world, i);
        double dx = x - kicker.x;
        if (kicker.vx > 1.0 && 4.0 < dx && dx < 10.0 && std::fabs(y - kicker.y) < 8) {
            vx = 4;
            emitSound(world, Sound::BombKnock);
        }
        if (kicker.vx < -1.0 && -10.0 < dx && dx < -4.0 && std::fabs(y - kicker.y) < 8) {
            vx = -4;
            emitSound(world, Sound::BombKnock);
        }
    }

    if (age == BombFuse) {
        alive = 0;
        emitSound(world, Sound::Explosion);
        int found[MaxPlayers];
        int count = world.fighters->near(world, x, y, squareReach(100), found);  // the cross's bounding box
        for (int k = 0; k < count; k++) {
            FighterPlace victim = world.fighters->place(world, found[k]);
            if (inCross(x - victim.x, y - victim.y))
                world.fighters->hurt(world, found[k], BombDamage, owner);
        }
        // Bombs later in this pass go off in it; earlier ones at their next update.
        Bomb *other = world.bombHead;
        do {
            if (other != this && other->passThrough == 0 && inCross(x - other->x, y - other->y))
                other->age = BombFuse;
            other = other->nextBomb;
        } while (other != world.bombHead);

        spawnAnimation(world, x, y, ImageSlot::Weapons, frame - 3, 0, 50);
        spawnFlameArm(world, this, 1, 0, frame - 2);
        spawnFlameArm(world, this, -1, 0, frame - 2);
        spawnFlameArm(world, this, 0, 1, frame - 1);
        spawnFlameArm(world, this, 0, -1, frame - 1);
    }
    age++;
    blink++;
}

void Bomb::draw() const
{
    drawSprite(x - 10, y - 10, slotImage(ImageSlot::Weapons), frame + (blink % 10 < 5 ? 1 : 0));
}

// The copy's ring links are set by the world's copy.
WorldObject *Bomb::clone() const
{
    return new Bomb(*this);
}

void Bomb::hashInto(StateHash &hash) const
{
    hash.add(3, blink);
    WorldObject::hashInto(hash);
}
