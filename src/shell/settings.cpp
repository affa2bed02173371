// settings.ini: names, arena, skins, kill limit, frame rate, sound, window, language.
#include "shell/shell.h"

Settings settings;

const char *playerName(int index)
{
    return index == 0 ? settings.Name1 : settings.Name2;
}

int playerImage(int index)
{
    return index == 0 ? settings.Image1 : settings.Image2;
}

void loadSettings()
{
    // TODO(shell): parse settings.ini
    if (settings.FPS <= 0)
        settings.FPS = DefaultFps;
}
