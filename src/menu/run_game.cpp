// Playing a match: the values go into settings.ini, the menu's window closes,
// the game runs in this folder with its error stream captured, and the menu
// comes back with what the game said.
#include "arena/arena.h"
#include "match/match.h"
#include "media/media.h"
#include "menu/menu.h"
#include "shell/shell.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

constexpr const char *Caption = "Zoltr Deathmatch - match menu";
constexpr const char *VictoryStage = "maps/win1";
// Keys pressed for the game's last moments must not act on the menu: this long.
constexpr Uint32 CalmMilliseconds = 500;

std::string gameBinary()
{
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "./zoltr";
    self[length] = '\0';
    std::string path = self;
    return path.substr(0, path.rfind('/') + 1) + "zoltr";
}

void openMenuWindow(const Menu &menu)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) < 0)
        fatalSdlError();
    requireDisplay("the menu");
    endPromptlyWhenAsked();
    SDL_WM_SetCaption(Caption, nullptr);
    Uint32 flags = SDL_SWSURFACE | (menu.setup.Windowed ? 0 : SDL_FULLSCREEN);
    screen = SDL_SetVideoMode(640, 480, 16, flags);
    if (!screen)
        fatalSdlError();
    coverDisplay();
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(SDL_DEFAULT_REPEAT_DELAY, SDL_DEFAULT_REPEAT_INTERVAL);
}

// The error stream's text on one line, control bytes as spaces.
static std::string oneLine(const std::string &text)
{
    std::string line;
    for (char c : text) {
        bool blank = static_cast<unsigned char>(c) < 32;
        if (blank && (line.empty() || line.back() == ' '))
            continue;
        line += blank ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

static std::string readCapture(FILE *capture)
{
    std::string text;
    rewind(capture);
    char buffer[1024];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, capture)) > 0)
        text.append(buffer, got);
    return text;
}

std::string loadCatalogueTelling()
{
    fflush(stderr);
    FILE *capture = tmpfile();
    int terminal = capture ? dup(STDERR_FILENO) : -1;
    if (terminal < 0 || dup2(fileno(capture), STDERR_FILENO) < 0) {
        if (terminal >= 0)
            close(terminal);
        if (capture)
            fclose(capture);
        loadCatalogue();
        return "";
    }
    loadCatalogue();
    fflush(stderr);
    dup2(terminal, STDERR_FILENO);
    close(terminal);
    std::string said = readCapture(capture);
    fclose(capture);
    if (!said.empty())
        fprintf(stderr, "%s%s", said.c_str(), said.back() == '\n' ? "" : "\n");
    return oneLine(gameWords(said));
}

// Starts the game with its error stream in `capture` and these options; the
// status as waitpid gives it, or -1.
static int runAndWait(const std::string &binary, FILE *capture, const std::vector<const char *> &options)
{
    std::vector<char *> arguments = {const_cast<char *>("zoltr")};
    for (const char *option : options)
        arguments.push_back(const_cast<char *>(option));
    arguments.push_back(nullptr);
    fflush(nullptr);
    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        // A menu that is stopped takes its game with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        dup2(fileno(capture), STDERR_FILENO);
        execv(binary.c_str(), arguments.data());
        fprintf(stderr, "cannot start %s: %s", binary.c_str(), strerror(errno));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return status;
}

std::string runGame(Menu &menu, const std::string &binary, const char *replay, const std::vector<const char *> &network)
{
    FILE *capture = tmpfile();
    if (!capture)
        return say(menu, "cannot start the game: no room for its messages",
                   "hru nelze spustit: nen\xED kam ulo\x9Eit jej\xED zpr\xE1vy");
    // The game tells how the match ended in a file of its own.
    char resultFile[] = "/tmp/zoltr-result-XXXXXX";
    int resultFd = mkstemp(resultFile);
    if (resultFd >= 0)
        close(resultFd);
    std::vector<const char *> options;
    if (replay)
        options = {"--replay", replay};
    else if (!network.empty())
        options = network;
    else if (resultFd >= 0)
        options = {"--result", resultFile};
    // After the first match the intro and the key wait are skipped.
    if (!replay && network.empty() && menu.gamesRun++ > 0)
        options.push_back("--rematch");
    releasePresent();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    screen = nullptr;
    int status = runAndWait(binary, capture, options);
    std::string said = readCapture(capture);
    fclose(capture);
    MatchResult result = {};
    bool played = resultFd >= 0 && readMatchResult(resultFile, result);
    if (resultFd >= 0)
        unlink(resultFile);
    // Everything the game and its libraries said goes to the terminal; the
    // menu shows only the game's own words.
    if (!said.empty())
        fprintf(stderr, "%s%s", said.c_str(), said.back() == '\n' ? "" : "\n");
    openMenuWindow(menu);
    menu.calmUntil = SDL_GetTicks() + CalmMilliseconds;

    said = oneLine(gameWords(said));
    char head[160];
    if (status == -1) {
        snprintf(head, sizeof head, say(menu, "The game could not be run: %s", "Hru nelze spustit: %s"),
                 strerror(errno));
    } else if (WIFSIGNALED(status)) {
        snprintf(head, sizeof head, say(menu, "The game was stopped: %s", "Hra byla zastavena: %s"),
                 strsignal(WTERMSIG(status)));
    } else if (WEXITSTATUS(status) != 0) {
        snprintf(head, sizeof head, say(menu, "The game failed (status %d)", "Hra selhala (status %d)"),
                 WEXITSTATUS(status));
    } else if (!network.empty()) {
        std::string over = say(menu, "The network match is over.", "S\xED\x9Dov\xFD z\xE1pas skon\xE8il.");
        return said.empty() ? over : over + say(menu, " The game said: ", " Hra hl\xE1s\xED: ") + said;
    } else if (replay) {
        return said.empty() ? say(menu, "That was the last match.",
                                  "To byl posledn\xED z\xE1"
                                  "pas.")
                            : said;
    } else {
        std::string over = played ? recordResult(menu, result) + ". " : say(menu, "Match over. ", "Konec z\xE1pasu. ");
        over += say(menu, "Enter for a rematch.", "Enter: odveta.");
        if (said.empty())
            return over;
        return over + say(menu, " The game said: ", " Hra hl\xE1s\xED: ") + said;
    }
    return said.empty() ? head : std::string(head) + ": " + said;
}

bool menuIsCalm(const Menu &menu, Uint32 now)
{
    Uint32 left = menu.calmUntil - now;
    return left > 0 && left <= CalmMilliseconds;
}

std::string watchLastMatch(Menu &menu, const std::string &binary)
{
    std::string last = lastRecordingPath();
    if (last.empty())
        return say(menu, "No match has been recorded yet.",
                   "Zat\xEDm nebyl nahr\xE1n \x9E\xE1"
                   "dn\xFD z\xE1"
                   "pas.");
    return runGame(menu, binary, last.c_str());
}

// Checks what the game would stop on, saves the set-up and plays. The one
// who joins plays on the host's arena and fighters: only its own name and
// the victory stage matter.
std::string playMatch(Menu &menu, const std::string &binary, MatchPlace place)
{
    std::string host;
    std::uint16_t port = 0;
    if (place == Joining && !splitAddress(menu.joinAddress.c_str(), host, port))
        return say(menu, "Type the host's address on the Join row: a name or 1.2.3.4, and :port if not ",
                   "Napi\x9At\xE9 adresu hostitele do \xF8\xE1"
                   "dku P\xF8ipojit: jm\xE9no nebo 1.2.3.4, a :port, nen\xED-li ") +
               std::to_string(DefaultPort) + ".";
    if (place != Joining && menu.arenas.empty())
        return say(menu, "There is no arena in maps/.",
                   "V maps/ nen\xED \x9E\xE1"
                   "dn\xE1 ar\xE9na.");
    if (!menu.setup.Name1[0] || !menu.setup.Name2[0])
        return say(menu, "Both players need a name.",
                   "Oba hr\xE1\xE8i pot\xF8"
                   "ebuj\xED jm\xE9no.");
    // Two fighters that look the same cannot be told apart: the next free
    // one is offered once; chosen again, the same fighter plays twice.
    Settings &setup = menu.setup;
    if (place != Joining && setup.Image1 == setup.Image2 && menu.skins > 1 && !menu.sameFighterAllowed) {
        menu.sameFighterAllowed = true;
        setup.Image2 = setup.Image2 % menu.skins + 1;
        char told[200];
        snprintf(told, sizeof told,
                 say(menu,
                     "%s and %s had the same fighter: %s now has the next free one. Enter plays; choose it "
                     "again to have the same.",
                     "%s a %s m\xECli stejnou postavu: %s m\xE1 te\xEF dal\x9A\xED. Enter hraje; zvolte ji znovu, "
                     "chcete-li stejnou."),
                 setup.Name1, setup.Name2, setup.Name2);
        return told;
    }
    static Arena scratch;  // loaded only to see that it loads
    if (place != Joining) {
        const ArenaChoice &arena = menu.arenas[menu.arena];
        if (!loadArena(scratch, arena.path.c_str()))
            return arena.path + say(menu, " cannot be loaded.", " nelze na\xE8\xEDst.");
        snprintf(menu.setup.Level, sizeof menu.setup.Level, "%s", arena.path.c_str());
    }
    snprintf(setup.JoinAddress, sizeof setup.JoinAddress, "%s", menu.joinAddress.c_str());
    if (!loadArena(scratch, VictoryStage))
        return std::string(VictoryStage) + say(menu, ", the victory stage, is missing or broken.",
                                               ", ar\xE9na v\xEDt\xECze, chyb\xED nebo je po\x9Akozen\xE1.");
    std::string problem = writeSettingsFile("settings.ini", menu.setup);
    if (!problem.empty())
        return say(menu, "settings.ini not saved, nothing changed: ",
                   "settings.ini neulo\x9E"
                   "eno, nic se nezm\xECnilo: ") +
               problem;
    if (place == Hosting)
        return runGame(menu, binary, nullptr, {"--host"});
    if (place == Joining)
        return runGame(menu, binary, nullptr, {"--join", menu.joinAddress.c_str()});
    return runGame(menu, binary);
}
