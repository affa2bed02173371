// Effects: one-shot animations and the body parts a dying fighter throws out.
#include "world/world.h"

Animation::Animation(int x, int y, SDL_Surface *image, int frame, int count, int period)
    : image(image), remaining(count), period(period), countdown(period)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
}
void Animation::update() {}  // TODO(match)
void Animation::draw() {}

Debris::Debris(int x, int y, int vx, int vy, int frame)
{
    this->x = x;
    this->y = y;
    this->vx = static_cast<float>(vx);
    this->vy = static_cast<float>(vy);
    this->frame = frame;
}
void Debris::update() {}  // TODO(match)
void Debris::draw() {}

void spawnAnimation(int, int, SDL_Surface *, int, int, int) {}  // TODO(match)
void spawnDebris(int, int, float, float, int, int, int) {}  // TODO(match)
