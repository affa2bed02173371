// The world list: one ring holding every world object. New objects go in
// right after the head; the update pass reads each successor after the update.
// Also the world's share of the frame picture, and its link to the fighters.
#include "world/world.h"

#include "arena/arena.h"
#include "media/media.h"

WorldObject *worldHead;
int debrisCount;
int frameCounter;

// A world without a match has no fighters to find, hurt or launch.
static int noFighters()
{
    return 0;
}

static FighterPlace nowhere(int)
{
    return {};
}

static int noneNear(double, double, Reach, int *)
{
    return 0;
}

static void untouched(int, int, int) {}
static void unkilled(int) {}
static void unlaunched(int, double) {}

FighterLink fighterLink = {noFighters, nowhere, noneNear, untouched, unkilled, unlaunched};

WorldObject::WorldObject()
    : alive(1), age(0), x(0), y(0), passThrough(1), owner(-1), frame(0), vx(0), vy(0), prev(nullptr), next(nullptr)
{
    linkObject(this);
}

void linkObject(WorldObject *object)
{
    if (!worldHead) {
        object->prev = object->next = object;
        worldHead = object;
        return;
    }
    worldHead->next->prev = object;
    object->next = worldHead->next;
    object->prev = worldHead;
    worldHead->next = object;
}

void unlinkObject(WorldObject *object)
{
    if (object->next == object) {
        worldHead = nullptr;
    } else {
        object->next->prev = object->prev;
        object->prev->next = object->next;
        if (object == worldHead)
            worldHead = object->next;
    }
    delete object;
}

// When the head itself is removed the pass ends at its successor, so the
// objects after it wait for the next frame.
void updateWorld()
{
    if (!worldHead)
        return;
    int bottom = screenHeight();
    WorldObject *current = worldHead;
    for (;;) {
        current->update();
        WorldObject *done = current;
        current = done->next;
        if (done->alive == 0 || done->y > bottom)
            unlinkObject(done);
        if (!worldHead || current == worldHead)
            return;
    }
}

void drawWorld()
{
    if (!worldHead)
        return;
    WorldObject *object = worldHead;
    do {
        object->draw();
        object = object->next;
    } while (object != worldHead);
}

void drawArena()
{
    drawItemLayer();
    if (!screen)
        return;  // nothing to draw on, but the animations still step
    drawWorld();
    drawWallLayer();
}
