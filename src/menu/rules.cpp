// The rules screen: both players' keys, what each pickup does, the arena's
// tricks, and how a match ends; the pickups shown as their own tiles.
#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"
#include "menu/menu.h"

static void line(int x, int y, const char *text)
{
    drawText(screen, fontKeyed, x, y, text, TextCentreVertically);
}

void drawRules(const Menu &menu)
{
    if (!screen)
        return;
    SDL_FillRect(screen, nullptr, 0);
    if (slotImage(ImageSlot::HudStrip)) {
        SDL_Rect top = {0, 0, 0, 0};
        SDL_BlitSurface(slotImage(ImageSlot::HudStrip), nullptr, screen, &top);
    }
    drawText(screen, fontKeyed, 320, 10, say(menu, "Rules", "Pravidla"), TextCentreVertically | TextCentreHorizontally);

    line(10, 32,
         say(menu, "Player 1: A left, D right, W jump, Tab fire",
             "Hr\xE1\xE8 1: A vlevo, D vpravo, W skok, Tab st\xF8\xEDl\xED"));
    line(10, 52,
         say(menu, "Player 2: arrows, Up jump, right Ctrl fire",
             "Hr\xE1\xE8 2: \x9Aipky, nahoru skok, prav\xFD Ctrl st\xF8\xEDl\xED"));
    line(10, 72,
         say(menu, "Pads: stick or d-pad moves, any button fires",
             "Ovlada\xE8"
             "e: p\xE1\xE8ka \xE8i k\xF8\xED\x9E"
             "ek chod\xED, tla\xE8\xEDtka st\xF8\xEDl\xED"));

    struct Pickup {
        int item;
        const char *english;
        const char *czech;
    };
    const Pickup pickups[] = {
        {ItemMelee, "sword: strikes who stands in front",
         "me\xE8: zas\xE1hne toho, kdo stoj\xED p\xF8"
         "ed tebou"},
        {ItemKnife, "knives: fly straight, stick in walls",
         "no\x9E"
         "e: let\xED rovn\xEC, zabodnou se do zdi"},
        {ItemGrenade, "grenades: lobbed, burst after a while", "gran\xE1ty: obloukem, za chv\xEDli vybuchnou"},
        {ItemBomb, "bombs: dropped, kicked, burst in a cross",
         "bomby: polo\x9E a kopni, vybuchnou do k\xF8\xED\x9E"
         "e"},
        {ItemExplosiveDebris, "your body bursts explosively when you die", "tvoje t\xEClo po smrti vybuchne"},
        {ItemJetpack, "jetpack: hold jump to fly", "raketov\xFD batoh: dr\x9E skok a let\xED\x9A"},
        {ItemParachute, "parachute: opens in a long fall",
         "pad\xE1k: otev\xF8"
         "e se p\xF8i dlouh\xE9m p\xE1"
         "du"},
        {ItemHealth, "health: +50, up to 100",
         "zdrav\xED: +50, nejv\xFD\x9A"
         "e 100"},
    };
    int y = 86;
    for (const Pickup &pickup : pickups) {
        drawTile(10, y, slotImage(ImageSlot::ItemTiles), pickup.item - 1);
        line(40, y + 10, say(menu, pickup.english, pickup.czech));
        y += 26;
    }

    drawTile(10, y, slotImage(ImageSlot::ItemTiles), ItemLadder - 1);
    line(40, y + 10,
         say(menu, "ladders only take you up: hold jump",
             "\x9E"
             "eb\xF8\xEDky vedou jen nahoru: dr\x9E skok"));
    y += 44;
    line(10, y, say(menu, "Land on the other's head to kill.", "Dopadni druh\xE9mu na hlavu a je po n\xECm."));
    line(10, y + 22,
         say(menu, "A fall of over 10 tiles kills; lava hurts,",
             "P\xE1"
             "d z v\xED"
             "c ne\x9E 10 pol\xED zab\xED"
             "j\xED; l\xE1va p\xE1l\xED,"));
    line(10, y + 44,
         say(menu, "spikes kill, lifts crush who is below.",
             "hroty zab\xEDj\xED, v\xFDtah rozdrt\xED, kdo je pod n\xEDm."));
    line(10, y + 66, say(menu, "First to the kill limit wins.", "Vyhr\xE1v\xE1 prvn\xED, kdo dos\xE1hne limitu."));
    line(10, y + 88, say(menu, "P pauses, Escape ends the match.", "P pozastav\xED, Escape ukon\xE8\xED z\xE1pas."));
    line(10, y + 110,
         say(menu, "Alone? The computer can play either fighter.",
             "S\xE1m? Kteroukoli postavu m\xF9\x9E"
             "e hr\xE1t po\xE8\xEDta\xE8."));
    drawText(screen, fontKeyed, 320, 466, say(menu, "any key: back", "kl\xE1vesa: zp\xECt"),
             TextCentreVertically | TextCentreHorizontally);
}
