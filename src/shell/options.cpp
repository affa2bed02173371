// The game's command line: nothing for a match at one keyboard, a match over
// the network as its host or as the one who joins, or a recorded match; the
// menu's rematch and the result file that tells it how a match ended.
#include "shell/shell.h"

#include <cstdlib>
#include <cstring>

static bool readNumber(const char *text, int least, int most, int &value)
{
    char *end = nullptr;
    long number = strtol(text, &end, 10);
    if (!*text || *end || number < least || number > most)
        return false;
    value = static_cast<int>(number);
    return true;
}

bool parseOptions(int argc, char **argv, GameOptions &options, std::string &error)
{
    options = GameOptions{};
    for (int i = 1; i < argc; i++) {
        const char *option = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        int number = 0;
        if (strcmp(option, "--watch") == 0 && options.mode == GameOptions::Local) {
            options.watch = true;
        } else if (strcmp(option, "--host") == 0 && options.mode == GameOptions::Local && !options.watch) {
            options.mode = GameOptions::Host;
            options.port = DefaultPort;
            if (value && value[0] != '-') {
                if (!readNumber(value, 1, 65535, number)) {
                    error = std::string("not a port: ") + value;
                    return false;
                }
                options.port = static_cast<std::uint16_t>(number);
                i++;
            }
        } else if (strcmp(option, "--join") == 0 && options.mode == GameOptions::Local && !options.watch && value) {
            options.mode = GameOptions::Join;
            if (!splitAddress(value, options.address, options.port)) {
                error = std::string("not an address: ") + value;
                return false;
            }
            i++;
        } else if (strcmp(option, "--replay") == 0 && options.mode == GameOptions::Local && !options.watch && value) {
            options.mode = GameOptions::Replay;
            options.replay = value;
            i++;
        } else if (strcmp(option, "--verify") == 0 && !options.verify) {
            options.verify = true;
        } else if (strcmp(option, "--delay") == 0 && value && readNumber(value, 0, MaxInputDelay, number)) {
            options.inputDelay = number;
            i++;
        } else if (strcmp(option, "--rematch") == 0) {
            options.rematch = true;
        } else if (strcmp(option, "--result") == 0 && value) {
            options.resultFile = value;
            i++;
        } else if (strcmp(option, "--frames") == 0 && value && readNumber(value, 1, 100000000, number)) {
            options.frameLimit = number;
            i++;
        } else {
            error = std::string("not understood: ") + option;
            return false;
        }
    }
    if (options.verify && options.mode != GameOptions::Replay) {
        error = "--verify goes with --replay FILE";
        return false;
    }
    return true;
}

bool writeMatchResult(const char *path, const MatchResult &result)
{
    FILE *file = fopen(path, "w");
    if (!file)
        return false;
    fprintf(file, "%d %d %s\n", result.kills[0], result.kills[1], result.escaped ? "escape" : "limit");
    return fclose(file) == 0;
}
