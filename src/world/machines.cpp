// Arena machines: jump pads that throw fighters up, lifts that travel and crush.
#include "world/world.h"

JumpPad::JumpPad(int x, int y, int frame)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
}
void JumpPad::update() {}  // TODO(weapons)
void JumpPad::draw() {}

Lift::Lift(int x, int y, int frame) : movingDown(1)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
}
void Lift::update() {}  // TODO(weapons)
void Lift::draw() {}
