// Thrown weapons: knives that fly straight and stick in walls, grenades that
// are lobbed and burst (also a dying fighter's explosive body parts), and bombs
// that fall, get kicked along and explode in a cross of flames.
#include "world/world.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/player.h"
#include "shell/shell.h"

#include <climits>
#include <cmath>
#include <cstdlib>

constexpr int KnifeDamage = 15;
constexpr int GrenadeFuse = 150;
constexpr int GrenadeReach = 30;
constexpr int GrenadeDamage = 75;
constexpr int BombFuse = 350;
constexpr int BombDamage = 100;
constexpr int ClutterAge = 1500;
constexpr int ClutterLimit = 200;
constexpr float FallLimit = 6.0f;

// An integer coordinate plus a float offset, summed exactly and truncated.
static int moved(int coordinate, double offset)
{
    return static_cast<int>(coordinate + offset);
}

static bool isLiving(const Player *player)
{
    return player && player->respawnTimer <= 0;
}

// A kill of somebody else scores for the thrower; a self-kill scores for nobody.
static void creditKill(int owner, int victim)
{
    if (owner == victim || owner < 0 || owner >= playerCount || !players[owner])
        return;
    players[owner]->kills++;
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
            playSound(10, 0);
        }
        // Runs also in the update in which the knife has just stuck; the
        // thrower is never tested, so it needs no self-kill check.
        for (int i = 0; i < playerCount; i++) {
            Player *player = players[i];
            if (i == owner || !isLiving(player))
                continue;
            if (std::fabs(x - player->x) < 10 && std::fabs(y - player->y) < 10) {
                if (player->damagePlayer(KnifeDamage))
                    creditKill(owner, i);
                alive = 0;
                playSound(10, 0);
            }
        }
    } else {
        if (age > ClutterAge && debrisCount > ClutterLimit) {
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
    drawSprite(x - 10, y - 10, ImageSlots[4], 36 + direction + (age != 0 ? 10 : 0));
}

// ---------------------------------------------------------------- grenade

Grenade::Grenade(int x, int y, int direction, int frame, int owner) : image(ImageSlots[4])
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
    vx = static_cast<float>(3 - 6 * direction);
    vy = -3.0f;
    this->owner = owner;
}

Grenade::Grenade(int x, int y, int vx, int vy, int frame, int owner) : image(ImageSlots[3])
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
        for (int i = 0; i < playerCount; i++) {
            Player *player = players[i];
            if (!isLiving(player))
                continue;
            if (std::fabs(x - player->x) < GrenadeReach && std::fabs(y - player->y) < GrenadeReach &&
                player->damagePlayer(GrenadeDamage))
                creditKill(owner, i);
        }
        alive = 0;
        playSoundAt(x, y, 2, 2);
        spawnAnimation(x - 30, y - 30, ImageSlots[5], 0, 5, 5);
    }
    age++;
}

void Grenade::draw()
{
    drawSprite(x - 10, y - 10, image, frame);
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
        spawnAnimation(bomb->x + 20 * k * stepX, bomb->y + 20 * k * stepY, ImageSlots[4], first, 0, 50 - 10 * k);
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
        playSound(14, 0);
    }

    // Dead fighters kick too: only their stored speed and position count.
    for (int i = 0; i < playerCount; i++) {
        Player *player = players[i];
        if (!player)
            continue;
        double dx = x - player->x;
        if (player->vx > 1.0 && 4.0 < dx && dx < 10.0 && std::fabs(y - player->y) < 8) {
            vx = 4;
            playSound(14, 0);
        }
        if (player->vx < -1.0 && -10.0 < dx && dx < -4.0 && std::fabs(y - player->y) < 8) {
            vx = -4;
            playSound(14, 0);
        }
    }

    if (age == BombFuse) {
        alive = 0;
        playSoundAt(x, y, 2, 2);
        for (int i = 0; i < playerCount; i++) {
            Player *player = players[i];
            if (isLiving(player) && inCross(x - player->x, y - player->y) && player->damagePlayer(BombDamage))
                creditKill(owner, i);
        }
        // Bombs later in this pass go off in it; earlier ones at their next update.
        Bomb *other = bombHead;
        do {
            if (other != this && other->passThrough == 0 && inCross(x - other->x, y - other->y))
                other->age = BombFuse;
            other = other->nextBomb;
        } while (other != bombHead);

        spawnAnimation(x, y, ImageSlots[4], frame - 3, 0, 50);
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
    drawSprite(x - 10, y - 10, ImageSlots[4], frame + (blink % 10 < 5 ? 1 : 0));
}
