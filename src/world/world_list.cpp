// The world list: one ring holding every world object. New objects go in
// right after the head; the update pass reads each successor after the update.
// Also copying a world, its events, its share of the frame picture, and the
// hash of its objects.
#include "world/world.h"

#include "arena/arena.h"
#include "media/media.h"

#include <cstring>
#include <utility>
#include <vector>

// A world without a match has no fighters to find, hurt or launch.
static int noFighters(const World &)
{
    return 0;
}

static FighterPlace nowhere(const World &, int)
{
    return {};
}

static int noneNear(const World &, double, double, Reach, int *)
{
    return 0;
}

static void untouched(World &, int, int, int) {}
static void unkilled(World &, int) {}
static void unlaunched(World &, int, double) {}

const FighterLink NoFighters = {noFighters, nowhere, noneNear, untouched, unkilled, unlaunched};

WorldObject::WorldObject()
    : alive(1), age(0), x(0), y(0), passThrough(1), owner(-1), frame(0), vx(0), vy(0), prev(nullptr), next(nullptr)
{}

void StateHash::add(double number)
{
    uint64_t bits;
    memcpy(&bits, &number, sizeof bits);
    add(bits);
}

void StateHash::add(const void *data, size_t size)
{
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        uint64_t word;
        memcpy(&word, bytes + at, sizeof word);
        add(word);
    }
    uint64_t rest = size;
    for (; at < size; at++)
        rest = rest << 8 | bytes[at];
    add(rest);
}

void WorldObject::hashInto(StateHash &hash) const
{
    float speeds[2] = {vx, vy};
    uint64_t speedBits;
    memcpy(&speedBits, speeds, sizeof speedBits);
    hash.add(alive, age);
    hash.add(x, y);
    hash.add(passThrough, owner);
    hash.add(frame, 0);
    hash.add(speedBits);
}

void emitSound(World &world, Sound sound)
{
    if (world.events)
        world.events->push_back({FrameEvent::PlaySound, sound});
}

void emitSoundWhenQuiet(World &world, Sound sound)
{
    if (world.events)
        world.events->push_back({FrameEvent::PlaySoundWhenQuiet, sound});
}

void emitMusicStart(World &world)
{
    if (world.events)
        world.events->push_back({FrameEvent::StartMusic, Sound::Start});
}

void linkObject(World &world, WorldObject *object)
{
    if (!object)
        return;
    WorldObject *&head = world.worldHead;
    if (!head) {
        object->prev = object->next = object;
        head = object;
        return;
    }
    head->next->prev = object;
    object->next = head->next;
    object->prev = head;
    head->next = object;
}

void unlinkObject(World &world, WorldObject *object)
{
    object->leaveWorld(world);
    if (object->next == object) {
        world.worldHead = nullptr;
    } else {
        object->next->prev = object->prev;
        object->prev->next = object->next;
        if (object == world.worldHead)
            world.worldHead = object->next;
    }
    delete object;
}

void emptyWorld(World &world)
{
    while (world.worldHead)
        unlinkObject(world, world.worldHead);
}

// The copy holds a clone of every object in the same ring order, and its bomb
// ring in the original's order too.
World::World(const World &other)
    : arena(other.arena), debrisCount(other.debrisCount), frameCounter(other.frameCounter),
      animationTick(other.animationTick), fighters(other.fighters)
{
    if (!other.worldHead)
        return;
    std::vector<std::pair<const WorldObject *, WorldObject *>> bombs;
    WorldObject *last = nullptr;
    const WorldObject *object = other.worldHead;
    do {
        WorldObject *copy = object->clone();
        if (!last) {
            copy->prev = copy->next = copy;
            worldHead = copy;
        } else {
            copy->prev = last;
            copy->next = worldHead;
            last->next = copy;
            worldHead->prev = copy;
        }
        last = copy;
        if (object->passThrough == 0)
            bombs.emplace_back(object, copy);
        object = object->next;
    } while (object != other.worldHead);

    if (!other.bombHead)
        return;
    auto copyOf = [&bombs](const Bomb *bomb) {
        for (const auto &[original, copy] : bombs)
            if (original == bomb)
                return static_cast<Bomb *>(copy);
        return static_cast<Bomb *>(nullptr);
    };
    const Bomb *bomb = other.bombHead;
    do {
        Bomb *copy = copyOf(bomb);
        Bomb *following = copyOf(bomb->nextBomb);
        copy->nextBomb = following;
        following->prevBomb = copy;
        bomb = bomb->nextBomb;
    } while (bomb != other.bombHead);
    bombHead = copyOf(other.bombHead);
}

World &World::operator=(const World &other)
{
    if (this != &other) {
        World copy(other);
        emptyWorld(*this);
        arena = copy.arena;
        worldHead = std::exchange(copy.worldHead, nullptr);
        bombHead = std::exchange(copy.bombHead, nullptr);
        debrisCount = copy.debrisCount;
        frameCounter = copy.frameCounter;
        animationTick = copy.animationTick;
        fighters = copy.fighters;
        events = nullptr;
    }
    return *this;
}

World::~World()
{
    emptyWorld(*this);
}

// When the head itself is removed the pass ends at its successor, so the
// objects after it wait for the next frame.
void updateWorld(World &world)
{
    if (!world.worldHead)
        return;
    WorldObject *current = world.worldHead;
    for (;;) {
        current->update(world);
        WorldObject *done = current;
        current = done->next;
        if (done->alive == 0 || done->y > ScreenHeight)
            unlinkObject(world, done);
        if (!world.worldHead || current == world.worldHead)
            return;
    }
}

void drawWorld(const World &world)
{
    if (!world.worldHead)
        return;
    const WorldObject *object = world.worldHead;
    do {
        object->draw();
        object = object->next;
    } while (object != world.worldHead);
}

void drawArena(const World &world, int animationTick)
{
    if (!screen)
        return;
    drawItemLayer(world.arena, animationTick);
    drawWorld(world);
    drawWallLayer(world.arena);
}
