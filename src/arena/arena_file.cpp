// The arena file: three raw blocks of 768 little-endian 16-bit codes
// (walls, items, attributes), read into a match's arena.
#include "arena/arena.h"

#include "media/media.h"

#include <climits>
#include <cstdio>
#include <cstring>

// Reads up to one layer of values; the values land at the start of the layer and
// the cells past them keep what they held. A trailing odd byte is dropped rather
// than half-written into a cell. Returns the number of whole values read.
static int readBlock(FILE *file, Uint16 *layer)
{
    Uint8 bytes[ArenaCells * 2];
    size_t got = fread(bytes, 1, sizeof bytes, file);
    int values = static_cast<int>(got / 2);
    for (int i = 0; i < values; i++)
        layer[i] = static_cast<Uint16>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return values;
}

int loadArena(Arena &arena, const char *path)
{
    // Only read: an arena installed in a read-only folder must load too.
    // Any size: only the layers are read, whatever follows them never is.
    FILE *file = openRegularStream(path, LONG_MAX);
    if (!file)
        return 0;
    forgetWallLayer();
    Uint16 *layers[] = {arena.WallLayer, arena.ItemLayer, arena.AttributeLayer};
    for (Uint16 *layer : layers) {
        if (readBlock(file, layer) == 0) {
            fclose(file);
            return 0;
        }
    }
    for (Sint16 &timer : arena.RegenTimers)
        timer = 0;
    fclose(file);
    // Drawn now, so that the first frame of the level costs no more than the others.
    prepareWallLayer(arena);
    return 1;
}

void clearArena(Arena &arena)
{
    memset(&arena, 0, sizeof arena);
    forgetWallLayer();
}
