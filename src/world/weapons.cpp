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
constexpr int GrenadeReach = 30;
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
static int isOpenAhead(const Knife *knife)
{
    return isPassable(moved(knife->x, 2.0 * knife->vx), knife->y);
}

void Knife::update()
{
    if (age == 0) {
        x = moved(x, vx);
        if (!isOpenAhead(this)) {
            age = 1;
            debrisCount++;
            playSound(Sound::KnifeHit);
        }
        // Runs also in the update in which the knife has just stuck; the
        // thrower is never hit by its own knife.
        int found[MaxPlayers];
        int count = fighterLink.near(x, y, squareReach(10), found);
        for (int k = 0; k < count; k++) {
            if (found[k] == owner)
                continue;
            fighterLink.hurt(found[k], KnifeDamage, owner);
            alive = 0;
            playSound(Sound::KnifeHit);
        }
    } else {
        if (age > ClutterAge && debrisCount > ClutterCount) {
            alive = 0;
            debrisCount--;
        }
        if (age < INT_MAX)
            age++;  // a knife stuck for years stops counting rather than overflow
    }
    // The tile it stuck in has opened (a lift took its shaft away). A knife
    // already expired as clutter in this update is not counted off twice.
    if (alive && age > 0 && isOpenAhead(this)) {
        alive = 0;
        debrisCount--;
    }
}

void Knife::draw()
{
    drawSprite(x - 10, y - 10, slotImage(ImageSlot::Weapons), 36 + direction + (age != 0 ? 10 : 0));
}

// ---------------------------------------------------------------- grenade

Grenade::Grenade(int x, int y, int direction, int frame, int owner) : image(slotImage(ImageSlot::Weapons))
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
    vx = static_cast<float>(3 - 6 * direction);
    vy = -3.0f;
    this->owner = owner;
}

Grenade::Grenade(int x, int y, int vx, int vy, int frame, int owner) : image(slotImage(ImageSlot::Fighters))
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
    this->vx = static_cast<float>(vx);
    this->vy = static_cast<float>(vy);
    this->owner = owner;
}

void Grenade::update()
{
    // Anything in the way stops it dead; from then on it can only drop.
    if (isPassable(moved(x, vx), moved(y, vy))) {
        x = moved(x, vx);
        y = moved(y, vy);
        vy = vy + 0.1f;
        if (vy > FallLimit)
            vy = FallLimit;
    } else {
        vx = 0;
        vy = 0;
    }
    if (age == GrenadeFuse) {
        int found[MaxPlayers];
        int count = fighterLink.near(x, y, squareReach(GrenadeReach), found);
        for (int k = 0; k < count; k++)
            fighterLink.hurt(found[k], GrenadeDamage, owner);
        alive = 0;
        playSound(Sound::Explosion);
        spawnAnimation(x - 30, y - 30, slotImage(ImageSlot::Explosion), 0, 5, 5);
    }
    age++;
}

void Grenade::draw()
{
    drawSprite(x - 10, y - 10, image, frame);
}

// A dying fighter's body part: plain debris, or with the explosive-debris
// power-up a grenade in its debris form, credited to the fighter who died.
void spawnDebris(int x, int y, float vx, float vy, int frame, int explosive, int owner)
{
    if (explosive)
        new (std::nothrow) Grenade(x, y, static_cast<int>(vx), static_cast<int>(vy), frame, owner);
    else
        new (std::nothrow) Debris(x, y, static_cast<int>(vx), static_cast<int>(vy), frame);
}

// ---------------------------------------------------------------- bomb

Bomb *bombHead;

// The bomb ring holds exactly the bombs of the world list: a bomb joins it when
// it is made (and linked) and leaves it when the world list deletes it. Its
// order is not the world list's and need not be: each walk over it is a
// question of whether any bomb is near, or sets every bomb in reach to the
// same fuse, so the order of the visits changes nothing.
static void joinBombRing(Bomb *bomb)
{
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

Bomb::~Bomb()
{
    if (nextBomb == this) {
        bombHead = nullptr;
        return;
    }
    nextBomb->prevBomb = prevBomb;
    prevBomb->nextBomb = nextBomb;
    if (bombHead == this)
        bombHead = nextBomb;
}

// A bomb dropped onto another bomb goes out again after one frame.
Bomb::Bomb(int x, int y, int owner) : blink(0)
{
    this->x = x;
    this->y = y;
    frame = 30;
    passThrough = 0;
    age = 0;
    this->owner = owner;
    joinBombRing(this);
    Bomb *other = bombHead;
    do {
        if (other != this && other->passThrough == 0 && std::abs(x - other->x) < 20 && std::abs(y - other->y) < 20) {
            alive = 0;
            break;
        }
        other = other->nextBomb;
    } while (other != bombHead);
}

// Bombs see other bombs and wall tiles only; ladders, lift shafts and the
// like are open to them.
int isFreeForBomb(WorldObject *bomb, int px, int py)
{
    if (bombHead) {
        Bomb *other = bombHead;
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
    return WallLayer[(r / CellSize) * ArenaColumns + px / CellSize] == 0 ? 1 : 0;
}

// One arm of flames: up to five cells from the bomb, ending before the first
// closed cell of the bomb's row or column.
static void spawnFlameArm(const Bomb *bomb, int stepX, int stepY, int first)
{
    int column = bomb->x / CellSize;
    int row = bomb->y / CellSize;
    for (int k = 1; k <= 5; k++) {
        if (!isPassable((column + k * stepX) * CellSize, (row + k * stepY) * CellSize))
            return;
        spawnAnimation(bomb->x + 20 * k * stepX, bomb->y + 20 * k * stepY, slotImage(ImageSlot::Weapons), first, 0,
                       50 - 10 * k);
    }
}

// Damage is the cross test alone: walls do not shield, the flames only show it.
void Bomb::update()
{
    int feetY = moved(y, vy + 9.0);
    if (isFreeForBomb(this, moved(x, vx - 4.0), feetY) && isFreeForBomb(this, moved(x, vx + 4.0), feetY)) {
        x = moved(x, vx);
        y = moved(y, vy);
        vy = vy + 0.2f;
        if (vy > FallLimit)
            vy = FallLimit;
    } else {
        vy = 0;
    }

    int sideY = moved(y, vy);
    if (!isFreeForBomb(this, moved(x, vx - 5.0), sideY) || !isFreeForBomb(this, moved(x, vx + 5.0), sideY)) {
        vx = 0;
        playSound(Sound::BombKnock);
    }

    // Dead fighters kick too: only their stored speed and position count.
    for (int i = 0; i < fighterLink.count(); i++) {
        FighterPlace kicker = fighterLink.place(i);
        double dx = x - kicker.x;
        if (kicker.vx > 1.0 && 4.0 < dx && dx < 10.0 && std::fabs(y - kicker.y) < 8) {
            vx = 4;
            playSound(Sound::BombKnock);
        }
        if (kicker.vx < -1.0 && -10.0 < dx && dx < -4.0 && std::fabs(y - kicker.y) < 8) {
            vx = -4;
            playSound(Sound::BombKnock);
        }
    }

    if (age == BombFuse) {
        alive = 0;
        playSound(Sound::Explosion);
        int found[MaxPlayers];
        int count = fighterLink.near(x, y, squareReach(100), found);  // the cross's bounding box
        for (int k = 0; k < count; k++) {
            FighterPlace victim = fighterLink.place(found[k]);
            if (inCross(x - victim.x, y - victim.y))
                fighterLink.hurt(found[k], BombDamage, owner);
        }
        // Bombs later in this pass go off in it; earlier ones at their next update.
        Bomb *other = bombHead;
        do {
            if (other != this && other->passThrough == 0 && inCross(x - other->x, y - other->y))
                other->age = BombFuse;
            other = other->nextBomb;
        } while (other != bombHead);

        spawnAnimation(x, y, slotImage(ImageSlot::Weapons), frame - 3, 0, 50);
        spawnFlameArm(this, 1, 0, frame - 2);
        spawnFlameArm(this, -1, 0, frame - 2);
        spawnFlameArm(this, 0, 1, frame - 1);
        spawnFlameArm(this, 0, -1, frame - 1);
    }
    age++;
    blink++;
}

void Bomb::draw()
{
    drawSprite(x - 10, y - 10, slotImage(ImageSlot::Weapons), frame + (blink % 10 < 5 ? 1 : 0));
}
