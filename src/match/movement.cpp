// The fighter's per-frame update: the dead time, or the live steps in their
// fixed order (actions, probes, steering, friction, gravity, gadgets, landing
// or moving, jump), and the stomp that kills a fighter landed on.
#include "match/match.h"

#include "arena/arena.h"
#include "media/media.h"

// The walk acceleration and the gravity are single-precision values widened to double.
constexpr double WalkAcceleration = 0.8f;
constexpr double Gravity = 0.2f;
constexpr double WalkFriction = 0.7;
constexpr double PushFriction = 0.99;
constexpr double TerminalFall = 6.0;
constexpr double ParachuteFall = 2.0;
constexpr double ClimbSpeed = -2.0;
constexpr double JumpImpulse = -7.0;
constexpr double JetpackThrust = -2.0;
constexpr int ParachuteOpening = 100;
constexpr int DeadlyFall = 200;
// A fighter falling onto another kills it when its centre comes down within
// 5 pixels of the other's horizontally and less than 10 pixels above it.
constexpr Reach UnderFeet = {5, 5, 0, 10};

static int probe(const Arena &arena, double px, double py)
{
    return isPassable(arena, static_cast<int>(px), static_cast<int>(py));
}

void Player::updatePlayer(Match &match, const FighterInput &input)
{
    if (respawnTimer > 0) {
        respawnTimer--;
        health = 100 - respawnTimer * 100 / 100;
        return;
    }

    if (gadget > 0 && gadgetCharge <= 0)
        gadget = GadgetNone;
    updateTimers();
    dropEmptyWeapon();
    attack(match, input.fire);
    takePickupsAndHazards(match);
    // A deadly cell has already killed and respawned the fighter: one death, one burst.
    if (respawnTimer > 0)
        return;

    // Probes, from the position and vy before any movement. The right head probe leaves vy out.
    int column = static_cast<int>(x / 20);
    int row = static_cast<int>(y / 20 - 1);
    const Arena &arena = match.arena;
    bool onLadder = itemAt(arena, column, row) == ItemLadder;
    bool headFree = probe(arena, x - 5, y + vy - 10) && probe(arena, x + 5, y - 10);
    bool airborne = probe(arena, x - 5, y + vy + 10) && probe(arena, x + 5, y + vy + 10) && !onLadder;
    if (onLadder && vy < ClimbSpeed)
        vy = ClimbSpeed;

    // The first frame towards the other side only turns the fighter.
    pose = 0;
    if (input.left) {
        if (facing == 1) {
            vx -= WalkAcceleration;
            walkPhase++;
        } else {
            facing = 1;
        }
    }
    if (input.right) {
        if (facing == 0) {
            vx += WalkAcceleration;
            walkPhase++;
        } else {
            facing = 0;
        }
    }

    // Look 6 pixels beyond where the velocities would take the centre.
    double ahead = x + vx + pushVx + (vx + pushVx > 0 ? 6 : -6);
    if (!probe(arena, ahead, y - 5) || !probe(arena, ahead, y + 9)) {
        vx = 0;
        pushVx = 0;
    }

    vx *= WalkFriction;
    pushVx *= PushFriction;
    if (static_cast<int>(pushVx) == 0)
        pushVx = 0;

    if (walkPhase > 3)
        walkPhase = 0;
    if (airborne)
        walkPhase = 4;

    if (gadget == GadgetJetpack)
        pose = 1;
    if (gadget == GadgetParachute)
        pose = 3;

    if (airborne)
        vy += Gravity;

    if (gadget == GadgetParachute && fallDistance > ParachuteOpening) {
        fallDistance = 0;
        gadgetCharge = 2;
    }
    if (gadget == GadgetParachute && gadgetCharge == 2) {
        if (vy > ParachuteFall)
            vy = ParachuteFall;
        pose = 4;
    }
    if (vy > TerminalFall)
        vy = TerminalFall;
    if (vy < 0 && !headFree)
        vy = 0;

    if (vy > 0 && !airborne) {
        // Landing: the centre goes to the middle of its 20-pixel band; x stays put this frame.
        y = (static_cast<int>(y) / 20) * 20 + 10;
        vy = 0;
        if (fallDistance > DeadlyFall)
            health = 0;
        if (gadget == GadgetParachute && gadgetCharge == 2)
            gadgetCharge = 1;
        fallDistance = 0;
    } else {
        x = (vx + pushVx) + x;
        y = y + vy;
        if (vy > 0)
            fallDistance = static_cast<int>(fallDistance + vy);
        if (stompPlayers(match) == 1)
            fallDistance = 0;
    }

    if (input.jump) {
        if (gadget == GadgetJetpack) {
            gadgetCharge--;
            vy = JetpackThrust;
            pose = 2;
            fallDistance = 0;
        } else if (!airborne) {
            vy = JumpImpulse;
        }
    }

    checkDeath(match);
}

int Player::stompPlayers(Match &match)
{
    if (!(vy > 0))
        return 0;
    int stomped = 0;
    int found[MaxPlayers];
    int count = fightersNear(match, x, y, UnderFeet, found);
    for (int k = 0; k < count; k++) {
        if (found[k] == index)
            continue;
        match.players[found[k]].killPlayer(match);
        creditKill(match, index, found[k]);
        stomped = 1;
    }
    return stomped;
}
