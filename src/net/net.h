// Floor 7, the network: stands on media (1), the arena (3) and the match (5).
// Two machines playing one match: the packets and their reader, the ENet link
// to the one peer of the handshake, the handshake itself (versions, the host's
// settings, the arena and its transfer, the input delay), the rollback of
// predicted frames and the link simulator that tests and measurements use.
// Owns no globals; a link, a handshake's result and a rollback are values.
#pragma once

#include "arena/arena.h"
#include "match/player.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _ENetHost ENetHost;
typedef struct _ENetPeer ENetPeer;

constexpr std::uint16_t ProtocolVersion = 1;
constexpr std::uint16_t DefaultPort = 29470;
constexpr int NameBytes = 30;                      // a fighter's name and its end
constexpr int LevelBytes = 256;                    // the arena path and its end
constexpr int VersionBytes = 16;                   // the game's version text and its end
constexpr int MaxInputsPerPacket = 32;             // frames of own input repeated in one packet
constexpr int MaxPacketSize = 16 + ArenaFileSize;  // the arena packet is the largest
constexpr int MaxInputDelay = 3;                   // frames

// --- The packets ---------------------------------------------------------
// Every packet starts with 'Z' and its type; numbers are little-endian. The
// reader checks every field before anything uses it and refuses the whole
// packet on the first fault.
enum class PacketType : std::uint8_t {
    Hello = 1,    // joiner: versions, name, wished input delay
    Welcome,      // host: versions, the settings of the match, the arena's hash
    Refuse,       // either: why the handshake ends
    ArenaWanted,  // joiner: it lacks the arena or has another one
    Arena,        // host: the arena file
    Ready,        // joiner: the arena is loaded and fine
    Ping,         // host: a round trip measured at the handshake
    Pong,
    Start,   // host: the input delay; frame 0 begins
    Inputs,  // either: own inputs of a run of frames, and what it has of the other's
    Hash,    // either: the state hash of a confirmed frame
    Bye,     // either: the match ends, and why
};

enum class RefuseReason : std::uint8_t {
    OtherProtocol = 1,
    OtherGame,
    Full,
    BadPacket,
    BadArena,
    NoArena,
};
const char *refuseText(RefuseReason reason);

enum class ByeReason : std::uint8_t { Quit = 1, Desync, Ended };

// The host's settings that rule the match, and its fighter's name.
struct MatchTerms {
    char level[LevelBytes];
    int killLimit;
    int image1, image2;
    char name1[NameBytes];
    std::uint64_t arenaHash;
    int stepRate;  // frames per second, the same on both machines
    std::uint32_t seed;
};

struct Packet {
    PacketType type;
    std::uint16_t protocol;      // Hello, Welcome
    char version[VersionBytes];  // Hello, Welcome
    char name[NameBytes];        // Hello: the joiner's fighter
    int inputDelay;              // Hello: -1 for "from the round trip"; Start
    MatchTerms terms;            // Welcome
    RefuseReason refuse;         // Refuse
    ByeReason bye;               // Bye
    std::uint32_t stamp;         // Ping, Pong
    std::uint32_t frame;         // Inputs: the sender's current frame; Hash; Bye
    std::uint32_t first;         // Inputs: the frame of inputs[0]
    int count;                   // Inputs: 1..MaxInputsPerPacket
    std::uint32_t ack;           // Inputs: the sender has the receiver's inputs before this frame
    FighterInput inputs[MaxInputsPerPacket];
    std::uint64_t hash;  // Hash
    int arenaSize;       // Arena
    std::uint8_t arena[ArenaFileSize];
};

// Writes a packet into out (at most MaxPacketSize bytes); returns the size.
int writePacket(const Packet &packet, std::uint8_t *out);
// Reads one packet; false (and nothing to use) when it is not a well-formed one.
bool readPacket(const std::uint8_t *bytes, std::size_t size, Packet &packet);

// A name or arena path as packets carry them: printable, no spaces, ended within its field.
bool isPlainWord(const char *text, int bytes);
// An arena path a peer may name: "maps/" and a plain file name, nothing that climbs out.
bool isArenaPath(const char *text);
std::uint64_t hashBytes(const std::uint8_t *bytes, std::size_t size);

// --- The link: ENet to exactly one peer -----------------------------------
struct NetLink {
    ENetHost *host = nullptr;
    ENetPeer *peer = nullptr;                        // the handshake's peer; packets of anyone else are dropped
    std::uint32_t lastHeard = 0;                     // SDL ticks of the peer's last packet
    bool lost = false;                               // the peer went away or stayed silent too long
    std::uint64_t bytesSent = 0, bytesReceived = 0;  // UDP payloads with ENet's headers, whole once closed
};

constexpr std::uint32_t SilenceLimit = 2000;  // ms without a packet: the link is lost

// host: binds the port (on `bindAddress`, or every interface when empty) and
// waits for the first peer; join: connects. Both give up after timeoutMs.
bool listenForPeer(NetLink &link, const char *bindAddress, std::uint16_t port, std::uint32_t timeoutMs,
                   std::string &error);
// The host listening already: waits on for the first peer.
bool awaitPeer(NetLink &link, std::uint32_t timeoutMs, std::string &error);
bool connectToHost(NetLink &link, const char *address, std::uint16_t port, std::uint32_t timeoutMs, std::string &error);
// Splits "HOST[:PORT]"; false for an empty host or a bad port.
bool splitAddress(const char *text, std::string &host, std::uint16_t &port);
void sendPacket(NetLink &link, const Packet &packet, bool reliable);
// The next packet of the peer, waiting at most waitMs; false when none came.
// Other peers' connections are refused with "full", their packets dropped.
bool receivePacket(NetLink &link, Packet &packet, std::uint32_t waitMs);
std::uint32_t roundTrip(const NetLink &link);  // ms, ENet's smoothed measure
// Tells the peer why (when there is one) and lets the link go, waiting a little for delivery.
void closeLink(NetLink &link, const Packet *last = nullptr);

// --- The handshake ---------------------------------------------------------
struct Handshake {
    MatchTerms terms;
    char name2[NameBytes];   // the joiner's fighter
    std::string arenaPath;   // where this machine loads the arena from
    std::string tempFolder;  // the joiner's copy of a sent arena; removed by forgetHandshake
    int inputDelay;
    std::uint32_t roundTripMs;
};

// The host side: wants an established link; terms from the host's settings.
bool hostHandshake(NetLink &link, const MatchTerms &terms, const char *arenaPath, int inputDelay, Handshake &result,
                   std::string &error);
// The joiner side: `name` is its fighter's; inputDelay -1 leaves it to the host.
bool joinHandshake(NetLink &link, const char *name, int inputDelay, Handshake &result, std::string &error);
void forgetHandshake(Handshake &result);
// The delay that keeps rollbacks short: a frame for each frame of one-way trip, at most 3.
int inputDelayFor(std::uint32_t roundTripMs, int stepRate);
// The first ArenaFileSize bytes of a file (what the game reads); false when it cannot be read.
bool readArenaBytes(const char *path, std::vector<std::uint8_t> &bytes);

// --- The link simulator ----------------------------------------------------
// A UDP relay on loopback between a joiner and a host that delays, scatters,
// loses, doubles and reorders datagrams, each way on its own; for tests and
// measurements only. Runs on its own thread until stopRelay.
struct LinkImpairment {
    int delayMs = 0;   // one way
    int jitterMs = 0;  // plus 0..jitter, uniformly
    double loss = 0;   // 0..1
    double duplicate = 0;
    double reorder = 0;  // chance that a datagram waits one more jitter span
    std::uint32_t seed = 1;
};
struct Relay;
// Listens on 127.0.0.1:listenPort and forwards to 127.0.0.1:hostPort.
Relay *startRelay(std::uint16_t listenPort, std::uint16_t hostPort, const LinkImpairment &impairment);
void stopRelay(Relay *relay);

// --- The rollback ----------------------------------------------------------
// Each machine steps its own fighter's input at once and predicts the other's
// by repeating its last one. When the real input arrives and differs, the
// snapshot of that frame is restored and the frames since are stepped again.
//
// The window is 10 frames (120 ms at 83 frames a second): at a 150 ms round
// trip the input delay of 3 frames leaves about 3 frames of one-way trip to
// predict, 10 ms of jitter adds one, a lost packet one more (the next packet
// repeats it) and the time sync lets the machines drift by one or two. Ten
// covers that without stalling, and costs at most ten re-steps in a frame.
constexpr int RollbackWindow = 10;
constexpr int InputRing = 64;  // frames of inputs kept: more than the window, the delay and a packet's run
constexpr int SnapshotRing = RollbackWindow + 2;

// What the rollback asks of the game, as one type:
//   State             the whole match, copied as a snapshot
//   Events            what a frame makes heard; compared with ==
//   step(State&, const FighterInput inputs[2]) -> Events
//   hash(const State&) -> std::uint64_t
//   finished(const State&) -> bool: the match is over; nothing is stepped past it
template <class Game>
struct Rollback {
    using State = typename Game::State;
    using Events = typename Game::Events;

    int me = 0;                             // the local fighter: 0 on the host, 1 on the joiner
    int inputDelay = 0;                     // own inputs count this many frames after they are read
    int hashEvery = 60;                     // frames between two state hashes sent to the peer
    int checkEvery = 0;                     // frames between two hashes kept in `checks` (the recording's)
    State state{};                          // the match before frame `current`
    std::uint32_t current = 0;              // the next frame to step
    std::uint32_t localKnown = 0;           // own inputs are set for every frame before this
    std::uint32_t remoteKnown = 0;          // the peer's inputs arrived for every frame before this
    std::uint32_t ackedByPeer = 0;          // the peer has own inputs before this
    std::uint32_t peerFrame = 0;            // the peer's frame when it last sent
    std::uint32_t firstWrong = UINT32_MAX;  // earliest frame stepped with a wrong prediction
    FighterInput local[InputRing]{};
    FighterInput remote[InputRing]{};
    bool remoteHeld[InputRing]{};         // arrived, for frames at or past remoteKnown
    FighterInput predicted[InputRing]{};  // what the peer's input was taken to be when stepped
    State snapshots[SnapshotRing]{};
    Events events[SnapshotRing]{};

    // Inputs of confirmed frames in order, both fighters: the recording's material.
    std::vector<std::array<FighterInput, 2>> confirmed;
    struct FrameHash {
        std::uint32_t frame;
        std::uint64_t hash;
    };
    std::vector<FrameHash> ownHashes, peerHashes;  // waiting for their counterpart
    std::vector<std::uint64_t> checks;             // the state after every checkEvery-th confirmed frame
    std::int64_t desyncFrame = -1;                 // the first frame the machines disagree on
    std::vector<int> rollbackDepths;               // frames re-stepped, per rollback
    std::vector<std::uint32_t> stepMicros;         // CPU of each frame's corrections and step
    std::uint32_t firstFrameTicks = 0;             // SDL ticks when frame 0 was stepped

    // Kept on the heap: a dozen snapshots of a whole match are no stack value.
    void start(const State &first, int me, int inputDelay, int hashEvery)
    {
        current = remoteKnown = ackedByPeer = peerFrame = 0;
        firstWrong = UINT32_MAX;
        std::fill(std::begin(remoteHeld), std::end(remoteHeld), false);
        std::fill(std::begin(local), std::end(local), FighterInput{});
        std::fill(std::begin(remote), std::end(remote), FighterInput{});
        std::fill(std::begin(predicted), std::end(predicted), FighterInput{});
        confirmed.clear();
        checks.clear();
        ownHashes.clear();
        peerHashes.clear();
        toSend.clear();
        rollbackDepths.clear();
        stepMicros.clear();
        desyncFrame = -1;
        state = first;
        this->me = me;
        this->inputDelay = inputDelay;
        this->hashEvery = hashEvery;
        localKnown = static_cast<std::uint32_t>(inputDelay);  // the first frames are played with no keys
    }

    // Inputs of the peer for frames before this one are certain.
    std::uint32_t confirmedFrame() const { return std::min(remoteKnown, current); }
    // The match after its last confirmed frame (the frames since are no older than the snapshots).
    const State &confirmedState() const
    {
        std::uint32_t frame = static_cast<std::uint32_t>(confirmed.size());
        return frame == current ? state : snapshots[frame % SnapshotRing];
    }
    bool canStep() const
    {
        return current < remoteKnown + RollbackWindow && current < localKnown && !Game::finished(state);
    }
    // Frames this machine runs ahead of the peer, counting the peer's packets as half a round trip old.
    double framesAhead(double roundTripFrames) const
    {
        return static_cast<double>(current) - (static_cast<double>(peerFrame) + roundTripFrames / 2);
    }

    // The local fighter's input read this frame, for frame current + delay.
    void readLocal(const FighterInput &input)
    {
        if (localKnown < current + static_cast<std::uint32_t>(inputDelay) + 1 &&
            localKnown < ackedByPeer + InputRing / 2) {
            local[localKnown % InputRing] = input;
            localKnown++;
        }
    }

    FighterInput remoteFor(std::uint32_t frame) const
    {
        if (frame < remoteKnown)
            return remote[frame % InputRing];
        if (remoteKnown == 0)
            return FighterInput{};
        return remote[(remoteKnown - 1) % InputRing];
    }

    // Steps one frame on the inputs at hand; its events are returned to be heard.
    Events stepFrame()
    {
        std::uint32_t slot = current % SnapshotRing;
        snapshots[slot] = state;
        predicted[current % InputRing] = remoteFor(current);
        events[slot] = stepWith(current);
        current++;
        return events[slot];
    }

    // Own inputs from the first the peer lacks, at most a packet's worth.
    void fillInputs(Packet &packet) const
    {
        packet = Packet{};
        packet.type = PacketType::Inputs;
        packet.frame = current;
        packet.ack = remoteKnown;
        std::uint32_t first =
            std::max(ackedByPeer, localKnown > MaxInputsPerPacket ? localKnown - MaxInputsPerPacket : 0u);
        packet.first = first;
        packet.count = static_cast<int>(localKnown - first);
        for (int i = 0; i < packet.count; i++)
            packet.inputs[i] = local[(first + i) % InputRing];
    }

    // An Inputs packet of the peer, in any order, any number of times.
    void receiveInputs(const Packet &packet)
    {
        peerFrame = std::max(peerFrame, packet.frame);
        if (packet.ack > ackedByPeer)
            ackedByPeer = std::min(packet.ack, localKnown);
        for (int i = 0; i < packet.count; i++) {
            std::uint32_t frame = packet.first + static_cast<std::uint32_t>(i);
            if (frame < remoteKnown)
                continue;
            if (frame >= remoteKnown + InputRing / 2 || frame >= current + InputRing / 2)
                break;
            remote[frame % InputRing] = packet.inputs[i];
            remoteHeld[frame % InputRing] = true;
        }
        while (remoteHeld[remoteKnown % InputRing]) {
            std::uint32_t frame = remoteKnown;
            remoteHeld[frame % InputRing] = false;
            remoteKnown++;
            if (frame < current && !sameInput(remote[frame % InputRing], predicted[frame % InputRing]))
                firstWrong = std::min(firstWrong, frame);
        }
    }

    // Restores and re-steps from the first wrongly predicted frame; `hear` gets
    // the events of re-stepped frames whose events changed.
    template <class Hear>
    void correct(Hear &&hear)
    {
        if (firstWrong < current) {
            std::uint32_t frame = firstWrong;
            rollbackDepths.push_back(static_cast<int>(current - frame));
            state = snapshots[frame % SnapshotRing];
            std::uint32_t until = current;
            for (; frame < until; frame++) {
                if (Game::finished(state)) {
                    current = frame;  // the corrected match ended earlier than the predicted one
                    break;
                }
                std::uint32_t slot = frame % SnapshotRing;
                snapshots[slot] = state;
                predicted[frame % InputRing] = remoteFor(frame);
                Events again = stepWith(frame);
                if (!(again == events[slot]))
                    hear(again);
                events[slot] = again;
            }
        }
        firstWrong = UINT32_MAX;
        confirmAndHash();
    }

    // A hash of the peer's for a frame; compared as soon as both are there.
    void receiveHash(const Packet &packet)
    {
        if (peerHashes.size() < 16)
            peerHashes.push_back({packet.frame, packet.hash});
        compareHashes();
    }

    // Own hashes not yet sent; the caller sends and clears `toSend`.
    std::vector<FrameHash> toSend;

private:
    static bool sameInput(const FighterInput &a, const FighterInput &b)
    {
        return (a.left != 0) == (b.left != 0) && (a.right != 0) == (b.right != 0) && (a.jump != 0) == (b.jump != 0) &&
               (a.fire != 0) == (b.fire != 0);
    }

    Events stepWith(std::uint32_t frame)
    {
        FighterInput inputs[2];
        inputs[me] = local[frame % InputRing];
        inputs[1 - me] = predicted[frame % InputRing];
        return Game::step(state, inputs);
    }

    void confirmAndHash()
    {
        std::uint32_t upTo = confirmedFrame();
        while (confirmed.size() < upTo) {
            std::uint32_t frame = static_cast<std::uint32_t>(confirmed.size());
            std::array<FighterInput, 2> pair;
            pair[me] = local[frame % InputRing];
            pair[1 - me] = remote[frame % InputRing];
            confirmed.push_back(pair);
            std::uint32_t next = frame + 1;
            bool send = hashEvery > 0 && next % static_cast<std::uint32_t>(hashEvery) == 0;
            bool check = checkEvery > 0 && next % static_cast<std::uint32_t>(checkEvery) == 0;
            if (!send && !check)
                continue;
            const State &after = next == current ? state : snapshots[next % SnapshotRing];
            std::uint64_t value = Game::hash(after);
            if (check)
                checks.push_back(value);
            if (send) {
                FrameHash own{next, value};
                toSend.push_back(own);
                ownHashes.push_back(own);
                if (ownHashes.size() > 16)
                    ownHashes.erase(ownHashes.begin());
            }
        }
        compareHashes();
    }

    void compareHashes()
    {
        for (auto peer = peerHashes.begin(); peer != peerHashes.end();) {
            bool matched = false;
            for (const FrameHash &own : ownHashes)
                if (own.frame == peer->frame) {
                    matched = true;
                    if (own.hash != peer->hash && desyncFrame < 0)
                        desyncFrame = own.frame;
                }
            // A hash for a frame long past that has no counterpart any more is let go.
            if (matched || peer->frame + 16u * hashEvery < confirmedFrame())
                peer = peerHashes.erase(peer);
            else
                ++peer;
        }
    }
};

// --- A networked match's loop ------------------------------------------------
enum class NetEnd { Finished, Quit, PeerQuit, Lost, Desync };

struct NetResult {
    NetEnd end;
    std::uint32_t frames;  // stepped and confirmed on both machines
    std::string message;   // one line for the player; empty for a normal end
};

// What a networked match asks of the game around it, frame by frame.
template <class Game>
struct NetHooks {
    FighterInput (*readInput)(void *context);  // the local fighter's keys (or brain) this frame
    bool (*quitAsked)(void *context);          // Escape or the window closed
    void (*hear)(void *context, const typename Game::Events &events);
    void (*show)(void *context, const typename Game::State &state, std::uint32_t roundTripMs, int rollbackFrames);
    void *context;
};

std::uint64_t netCpuMicros();  // CPU time of this thread, for the measurements
std::uint32_t netTicks();      // SDL's ticks, declared here so the template needs no SDL header
void waitForPackets(NetLink &link, std::uint32_t ms);

// Plays the match from the rollback's first state until it ends on a
// confirmed frame, one machine quits, the link is lost or a desync is found.
// The loop never waits for the peer: a late packet only lengthens a prediction.
template <class Game>
NetResult playNetworked(NetLink &link, Rollback<Game> &rollback, int stepRate, const NetHooks<Game> &hooks)
{
    const double period = 1000.0 / stepRate;
    double deadline = netTicks();
    auto hear = [&](const typename Game::Events &events) { hooks.hear(hooks.context, events); };
    auto end = [&](NetEnd how, std::uint32_t frame, const char *message) { return NetResult{how, frame, message}; };
    bool peerEnded = false;  // its last inputs are here; the rest is stepping to the same end
    for (;;) {
        Packet packet;
        while (receivePacket(link, packet, 0)) {
            if (packet.type == PacketType::Bye && packet.bye == ByeReason::Ended)
                peerEnded = true;
            if (packet.type == PacketType::Inputs)
                rollback.receiveInputs(packet);
            else if (packet.type == PacketType::Hash)
                rollback.receiveHash(packet);
            else if (packet.type == PacketType::Bye && packet.bye == ByeReason::Desync)
                rollback.desyncFrame = rollback.desyncFrame < 0 ? packet.frame : rollback.desyncFrame;
            else if (packet.type == PacketType::Bye && packet.bye == ByeReason::Quit) {
                closeLink(link);
                return end(NetEnd::PeerQuit, rollback.confirmedFrame(), "the other player left the match");
            }
        }
        std::uint64_t work = netCpuMicros();
        rollback.correct(hear);
        for (const auto &own : rollback.toSend) {
            Packet hash{};
            hash.type = PacketType::Hash;
            hash.frame = own.frame;
            hash.hash = own.hash;
            sendPacket(link, hash, true);
        }
        rollback.toSend.clear();

        if (rollback.desyncFrame >= 0) {
            Packet bye{};
            bye.type = PacketType::Bye;
            bye.bye = ByeReason::Desync;
            bye.frame = static_cast<std::uint32_t>(rollback.desyncFrame);
            closeLink(link, &bye);
            std::string message = "the two machines no longer agree at frame " + std::to_string(rollback.desyncFrame);
            return NetResult{NetEnd::Desync, bye.frame, message};
        }
        if (rollback.confirmedFrame() == rollback.current && rollback.current > 0 && Game::finished(rollback.state)) {
            // Both machines end on this same frame; the peer still needs the last
            // inputs, so they are repeated until it has them or a second passes.
            std::uint32_t lingerStart = netTicks();
            while (rollback.ackedByPeer < rollback.localKnown && netTicks() - lingerStart < 1000 && !link.lost) {
                rollback.fillInputs(packet);
                sendPacket(link, packet, false);
                waitForPackets(link, static_cast<std::uint32_t>(period));
                while (receivePacket(link, packet, 0))
                    if (packet.type == PacketType::Inputs)
                        rollback.ackedByPeer =
                            std::max(rollback.ackedByPeer, std::min(packet.ack, rollback.localKnown));
            }
            Packet bye{};
            bye.type = PacketType::Bye;
            bye.bye = ByeReason::Ended;
            bye.frame = rollback.current;
            closeLink(link, &bye);
            return end(NetEnd::Finished, rollback.current, "");
        }
        if (link.lost && !(peerEnded && rollback.current < rollback.remoteKnown)) {
            closeLink(link);
            return end(NetEnd::Lost, rollback.confirmedFrame(), "the link to the other machine was lost");
        }
        if (hooks.quitAsked(hooks.context)) {
            Packet bye{};
            bye.type = PacketType::Bye;
            bye.bye = ByeReason::Quit;
            bye.frame = rollback.current;
            closeLink(link, &bye);
            return end(NetEnd::Quit, rollback.confirmedFrame(), "");
        }

        rollback.readLocal(hooks.readInput(hooks.context));
        if (rollback.canStep()) {
            hear(rollback.stepFrame());
            if (rollback.current == 1)
                rollback.firstFrameTicks = netTicks();
        }
        rollback.stepMicros.push_back(static_cast<std::uint32_t>(netCpuMicros() - work));
        rollback.fillInputs(packet);
        sendPacket(link, packet, false);
        int depth = rollback.rollbackDepths.empty() ? 0 : rollback.rollbackDepths.back();
        hooks.show(hooks.context, rollback.state, roundTrip(link), depth);

        // The machine that runs ahead stretches its frames a little until the other catches up.
        double roundTripFrames = roundTrip(link) / period;
        deadline += rollback.framesAhead(roundTripFrames) > 1.0 ? period * 1.1 : period;
        double now = netTicks();
        if (deadline < now - 4 * period)
            deadline = now;  // a machine too slow to keep the pace does not try to catch up in a burst
        if (deadline > now)
            waitForPackets(link, static_cast<std::uint32_t>(deadline - now));
    }
}

// --- The networked match in the game's window ---------------------------------
struct NetMatchOptions {
    bool hosting = false;
    std::string address;  // joining: the host
    std::uint16_t port = DefaultPort;
    int inputDelay = -1;  // frames; -1: from the round trip
    int frameLimit = 0;   // > 0: the match ends after this many frames (tests and measurements)
};
// The whole match and its end scene; returns the exit status: 0 for a match
// played to its end or left with Escape, otherwise 1 after a one-line message
// (on the screen and the standard error stream).
struct RunningGame;
int runNetworkMatch(const NetMatchOptions &options, RunningGame &game);
