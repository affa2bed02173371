// World objects: everything in the arena that is neither a fighter nor a tile.
// Knives, grenades, bombs, animations, debris, jump pads and lifts all derive
// from WorldObject and live in one ring, the world list.
// Owns the world list head, the bomb ring head and debrisCount (all process
// lifetime; the list is emptied by every level setup, debrisCount never is).
#pragma once

#include <SDL.h>

class WorldObject {
public:
    WorldObject();  // links the new object into the world list
    virtual void update() = 0;  // one step, once per frame
    virtual void draw() = 0;    // once per frame, between item and wall tiles
    virtual ~WorldObject() = default;

    int alive;        // 0: removed at the end of this update
    int age;          // per-kind counter: flight state, fuse, cool-down
    int x, y;         // centre, screen pixels
    int passThrough;  // 1: bombs ignore this object; only bombs set 0 (bombs ask the bomb ring)
    int owner;        // player credited with kills made by this object
    int frame;        // sprite frame in the kind's sheet
    float vx, vy;     // pixels per update
    WorldObject *prev, *next;
};

extern WorldObject *worldHead;  // none when the list is empty
extern int debrisCount;         // live debris plus stuck knives; drives clutter expiry

void linkObject(WorldObject *object);
void unlinkObject(WorldObject *object);  // removes and deletes
void updateWorld();
void drawWorld();
void playSoundAt(int x, int y, int slot, int channel);

// --- thrown weapons ---
class Knife : public WorldObject {
public:
    Knife(int x, int y, int direction, int frame, int owner);
    void update() override;
    void draw() override;
    int direction;  // 0 right, 1 left
};

class Grenade : public WorldObject {
public:
    Grenade(int x, int y, int direction, int frame, int owner);        // thrown
    Grenade(int x, int y, int vx, int vy, int frame, int owner);       // explosive debris
    void update() override;
    void draw() override;
    SDL_Surface *image;  // weapon sheet when thrown, player sheet as debris
};

class Bomb : public WorldObject {
public:
    Bomb(int x, int y, int owner);
    ~Bomb() override;
    void update() override;
    void draw() override;
    int blink;                  // updates since construction
    Bomb *prevBomb, *nextBomb;  // the bomb ring
};

// Every bomb in the world list, in a ring of their own, so that a bomb's
// questions about other bombs cost the number of bombs, not of objects.
extern Bomb *bombHead;  // none when there is no bomb

int isFreeForBomb(WorldObject *bomb, int px, int py);

// --- effects ---
class Animation : public WorldObject {
public:
    Animation(int x, int y, SDL_Surface *image, int frame, int count, int period);
    void update() override;
    void draw() override;
    SDL_Surface *image;
    int remaining;  // frame steps left
    int period;     // updates per frame step
    int countdown;  // updates left in this step
};

class Debris : public WorldObject {
public:
    Debris(int x, int y, int vx, int vy, int frame);
    void update() override;
    void draw() override;
};

void spawnAnimation(int x, int y, SDL_Surface *image, int first, int count, int period);
void spawnDebris(int x, int y, float vx, float vy, int frame, int explosive, int owner);

// --- arena machines ---
class JumpPad : public WorldObject {
public:
    JumpPad(int x, int y, int frame);
    void update() override;
    void draw() override;
};

class Lift : public WorldObject {
public:
    Lift(int x, int y, int frame);
    void update() override;
    void draw() override;
    int movingDown;  // 1 going down, 0 going up
};
