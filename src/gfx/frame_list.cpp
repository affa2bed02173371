// The frame list: a frame's drawings are noted, each cell of the screen gets a
// fingerprint of the drawings that touch it, and only the cells whose
// fingerprint differs from the last listed frame's are drawn and presented.
// A match frame mostly repeats the one before (the arena, idle fighters, the
// HUD), so most of the screen is neither drawn, compared nor converted.
#include "gfx/gfx.h"

#include "media/media.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Drawing {
    enum Kind { Picture, Fill, Text, Layer } kind;
    SDL_Surface *source;  // the picture or the font
    SDL_Rect part;        // the picture's part; the filled box
    int x, y, flags;
    Uint32 colour;
    size_t data;  // the text's offset in texts; the layer's keys' offset in layerKeys
    CellLayerDrawing drawLayer;
    int left, top, right, bottom;  // the cells it covers, inclusive; right < left: none
};

// --- process lifetime: the open list and the memory of the last one ---
struct FrameList {
    // Room for a crowded match from the start, so that frames do not allocate.
    FrameList()
    {
        drawings.reserve(1024);
        texts.reserve(1024);
        layerKeys.reserve(4 * ListCells);
    }
    bool listing;
    std::vector<Drawing> drawings;
    std::string texts;
    std::vector<Uint32> layerKeys;
    Uint64 cells[ListCells];      // this frame's fingerprints
    Uint64 lastCells[ListCells];  // the last listed frame's, which the screen shows
    bool changed[ListCells];
    bool remembered;               // lastCells hold what the screen shows
    SDL_Surface *drawnOn;          // the screen the last list drew on
    unsigned presentsWithoutNote;  // as counted by the present when the last list ended
};
FrameList list;

Uint64 mix(Uint64 hash, Uint64 value)
{
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    hash *= 0xbf58476d1ce4e5b9ull;
    return hash ^ (hash >> 31);
}

Uint64 mixBytes(Uint64 hash, const void *bytes, size_t size)
{
    const Uint8 *from = static_cast<const Uint8 *>(bytes);
    for (; size >= 8; size -= 8, from += 8) {
        Uint64 word;
        memcpy(&word, from, 8);
        hash = mix(hash, word);
    }
    Uint64 tail = 0;
    memcpy(&tail, from, size);
    return mix(hash, tail + size);
}

// A drawing's place and part, as fingerprints take them in.
Uint64 packPoint(int x, int y)
{
    return Uint64(Uint32(x)) | Uint64(Uint32(y)) << 32;
}

Uint64 packRect(SDL_Rect r)
{
    return Uint64(Uint16(r.x)) | Uint64(Uint16(r.y)) << 16 | Uint64(r.w) << 32 | Uint64(r.h) << 48;
}

bool wholeScreenClip()
{
    const SDL_Rect &clip = screen->clip_rect;
    return clip.x == 0 && clip.y == 0 && clip.w == screen->w && clip.h == screen->h;
}

// Notes a drawing over the pixels [x0, x1) x [y0, y1) and marks its fingerprint on its cells.
void note(Drawing drawing, int x0, int y0, int x1, int y1, Uint64 fingerprint)
{
    x0 = x0 < 0 ? 0 : x0;
    y0 = y0 < 0 ? 0 : y0;
    x1 = x1 > screen->w ? screen->w : x1;
    y1 = y1 > screen->h ? screen->h : y1;
    if (x0 >= x1 || y0 >= y1)
        return;  // nothing of it shows
    drawing.left = x0 / ListCellSize;
    drawing.top = y0 / ListCellSize;
    drawing.right = (x1 - 1) / ListCellSize;
    drawing.bottom = (y1 - 1) / ListCellSize;
    for (int row = drawing.top; row <= drawing.bottom; row++)
        for (int column = drawing.left; column <= drawing.right; column++)
            list.cells[row * ListColumns + column] = mix(list.cells[row * ListColumns + column], fingerprint);
    list.drawings.push_back(drawing);
}

bool anyChanged(const Drawing &drawing)
{
    for (int row = drawing.top; row <= drawing.bottom; row++)
        for (int column = drawing.left; column <= drawing.right; column++)
            if (list.changed[row * ListColumns + column])
                return true;
    return false;
}

// A drawing that touches a changed cell is drawn whole, so every cell it
// touches is drawn again whole too, and so on.
void spreadChanges()
{
    for (bool spread = true; spread;) {
        spread = false;
        for (const Drawing &drawing : list.drawings) {
            if (drawing.kind == Drawing::Layer || !anyChanged(drawing))
                continue;
            for (int row = drawing.top; row <= drawing.bottom; row++)
                for (int column = drawing.left; column <= drawing.right; column++) {
                    bool &changed = list.changed[row * ListColumns + column];
                    spread = spread || !changed;
                    changed = true;
                }
        }
    }
}

void draw(const Drawing &drawing)
{
    switch (drawing.kind) {
    case Drawing::Picture: drawPicture(drawing.source, drawing.part, drawing.x, drawing.y); break;
    case Drawing::Fill: fillBox(drawing.part, drawing.colour); break;
    case Drawing::Text:
        drawText(screen, drawing.source, drawing.x, drawing.y, list.texts.c_str() + drawing.data, drawing.flags);
        break;
    case Drawing::Layer: drawing.drawLayer(&list.layerKeys[drawing.data], list.changed); break;
    }
}

// The changed cells as rectangles for the present: the runs of a row, each
// lengthened by the run of the same columns below it.
void noteChangedCells()
{
    constexpr int MaxAreas = 64;
    SDL_Rect areas[MaxAreas];
    int count = 0;
    for (int row = 0; row < ListRows; row++) {
        const bool *changed = &list.changed[row * ListColumns];
        for (int column = 0; column < ListColumns; column++) {
            if (!changed[column])
                continue;
            int end = column;
            while (end + 1 < ListColumns && changed[end + 1])
                end++;
            SDL_Rect area = {static_cast<Sint16>(column * ListCellSize), static_cast<Sint16>(row * ListCellSize),
                             static_cast<Uint16>((end + 1 - column) * ListCellSize), ListCellSize};
            column = end;
            bool grown = false;
            for (int i = count - 1; i >= 0 && !grown; i--) {
                SDL_Rect &above = areas[i];
                if (above.x == area.x && above.w == area.w && above.y + above.h == area.y) {
                    above.h = static_cast<Uint16>(above.h + ListCellSize);
                    grown = true;
                }
            }
            if (grown)
                continue;
            if (count == MaxAreas) {
                noteChangedAreas(nullptr, -1);  // too many: the present compares all of it
                return;
            }
            areas[count++] = area;
        }
    }
    noteChangedAreas(areas, count);
}

}  // namespace

bool listingOnto(const SDL_Surface *surface)
{
    return list.listing && surface == screen && screen;
}

void beginFrameList()
{
    list.listing =
        screen && screen->w == ListColumns * ListCellSize && screen->h == ListRows * ListCellSize && wholeScreenClip();
    if (!list.listing) {
        list.remembered = false;
        return;
    }
    list.drawings.clear();
    list.texts.clear();
    list.layerKeys.clear();
    for (Uint64 &cell : list.cells)
        cell = 0;
}

void finishFrameList()
{
    if (!list.listing)
        return;
    list.listing = false;
    bool whole = !list.remembered || list.drawnOn != screen || list.presentsWithoutNote != presentsWithoutNote();
    for (int cell = 0; cell < ListCells; cell++)
        list.changed[cell] = whole || list.cells[cell] != list.lastCells[cell];
    if (!whole)
        spreadChanges();
    for (const Drawing &drawing : list.drawings)
        if (drawing.kind == Drawing::Layer || list.changed[drawing.top * ListColumns + drawing.left])
            draw(drawing);
    memcpy(list.lastCells, list.cells, sizeof list.cells);
    list.remembered = true;
    list.drawnOn = screen;
    noteChangedCells();
    list.presentsWithoutNote = presentsWithoutNote();
}

void forgetFrameList()
{
    list.remembered = false;
}

void drawCellLayer(const Uint32 keys[ListCells], CellLayerDrawing drawLayer)
{
    if (!screen)
        return;
    if (!listingOnto(screen)) {
        bool all[ListCells];
        for (bool &cell : all)
            cell = true;
        drawLayer(keys, all);
        return;
    }
    Drawing drawing = {};
    drawing.kind = Drawing::Layer;
    drawing.drawLayer = drawLayer;
    drawing.data = list.layerKeys.size();
    list.layerKeys.insert(list.layerKeys.end(), keys, keys + ListCells);
    // One mix a cell: the layer's own hash told apart by the key.
    Uint64 layer = mix(reinterpret_cast<Uint64>(drawLayer), Drawing::Layer);
    for (int cell = 0; cell < ListCells; cell++)
        list.cells[cell] = mix(list.cells[cell], layer ^ keys[cell]);
    list.drawings.push_back(drawing);
}

void notePicture(SDL_Surface *picture, SDL_Rect part, int x, int y)
{
    Drawing drawing = {};
    drawing.kind = Drawing::Picture;
    drawing.source = picture;
    drawing.part = part;
    drawing.x = x;
    drawing.y = y;
    Uint64 fingerprint =
        mix(mix(mix(reinterpret_cast<Uint64>(picture), Drawing::Picture), packRect(part)), packPoint(x, y));
    note(drawing, x, y, x + part.w, y + part.h, fingerprint);
}

void fillBox(SDL_Rect box, Uint32 colour)
{
    if (!screen)
        return;
    if (!listingOnto(screen)) {
        SDL_FillRect(screen, &box, colour);
        return;
    }
    Drawing drawing = {};
    drawing.kind = Drawing::Fill;
    drawing.part = box;
    drawing.colour = colour;
    Uint64 fingerprint = mix(mix(colour, Drawing::Fill), packRect(box));
    note(drawing, box.x, box.y, box.x + box.w, box.y + box.h, fingerprint);
}

void noteText(SDL_Surface *font, int x, int y, const char *text, int flags)
{
    Drawing drawing = {};
    drawing.kind = Drawing::Text;
    drawing.source = font;
    drawing.x = x;
    drawing.y = y;
    drawing.flags = flags;
    drawing.data = list.texts.size();
    size_t length = strlen(text);
    list.texts.append(text, length + 1);
    Uint64 fingerprint = mix(mix(reinterpret_cast<Uint64>(font), Drawing::Text), packPoint(x, y));
    fingerprint = mixBytes(mix(fingerprint, Uint64(flags)), text, length);
    // The same box as drawText's: the centred start, a glyph's width for every byte.
    int glyphWidth = font->w / 94;
    if (flags & TextCentreVertically)
        y -= font->h / 4;
    if (flags & TextCentreHorizontally)
        x -= static_cast<int>((static_cast<long>(font->w) * static_cast<long>(length)) / 188);
    long right = x + static_cast<long>(glyphWidth) * static_cast<long>(length);
    note(drawing, x, y, right > 1 << 20 ? 1 << 20 : static_cast<int>(right), y + font->h / 2, fingerprint);
}
