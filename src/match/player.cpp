// The fighter's record: creation, spawning, damage, death, dead time, drawing and HUD.
#include "match/player.h"

Player *players[MaxPlayers];
int playerCount;

Player::Player()
    : health(100), respawnTimer(0), cooldown(0), attackTimer(0), weapon(WeaponNone), facing(0), walkPhase(0),
      ammo(20), fallDistance(0), pose(0), gadget(0), gadgetCharge(0), index(0), explosiveDebris(0), skin(0),
      kills(0), x(0), y(0), vx(0), vy(0), pushVx(0)
{
    // TODO(match)
}

void Player::respawnPlayer() {}
void Player::placeAtSpawn(int) {}
int Player::damagePlayer(int) { return 0; }
void Player::killPlayer() {}
void Player::drawPlayer() {}
void Player::drawHud() {}
