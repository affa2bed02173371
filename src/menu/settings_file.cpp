// settings.ini as the menu writes it: the values it sets replace their
// lines in place, every other line stays byte for byte, and the new file is
// read back with the game's own reading before it replaces the old one.
#include "menu/menu.h"

#include "match/match.h"
#include "shell/shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

bool readSettingsFile(const char *path, Settings &into)
{
    FILE *file = openRegularStream(path, MaxSettingsFileBytes);
    if (!file)
        return false;
    readSettings(file, into);
    fclose(file);
    return true;
}

static bool readWhole(const char *path, std::string &bytes)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return false;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    bool fine = !ferror(file);
    fclose(file);
    return fine;
}

struct Line {
    std::string text;
    std::string end;  // "\r\n", "\n" or "" for a last line without one
};

static std::vector<Line> splitLines(const std::string &bytes)
{
    std::vector<Line> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t newline = bytes.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back({bytes.substr(start), ""});
            break;
        }
        size_t textEnd = newline > start && bytes[newline - 1] == '\r' ? newline - 1 : newline;
        lines.push_back({bytes.substr(start, textEnd - start), bytes.substr(textEnd, newline + 1 - textEnd)});
        start = newline + 1;
    }
    return lines;
}

static std::string numberText(int value)
{
    return std::to_string(value);
}

// The file's lines with the values in place. A key counts wherever it stands
// in a line and the last line wins, so a value goes on a line of its own at
// the end when a later line (a comment, say) mentions its key.
static std::string composeSettings(const std::string &old, bool existed, const Settings &values)
{
    const std::string lines[][2] = {
        {"Name1 ", values.Name1},
        {"Name2 ", values.Name2},
        {"Level ", values.Level},
        {"Image1 ", numberText(values.Image1)},
        {"Image2 ", numberText(values.Image2)},
        {"Zoltr ", numberText(values.Zoltr)},
        {"Sounds ", numberText(values.Sounds)},
        {"Windowed ", numberText(values.Windowed)},
        {"Language ", numberText(values.Language)},
        {"Computer1 ", numberText(values.Computer1)},
        {"Computer2 ", numberText(values.Computer2)},
    };
    std::vector<Line> file = splitLines(old);
    std::string newline = "\n";
    for (const Line &line : file)
        if (!line.end.empty()) {
            newline = line.end;
            break;
        }

    std::vector<bool> ours(file.size(), false);
    for (size_t i = 0; i < file.size(); i++)
        for (const auto &[key, value] : lines)
            if (file[i].text.compare(0, key.size(), key) == 0) {
                file[i].text = key + value;
                ours[i] = true;
            }
    for (const auto &[key, value] : lines) {
        size_t last = file.size();
        for (size_t i = 0; i < file.size(); i++)
            if (file[i].text.find(key) != std::string::npos)
                last = i;
        if (last < file.size() && ours[last] && file[last].text.compare(0, key.size(), key) == 0)
            continue;
        if (!file.empty() && file.back().end.empty())
            file.back().end = newline;
        file.push_back({key + value, newline});
        ours.push_back(true);
    }
    if (!existed)
        file.push_back({"FPS " + numberText(DefaultFps), newline});

    std::string bytes;
    for (const Line &line : file)
        bytes += line.text + line.end;
    return bytes;
}

// What the game would read from the file differs from what was meant.
static const char *readsBackDifferently(const char *path, const Settings &values)
{
    Settings back = {};
    if (!readSettingsFile(path, back))
        return "the new file cannot be read";
    if (strcmp(back.Name1, values.Name1) != 0 || strcmp(back.Name2, values.Name2) != 0)
        return "a name does not read back as typed";
    if (strcmp(back.Level, values.Level) != 0)
        return "the arena's name does not read back as chosen";
    if (back.Image1 != values.Image1 || back.Image2 != values.Image2 || back.Zoltr != values.Zoltr ||
        back.Sounds != values.Sounds || back.Windowed != values.Windowed || back.Language != values.Language ||
        back.Computer1 != values.Computer1 || back.Computer2 != values.Computer2)
        return "a number does not read back as set";
    return nullptr;
}

static bool writeAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

std::string writeSettingsFile(const char *path, const Settings &values)
{
    // Through a link the file is replaced where it really lives.
    char real[PATH_MAX];
    std::string target = realpath(path, real) ? real : path;

    std::string old;
    struct stat status;
    bool existed = stat(target.c_str(), &status) == 0;
    if (existed && !readWhole(target.c_str(), old))
        return std::string("cannot read it: ") + strerror(errno);
    if (existed && access(target.c_str(), W_OK) != 0)
        return std::string("it cannot be changed: ") + strerror(errno);

    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    std::string temporary = folder + "/.settings.ini.XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return std::string("cannot write in its folder: ") + strerror(errno);
    fchmod(fd, existed ? status.st_mode & 07777 : 0644);
    bool written = writeAll(fd, composeSettings(old, existed, values)) && fsync(fd) == 0;
    int error = errno;
    written = close(fd) == 0 && written;
    if (!written) {
        unlink(temporary.c_str());
        return std::string("cannot write in its folder: ") + strerror(error);
    }
    if (const char *wrong = readsBackDifferently(temporary.c_str(), values)) {
        unlink(temporary.c_str());
        return wrong;
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        unlink(temporary.c_str());
        return std::string("cannot replace it: ") + strerror(error);
    }
    return "";
}
