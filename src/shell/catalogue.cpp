// seznam.dat: the catalogue of images and sounds, loaded into numbered slots.
#include "shell/shell.h"

#include "match/match.h"
#include "media/media.h"
#include "media/media_guard.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

static bool isSectionEnd(const char *line)
{
    return line[0] == '#';
}

// An empty or space-led line names nothing but still uses up its slot number.
static bool namesNothing(const char *line)
{
    return line[0] == '\n' || line[0] == ' ';
}

// A picture named again with the same key mode is the picture already
// loaded: the slots share it (a large sheet named in every slot costs its
// decoding and its memory once), and a failure says its words again.
struct LoadedPicture {
    int slot;           // the first slot holding it; -1 when it failed
    std::string error;  // the loader's reason then
};
using LoadedPictures = std::map<std::string, LoadedPicture>;

static void loadImageLine(const char *line, int slot, LoadedPictures &loaded)
{
    char path[TextPieceSize];
    int mode = 0;  // a line without a mode loads the picture without a key
    if (sscanf(line, "%99s %d", path, &mode) < 1)
        return;  // only white space after a tab: nothing to load
    if (slot >= ImageSlotCount)
        return;
    std::string name = std::string(path) + '\t' + std::to_string(mode);
    auto known = loaded.find(name);
    if (known != loaded.end() && known->second.slot >= 0) {
        ImageSlots[slot] = ImageSlots[known->second.slot];
        ImageSlots[slot]->refcount++;
        return;
    }
    if (known != loaded.end()) {
        // The loader's own line, as it printed it the first time.
        fprintf(stderr, "Couldn't load image %s: %s\n", path, known->second.error.c_str());
    } else {
        ImageSlots[slot] = loadImage(path, mode);
        loaded[name] = {ImageSlots[slot] ? slot : -1, ImageSlots[slot] ? "" : SDL_GetError()};
    }
    if (!ImageSlots[slot])
        fprintf(stderr, "obrazek %s nenalezen", path);
}

static void loadSoundLine(const char *line, int slot)
{
    char path[TextPieceSize];
    if (sscanf(line, "%99s", path) != 1 || slot >= SoundSlotCount)
        return;
    SoundSlot &sound = SoundSlots[slot];
    if (slot == MusicSlot)
        sound.music = guardedMusicLoad(path);
    else
        sound.chunk = guardedSampleLoad(path);
    if (!sound.music && !sound.chunk)
        fprintf(stderr, "zvuk %s nenalezen", path);
}

int nextSlot(int slot, int count)
{
    return std::min(slot + 1, count);
}

void loadCatalogue()
{
    std::string why;
    FILE *file = openRegularStream("seznam.dat", MaxCatalogueFileBytes, &why);
    if (!file) {
        if (!why.empty())
            fprintf(stderr, "%s\n", why.c_str());
        fprintf(stderr, "Nebyl nalezen seznam.dat");
        return;
    }
    char line[TextPieceSize];

    bool found = false;
    while (!found && readTextPiece(file, line, sizeof line))
        found = isSectionEnd(line);

    LoadedPictures loaded;
    bool more = found;
    for (int slot = 0; more; slot = nextSlot(slot, ImageSlotCount)) {
        more = readTextPiece(file, line, sizeof line) && !isSectionEnd(line);
        if (more && !namesNothing(line))
            loadImageLine(line, slot, loaded);
    }

    more = found && settings.Sounds != 0;
    for (int slot = 0; more; slot = nextSlot(slot, SoundSlotCount)) {
        more = readTextPiece(file, line, sizeof line) && !isSectionEnd(line);
        if (more && !namesNothing(line))
            loadSoundLine(line, slot);
    }
    fclose(file);
    forgetDecodedMedia();
}
