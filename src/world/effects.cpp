// Effects: one-shot animations (explosions, flames) and the body parts a dying
// fighter throws out, which fly, bounce, settle and expire when the arena is cluttered.
#include "world/world.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"

#include <climits>
#include <new>

constexpr float DebrisGravity = 0.2f;

Animation::Animation(int x, int y, ImageSlot image, int frame, int count, int period)
    : image(image), remaining(count), period(period), countdown(period)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
}

// Shows each frame for `period` updates; a step that uses up the count removes it.
void Animation::update(World &)
{
    countdown--;
    if (countdown > 0)
        return;
    countdown = period;
    frame++;
    remaining--;
    // An animation made with no frames to show goes at its first step instead of never.
    if (remaining <= 0)
        alive = 0;
}

void Animation::draw() const
{
    drawSprite(x - 10, y - 10, slotImage(image), frame);
}

WorldObject *Animation::clone() const
{
    return new Animation(*this);
}

void Animation::hashInto(StateHash &hash) const
{
    hash.add(4, static_cast<int>(image));
    hash.add(remaining, period);
    hash.add(countdown, 0);
    WorldObject::hashInto(hash);
}

Debris::Debris(int x, int y, int vx, int vy, int frame)
{
    this->x = x;
    this->y = y;
    this->vx = static_cast<float>(vx);
    this->vy = static_cast<float>(vy);
    this->frame = frame;
    age = 0;
}

// Only the sideways step is probed, so a falling part sinks into the tile it
// lands on and then rests there, flipping vx each update.
void Debris::update(World &world)
{
    int nextX = static_cast<int>(x + static_cast<double>(vx));
    if (isPassable(world.arena, nextX, y)) {
        x = nextX;
        y = static_cast<int>(y + static_cast<double>(vy));
        vy = vy + DebrisGravity;
        if (vy > FallLimit)
            vy = FallLimit;
    } else {
        vx = -vx;
        vy = 0;
    }
    if (age > ClutterAge && world.debrisCount > ClutterCount) {
        alive = 0;
        world.debrisCount--;
    }
    if (age < INT_MAX)
        age++;  // a piece resting for years stops counting rather than overflow
}

void Debris::draw() const
{
    drawSprite(x - 10, y - 10, slotImage(ImageSlot::Fighters), frame);
}

WorldObject *Debris::clone() const
{
    return new Debris(*this);
}

void Debris::hashInto(StateHash &hash) const
{
    hash.add(5, 0);
    WorldObject::hashInto(hash);
}

void spawnAnimation(World &world, int x, int y, ImageSlot image, int first, int count, int period)
{
    linkObject(world, new (std::nothrow) Animation(x, y, image, first - 1, count + 1, period));
}
