// Zoltr Deathmatch: settings, media, intro, one match, exit; or, with
// --host or --join, one match over the network without the intro; or a
// recorded match played back (--replay FILE) or checked headless (--verify).
#include "shell/shell.h"

#include "brain/brain.h"
#include "gfx/gfx.h"
#include "match/match.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    GameOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        fprintf(stderr, "%s\n%s\n", error.c_str(), Usage);
        return 2;
    }
    if (options.mode == GameOptions::Replay && options.verify)
        return verifyRecording(options.replay.c_str());
    RunningGame game;
    game.settings = &settings;
    Computers computers;
    // The arena tool's live loop: straight into the match, the arena reloaded when the tool says.
    if (options.watch)
        watchArena(game, computers);
    loadSettings();
    startSdl();
    loadFonts();
    loadCatalogue();
    if (options.mode == GameOptions::Replay)
        exit(playRecording(options.replay.c_str(), game));
    // A machine without pads (or without joystick support) simply has none.
    openPads(game.pads);
    if (options.mode != GameOptions::Local) {
        NetMatchOptions net;
        net.hosting = options.mode == GameOptions::Host;
        net.address = options.address;
        net.port = options.port;
        net.inputDelay = options.inputDelay;
        net.frameLimit = options.frameLimit;
        int status = runNetworkMatch(net, game);
        closePads(game.pads);
        exit(status);
    }
    bool skipIntro = options.watch || options.rematch;
    if (!skipIntro)
        runIntro();
    // The match's seed; the computer players' own randomness starts from it too.
    unsigned seed = SDL_GetTicks();
    startComputers(game, computers, seed);
    if (!skipIntro)
        waitForKeyRelease();
    MatchResult result = runMatch(game, seed);
    if (options.resultFile && !writeMatchResult(options.resultFile, result))
        fprintf(stderr, "zoltr: cannot write the result to %s\n", options.resultFile);
    closePads(game.pads);
    exit(0);
}
