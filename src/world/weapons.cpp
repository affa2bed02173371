// Thrown weapons: knives, grenades (also explosive death debris) and bombs.
#include "world/world.h"

Knife::Knife(int x, int y, int direction, int frame, int owner) : direction(direction)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    this->owner = owner;
}
void Knife::update() {}  // TODO(weapons)
void Knife::draw() {}

Grenade::Grenade(int x, int y, int, int frame, int owner) : image(nullptr)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    this->owner = owner;
}
Grenade::Grenade(int x, int y, int, int, int frame, int owner) : image(nullptr)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    this->owner = owner;
}
void Grenade::update() {}  // TODO(weapons)
void Grenade::draw() {}

Bomb::Bomb(int x, int y, int owner) : blink(0)
{
    this->x = x;
    this->y = y;
    this->owner = owner;
}
void Bomb::update() {}  // TODO(weapons)
void Bomb::draw() {}

int isFreeForBomb(WorldObject *, int, int)
{
    return 1;  // TODO(weapons)
}
