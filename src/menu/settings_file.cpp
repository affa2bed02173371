// settings.ini as the menu writes it: the values it sets replace their
// lines in place, every other line stays byte for byte, and the new file is
// read back with the game's own reading before it replaces the old one.
#include "menu/menu.h"

#include "match/match.h"
#include "shell/shell.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
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

// One line of the file: its text and its end ("\r\n", "\n" or "" for a last
// line without one). Lines are read one at a time, so a long file costs no
// more memory than its longest line.
struct Line {
    std::string text;
    std::string end;
};

static bool readLine(FILE *file, Line &line)
{
    line.text.clear();
    line.end.clear();
    int c;
    while ((c = getc(file)) != EOF && c != '\n')
        line.text += static_cast<char>(c);
    if (c == '\n') {
        bool crlf = !line.text.empty() && line.text.back() == '\r';
        if (crlf)
            line.text.pop_back();
        line.end = crlf ? "\r\n" : "\n";
    }
    return c != EOF || !line.text.empty();
}

static std::string numberText(int value)
{
    return std::to_string(value);
}

// How the file changes: every line that starts with a key takes its value, and
// a key counts wherever it stands in a line with the last line winning, so a
// value goes on a line of its own at the end when a later line (a comment,
// say) mentions its key.
struct SettingsPlan {
    std::vector<std::pair<std::string, std::string>> keys;  // key, value
    std::vector<std::string> appended;                      // lines added at the end
    size_t ownKeys = 0;                                     // keys from here on are added only when set
    std::string newline = "\n";                             // the file's own line end
    bool changed = false;                                   // any byte differs
};

static SettingsPlan planSettings(const Settings &values)
{
    SettingsPlan plan;
    plan.keys = {
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
    // Each player's own keys go in once chosen, and the Join address once
    // typed: a file that never had them stays as it was.
    plan.ownKeys = plan.keys.size();
    for (int player = 0; player < 2; player++)
        for (int action = 0; action < 4; action++)
            plan.keys.push_back({FighterKeyNames[player][action], numberText(values.Keys[player][action])});
    plan.keys.push_back({"JoinAddress ", values.JoinAddress});
    return plan;
}

// A line as it is written: the value in place of a key's line.
static std::string writtenText(const SettingsPlan &plan, const std::string &text)
{
    for (const auto &[key, value] : plan.keys)
        if (text.compare(0, key.size(), key) == 0)
            return key + value;
    return text;
}

// Reads the file once to find what must change.
static void scanSettings(FILE *old, SettingsPlan &plan)
{
    // Per key: does the last line that mentions it start with it?
    std::vector<int> lastMention(plan.keys.size(), 0);  // 0 none, 1 its own line, 2 another
    bool newlineSeen = false;
    Line line;
    while (old && readLine(old, line)) {
        if (!newlineSeen && !line.end.empty()) {
            plan.newline = line.end;
            newlineSeen = true;
        }
        std::string text = writtenText(plan, line.text);
        plan.changed = plan.changed || text != line.text;
        for (size_t k = 0; k < plan.keys.size(); k++)
            if (text.find(plan.keys[k].first) != std::string::npos)
                lastMention[k] = text.compare(0, plan.keys[k].first.size(), plan.keys[k].first) == 0 ? 1 : 2;
    }
    for (size_t k = 0; k < plan.keys.size(); k++) {
        const std::string &key = plan.keys[k].first;
        for (const std::string &added : plan.appended)
            if (added.find(key) != std::string::npos)
                lastMention[k] = 2;
        bool unset = k >= plan.ownKeys && (plan.keys[k].second == "0" || plan.keys[k].second.empty());
        if (lastMention[k] != 1 && !(lastMention[k] == 0 && unset))
            plan.appended.push_back(key + plan.keys[k].second);
    }
    if (!old)
        plan.appended.push_back("FPS " + numberText(DefaultFps));
    plan.changed = plan.changed || !plan.appended.empty();
}

// Reads the file again and writes it changed.
static bool writeSettings(FILE *old, const SettingsPlan &plan, FILE *out)
{
    Line line;
    bool ended = true;
    while (old && readLine(old, line)) {
        std::string text = writtenText(plan, line.text);
        fwrite(text.data(), 1, text.size(), out);
        fwrite(line.end.data(), 1, line.end.size(), out);
        ended = !line.end.empty();
    }
    if (old && ferror(old))
        return false;
    for (const std::string &added : plan.appended) {
        if (!ended)
            fputs(plan.newline.c_str(), out);
        fputs(added.c_str(), out);
        fputs(plan.newline.c_str(), out);
        ended = true;
    }
    return fflush(out) == 0 && !ferror(out);
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
        back.Computer1 != values.Computer1 || back.Computer2 != values.Computer2 ||
        memcmp(back.Keys, values.Keys, sizeof back.Keys) != 0)
        return "a number does not read back as set";
    if (strcmp(back.JoinAddress, values.JoinAddress) != 0)
        return "the Join address does not read back as typed";
    return nullptr;
}

// The menu's temporary files carry its process id, so that one left by a
// menu that was killed while writing can be told from one being written.
static std::string temporaryPrefix()
{
    return ".settings.ini.";
}

void removeStaleTemporaries(const char *path)
{
    char real[PATH_MAX];
    std::string target = realpath(path, real) ? real : path;
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = temporaryPrefix();
    while (dirent *entry = readdir(dir)) {
        const char *name = entry->d_name;
        if (strncmp(name, prefix.c_str(), prefix.size()) != 0)
            continue;
        char *end;
        long pid = strtol(name + prefix.size(), &end, 10);
        bool ours = end != name + prefix.size() && *end == '.' && strlen(end + 1) == 6 && pid > 0;
        if (ours && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            unlinkat(dirfd(dir), name, 0);
    }
    closedir(dir);
}

std::string writeSettingsFile(const char *path, const Settings &values)
{
    // Through a link the file is replaced where it really lives.
    char real[PATH_MAX];
    std::string target = realpath(path, real) ? real : path;

    // Only a regular file is read or replaced: a link to a device or a pipe
    // must never turn it into a file.
    std::string refused;
    FILE *old = openRegularStream(target.c_str(), MaxSettingsFileBytes, &refused);
    if (!old && !refused.empty())
        return errno == EFBIG ? "it is too large for the game to read" : "it is not a regular file";
    if (!old && errno != ENOENT)
        return std::string("cannot read it: ") + strerror(errno);
    struct stat status = {};
    if (old)
        fstat(fileno(old), &status);

    SettingsPlan plan = planSettings(values);
    scanSettings(old, plan);
    if (old && ferror(old)) {
        fclose(old);
        return std::string("cannot read it: ") + strerror(EIO);
    }
    // Nothing to change: nothing is written (the folder may well be read-only).
    if (!plan.changed) {
        fclose(old);
        const char *wrong = readsBackDifferently(target.c_str(), values);
        return wrong ? wrong : "";
    }
    auto fail = [&old](const std::string &problem) {
        if (old)
            fclose(old);
        return problem;
    };
    if (old && access(target.c_str(), W_OK) != 0)
        return fail(std::string("it cannot be changed: ") + strerror(errno));

    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    std::string temporary = folder + "/" + temporaryPrefix() + std::to_string(getpid()) + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return fail(std::string("cannot write in its folder: ") + strerror(errno));
    fchmod(fd, old ? status.st_mode & 07777 : 0644);
    FILE *out = fdopen(fd, "wb");
    if (old)
        rewind(old);
    bool written = out && writeSettings(old, plan, out) && fsync(fd) == 0;
    int error = errno;
    written = (out ? fclose(out) : close(fd)) == 0 && written;
    if (!written) {
        unlink(temporary.c_str());
        return fail(std::string("cannot write in its folder: ") + strerror(error));
    }
    if (const char *wrong = readsBackDifferently(temporary.c_str(), values)) {
        unlink(temporary.c_str());
        return fail(wrong);
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        unlink(temporary.c_str());
        return fail(std::string("cannot replace it: ") + strerror(error));
    }
    return fail("");
}
