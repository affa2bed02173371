// Floor 5, the match: the two fighters. Stands on media (1), gfx (2),
// the arena (3) and the world (4), whose FighterLink it fills in.
// Record, spawning, damage and kill credit, death, movement, actions, drawing and the HUD.
// Owns no globals: the fighters are part of the match (match.h).
#pragma once

#include "world/world.h"

struct Match;

// One fighter's controls for a frame: held keys and the fire flag.
struct FighterInput {
    int left, right, jump, fire;
};

enum Weapon { WeaponNone = -1, WeaponMelee = 0, WeaponGrenade = 2, WeaponBomb = 3, WeaponKnife = 4 };
enum Gadget { GadgetNone = 0, GadgetParachute = 1, GadgetJetpack = 2 };

class Player {
public:
    Player() = default;
    Player(int index, int look);  // a fresh fighter with skin `look` (counted from 1), not yet placed

    void respawnPlayer(Match &match);
    void placeAtSpawn(const Arena &arena, int n);
    int damagePlayer(Match &match, int amount, int owner = -1);  // 1 when this killed the fighter; see creditKill
    void killPlayer(Match &match);
    void updatePlayer(Match &match, const FighterInput &input);
    void drawPlayer(const char *name) const;
    void drawHud(const char *name) const;
    int stompPlayers(Match &match);  // 1 when landing on another fighter killed it

    // Action steps of the live update (timers, weapon drop, attack,
    // pickups and hazards, the final death check), in update order.
    void updateTimers();
    void dropEmptyWeapon();
    void attack(Match &match, int fire);
    void takePickupsAndHazards(Match &match);
    void checkDeath(Match &match);

    int health = 100;         // 100 is full
    int respawnTimer = 0;     // dead while above 0
    int cooldown = 0;         // frames until the next attack
    int attackTimer = 0;      // frames of the attack pose left
    int weapon = WeaponNone;  // Weapon
    int facing = 0;           // 0 right, 1 left
    int walkPhase = 0;        // 0..3 walking, 4 in the air
    int ammo = 20;            // set by pickups, never decreased
    int fallDistance = 0;     // whole pixels fallen since touching ground
    int pose = 0;             // 0 plain, 1 jetpack, 2 thrust, 3 parachute, 4 parachute open
    int gadget = GadgetNone;  // Gadget
    int gadgetCharge = 0;     // jetpack thrust frames left; parachute 1 folded, 2 open
    int index = 0;            // place in the match, HUD block, owner of thrown things
    int explosiveDebris = 0;  // 1: the next death throws exploding parts
    int skin = 0;             // sprite block on the player sheet
    int kills = 0;            // score
    double x = 0, y = 0;      // centre, screen pixels
    double vx = 0, vy = 0;    // walking and vertical velocity, pixels per frame
    double pushVx = 0;        // knock-back velocity
};

bool isLiving(const Player &player);

// The living fighters in the reach of (x, y), in table order; returns how many.
int fightersNear(const Match &match, double x, double y, Reach reach, int found[MaxPlayers]);

// The one place a kill by a blow, a throw or a stomp is sounded and scored:
// for the fighter `owner`, never for a fighter that killed itself.
void creditKill(Match &match, int owner, int victim);

// The match's fighters as its world reaches them.
extern const FighterLink MatchFighters;
