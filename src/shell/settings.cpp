// settings.ini: names, arena, skins, kill limit, frame rate, sound, window,
// language, who plays each fighter and the menu's Join address. Read once at
// start-up in 100-byte pieces; every piece is tested for every key.
#include "shell/shell.h"

#include "match/match.h"
#include "media/media.h"

#include <climits>
#include <cstdlib>
#include <cstring>

Settings settings;

bool readTextPiece(FILE *file, char *piece, int size)
{
    int length = 0;
    while (length < size - 1) {
        int c = getc(file);
        if (c == EOF)
            break;
        if (c == '\r') {
            int next = getc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                ungetc(next, file);
        }
        piece[length++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    piece[length] = '\0';
    return length > 0;
}

// A number as "%d" scans it; the field keeps its value when there is none.
// Values beyond the int range are held at its ends.
static void scanNumber(const char *text, int *field)
{
    char *end;
    long long value = strtoll(text, &end, 10);
    if (end == text)
        return;
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    *field = static_cast<int>(value);
}

// One word as "%s" scans it, cut to what the field holds.
static void scanWord(const char *text, char *field, size_t size)
{
    char word[TextPieceSize];
    if (sscanf(text, "%99s", word) != 1)
        return;
    size_t length = strnlen(word, size - 1);
    memcpy(field, word, length);
    field[length] = '\0';
}

// The rest of the piece up to its line end, spaces and all.
static void scanPath(const char *text, char *field)
{
    size_t length = strcspn(text, "\n");
    if (length >= sizeof settings.Level)
        length = sizeof settings.Level - 1;
    memcpy(field, text, length);
    field[length] = '\0';
}

// A key counts wherever it stands in the piece, but its value is always read
// at the key's own length from the start of the piece.
static bool valueOf(const char *piece, const char *key, const char **value)
{
    if (!strstr(piece, key))
        return false;
    *value = piece + strlen(key);
    return true;
}

const char *const FighterKeyNames[2][4] = {{"Left1 ", "Right1 ", "Jump1 ", "Fire1 "},
                                           {"Left2 ", "Right2 ", "Jump2 ", "Fire2 "}};

void readSettings(FILE *file, Settings &into)
{
    char piece[TextPieceSize];
    const char *value;
    while (readTextPiece(file, piece, sizeof piece)) {
        if (valueOf(piece, "Name1 ", &value))
            scanWord(value, into.Name1, sizeof into.Name1);
        if (valueOf(piece, "Name2 ", &value))
            scanWord(value, into.Name2, sizeof into.Name2);
        if (valueOf(piece, "Level ", &value))
            scanPath(value, into.Level);
        if (valueOf(piece, "Image1 ", &value))
            scanNumber(value, &into.Image1);
        if (valueOf(piece, "Image2 ", &value))
            scanNumber(value, &into.Image2);
        if (valueOf(piece, "Zoltr ", &value))
            scanNumber(value, &into.Zoltr);
        if (valueOf(piece, "FPS ", &value))
            scanNumber(value, &into.FPS);
        if (valueOf(piece, "Sounds ", &value))
            scanNumber(value, &into.Sounds);
        if (valueOf(piece, "Windowed ", &value))
            scanNumber(value, &into.Windowed);
        if (valueOf(piece, "Language ", &value))
            scanNumber(value, &into.Language);
        if (valueOf(piece, "Computer1 ", &value))
            scanNumber(value, &into.Computer1);
        if (valueOf(piece, "Computer2 ", &value))
            scanNumber(value, &into.Computer2);
        for (int fighter = 0; fighter < 2; fighter++)
            for (int action = 0; action < 4; action++)
                if (valueOf(piece, FighterKeyNames[fighter][action], &value))
                    scanNumber(value, &into.Keys[fighter][action]);
        if (valueOf(piece, "JoinAddress ", &value))
            scanWord(value, into.JoinAddress, sizeof into.JoinAddress);
    }
}

void loadSettings()
{
    std::string why;
    FILE *file = openRegularStream("settings.ini", MaxSettingsFileBytes, &why);
    if (!file) {
        // A pipe, a device or a huge file is no settings file: it is named, then treated as missing.
        if (!why.empty())
            fprintf(stderr, "%s\n", why.c_str());
        fprintf(stderr, "\nsettings.ini wasn't found");
        exit(1);
    }
    readSettings(file, settings);
    fclose(file);

    // The frame pacing divides a second by the frame rate.
    if (settings.FPS <= 0) {
        fprintf(stderr, "settings.ini: FPS %d is not a frame rate, using %d\n", settings.FPS, DefaultFps);
        settings.FPS = DefaultFps;
    }
}
