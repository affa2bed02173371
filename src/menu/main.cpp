// zoltr-menu: sets up a match, runs the game, and comes back for the next one.
#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"
#include "menu/menu.h"
#include "shell/shell.h"

// Lists maps/ again and keeps the arena at `chosen` (a copy: the list is freed first) chosen.
static void findArenas(Menu &menu, std::string chosen)
{
    std::vector<ArenaChoice> known = std::move(menu.arenas);
    menu.arenas = listArenas("maps", known);
    menu.arena = 0;
    for (size_t i = 0; i < menu.arenas.size(); i++)
        if (menu.arenas[i].path == chosen)
            menu.arena = static_cast<int>(i);
}

// A screen switched back to a window is kept also when the menu is left
// without a match, so the next start does not open in full screen again.
static void keepScreenChoice(const Menu &menu)
{
    Settings onDisk = {};
    onDisk.Windowed = 1;
    readSettingsFile("settings.ini", onDisk);
    if ((onDisk.Windowed != 0) == (menu.setup.Windowed != 0))
        return;
    std::string problem = writeSettingsFile("settings.ini", menu.setup);
    if (!problem.empty())
        fprintf(stderr, "zoltr-menu: settings.ini not saved: %s\n", problem.c_str());
}

int main(int, char **)
{
    Menu menu = {};
    Settings &setup = menu.setup;
    // A folder without settings.ini gets a fresh one at the first Play.
    snprintf(setup.Name1, sizeof setup.Name1, "Red");
    snprintf(setup.Name2, sizeof setup.Name2, "Blue");
    setup.Image1 = 1;
    setup.Image2 = 2;
    setup.Zoltr = 10;
    setup.Sounds = 1;
    setup.Windowed = 1;
    setup.Language = 1;
    readSettingsFile("settings.ini", setup);
    setup.Sounds = setup.Sounds != 0;
    setup.Windowed = setup.Windowed != 0;
    setup.Language = setup.Language != 0;
    if (setup.Zoltr < 1 || setup.Zoltr > 99)
        setup.Zoltr = 10;
    menu.joinAddress = setup.JoinAddress;

    removeStaleTemporaries("settings.ini");
    prepareSdlStart();
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        fatalSdlError();
    atexit(stopSdl);
    openPads(menu.pads);
    openMenuWindow(menu);
    loadFonts();
    settings.Sounds = 0;  // the menu plays nothing: no sound is loaded
    menu.message = loadCatalogueTelling();

    SDL_Surface *fighters = slotImage(ImageSlot::Fighters);
    int frameSize = fighters && fighters->w >= 8 ? fighters->w / 8 : 1;
    menu.skins = fighters ? fighters->h / frameSize / 2 : 1;
    if (menu.skins < 1)
        menu.skins = 1;
    if (setup.Image1 < 1 || setup.Image1 > menu.skins)
        setup.Image1 = 1;
    if (setup.Image2 < 1 || setup.Image2 > menu.skins)
        setup.Image2 = menu.skins > 1 ? 2 : 1;
    makeFighterPictures(menu);

    findArenas(menu, setup.Level);
    menu.row = RowPlay;
    menu.demoAfter = demoAfterMilliseconds();
    menu.idleSince = SDL_GetTicks();

    const std::string game = gameBinary();
    bool redraw = true;
    for (;;) {
        if (redraw) {
            // Only what shows is examined: a folder of a thousand arenas costs
            // the seven on screen.
            for (int shown : shownArenas(menu))
                examineArena(menu.arenas[shown]);
            if (menu.keys)
                drawKeys(menu);
            else if (menu.rules)
                drawRules(menu);
            else
                drawMenu(menu);
            presentScreen();
        }
        SDL_Event event;
        if (!nextMenuEvent(menu, event)) {
            playDemo(menu);
            menu.idleSince = SDL_GetTicks();
            redraw = true;
            continue;
        }
        SDL_Event key;
        if (padAsKey(menu.pads, event, key))
            event = key;
        // The pointer's moves and the keys' releases change nothing shown.
        redraw = false;
        bool input = event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN;
        if (input || event.type == SDL_MOUSEMOTION || event.type == SDL_ACTIVEEVENT)
            menu.idleSince = SDL_GetTicks();
        if (dropGhostRepeat(event) || (input && menuIsCalm(menu, SDL_GetTicks())))
            continue;
        redraw = input || event.type == SDL_VIDEOEXPOSE || event.type == SDL_ACTIVEEVENT;
        MenuAction action = handleMenuEvent(menu, event);
        if (action == ActionQuit) {
            keepScreenChoice(menu);
            break;
        }
        if (action == ActionWatch)
            menu.message = watchLastMatch(menu, game);
        if (action == ActionPlay || action == ActionHost || action == ActionJoin) {
            MatchPlace place = action == ActionHost ? Hosting : action == ActionJoin ? Joining : AtOneKeyboard;
            menu.message = playMatch(menu, game, place);
            // Arenas made or removed while the game ran show up now.
            findArenas(menu, menu.arenas.empty() ? "" : menu.arenas[menu.arena].path);
            // The same words on the error stream, for whoever reads the log.
            fprintf(stderr, "zoltr-menu: %s\n", menu.message.c_str());
            if (menu.played > 0)
                fprintf(stderr, "zoltr-menu: score: %s\n", scoreLine(menu).c_str());
        }
        // A match or a recording watched was no idle time.
        if (action == ActionWatch || action == ActionPlay || action == ActionHost || action == ActionJoin)
            menu.idleSince = SDL_GetTicks();
    }
    freeArenas(menu.arenas);
    freeFighterPictures(menu);
    closePads(menu.pads);
    return 0;
}
