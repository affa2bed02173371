// Floor 4, the world: stands on media (1), gfx (2) and the arena (3).
// Everything in the arena that is neither a fighter nor a tile. Knives,
// grenades, bombs, animations, debris, jump pads and lifts all derive from
// WorldObject and live in one ring, the world list. The world meets the
// fighters only through `fighterLink`, a table the match fills in.
// Owns worldHead, bombHead, debrisCount, frameCounter and fighterLink.
#pragma once

#include <SDL.h>

// --- the fighters, as the world sees them ---
constexpr int MaxPlayers = 2;

// Where a fighter stands and how fast it walks, dead or alive.
struct FighterPlace {
    double x, y, vx;
};

// An open box around a point: a fighter is in it when its centre lies, from
// the point, less than `left` to the left and less than `right` to the right,
// and likewise less than `up` above and less than `down` below.
struct Reach {
    double left, right, up, down;
};

constexpr Reach squareReach(double half)
{
    return {half, half, half, half};
}

// The match fills this table in when a fighter is created; until then the world has no fighters.
struct FighterLink {
    int (*count)();
    FighterPlace (*place)(int fighter);
    // The living fighters in the reach of (x, y), in table order; returns how many.
    int (*near)(double x, double y, Reach reach, int found[MaxPlayers]);
    // Damage from a thrown thing; a kill scores for `owner`, never for the victim itself.
    void (*hurt)(int fighter, int amount, int owner);
    void (*kill)(int fighter);               // a death nobody scores
    void (*launch)(int fighter, double vy);  // thrown upward; the fall so far no longer counts
};

class WorldObject {
public:
    WorldObject();              // links the new object into the world list
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

// --- per game: a fresh game empties the list and zeroes the counters ---
extern WorldObject *worldHead;                   // none when the list is empty; every level setup empties it too
extern int debrisCount;                          // live debris plus stuck knives; drives clutter expiry
extern int frameCounter;                         // frames run; the match counts them, the end scene starts again at 0
constexpr int FrameCounterWrap = 75 * 28000000;  // frameCounter goes back to 0 here: a multiple of 25 and 3
extern FighterLink fighterLink;

// Debris and stuck knives older than ClutterAge updates go while more than ClutterCount lie about.
constexpr int ClutterAge = 1500;
constexpr int ClutterCount = 200;
constexpr int BombFuse = 350;      // a bomb goes off in the update that finds this age
constexpr float FallLimit = 6.0f;  // pixels per update: nothing in the world falls faster

void linkObject(WorldObject *object);
void unlinkObject(WorldObject *object);  // removes and deletes
void updateWorld();
void drawWorld();
void drawArena();  // the arena's items, the world objects, the arena's walls on top

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
    Grenade(int x, int y, int direction, int frame, int owner);   // thrown
    Grenade(int x, int y, int vx, int vy, int frame, int owner);  // explosive debris
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

// A dying fighter's body part: Debris, or an explosive Grenade owned by the fighter who died.
void spawnDebris(int x, int y, float vx, float vy, int frame, int explosive, int owner);

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
