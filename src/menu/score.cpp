// The evening's score: each match's result as the game reports it in its
// result file, wins counted per player name, and the game's own messages
// picked out of its error stream.
#include "menu/menu.h"

#include <cstdio>
#include <cstring>

int winsOf(const Menu &menu, const std::string &name)
{
    for (const auto &[who, wins] : menu.wins)
        if (who == name)
            return wins;
    return 0;
}

std::string scoreLine(const Menu &menu)
{
    std::string line;
    for (const auto &[who, wins] : menu.wins)
        line += (line.empty() ? "" : ", ") + who + " " + std::to_string(wins);
    return line + " (" + std::to_string(menu.played) + (menu.played == 1 ? " match)" : " matches)");
}

// A name on the score board from its first match on, with `more` wins added.
static void addWins(Menu &menu, const std::string &name, int more)
{
    for (auto &[who, wins] : menu.wins)
        if (who == name) {
            wins += more;
            return;
        }
    menu.wins.push_back({name, more});
}

std::string recordResult(Menu &menu, const MatchResult &result)
{
    const Settings &s = menu.setup;
    int first = result.kills[0];
    int second = result.kills[1];
    std::string score =
        std::string(s.Name1) + " " + std::to_string(first) + ":" + std::to_string(second) + " " + s.Name2;
    menu.scoreShown = true;
    if (result.escaped && first == 0 && second == 0) {
        menu.lastResult = score + say(menu, ", abandoned: not counted", ", opu\x9At\xECno: nepo\xE8\xEDt\xE1 se");
        return menu.lastResult;
    }
    menu.played++;
    addWins(menu, s.Name1, first > second);
    addWins(menu, s.Name2, second > first);
    if (first == second)
        menu.lastResult = score + say(menu, ", a draw", ", rem\xEDza");
    else
        menu.lastResult =
            score + ", " + (first > second ? s.Name1 : s.Name2) + say(menu, " wins", " v\xEDt\xEC\x9E\xED");
    return menu.lastResult;
}

bool readMatchResult(const char *path, MatchResult &result)
{
    FILE *file = fopen(path, "r");
    if (!file)
        return false;
    char ending[8] = "";
    bool read = fscanf(file, "%d %d %7s", &result.kills[0], &result.kills[1], ending) == 3;
    fclose(file);
    result.escaped = strcmp(ending, "escape") == 0;
    return read && (result.escaped || strcmp(ending, "limit") == 0);
}

std::string gameWords(const std::string &said)
{
    // How the game's own messages begin; a line without one is a library's.
    static const char *const starts[] = {"Problem: ", "settings.ini",  "Chyba scriptu",        "obrazek ",
                                         "zvuk ",     "Nebyl nalezen", "Couldn't load image ", "cannot start",
                                         "zoltr: ",   "Network: "};
    std::string words;
    size_t start = 0;
    while (start < said.size()) {
        size_t end = said.find('\n', start);
        if (end == std::string::npos)
            end = said.size();
        std::string line = said.substr(start, end - start);
        size_t from = std::string::npos;
        for (const char *mark : starts)
            from = std::min(from, line.find(mark));
        if (from != std::string::npos) {
            if (!words.empty())
                words += ' ';
            words.append(line, from, std::string::npos);
        }
        start = end + 1;
    }
    return words;
}
