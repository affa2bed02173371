// Arena machines: jump pads that throw fighters up, and lifts that travel
// their column, lay a solid shaft behind them and crush whoever is below.
#include "world/world.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"

constexpr int PadRest = 70;
constexpr double PadLaunch = -10.0;
constexpr int ScreenBottomRow = 23;  // lies below the visible screen

// A lift crushes whoever has its centre under the lift's, less than 15 pixels down.
constexpr Reach UnderLift = {10, 10, 0, 15};

// ---------------------------------------------------------------- jump pad

JumpPad::JumpPad(int x, int y, int frame)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
    vx = vy = 0;
}

// Launches every living fighter on it in the same update, then rests.
void JumpPad::update(World &world)
{
    if (age != 0) {
        age--;
        return;
    }
    int found[MaxPlayers];
    int count = world.fighters->near(world, x, y, squareReach(10), found);
    for (int k = 0; k < count; k++) {
        world.fighters->launch(world, found[k], PadLaunch);
        age = PadRest;
        emitSound(world, Sound::JumpPad);
    }
}

void JumpPad::draw() const
{
    drawSprite(x - 10, y - 10, slotImage(ImageSlot::ItemTiles), frame + (age != 0 ? 1 : 0));
}

WorldObject *JumpPad::clone() const
{
    return new JumpPad(*this);
}

void JumpPad::hashInto(StateHash &hash) const
{
    hash.add(6, 0);
    WorldObject::hashInto(hash);
}

// ---------------------------------------------------------------- lift

Lift::Lift(int x, int y, int frame) : movingDown(1)
{
    this->x = x;
    this->y = y;
    this->frame = frame;
    age = 0;
    vx = vy = 0;
}

// Is the lift's column walled at arena pixel row `pixelY` (counted from the
// arena's top)? Arenas are meant to close every lift column with walls. For
// one that does not, everything above the arena counts as wall, and so does
// the row below the screen edge: a lift sinking into it would be dropped from
// the world with its shaft left standing.
static bool isLiftWall(const Arena &arena, int column, int pixelY)
{
    if (pixelY < 0 || pixelY / CellSize >= ScreenBottomRow || column < 0 || column >= ArenaColumns)
        return true;
    return arena.WallLayer[(pixelY / CellSize) * ArenaColumns + column] != 0;
}

void Lift::update(World &world)
{
    Arena &arena = world.arena;
    int column = x / CellSize;
    if (world.frameCounter % 3 == 0) {
        if (movingDown == 1) {
            if (!isLiftWall(arena, column, y - 10)) {
                y++;
                if (!isLiftWall(arena, column, y - 31))
                    setItem(arena, column, (y - 31) / CellSize, frame + 2);
            } else {
                movingDown = 0;
                emitSound(world, Sound::LiftTurn);
            }
        }
        // Also right after turning at the bottom: the turn costs no step.
        if (movingDown == 0) {
            if (!isLiftWall(arena, column, y - 21)) {
                y--;
                if (!isLiftWall(arena, column, y - 11))
                    setItem(arena, column, (y - 11) / CellSize, 0);
            } else {
                movingDown = 1;
            }
        }
    }
    int found[MaxPlayers];
    int count = world.fighters->near(world, x, y, UnderLift, found);
    for (int k = 0; k < count; k++)
        world.fighters->kill(world, found[k]);
}

void Lift::draw() const
{
    drawSprite(x - 10, y - 10, slotImage(ImageSlot::ItemTiles), frame);
}

WorldObject *Lift::clone() const
{
    return new Lift(*this);
}

void Lift::hashInto(StateHash &hash) const
{
    hash.add(7, movingDown);
    WorldObject::hashInto(hash);
}
