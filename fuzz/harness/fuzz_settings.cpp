// settings.ini under fuzzing: whatever the file holds, the record must come out
// well formed, and the names and skins it gives must be safe to draw and play.
#include "harness.h"

#include "gfx/gfx.h"
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "shell/shell.h"
#include "world/world.h"

#include <cstring>

static void requireWord(const char *name, const char *what)
{
    if (!memchr(name, '\0', sizeof settings.Name1))
        harnessFailure(what, 0);
    for (const char *c = name; *c; c++)
        if (strchr(" \t\n\v\f\r", *c))
            harnessFailure(what, *c);
}

void fuzzSettings(const uint8_t *data, size_t size)
{
    startHarness();
    installSyntheticMedia();
    writeBytes("settings.ini", data, size);
    settings = Settings{};
    loadSettings();

    requireWord(settings.Name1, "Name1 not one zero-terminated word of at most 29 bytes");
    requireWord(settings.Name2, "Name2 not one zero-terminated word of at most 29 bytes");
    if (!memchr(settings.Level, '\0', sizeof settings.Level))
        harnessFailure("Level not zero-terminated within 256 bytes", 0);
    if (strchr(settings.Level, '\n'))
        harnessFailure("Level keeps its line end", 0);
    if (settings.FPS < 1)
        harnessFailure("FPS below 1", settings.FPS);

    // What the match does with these values: pace a frame, make the fighters
    // with their skins, draw them with their names, kill them.
    FramePacing pacing;
    pacing.delay = [](Uint32) {};
    paceFrame(pacing, settings.FPS);
    paceFrame(pacing, settings.FPS);

    static Match match;
    resetMatch(match);
    addFighter(match, settings.Image1);
    addFighter(match, settings.Image2);
    const char *names[] = {settings.Name1, settings.Name2};
    for (Player &player : match.players) {
        player.drawPlayer(names[player.index]);
        player.updatePlayer(match, {1, 0, 1, 1});
        player.killPlayer(match);
        player.respawnTimer = 0;
        player.drawPlayer(names[player.index]);
    }
    drawText(screen, fontPlain, 320, 180, settings.Name1, TextCentreHorizontally | TextCentreVertically);
    drawText(screen, fontKeyed, 320, 50, settings.Name2, TextCentreHorizontally);
    updateWorld(match);
    drawWorld(match);
    resetMatch(match);
}
