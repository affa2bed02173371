// The match's step, its state hash and its picture: the three things every
// user of a match (the game, replays, the computer opponent, network play)
// does with it.
#include "match/match.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"
#include "world/world.h"

// Wraps at a multiple of every rhythm it drives (25, 3) instead of
// overflowing after two billion frames.
static void countFrame(Match &match)
{
    match.frameCounter = match.frameCounter >= FrameCounterWrap - 1 ? 0 : match.frameCounter + 1;
    match.animationTick = nextAnimationTick(match.animationTick);
}

void step(Match &match, const FighterInput inputs[MaxPlayers], FrameEvents &events)
{
    events.clear();
    match.events = &events;
    updateWorld(match);
    if (match.frameCounter % 25 == 0)
        regenerateItems(match.arena);
    for (int i = 0; i < match.playerCount; i++) {
        Player &player = match.players[i];
        // In the end scene a fighter killed stays dead.
        if (!match.endScene)
            player.updatePlayer(match, inputs[i]);
        else if (player.respawnTimer == 0)
            player.updatePlayer(match, {});
    }
    countFrame(match);
    match.events = nullptr;
}

bool killLimitReached(const Match &match)
{
    return match.players[0].kills >= match.killLimit || match.players[1].kills >= match.killLimit;
}

int startEndScene(Match &match)
{
    Player &first = match.players[0];
    Player &second = match.players[1];
    int winner = first.kills > second.kills ? 0 : second.kills > first.kills ? 1 : -1;
    if (winner == 0) {
        first.placeAtSpawn(match.arena, 0);
        second.placeAtSpawn(match.arena, 1);
    } else if (winner == 1) {
        first.placeAtSpawn(match.arena, 1);
        second.placeAtSpawn(match.arena, 0);
    } else {
        first.placeAtSpawn(match.arena, 1);
        second.placeAtSpawn(match.arena, 1);
    }
    match.endScene = true;
    // One update from a timer of 1 brings both back to life with full health where they stand.
    match.frameCounter = 0;
    for (Player *fighter : {&first, &second}) {
        fighter->respawnTimer = 1;
        fighter->updatePlayer(match, {});
    }
    return winner;
}

static void hashFighter(StateHash &hash, const Player &p)
{
    hash.add(p.health, p.respawnTimer);
    hash.add(p.cooldown, p.attackTimer);
    hash.add(p.weapon, p.facing);
    hash.add(p.walkPhase, p.ammo);
    hash.add(p.fallDistance, p.pose);
    hash.add(p.gadget, p.gadgetCharge);
    hash.add(p.index, p.explosiveDebris);
    hash.add(p.skin, p.kills);
    for (double value : {p.x, p.y, p.vx, p.vy, p.pushVx})
        hash.add(value);
}

uint32_t hash(const Match &match)
{
    StateHash hash;
    hash.add(&match.arena, sizeof match.arena);
    hash.add(match.playerCount, match.spawnPointCount);
    for (int i = 0; i < match.playerCount; i++)
        hashFighter(hash, match.players[i]);
    hash.add(match.debrisCount, match.frameCounter);
    hash.add(match.animationTick, match.killLimit);
    hash.add(match.endScene ? 1 : 0, match.random.oldest);
    hash.add(match.random.ring, sizeof match.random.ring);
    int objects = 0;
    if (const WorldObject *object = match.worldHead) {
        do {
            object->hashInto(hash);
            objects++;
            object = object->next;
        } while (object != match.worldHead);
    }
    hash.add(objects, 0);
    return hash.digest();
}

// The HUD strip background, skipped when its picture failed to load.
static void drawHudStrip()
{
    SDL_Surface *strip = slotImage(ImageSlot::HudStrip);
    if (!strip || !screen)
        return;
    drawPicture(strip, {0, 0, static_cast<Uint16>(strip->w), static_cast<Uint16>(strip->h)}, 0, 0);
}

static void drawFighters(const Match &match)
{
    for (int i = 0; i < match.playerCount; i++)
        match.players[i].drawPlayer(match.names[i]);
}

// The picture before a step shows the animation step that step takes.
void drawMatchFrame(const Match &match)
{
    drawArena(match, nextAnimationTick(match.animationTick));
    drawHudStrip();
    drawFighters(match);
}

void drawEndSceneFrame(const Match &match, const char *result, const char *prompt)
{
    drawHudStrip();
    drawArena(match, nextAnimationTick(match.animationTick));
    drawText(screen, fontKeyed, 320, 50, result, TextCentreHorizontally);
    drawText(screen, fontKeyed, 320, 460, prompt, TextCentreHorizontally);
    drawFighters(match);
}
