// The set-up screen: the chosen arena's preview and the row of miniatures on
// the left and below, the set-up list on the right, the last message at the
// bottom; and what each key and click does to it.
#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"
#include "menu/menu.h"

#include <algorithm>
#include <cctype>
#include <cstring>

constexpr int ListX = 345;  // the set-up list's left edge
constexpr int ListWidth = 290;
constexpr int ValueCentre = 560;  // values are centred here
constexpr int ListTop = 26;
constexpr int RowHeight = 18;  // one line of the font: sixteen rows fit above the miniatures
constexpr int FighterRowHeight = 40;
constexpr int ThumbnailTop = 372;
constexpr int ThumbnailStep = 88;
constexpr int Thumbnails = 7;
constexpr int MaxKillLimit = 99;
constexpr int ComputerLevels = 4;  // a person, then easy, normal and hard
constexpr size_t MaxAddressLength = 60;
constexpr int AddressX = ListX + 84;  // the typed address, after the Join row's label
constexpr int AddressWidth = 200;

const char *say(const Menu &menu, const char *english, const char *czech)
{
    return menu.setup.Language == 0 ? czech : english;
}

static Uint32 colour(Uint8 r, Uint8 g, Uint8 b)
{
    return SDL_MapRGB(screen->format, r, g, b);
}

static void fill(int x, int y, int w, int h, Uint32 pixel)
{
    SDL_Rect box = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)};
    SDL_FillRect(screen, &box, pixel);
}

static void frame(int x, int y, int w, int h, Uint32 pixel)
{
    fill(x, y, w, 1, pixel);
    fill(x, y + h - 1, w, 1, pixel);
    fill(x, y, 1, h, pixel);
    fill(x + w - 1, y, 1, h, pixel);
}

static void text(int x, int y, const std::string &line, int flags = 0)
{
    drawText(screen, fontKeyed, x, y, line.c_str(), flags);
}

static int glyphWidth()
{
    return fontKeyed && fontKeyed->w >= 94 ? fontKeyed->w / 94 : 12;
}

// How many glyphs `width` pixels hold; at least one, so that a font as wide
// as the loader allows still shows something and no count drops below zero.
static size_t glyphsIn(int width)
{
    return static_cast<size_t>(std::max(1, width / glyphWidth()));
}

// At most `width` pixels of text, cut with ".." when longer.
static std::string fitted(const std::string &line, int width)
{
    size_t most = glyphsIn(width);
    if (line.size() <= most)
        return line;
    return most > 2 ? line.substr(0, most - 2) + ".." : line.substr(0, most);
}

// The red mark of an arena the arena check rejects.
static void warningMark(int x, int y)
{
    fill(x, y, 14, 20, colour(200, 30, 20));
    text(x + 7, y + 10, "!", TextCentreVertically | TextCentreHorizontally);
}

static void blitAt(SDL_Surface *picture, int x, int y)
{
    if (!picture)
        return;
    SDL_Rect target = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(picture, nullptr, screen, &target);
}

static int rowHeight(int row)
{
    return row == RowSkin1 || row == RowSkin2 ? FighterRowHeight : RowHeight;
}

// Rules stands beside Keys and Quit beside Play: short rows two to a line
// leave room for the network's rows above the miniatures.
static bool besidePrevious(int row)
{
    return row == RowRules || row == RowQuit;
}

static bool isHalfRow(int row)
{
    return besidePrevious(row) || besidePrevious(row + 1);
}

static int rowLeft(int row)
{
    return besidePrevious(row) ? ListX + ListWidth / 2 : ListX;
}

static int rowWidth(int row)
{
    return isHalfRow(row) ? ListWidth / 2 : ListWidth;
}

static int rowTop(int row)
{
    int y = ListTop;
    for (int r = 0; r < row; r++)
        if (!besidePrevious(r + 1))
            y += rowHeight(r);
    return y;
}

// Rows that do something when chosen, their label in the middle.
static bool isActionRow(int row)
{
    return row == RowKeys || row == RowRules || row == RowHost || row == RowWatch || row == RowPlay || row == RowQuit;
}

static bool isNameRow(int row)
{
    return row == RowName1 || row == RowName2;
}

static bool isComputerRow(int row)
{
    return row == RowComputer1 || row == RowComputer2;
}

// Who plays a fighter, said in full: the row has no label of its own, the
// fighter's rows above it say whose it is.
static std::string whoPlays(const Menu &menu, int computer)
{
    switch (computer <= 0 ? 0 : computer >= 3 ? 3 : computer) {
    case 0: return say(menu, "person", "\xE8lov\xECk");
    case 1: return say(menu, "computer: easy", "po\xE8\xEDta\xE8: lehk\xFD");
    case 2:
        return say(menu, "computer: normal",
                   "po\xE8\xEDta\xE8: st\xF8"
                   "edn\xED");
    default: return say(menu, "computer: hard", "po\xE8\xEDta\xE8: t\xEC\x9Ek\xFD");
    }
}

static std::string rowLabel(const Menu &menu, int row)
{
    switch (row) {
    case RowArena: return say(menu, "Arena", "Ar\xE9na");
    case RowName1: return say(menu, "Player 1", "Hr\xE1\xE8 1");
    case RowSkin1: return say(menu, "Fighter 1", "Postava 1");
    case RowName2: return say(menu, "Player 2", "Hr\xE1\xE8 2");
    case RowSkin2: return say(menu, "Fighter 2", "Postava 2");
    case RowKills: return say(menu, "Kill limit", "Do zabit\xED");
    case RowScreen: return say(menu, "Screen", "Obraz");
    case RowSound: return say(menu, "Sound", "Zvuk");
    case RowLanguage: return say(menu, "Language", "Jazyk");
    case RowKeys: return say(menu, "Keys", "Kl\xE1vesy");
    case RowRules: return say(menu, "Rules", "Pravidla");
    case RowWatch:
        return say(menu, "Watch the last match",
                   "P\xF8"
                   "ehr\xE1t posledn\xED z\xE1"
                   "pas");
    case RowHost:
        return say(menu, "Host a network match",
                   "Zalo\x9Eit s\xED\x9Dov\xFD z\xE1"
                   "pas");
    case RowJoin: return say(menu, "Join\x85", "P\xF8ipojit se\x85");
    case RowPlay: return say(menu, "Play!", "Hr\xE1t!");
    default: return say(menu, "Quit", "Konec");
    }
}

static std::string rowValue(const Menu &menu, int row)
{
    const Settings &s = menu.setup;
    switch (row) {
    case RowArena: return menu.arenas.empty() ? "-" : menu.arenas[menu.arena].name;
    case RowName1: return s.Name1;
    case RowName2: return s.Name2;
    case RowComputer1: return whoPlays(menu, s.Computer1);
    case RowComputer2: return whoPlays(menu, s.Computer2);
    case RowKills: return std::to_string(s.Zoltr);
    case RowScreen: return s.Windowed ? say(menu, "window", "okno") : say(menu, "fullscreen", "cel\xE1");
    case RowSound: return s.Sounds ? say(menu, "on", "zapnut\xFD") : say(menu, "off", "vypnut\xFD");
    case RowLanguage:
        return s.Language == 0 ? "\xE8"
                                 "esky"
                               : "English";
    default: return "";
    }
}

static void drawRow(const Menu &menu, int row)
{
    int top = rowTop(row);
    int height = rowHeight(row);
    bool selected = menu.row == row;
    Uint32 bar = 0;
    if (row == RowPlay)
        bar = selected ? colour(40, 150, 50) : colour(20, 80, 30);
    else if (selected)
        bar = colour(120, 45, 20);
    if (bar)
        fill(rowLeft(row), top, rowWidth(row) - (isHalfRow(row) ? 2 : 0), height - 2, bar);
    int middle = top + (height - 2) / 2;
    if (isActionRow(row)) {
        text(rowLeft(row) + rowWidth(row) / 2, middle, fitted(rowLabel(menu, row), rowWidth(row)),
             TextCentreVertically | TextCentreHorizontally);
        return;
    }
    if (row == RowJoin) {
        text(ListX + 6, middle, rowLabel(menu, row), TextCentreVertically);
        std::string address = menu.joinAddress + (selected ? "_" : "");
        // While typing, the end of a long address is what matters.
        size_t most = glyphsIn(AddressWidth);
        if (address.size() > most)
            address = most > 2 ? ".." + address.substr(address.size() - (most - 2)) : address.substr(0, most);
        text(AddressX, middle, address, TextCentreVertically);
        return;
    }
    if (isComputerRow(row)) {
        text(ListX + 145, middle, rowValue(menu, row), TextCentreVertically | TextCentreHorizontally);
        text(ListX + 6, middle, "<", TextCentreVertically);
        text(ListX + 274, middle, ">", TextCentreVertically);
        return;
    }
    text(ListX + 6, middle, rowLabel(menu, row), TextCentreVertically);
    if (row == RowSkin1 || row == RowSkin2) {
        size_t skin = static_cast<size_t>((row == RowSkin1 ? menu.setup.Image1 : menu.setup.Image2) - 1);
        SDL_Surface *picture = skin < menu.fighterPictures.size() ? menu.fighterPictures[skin] : nullptr;
        if (picture)
            blitAt(picture, ValueCentre - picture->w / 2, middle - picture->h / 2);
    } else if (isNameRow(row)) {
        std::string name = rowValue(menu, row) + (selected ? "_" : "");
        // While typing, the end of a long name is what matters.
        size_t most = glyphsIn(150);
        if (selected && name.size() > most)
            name = most > 2 ? ".." + name.substr(name.size() - (most - 2)) : name.substr(name.size() - most);
        text(ValueCentre - 70, middle, fitted(name, 150), TextCentreVertically);
        return;
    } else {
        text(ValueCentre, middle, fitted(rowValue(menu, row), 120), TextCentreVertically | TextCentreHorizontally);
    }
    text(ValueCentre - 72, middle, "<", TextCentreVertically);
    text(ValueCentre + 62, middle, ">", TextCentreVertically);
}

// Long messages are wrapped at the screen's width, at most `lines` lines.
static void drawWrapped(int x, int y, const std::string &message, int width, int lines)
{
    size_t most = glyphsIn(width);
    size_t start = 0;
    for (int line = 0; line < lines && start < message.size(); line++) {
        size_t length = message.size() - start;
        if (length > most) {
            size_t space = message.rfind(' ', start + most);
            length = space != std::string::npos && space > start ? space - start : most;
        }
        text(x, y + line * 20, message.substr(start, length));
        start += length;
        while (start < message.size() && message[start] == ' ')
            start++;
    }
}

// The row of miniatures keeps the chosen arena near its middle.
static int firstThumbnail(const Menu &menu)
{
    int first = menu.arena - Thumbnails / 2;
    if (first > static_cast<int>(menu.arenas.size()) - Thumbnails)
        first = static_cast<int>(menu.arenas.size()) - Thumbnails;
    return first < 0 ? 0 : first;
}

std::vector<int> shownArenas(const Menu &menu)
{
    std::vector<int> shown;
    if (menu.arenas.empty())
        return shown;
    shown.push_back(menu.arena);
    int first = firstThumbnail(menu);
    for (int i = 0; i < Thumbnails && first + i < static_cast<int>(menu.arenas.size()); i++)
        shown.push_back(first + i);
    return shown;
}

// The last match and the evening's wins per name, where the arena's preview stands.
static void drawScoreBoard(const Menu &menu)
{
    fill(10, 28, 320, 230, colour(20, 24, 40));
    text(170, 44, say(menu, "Last match", "Posledn\xED z\xE1pas"), TextCentreVertically | TextCentreHorizontally);
    drawWrapped(20, 60, menu.lastResult, 300, 3);
    std::string evening = say(menu, "This evening: ", "Dnes: ") + std::to_string(menu.played) +
                          say(menu, menu.played == 1 ? " match" : " matches", " z\xE1pas\xF9");
    text(170, 132, evening, TextCentreVertically | TextCentreHorizontally);
    int y = 156;
    for (size_t i = 0; i < menu.wins.size() && i < 4; i++, y += 22) {
        text(40, y, fitted(menu.wins[i].first, 200), TextCentreVertically);
        text(300, y, std::to_string(menu.wins[i].second), TextCentreVertically | TextCentreHorizontally);
    }
    text(170, 248, say(menu, "any key: the arena", "kl\xE1vesa: ar\xE9na"),
         TextCentreVertically | TextCentreHorizontally);
}

static void drawArenaPanel(const Menu &menu)
{
    frame(9, 27, 322, 232, colour(70, 80, 100));
    if (menu.arenas.empty()) {
        text(170, 140,
             say(menu, "no arena in maps/",
                 "\x9E\xE1"
                 "dn\xE1 ar\xE9na v maps/"),
             TextCentreVertically | TextCentreHorizontally);
        return;
    }
    const ArenaChoice &chosen = menu.arenas[menu.arena];
    if (menu.scoreShown)
        drawScoreBoard(menu);
    else
        blitAt(chosen.preview, 10, 28);
    if (!chosen.preview && !menu.scoreShown)
        text(170, 143, "?", TextCentreVertically | TextCentreHorizontally);
    text(170, 270, "< " + fitted(chosen.name, 240) + " >", TextCentreVertically | TextCentreHorizontally);
    text(170, 292, say(menu, "spawn points: ", "m\xEDst startu: ") + std::to_string(chosen.spawnPoints),
         TextCentreVertically | TextCentreHorizontally);
    if (!chosen.problems.empty()) {
        if (!menu.scoreShown)
            warningMark(10 + 320 - 18, 32);
        warningMark(12, 304);
        drawWrapped(32, 304, say(menu, "arena check: ", "kontrola: ") + chosen.problems[0], 300, 3);
    }

    int first = firstThumbnail(menu);
    for (int i = 0; i < Thumbnails && first + i < static_cast<int>(menu.arenas.size()); i++) {
        const ArenaChoice &arena = menu.arenas[first + i];
        int x = 10 + i * ThumbnailStep;
        if (first + i == menu.arena)
            fill(x - 3, ThumbnailTop - 3, 86, 63, colour(230, 190, 40));
        fill(x, ThumbnailTop, 80, 57, colour(30, 30, 40));
        blitAt(arena.thumbnail, x, ThumbnailTop);
        if (!arena.problems.empty())
            warningMark(x + 66, ThumbnailTop);
    }
}

void drawMenu(const Menu &menu)
{
    if (!screen)
        return;
    SDL_FillRect(screen, nullptr, 0);
    blitAt(slotImage(ImageSlot::HudStrip), 0, 0);
    text(8, 10, "Zoltr Deathmatch", TextCentreVertically);
    // The two players' wins this evening.
    std::string tally = fitted(menu.setup.Name1, 170) + " " + std::to_string(winsOf(menu, menu.setup.Name1)) + " : " +
                        std::to_string(winsOf(menu, menu.setup.Name2)) + " " + fitted(menu.setup.Name2, 170);
    if (menu.played > 0)
        text(632 - static_cast<int>(tally.size()) * glyphWidth(), 10, tally, TextCentreVertically);

    drawArenaPanel(menu);
    for (int row = 0; row < RowCount; row++)
        drawRow(menu, row);

    if (!menu.message.empty())
        drawWrapped(10, 438, menu.message, 620, 2);
    else
        text(320, 448,
             say(menu, "Up/Down/W/Tab choose, A/D/arrows change, Enter plays",
                 "W/Tab/\x9Aipky vyb\xEDraj\xED, A/D m\xECn\xED, Enter hraje"),
             TextCentreVertically | TextCentreHorizontally);
}

static int wrapped(int value, int count)
{
    return ((value % count) + count) % count;
}

static void changeValue(Menu &menu, int row, int step)
{
    Settings &s = menu.setup;
    switch (row) {
    case RowArena:
        if (!menu.arenas.empty())
            menu.arena = wrapped(menu.arena + step, static_cast<int>(menu.arenas.size()));
        break;
    case RowSkin1: s.Image1 = wrapped(s.Image1 - 1 + step, menu.skins) + 1; break;
    case RowSkin2: s.Image2 = wrapped(s.Image2 - 1 + step, menu.skins) + 1; break;
    case RowComputer1: s.Computer1 = wrapped(std::clamp(s.Computer1, 0, 3) + step, ComputerLevels); break;
    case RowComputer2: s.Computer2 = wrapped(std::clamp(s.Computer2, 0, 3) + step, ComputerLevels); break;
    case RowKills:
        s.Zoltr = s.Zoltr + step < 1 ? 1 : s.Zoltr + step > MaxKillLimit ? MaxKillLimit : s.Zoltr + step;
        break;
    case RowScreen: s.Windowed = !s.Windowed; break;
    case RowSound: s.Sounds = !s.Sounds; break;
    case RowLanguage: s.Language = s.Language == 0 ? 1 : 0; break;
    default: break;
    }
}

// The Windows-1250 byte of a typed character a name may hold, or 0.
static char nameByte(Uint16 unicode)
{
    if (unicode > 32 && unicode < 127)
        return static_cast<char>(unicode);
    static const Uint16 czech[][2] = {
        {0x011B, 0xEC}, {0x0161, 0x9A}, {0x010D, 0xE8}, {0x0159, 0xF8}, {0x017E, 0x9E},
        {0x00FD, 0xFD}, {0x00E1, 0xE1}, {0x00ED, 0xED}, {0x00E9, 0xE9}, {0x010F, 0xEF},
        {0x0148, 0xF2}, {0x00F3, 0xF3}, {0x0165, 0x9D}, {0x00FA, 0xFA}, {0x016F, 0xF9},
    };
    for (const auto &letter : czech)
        if (letter[0] == unicode)
            return static_cast<char>(letter[1]);
    return 0;
}

// The host's address as typed: a name or numbers, and a port after a colon.
static bool editAddress(Menu &menu, const SDL_keysym &key)
{
    std::string &address = menu.joinAddress;
    if (key.sym == SDLK_BACKSPACE) {
        if (!address.empty())
            address.pop_back();
        return true;
    }
    char typed = key.unicode < 127 ? static_cast<char>(key.unicode) : 0;
    if (!isalnum(static_cast<unsigned char>(typed)) && typed != '.' && typed != ':' && typed != '-')
        return false;
    if (address.size() < MaxAddressLength)
        address += typed;
    return true;
}

// Names are one word of at most 29 bytes: the game reads no more.
static bool editName(Menu &menu, const SDL_keysym &key)
{
    char *name = menu.row == RowName1 ? menu.setup.Name1 : menu.setup.Name2;
    size_t length = strlen(name);
    if (key.sym == SDLK_BACKSPACE) {
        if (length > 0)
            name[length - 1] = '\0';
        return true;
    }
    char byte = nameByte(key.unicode);
    if (!byte)
        return false;
    if (length < sizeof menu.setup.Name1 - 1) {
        name[length] = byte;
        name[length + 1] = '\0';
    }
    return true;
}

static MenuAction activate(Menu &menu, int row)
{
    if (row == RowRules) {
        menu.rules = true;
        return ActionNone;
    }
    if (row == RowWatch)
        return ActionWatch;
    if (row == RowKeys) {
        menu.keys = true;
        menu.keyRow = 0;
        menu.keyWaiting = false;
        return ActionNone;
    }
    if (row == RowHost)
        return ActionHost;
    if (row == RowJoin)
        return ActionJoin;
    return row == RowQuit ? ActionQuit : ActionPlay;
}

static MenuAction handleKey(Menu &menu, const SDL_keysym &key)
{
    if (menu.keys) {
        handleKeysScreenKey(menu, key.sym);
        return ActionNone;
    }
    if (menu.rules) {
        menu.rules = false;
        return ActionNone;
    }
    switch (key.sym) {
    case SDLK_ESCAPE: return ActionQuit;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return activate(menu, menu.row);
    case SDLK_UP: menu.row = wrapped(menu.row - 1, RowCount); return ActionNone;
    case SDLK_DOWN:
    case SDLK_TAB:
    case SDLK_RCTRL: menu.row = wrapped(menu.row + 1, RowCount); return ActionNone;
    case SDLK_LEFT: changeValue(menu, menu.row, -1); return ActionNone;
    case SDLK_RIGHT: changeValue(menu, menu.row, 1); return ActionNone;
    default: break;
    }
    // On a name row the letters type; elsewhere player 1's keys steer.
    if (isNameRow(menu.row) && editName(menu, key))
        return ActionNone;
    if (menu.row == RowJoin && editAddress(menu, key))
        return ActionNone;
    if (key.sym == SDLK_w)
        menu.row = wrapped(menu.row - 1, RowCount);
    else if (key.sym == SDLK_s)
        menu.row = wrapped(menu.row + 1, RowCount);
    else if (key.sym == SDLK_a)
        changeValue(menu, menu.row, -1);
    else if (key.sym == SDLK_d)
        changeValue(menu, menu.row, 1);
    return ActionNone;
}

static MenuAction handleClick(Menu &menu, int x, int y)
{
    if (menu.keys)
        return ActionNone;
    if (menu.rules) {
        menu.rules = false;
        return ActionNone;
    }
    if (y >= ThumbnailTop && y < ThumbnailTop + 57) {
        int picked = firstThumbnail(menu) + (x - 10) / ThumbnailStep;
        if (x >= 10 && picked < static_cast<int>(menu.arenas.size())) {
            menu.arena = picked;
            menu.row = RowArena;
        }
        return ActionNone;
    }
    if (x < ListX) {
        if (y >= 260 && y < 282 && !menu.arenas.empty())
            changeValue(menu, RowArena, x < 170 ? -1 : 1);
        return ActionNone;
    }
    for (int row = 0; row < RowCount; row++) {
        if (y < rowTop(row) || y >= rowTop(row) + rowHeight(row) || x < rowLeft(row) ||
            x >= rowLeft(row) + rowWidth(row))
            continue;
        menu.row = row;
        if (isActionRow(row))
            return activate(menu, row);
        if (row == RowJoin)
            return ActionNone;
        if (isComputerRow(row))
            changeValue(menu, row, x < ListX + 145 ? -1 : 1);
        else if (x >= ValueCentre - 80)
            changeValue(menu, row, x < ValueCentre ? -1 : 1);
        return ActionNone;
    }
    return ActionNone;
}

MenuAction handleMenuEvent(Menu &menu, const SDL_Event &event)
{
    // The score board gives way to the arena at any key but Enter, which plays the rematch.
    bool enter =
        event.type == SDL_KEYDOWN && (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER);
    if ((event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN) && !enter)
        menu.scoreShown = false;
    switch (event.type) {
    case SDL_QUIT: return ActionQuit;
    case SDL_KEYDOWN: return handleKey(menu, event.key.keysym);
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT)
            return handleClick(menu, event.button.x, event.button.y);
        return ActionNone;
    default: return ActionNone;
    }
}
