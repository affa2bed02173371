// Floor 5, the match: the two fighters. Stands on media (1), gfx (2),
// the arena (3) and the world (4), whose FighterLink it fills in.
// Record, spawning, damage and kill credit, death, movement, actions, drawing and the HUD.
// Owns `players` and `playerCount`: per game, emptied by resetGame; the match
// then creates exactly two records and keeps them to the end.
#pragma once

#include "world/world.h"

// One fighter's controls for a frame: held keys and the fire flag.
struct FighterInput {
    int left, right, jump, fire;
};

enum Weapon { WeaponNone = -1, WeaponMelee = 0, WeaponGrenade = 2, WeaponBomb = 3, WeaponKnife = 4 };
enum Gadget { GadgetNone = 0, GadgetParachute = 1, GadgetJetpack = 2 };

class Player {
public:
    Player();  // registers itself in `players` and stands on a spawn point

    void respawnPlayer();
    void placeAtSpawn(int n);
    int damagePlayer(int amount, int owner = -1);  // 1 when this killed the fighter; see creditKill
    void killPlayer();
    void updatePlayer(const FighterInput &input);
    void drawPlayer();
    void drawHud();
    int stompPlayers();  // 1 when landing on another fighter killed it

    // Action steps of the live update (timers, weapon drop, attack,
    // pickups and hazards, the final death check), in update order.
    void updateTimers();
    void dropEmptyWeapon();
    void attack(int fire);
    void takePickupsAndHazards();
    void checkDeath();

    int health;           // 100 is full
    int respawnTimer;     // dead while above 0
    int cooldown;         // frames until the next attack
    int attackTimer;      // frames of the attack pose left
    int weapon;           // Weapon
    int facing;           // 0 right, 1 left
    int walkPhase;        // 0..3 walking, 4 in the air
    int ammo;             // set by pickups, never decreased
    int fallDistance;     // whole pixels fallen since touching ground
    int pose;             // 0 plain, 1 jetpack, 2 thrust, 3 parachute, 4 parachute open
    int gadget;           // Gadget
    int gadgetCharge;     // jetpack thrust frames left; parachute 1 folded, 2 open
    int index;            // place in `players`, HUD block, owner of thrown things
    int explosiveDebris;  // 1: the next death throws exploding parts
    int skin;             // sprite block on the player sheet
    int kills;            // score
    double x, y;          // centre, screen pixels
    double vx, vy;        // walking and vertical velocity, pixels per frame
    double pushVx;        // knock-back velocity
};

extern Player *players[MaxPlayers];
extern int playerCount;

bool isLiving(const Player *player);

// The living fighters in the reach of (x, y), in table order; returns how many.
int fightersNear(double x, double y, Reach reach, int found[MaxPlayers]);

// The one place a kill by a blow, a throw or a stomp is sounded and scored:
// for the fighter `owner`, never for a fighter that killed itself.
void creditKill(int owner, int victim);

// Points the world's FighterLink at these fighters; every fighter that
// registers does it, so the world finds whoever creates the fighters.
void linkFighters();

// Player index 0 or 1 to its settings.
const char *playerName(int index);
int playerImage(int index);
