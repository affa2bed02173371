// Attacks, pickups, hazards and the end-of-update death check.
#include "match/player.h"

void Player::updateTimers() {}        // TODO(weapons)
void Player::dropEmptyWeapon() {}     // TODO(weapons)
void Player::attack(int) {}           // TODO(weapons)
void Player::takePickupsAndHazards() {}  // TODO(weapons)
void Player::checkDeath() {}          // TODO(weapons)
