// Floor 4, the world: stands on media (1), gfx (2) and the arena (3).
// Everything in the arena that is neither a fighter nor a tile. Knives,
// grenades, bombs, animations, debris, jump pads and lifts all derive from
// WorldObject and live in one ring, the world list, held by a `World` value
// together with the arena and the counters. The world meets the fighters only
// through its `FighterLink`, a table the match hands it.
// Owns no globals: every world is a value (the match is one).
#pragma once

#include "arena/arena.h"
#include "media/media.h"

#include <SDL.h>

#include <cstdint>

struct World;
class Bomb;

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

// The match hands its world this table; a world without one has no fighters.
// Each entry gets the world it was asked from, which is the match's own.
struct FighterLink {
    int (*count)(const World &world);
    FighterPlace (*place)(const World &world, int fighter);
    // The living fighters in the reach of (x, y), in table order; returns how many.
    int (*near)(const World &world, double x, double y, Reach reach, int found[MaxPlayers]);
    // Damage from a thrown thing; a kill scores for `owner`, never for the victim itself.
    void (*hurt)(World &world, int fighter, int amount, int owner);
    void (*kill)(World &world, int fighter);               // a death nobody scores
    void (*launch)(World &world, int fighter, double vy);  // thrown upward; the fall so far no longer counts
};
extern const FighterLink NoFighters;

// Word by word, so that hashing a crowded match costs microseconds: the
// state hash the match, the replays and the desync check agree on.
struct StateHash {
    uint64_t value = 0x6a09e667f3bcc908ull;
    void add(uint64_t word)
    {
        value = (value ^ word) * 0x9E3779B97F4A7C15ull;
        value ^= value >> 29;
    }
    void add(int a, int b) { add(static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b)); }
    void add(double number);
    void add(const void *data, size_t size);
    uint32_t digest() const { return static_cast<uint32_t>(value ^ (value >> 32)); }
};

class WorldObject {
public:
    WorldObject();
    virtual ~WorldObject() = default;
    virtual void update(World &world) = 0;         // one step, once per frame
    virtual void draw() const = 0;                 // once per frame, between item and wall tiles
    virtual WorldObject *clone() const = 0;        // an unlinked copy, for a copy of the world
    virtual void hashInto(StateHash &hash) const;  // the kind and every field that steers it
    virtual void leaveWorld(World &) {}            // just before the world list deletes it

    int alive;        // 0: removed at the end of this update
    int age;          // per-kind counter: flight state, fuse, cool-down
    int x, y;         // centre, screen pixels
    int passThrough;  // 1: bombs ignore this object; only bombs set 0 (bombs ask the bomb ring)
    int owner;        // player credited with kills made by this object
    int frame;        // sprite frame in the kind's sheet
    float vx, vy;     // pixels per update
    WorldObject *prev, *next;
};

// Debris and stuck knives older than ClutterAge updates go while more than ClutterCount lie about.
constexpr int ClutterAge = 1500;
constexpr int ClutterCount = 200;
constexpr int BombFuse = 350;                    // a bomb goes off in the update that finds this age
constexpr float FallLimit = 6.0f;                // pixels per update: nothing in the world falls faster
constexpr int FrameCounterWrap = 75 * 28000000;  // frameCounter goes back to 0 here: a multiple of 25 and 3

// The arena, everything in it, and the counters the world runs on. Copying a
// world copies every object (in list order) and points nothing into the original.
struct World {
    World() = default;
    World(const World &other);
    World &operator=(const World &other);
    ~World();

    Arena arena = {};
    WorldObject *worldHead = nullptr;  // none when the list is empty; every level setup empties it too
    Bomb *bombHead = nullptr;          // the bomb ring; none when there is no bomb
    int debrisCount = 0;               // live debris plus stuck knives; drives clutter expiry
    int frameCounter = 0;              // frames run; the match counts them, the end scene starts again at 0
    int animationTick = 0;             // one step per frame, for animated cells
    const FighterLink *fighters = &NoFighters;
    FrameEvents *events = nullptr;  // the list the running step fills; none between steps
};

// The world asks the frame for a sound; with no step running it is dropped.
void emitSound(World &world, Sound sound);
void emitSoundWhenQuiet(World &world, Sound sound);
void emitMusicStart(World &world);

// Links a new object in right after the head (nullptr, a failed allocation, is ignored).
void linkObject(World &world, WorldObject *object);
void unlinkObject(World &world, WorldObject *object);  // removes and deletes
void emptyWorld(World &world);                         // every object removed
void updateWorld(World &world);
void drawWorld(const World &world);
void drawArena(const World &world,
               int animationTick);  // the arena's items, the world objects, the arena's walls on top

// --- thrown weapons ---
class Knife : public WorldObject {
public:
    Knife(int x, int y, int direction, int frame, int owner);
    void update(World &world) override;
    void draw() const override;
    WorldObject *clone() const override;
    void hashInto(StateHash &hash) const override;
    int direction;  // 0 right, 1 left
};

class Grenade : public WorldObject {
public:
    Grenade(int x, int y, int direction, int frame, int owner);   // thrown
    Grenade(int x, int y, int vx, int vy, int frame, int owner);  // explosive debris
    void update(World &world) override;
    void draw() const override;
    WorldObject *clone() const override;
    void hashInto(StateHash &hash) const override;
    ImageSlot image;  // weapon sheet when thrown, fighter sheet as debris
};

class Bomb : public WorldObject {
public:
    Bomb(int x, int y, int owner);  // not yet in the world: dropBomb puts it there
    void update(World &world) override;
    void draw() const override;
    WorldObject *clone() const override;
    void hashInto(StateHash &hash) const override;
    void leaveWorld(World &world) override;
    int blink;                  // updates since construction
    Bomb *prevBomb, *nextBomb;  // the bomb ring
};

// Every bomb in the world list is also in a ring of their own (World::bombHead),
// so that a bomb's questions about other bombs cost the number of bombs, not of objects.
// A bomb dropped onto another bomb goes out again after one frame.
Bomb *dropBomb(World &world, int x, int y, int owner);  // the new bomb; nullptr when out of memory
int isFreeForBomb(const World &world, const WorldObject *bomb, int px, int py);

// One update of a grenade's flight; a computer player throws with the same rule in mind.
void flyGrenade(const Arena &arena, int &x, int &y, float &vx, float &vy);
// Where a grenade thrown from (x, y) facing `direction` (0 right, 1 left) lies when it bursts.
struct GrenadeBurst {
    int x, y;
};
GrenadeBurst grenadeBurst(const Arena &arena, int x, int y, int direction);
constexpr int GrenadeReach = 30;  // the burst hurts within this many pixels on each axis

// A dying fighter's body part: Debris, or an explosive Grenade owned by the fighter who died.
void spawnDebris(World &world, int x, int y, float vx, float vy, int frame, int explosive, int owner);

// --- effects ---
class Animation : public WorldObject {
public:
    Animation(int x, int y, ImageSlot image, int frame, int count, int period);
    void update(World &world) override;
    void draw() const override;
    WorldObject *clone() const override;
    void hashInto(StateHash &hash) const override;
    ImageSlot image;
    int remaining;  // frame steps left
    int period;     // updates per frame step
    int countdown;  // updates left in this step
};

class Debris : public WorldObject {
public:
    Debris(int x, int y, int vx, int vy, int frame);  // counted by spawnDebris
    void update(World &world) override;
    void draw() const override;
    WorldObject *clone() const override;
    void hashInto(StateHash &hash) const override;
};

void spawnAnimation(World &world, int x, int y, ImageSlot image, int first, int count, int period);

// --- arena machines ---
class JumpPad : public WorldObject {
public:
    JumpPad(int x, int y, int frame);
    void update(World &world) override;
    void draw() const override;
    WorldObject *clone() const override;
    void hashInto(StateHash &hash) const override;
};

class Lift : public WorldObject {
public:
    Lift(int x, int y, int frame);
    void update(World &world) override;
    void draw() const override;
    WorldObject *clone() const override;
    void hashInto(StateHash &hash) const override;
    int movingDown;  // 1 going down, 0 going up
};
