// The fighter's record: creation, spawning, damage and kill credit, death and
// its burst of body parts, drawing of the fighter and of its HUD block; and
// the fighters as the world reaches them.
#include "match/player.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"

constexpr int CanopyFrame = 44;
constexpr int DeadTime = 100;
constexpr int BodyParts = 20;

// A skin far beyond the sheet draws nothing, like any skin past its last row;
// held within +-4096 so that skin * 16 + frame cannot overflow.
Player::Player(int index, int look) : index(index), skin((look < -4095 ? -4095 : look > 4097 ? 4097 : look) - 1) {}

bool isLiving(const Player &player)
{
    return player.respawnTimer <= 0;
}

int fightersNear(const Match &match, double x, double y, Reach reach, int found[MaxPlayers])
{
    int count = 0;
    for (int i = 0; i < match.playerCount; i++) {
        const Player &player = match.players[i];
        if (!isLiving(player))
            continue;
        double dx = player.x - x;
        double dy = player.y - y;
        if (-reach.left < dx && dx < reach.right && -reach.up < dy && dy < reach.down)
            found[count++] = i;
    }
    return count;
}

void creditKill(Match &match, int owner, int victim)
{
    emitSound(match, Sound::Kill);
    if (owner == victim || owner < 0 || owner >= match.playerCount)
        return;
    match.players[owner].kills++;
}

// --- the fighters as the world reaches them: the world asking is the match's own ---

static Match &matchOf(World &world)
{
    return static_cast<Match &>(world);
}

static const Match &matchOf(const World &world)
{
    return static_cast<const Match &>(world);
}

static int fighterCount(const World &world)
{
    return matchOf(world).playerCount;
}

static FighterPlace fighterPlace(const World &world, int fighter)
{
    const Player &player = matchOf(world).players[fighter];
    return {player.x, player.y, player.vx};
}

static int fightersNearPoint(const World &world, double x, double y, Reach reach, int found[MaxPlayers])
{
    return fightersNear(matchOf(world), x, y, reach, found);
}

static void hurtFighter(World &world, int fighter, int amount, int owner)
{
    matchOf(world).players[fighter].damagePlayer(matchOf(world), amount, owner);
}

static void killFighter(World &world, int fighter)
{
    matchOf(world).players[fighter].killPlayer(matchOf(world));
}

static void launchFighter(World &world, int fighter, double vy)
{
    Player &player = matchOf(world).players[fighter];
    player.fallDistance = 0;
    player.vy = vy;
}

const FighterLink MatchFighters = {fighterCount, fighterPlace, fightersNearPoint,
                                   hurtFighter,  killFighter,  launchFighter};

void Player::respawnPlayer(Match &match)
{
    if (match.spawnPointCount == 0) {
        x = ScreenWidth / 2;
        y = ScreenHeight / 2;
        return;
    }
    placeAtSpawn(match.arena, nextRandom(match.random) % match.spawnPointCount);
}

// Spawn points are numbered in row-major order; a number beyond the last leaves the fighter where it is.
void Player::placeAtSpawn(const Arena &arena, int n)
{
    for (int cell = 0; cell < ArenaCells; cell++) {
        if (arena.AttributeLayer[cell] != AttributeSpawn)
            continue;
        n--;
        if (n < 0) {
            x = (cell % ArenaColumns) * CellSize + 10;
            y = (cell / ArenaColumns) * CellSize + 30;
            return;
        }
    }
}

// A hit that leaves exactly 0 health does not kill here; the end of the fighter's own update does.
int Player::damagePlayer(Match &match, int amount, int owner)
{
    health -= amount;
    if (health < 0) {
        killPlayer(match);
        creditKill(match, owner, index);
        return 1;
    }
    return 0;
}

void Player::killPlayer(Match &match)
{
    int partX = static_cast<int>(x);
    int partY = static_cast<int>(y);
    // Each part draws its frame, then its vy, then its vx: the order decides the burst for a given seed.
    for (int part = 0; part < BodyParts; part++) {
        int r1 = nextRandom(match.random);
        int r2 = nextRandom(match.random);
        int r3 = nextRandom(match.random);
        float partVx = static_cast<float>((r3 % 20) / 5 - 2);
        float partVy = static_cast<float>((-r2 % 20) / 5);
        spawnDebris(match, partX, partY, partVx, partVy, skin * 16 + r1 % 3 + 8, explosiveDebris, index);
    }
    int r2 = nextRandom(match.random);
    int r3 = nextRandom(match.random);
    spawnDebris(match, partX, partY, static_cast<float>((r3 % 20) / 5 - 2), static_cast<float>((-r2 % 20) / 5),
                skin * 16 + 11, explosiveDebris, index);

    // Velocities, score, ammunition and pose survive death.
    respawnTimer = DeadTime;
    health = 0;
    weapon = WeaponNone;
    gadget = GadgetNone;
    fallDistance = 0;
    explosiveDebris = 0;
    respawnPlayer(match);
    emitSound(match, Sound::Burst);
}

void Player::drawPlayer(const char *name) const
{
    drawHud(name);
    if (respawnTimer > 0)
        return;
    int body = skin * 16 + facing + pose * 2;
    int bob = -walkPhase / 2;
    int attackPose = attackTimer != 0 ? 2 : 0;
    int shift = 0;
    if (weapon == WeaponKnife && attackTimer != 0)
        shift = facing == 0 ? 4 : -4;
    if (weapon == WeaponMelee && attackTimer != 0)
        shift = facing == 0 ? 8 : -8;

    // Facing left the weapon goes behind the body, facing right in front of it.
    if (facing == 1 && weapon >= 0)
        drawSprite(static_cast<int>(x - 10 + shift), static_cast<int>(y - 10 + bob), slotImage(ImageSlot::Weapons),
                   weapon * 4 + 1 + attackPose);
    if (pose == 4) {
        int canopyShift = facing == 0 ? -4 : 4;
        drawSprite(static_cast<int>(x - 10 + canopyShift), static_cast<int>(y - 23), slotImage(ImageSlot::Weapons),
                   CanopyFrame);
        body -= 2;
    }
    drawSprite(static_cast<int>(x - 10), static_cast<int>(y - 10 + bob), slotImage(ImageSlot::Fighters), body);
    if (facing == 0 && weapon >= 0)
        drawSprite(static_cast<int>(x - 10 + shift), static_cast<int>(y - 10 + bob), slotImage(ImageSlot::Weapons),
                   weapon * 4 + attackPose);
}

// A count in decimal digits, as "%d" writes it; snprintf's parsing of the
// format cost more than the rest of the HUD's noting, every frame.
static const char *countText(int count, char (&text)[16])
{
    char *end = text + sizeof text - 1, *start = end;
    *end = '\0';
    unsigned long magnitude = count < 0 ? 0ul - static_cast<unsigned long>(count) : static_cast<unsigned long>(count);
    do {
        *--start = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (count < 0)
        *--start = '-';
    return start;
}

// Kill count, a black box with the health bar over it, and the name.
void Player::drawHud(const char *name) const
{
    if (!screen)
        return;
    int bx = index * 380 + 20;
    int bar = health * 8 / 10;
    if (bar < 0)
        bar = 0;
    if (bar > 80)
        bar = 80;
    fillBox({static_cast<Sint16>(bx + 25), 3, 80, 14}, 0);
    drawPicture(slotImage(ImageSlot::HealthBar), {0, 0, static_cast<Uint16>(bar), 20}, bx + 25, 0);
    drawText(screen, fontKeyed, bx + 110, 10, name, TextCentreVertically);
    char score[16];
    drawText(screen, fontKeyed, bx, 10, countText(kills, score), TextCentreVertically);
}
