// The fighter's per-frame update: the dead time, then the live steps in order.
#include "match/player.h"

void Player::updatePlayer(int, int, int, int, int)
{
    // TODO(match)
}

int Player::stompPlayers()
{
    return 0;  // TODO(match)
}
