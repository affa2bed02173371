// The handshake: the joiner says hello with its versions, the host answers
// with the settings that rule the match and its arena's hash, sends the arena
// when the joiner lacks it, measures the round trip and starts frame 0.
// Either side refuses with a reason the other can print in one line.
#include "net/net.h"

#include "media/media.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

#ifndef ZOLTR_VERSION
#define ZOLTR_VERSION "1.0.0"
#endif

namespace {

constexpr std::uint32_t StepTimeout = 3000;  // ms for any one answer of the handshake
constexpr int Pings = 5;

void refuse(NetLink &link, RefuseReason reason, std::string &error)
{
    Packet packet{};
    packet.type = PacketType::Refuse;
    packet.refuse = reason;
    sendPacket(link, packet, true);
    error = refuseText(reason);
}

// The next packet of the handshake: true when it is of a wanted type. A
// refusal from the other side, silence or a stray packet fill `error`.
bool await(NetLink &link, PacketType wanted, PacketType orElse, Packet &packet, std::string &error)
{
    std::uint32_t start = SDL_GetTicks();
    while (SDL_GetTicks() - start < StepTimeout && !link.lost) {
        if (!receivePacket(link, packet, 50))
            continue;
        if (packet.type == wanted || packet.type == orElse)
            return true;
        if (packet.type == PacketType::Refuse) {
            error = refuseText(packet.refuse);
            return false;
        }
        if (packet.type == PacketType::Pong || packet.type == PacketType::Inputs)
            continue;  // late ones of the measurement, or the host already started
        refuse(link, RefuseReason::BadPacket, error);
        return false;
    }
    error = link.lost ? "the other machine went away" : "the other machine stopped answering";
    return false;
}

bool await(NetLink &link, PacketType wanted, Packet &packet, std::string &error)
{
    return await(link, wanted, wanted, packet, error);
}

void setVersions(Packet &packet)
{
    packet.protocol = ProtocolVersion;
    snprintf(packet.version, sizeof packet.version, "%s", ZOLTR_VERSION);
}

bool sameVersions(NetLink &link, const Packet &packet, std::string &error)
{
    if (packet.protocol != ProtocolVersion) {
        refuse(link, RefuseReason::OtherProtocol, error);
        return false;
    }
    if (strcmp(packet.version, ZOLTR_VERSION) != 0) {
        refuse(link, RefuseReason::OtherGame, error);
        return false;
    }
    return true;
}

// Median of a few round trips measured with unreliable pings: ENet's own
// estimate starts far off and needs seconds of traffic to settle.
std::uint32_t measureRoundTrip(NetLink &link)
{
    std::vector<std::uint32_t> trips;
    std::uint32_t start = SDL_GetTicks();
    std::uint32_t lastPing = 0;
    while (static_cast<int>(trips.size()) < Pings && SDL_GetTicks() - start < 1500 && !link.lost) {
        std::uint32_t now = SDL_GetTicks();
        if (lastPing == 0 || now - lastPing >= 30) {
            Packet ping{};
            ping.type = PacketType::Ping;
            ping.stamp = now;
            sendPacket(link, ping, false);
            lastPing = now;
        }
        Packet answer;
        if (receivePacket(link, answer, 5) && answer.type == PacketType::Pong && now - answer.stamp < 10000)
            trips.push_back(SDL_GetTicks() - answer.stamp);
    }
    if (trips.empty())
        return roundTrip(link);
    std::sort(trips.begin(), trips.end());
    return trips[trips.size() / 2];
}

bool arenaFits(const char *path)
{
    static Arena arena;
    clearArena(arena);
    return loadArena(arena, path) && arenaProblems(arena).empty();
}

}  // namespace

int inputDelayFor(std::uint32_t roundTripMs, int stepRate)
{
    double frameMs = 1000.0 / stepRate;
    int frames = static_cast<int>(roundTripMs / 2 / frameMs + 0.5);
    return std::clamp(frames, 0, MaxInputDelay);
}

bool readArenaBytes(const char *path, std::vector<std::uint8_t> &bytes)
{
    FILE *file = openRegularStream(path, LONG_MAX);
    if (!file)
        return false;
    bytes.assign(ArenaFileSize, 0);
    size_t got = fread(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    bytes.resize(got);
    return got == static_cast<size_t>(ArenaFileSize);
}

bool hostHandshake(NetLink &link, const MatchTerms &terms, const char *arenaPath, int inputDelay, Handshake &result,
                   std::string &error)
{
    Packet hello;
    if (!await(link, PacketType::Hello, hello, error) || !sameVersions(link, hello, error))
        return false;
    std::vector<std::uint8_t> arena;
    if (!readArenaBytes(arenaPath, arena)) {
        refuse(link, RefuseReason::NoArena, error);
        return false;
    }
    result = Handshake{};
    result.terms = terms;
    result.terms.arenaHash = hashBytes(arena.data(), arena.size());
    snprintf(result.name2, sizeof result.name2, "%s", hello.name);
    result.arenaPath = arenaPath;

    Packet welcome{};
    welcome.type = PacketType::Welcome;
    setVersions(welcome);
    welcome.terms = result.terms;
    sendPacket(link, welcome, true);

    Packet answer;
    if (!await(link, PacketType::Ready, PacketType::ArenaWanted, answer, error))
        return false;
    if (answer.type == PacketType::ArenaWanted) {
        Packet file{};
        file.type = PacketType::Arena;
        file.arenaSize = ArenaFileSize;
        memcpy(file.arena, arena.data(), ArenaFileSize);
        sendPacket(link, file, true);
        if (!await(link, PacketType::Ready, answer, error))
            return false;
    }

    result.roundTripMs = measureRoundTrip(link);
    int wished = inputDelay >= 0 ? inputDelay : hello.inputDelay;
    result.inputDelay = wished >= 0 ? wished : inputDelayFor(result.roundTripMs, terms.stepRate);
    Packet start{};
    start.type = PacketType::Start;
    start.inputDelay = result.inputDelay;
    sendPacket(link, start, true);
    return true;
}

bool joinHandshake(NetLink &link, const char *name, int inputDelay, Handshake &result, std::string &error)
{
    Packet hello{};
    hello.type = PacketType::Hello;
    setVersions(hello);
    snprintf(hello.name, sizeof hello.name, "%s", isPlainWord(name, NameBytes) ? name : "Blue");
    hello.inputDelay = inputDelay;
    sendPacket(link, hello, true);

    Packet welcome;
    if (!await(link, PacketType::Welcome, welcome, error) || !sameVersions(link, welcome, error))
        return false;
    result = Handshake{};
    result.terms = welcome.terms;
    snprintf(result.name2, sizeof result.name2, "%s", hello.name);
    result.arenaPath = welcome.terms.level;

    // The joiner's own file of that name is used only when it is the very same arena.
    std::vector<std::uint8_t> own;
    bool same =
        readArenaBytes(result.arenaPath.c_str(), own) && hashBytes(own.data(), own.size()) == result.terms.arenaHash;
    if (!same) {
        Packet wanted{};
        wanted.type = PacketType::ArenaWanted;
        sendPacket(link, wanted, true);
        Packet file;
        if (!await(link, PacketType::Arena, file, error))
            return false;
        if (hashBytes(file.arena, file.arenaSize) != result.terms.arenaHash) {
            refuse(link, RefuseReason::BadArena, error);
            return false;
        }
        // A folder of its own, so the player's files are never written over.
        const char *tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zoltr-arena-XXXXXX";
        std::vector<char> folder(pattern.begin(), pattern.end());
        folder.push_back(0);
        if (!mkdtemp(folder.data())) {
            error = "cannot make a folder for the host's arena";
            return false;
        }
        result.tempFolder = folder.data();
        result.arenaPath = result.tempFolder + "/arena";
        FILE *out = fopen(result.arenaPath.c_str(), "wb");
        bool written = out && fwrite(file.arena, 1, file.arenaSize, out) == static_cast<size_t>(file.arenaSize);
        if (out && fclose(out) != 0)
            written = false;
        if (!written) {
            forgetHandshake(result);
            error = "cannot store the host's arena";
            return false;
        }
    }
    if (!arenaFits(result.arenaPath.c_str())) {
        forgetHandshake(result);
        refuse(link, RefuseReason::BadArena, error);
        return false;
    }
    Packet ready{};
    ready.type = PacketType::Ready;
    sendPacket(link, ready, true);

    // Pings are answered until the host starts the match.
    std::uint32_t begin = SDL_GetTicks();
    while (SDL_GetTicks() - begin < StepTimeout && !link.lost) {
        Packet packet;
        if (!receivePacket(link, packet, 20))
            continue;
        if (packet.type == PacketType::Ping) {
            packet.type = PacketType::Pong;
            sendPacket(link, packet, false);
        } else if (packet.type == PacketType::Start) {
            result.inputDelay = packet.inputDelay;
            result.roundTripMs = roundTrip(link);
            return true;
        } else if (packet.type == PacketType::Refuse) {
            error = refuseText(packet.refuse);
            forgetHandshake(result);
            return false;
        }
    }
    forgetHandshake(result);
    error = link.lost ? "the other machine went away" : "the other machine stopped answering";
    return false;
}

void forgetHandshake(Handshake &result)
{
    if (result.tempFolder.empty())
        return;
    unlink((result.tempFolder + "/arena").c_str());
    rmdir(result.tempFolder.c_str());
    result.tempFolder.clear();
}
