// The fighter's record: creation, spawning, damage and kill credit, death and
// its burst of body parts, drawing of the fighter and of its HUD block; and
// the fighters as the world reaches them.
#include "match/player.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"

#include <cstdio>
#include <cstdlib>

Player *players[MaxPlayers];
int playerCount;

constexpr int CanopyFrame = 44;
constexpr int DeadTime = 100;
constexpr int BodyParts = 20;

Player::Player()
    : health(100), respawnTimer(0), cooldown(0), attackTimer(0), weapon(WeaponNone), facing(0), walkPhase(0), ammo(20),
      fallDistance(0), pose(0), gadget(0), gadgetCharge(0), index(0), explosiveDebris(0), skin(0), kills(0), x(0), y(0),
      vx(0), vy(0), pushVx(0)
{
    explosiveDebris = 0;
    vx = 0;
    vy = 0;
    index = playerCount;
    // The table holds two fighters; a record made beyond that is never registered.
    if (playerCount < MaxPlayers) {
        players[playerCount] = this;
        playerCount++;
        linkFighters();
    }
    gadget = 0;
    pushVx = 0;
    kills = 0;
    // A skin far beyond the sheet draws nothing, like any skin past its last row;
    // held within +-4096 so that skin * 16 + frame cannot overflow.
    int image = playerImage(index);
    skin = (image < -4095 ? -4095 : image > 4097 ? 4097 : image) - 1;
    respawnPlayer();
}

const char *playerName(int index)
{
    return index == 0 ? settings.Name1 : settings.Name2;
}

int playerImage(int index)
{
    return index == 0 ? settings.Image1 : settings.Image2;
}

bool isLiving(const Player *player)
{
    return player && player->respawnTimer <= 0;
}

int fightersNear(double x, double y, Reach reach, int found[MaxPlayers])
{
    int count = 0;
    for (int i = 0; i < playerCount; i++) {
        const Player *player = players[i];
        if (!isLiving(player))
            continue;
        double dx = player->x - x;
        double dy = player->y - y;
        if (-reach.left < dx && dx < reach.right && -reach.up < dy && dy < reach.down)
            found[count++] = i;
    }
    return count;
}

void creditKill(int owner, int victim)
{
    playSound(Sound::Kill);
    if (owner == victim || owner < 0 || owner >= playerCount || !players[owner])
        return;
    players[owner]->kills++;
}

// --- the fighters as the world reaches them ---

static int fighterCount()
{
    return playerCount;
}

static FighterPlace fighterPlace(int fighter)
{
    const Player *player = players[fighter];
    return player ? FighterPlace{player->x, player->y, player->vx} : FighterPlace{};
}

static void hurtFighter(int fighter, int amount, int owner)
{
    players[fighter]->damagePlayer(amount, owner);
}

static void killFighter(int fighter)
{
    players[fighter]->killPlayer();
}

static void launchFighter(int fighter, double vy)
{
    players[fighter]->fallDistance = 0;
    players[fighter]->vy = vy;
}

void linkFighters()
{
    fighterLink = {fighterCount, fighterPlace, fightersNear, hurtFighter, killFighter, launchFighter};
}

void Player::respawnPlayer()
{
    if (spawnPointCount == 0) {
        x = (screen ? screen->w : ScreenWidth) / 2;
        y = screenHeight() / 2;
        return;
    }
    placeAtSpawn(rand() % spawnPointCount);
}

// Spawn points are numbered in row-major order; a number beyond the last leaves the fighter where it is.
void Player::placeAtSpawn(int n)
{
    for (int cell = 0; cell < ArenaCells; cell++) {
        if (AttributeLayer[cell] != AttributeSpawn)
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
int Player::damagePlayer(int amount, int owner)
{
    health -= amount;
    if (health < 0) {
        killPlayer();
        creditKill(owner, index);
        return 1;
    }
    return 0;
}

void Player::killPlayer()
{
    int partX = static_cast<int>(x);
    int partY = static_cast<int>(y);
    // Each part draws its frame, then its vy, then its vx: the order decides the burst for a given seed.
    for (int part = 0; part < BodyParts; part++) {
        int r1 = rand();
        int r2 = rand();
        int r3 = rand();
        float partVx = static_cast<float>((r3 % 20) / 5 - 2);
        float partVy = static_cast<float>((-r2 % 20) / 5);
        spawnDebris(partX, partY, partVx, partVy, skin * 16 + r1 % 3 + 8, explosiveDebris, index);
    }
    int r2 = rand();
    int r3 = rand();
    spawnDebris(partX, partY, static_cast<float>((r3 % 20) / 5 - 2), static_cast<float>((-r2 % 20) / 5), skin * 16 + 11,
                explosiveDebris, index);

    // Velocities, score, ammunition and pose survive death.
    respawnTimer = DeadTime;
    health = 0;
    weapon = WeaponNone;
    gadget = GadgetNone;
    fallDistance = 0;
    explosiveDebris = 0;
    respawnPlayer();
    playSound(Sound::Burst);
}

void Player::drawPlayer()
{
    drawHud();
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

// Kill count, a black box with the health bar over it, and the name.
void Player::drawHud()
{
    if (!screen)
        return;
    int bx = index * 380 + 20;
    int bar = health * 8 / 10;
    if (bar < 0)
        bar = 0;
    if (bar > 80)
        bar = 80;
    SDL_Rect box = {static_cast<Sint16>(bx + 25), 3, 80, 14};
    SDL_FillRect(screen, &box, 0);
    if (SDL_Surface *barImage = slotImage(ImageSlot::HealthBar)) {
        SDL_Rect source = {0, 0, static_cast<Uint16>(bar), 20};
        SDL_Rect target = {static_cast<Sint16>(bx + 25), 0, 0, 0};
        SDL_UpperBlit(barImage, &source, screen, &target);
    }
    drawText(screen, fontKeyed, bx + 110, 10, playerName(index), TextCentreVertically);
    char score[16];
    snprintf(score, sizeof score, "%d", kills);
    drawText(screen, fontKeyed, bx, 10, score, TextCentreVertically);
}
