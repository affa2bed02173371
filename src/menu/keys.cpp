// The keys screen: each player's left, right, jump and fire. Enter on a row
// waits for the key to use and walks on through that player's actions; a key
// that already has a job is refused with a message. The keys go into
// settings.ini with the rest of the set-up at the next Play.
#include "gfx/gfx.h"
#include "media/media.h"
#include "menu/menu.h"

#include <cstring>

constexpr int UsualKeysRow = 8;

static const char *actionName(const Menu &menu, int action)
{
    switch (action) {
    case ActionLeft: return say(menu, "left", "vlevo");
    case ActionRight: return say(menu, "right", "vpravo");
    case ActionJump: return say(menu, "jump", "skok");
    default: return say(menu, "fire", "st\xF8\xEDlet");
    }
}

static const char *playerName(const Menu &menu, int player)
{
    return player == 0 ? menu.setup.Name1 : menu.setup.Name2;
}

// The pad that drives a player's fighter beside the keys, said after the name.
static std::string padOf(const Menu &menu, int player)
{
    for (int pad = 0; pad < menu.pads.count; pad++) {
        if (padFighter(menu.pads, pad) != player)
            continue;
        const char *name = SDL_JoystickName(pad);
        std::string line = std::string(say(menu, "+ pad ", "+ ovlada\xE8 ")) + std::to_string(pad + 1);
        return name && *name ? line + ": " + std::string(name).substr(0, 20) : line;
    }
    return "";
}

static int rowTop(int row)
{
    return 44 + row * 26 + (row >= 4 ? 22 : 0) + (row >= UsualKeysRow ? 22 : 0);
}

void drawKeys(const Menu &menu)
{
    if (!screen)
        return;
    SDL_FillRect(screen, nullptr, 0);
    if (SDL_Surface *strip = slotImage(ImageSlot::HudStrip)) {
        SDL_Rect top = {0, 0, 0, 0};
        SDL_BlitSurface(strip, nullptr, screen, &top);
    }
    drawText(screen, fontKeyed, 320, 10, say(menu, "Keys", "Kl\xE1vesy"),
             TextCentreVertically | TextCentreHorizontally);
    for (int row = 0; row <= UsualKeysRow; row++) {
        int y = rowTop(row);
        if (row == menu.keyRow) {
            SDL_Rect bar = {150, static_cast<Sint16>(y - 2), 340, 24};
            SDL_FillRect(screen, &bar, SDL_MapRGB(screen->format, 120, 45, 20));
        }
        if (row == UsualKeysRow) {
            drawText(screen, fontKeyed, 320, y + 10, say(menu, "the usual keys", "obvykl\xE9 kl\xE1vesy"),
                     TextCentreVertically | TextCentreHorizontally);
            continue;
        }
        int player = row / 4;
        auto action = static_cast<FighterAction>(row % 4);
        if (action == ActionLeft) {
            drawText(screen, fontKeyed, 160, y - 14, playerName(menu, player), TextCentreVertically);
            drawText(screen, fontKeyed, 320, y - 14, padOf(menu, player).c_str(), TextCentreVertically);
        }
        drawText(screen, fontKeyed, 170, y + 10, actionName(menu, action), TextCentreVertically);
        const char *key = menu.keyWaiting && row == menu.keyRow ? say(menu, "press a key...", "stiskni kl\xE1vesu...")
                                                                : SDL_GetKeyName(keyOf(menu.setup, player, action));
        drawText(screen, fontKeyed, 320, y + 10, key, TextCentreVertically);
    }
    if (menu.pads.count > 0)
        drawText(screen, fontKeyed, 320, 360,
                 say(menu, "Pads: stick or d-pad moves, up jumps, buttons fire",
                     "Ovlada\xE8: k\xF8\xED\x9E chod\xED a sk\xE1\xE8"
                     "e, tla\xE8\xEDtka st\xF8\xEDl\xED"),
                 TextCentreVertically | TextCentreHorizontally);
    const std::string help = menu.message.empty()
                                 ? say(menu, "Up/Down choose, Enter: press the new key, Escape: back",
                                       "\x9Aipky vyb\xEDraj\xED, Enter: stiskni novou kl\xE1vesu, Escape: zp\xECt")
                                 : menu.message;
    drawText(screen, fontKeyed, 320, 456, help.c_str(), TextCentreVertically | TextCentreHorizontally);
}

// The player and action already holding `key`, other than the selected row; -1 when none.
static int rowHolding(const Menu &menu, SDLKey key)
{
    for (int row = 0; row < UsualKeysRow; row++)
        if (row != menu.keyRow && keyOf(menu.setup, row / 4, static_cast<FighterAction>(row % 4)) == key)
            return row;
    return -1;
}

static void takeKey(Menu &menu, SDLKey key)
{
    menu.message.clear();
    if (key == SDLK_ESCAPE) {
        menu.keyWaiting = false;
        return;
    }
    int holder = rowHolding(menu, key);
    if (key == SDLK_p || holder >= 0) {
        std::string job = key == SDLK_p
                              ? say(menu, "the pause", "pauza")
                              : std::string(playerName(menu, holder / 4)) + " " + actionName(menu, holder % 4);
        menu.message = std::string(SDL_GetKeyName(key)) +
                       say(menu, " is taken (",
                           " u\x9E m\xE1 jinou pr\xE1"
                           "ci (") +
                       job + say(menu, "): choose another key", "): zvol jinou");
        return;
    }
    int player = menu.keyRow / 4;
    auto action = static_cast<FighterAction>(menu.keyRow % 4);
    // The usual key is written as none, so the file stays as it was.
    menu.setup.Keys[player][action] = key == usualKey(player, action) ? 0 : key;
    if (action == ActionFire)
        menu.keyWaiting = false;
    else
        menu.keyRow++;
}

void handleKeysScreenKey(Menu &menu, SDLKey key)
{
    if (menu.keyWaiting) {
        takeKey(menu, key);
        return;
    }
    menu.message.clear();
    switch (key) {
    case SDLK_ESCAPE: menu.keys = false; break;
    case SDLK_UP:
    case SDLK_w: menu.keyRow = (menu.keyRow + UsualKeysRow) % (UsualKeysRow + 1); break;
    case SDLK_DOWN:
    case SDLK_s:
    case SDLK_TAB: menu.keyRow = (menu.keyRow + 1) % (UsualKeysRow + 1); break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        if (menu.keyRow == UsualKeysRow)
            memset(menu.setup.Keys, 0, sizeof menu.setup.Keys);
        else
            menu.keyWaiting = true;
        break;
    default: break;
    }
}
