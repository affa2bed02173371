// Two machines in one process: packets and their reader, the rollback with
// a lossy wire between two machines, the handshake, and whole networked runs
// over the link simulator, with a quitting and a vanishing peer.
#include "support/support.h"

#include "net/net.h"

#include <atomic>
#include <map>
#include <random>
#include <thread>

namespace {

// A small game standing in for the match: the state mixes every input, and a
// frame "sounds" the fire keys held in it.
struct Tally {
    struct State {
        std::uint64_t mix = 1;
        std::uint32_t frame = 0;
        int end = 2000;
    };
    struct Events {
        std::uint32_t frame;
        int fires;
        bool operator==(const Events &) const = default;
    };
    static int bits(const FighterInput &in) { return in.left | in.right << 1 | in.jump << 2 | in.fire << 3; }
    static Events step(State &state, const FighterInput inputs[2])
    {
        state.mix = (state.mix ^ static_cast<std::uint64_t>(bits(inputs[0]) << 4 | bits(inputs[1]))) * 1099511628211ull;
        return {state.frame++, inputs[0].fire + inputs[1].fire};
    }
    static std::uint64_t hash(const State &state) { return state.mix; }
    static bool finished(const State &state) { return state.frame >= static_cast<std::uint32_t>(state.end); }
};

// Held keys that change every few frames, as a player's do.
struct Keys {
    std::mt19937 random;
    FighterInput held{};
    FighterInput next()
    {
        if (random() % 6 == 0)
            held = {int(random() % 2), int(random() % 2), int(random() % 2), int(random() % 2)};
        return held;
    }
};

std::uint64_t straightRun(const std::vector<std::array<FighterInput, 2>> &inputs, std::size_t frames)
{
    Tally::State state;
    for (std::size_t f = 0; f < frames; f++)
        Tally::step(state, inputs[f].data());
    return state.mix;
}

}  // namespace

TEST(Packets, WellFormedOnesComeBackAndBrokenOnesAreRefused)
{
    Packet inputs{};
    inputs.type = PacketType::Inputs;
    inputs.frame = 70000;
    inputs.first = 65530;
    inputs.count = 3;
    inputs.ack = 65531;
    inputs.inputs[0] = {1, 0, 1, 0};
    inputs.inputs[2] = {0, 1, 0, 1};
    Packet welcome{};
    welcome.type = PacketType::Welcome;
    welcome.protocol = ProtocolVersion;
    strcpy(welcome.version, "1.0.0");
    welcome.terms = {"maps/arena2", 10, 3, -7, "Red", 0x1234567890abcdefull, 83, 99};
    std::uint8_t bytes[MaxPacketSize];
    Packet back;
    for (const Packet &packet : {inputs, welcome}) {
        int size = writePacket(packet, bytes);
        ASSERT_TRUE(readPacket(bytes, size, back));
        std::uint8_t again[MaxPacketSize];
        ASSERT_EQ(writePacket(back, again), size);
        EXPECT_EQ(memcmp(bytes, again, size), 0);
        EXPECT_FALSE(readPacket(bytes, size - 1, back)) << "cut short";
        bytes[size] = 0;
        EXPECT_FALSE(readPacket(bytes, size + 1, back)) << "trailing byte";
    }
    EXPECT_EQ(back.terms.image2, -7);
    EXPECT_EQ(back.terms.arenaHash, 0x1234567890abcdefull);

    int size = writePacket(inputs, bytes);
    bytes[size - 1] |= 0x30;  // a fourth input in the pad nibble of an odd run
    EXPECT_FALSE(readPacket(bytes, size, back));
    for (const char *level : {"maps/../settings.ini", "/etc/passwd", "maps/", "maps/a/b", "maps/.hidden", "maps/a b"}) {
        snprintf(welcome.terms.level, LevelBytes, "%s", level);
        EXPECT_FALSE(readPacket(bytes, writePacket(welcome, bytes), back)) << level;
    }
    const std::uint8_t arenaTooShort[] = {'Z', static_cast<std::uint8_t>(PacketType::Arena), 4, 0, 1, 2, 3, 4};
    EXPECT_FALSE(readPacket(arenaTooShort, sizeof arenaTooShort, back));
    std::vector<std::uint8_t> huge(MaxPacketSize + 1, 0);
    huge[0] = 'Z';
    huge[1] = static_cast<std::uint8_t>(PacketType::Ready);
    EXPECT_FALSE(readPacket(huge.data(), huge.size(), back));
}

// Two machines joined by a wire that loses, delays and reorders packets: both
// confirm the same inputs, end in the state of a straight run of them, hear
// each frame's final sounds, and never hear a re-stepped frame's unchanged ones.
TEST(Rollback, LossyWireEndsInTheSameStateAndSoundsEachFrameOnce)
{
    struct InFlight {
        int due;
        int to;
        Packet packet;
    };
    std::mt19937 wire(7);
    std::vector<InFlight> flying;
    auto sides = std::make_unique<std::array<Rollback<Tally>, 2>>();
    Keys keys[2] = {{std::mt19937(1)}, {std::mt19937(2)}};
    std::map<std::uint32_t, std::vector<Tally::Events>> heard[2];
    for (int me = 0; me < 2; me++)
        (*sides)[me].start(Tally::State{}, me, 2, 60);
    int tick = 0;
    for (; tick < 5000 && ((*sides)[0].confirmedFrame() < 2000 || (*sides)[1].confirmedFrame() < 2000); tick++) {
        for (int me = 0; me < 2; me++) {
            Rollback<Tally> &side = (*sides)[me];
            for (auto it = flying.begin(); it != flying.end();)
                if (it->to == me && it->due <= tick) {
                    side.receiveInputs(it->packet);
                    it = flying.erase(it);
                } else
                    ++it;
            auto hear = [&](const Tally::Events &events) { heard[me][events.frame].push_back(events); };
            side.correct(hear);
            side.readLocal(keys[me].next());
            if (side.canStep())
                hear(side.stepFrame());
            Packet out;
            side.fillInputs(out);
            if (wire() % 100 >= 10)  // 10 % lost, 1 to 8 ticks late, so often reordered
                flying.push_back({tick + 1 + int(wire() % 8), 1 - me, out});
        }
    }
    const Rollback<Tally> &host = (*sides)[0], &joiner = (*sides)[1];
    ASSERT_GE(std::min(host.confirmed.size(), joiner.confirmed.size()), 2000u) << "stalled after " << tick;
    Tally::State truth;
    for (std::uint32_t f = 0; f < 2000; f++) {
        ASSERT_EQ(Tally::bits(host.confirmed[f][0]), Tally::bits(joiner.confirmed[f][0])) << f;
        ASSERT_EQ(Tally::bits(host.confirmed[f][1]), Tally::bits(joiner.confirmed[f][1])) << f;
        Tally::Events events = Tally::step(truth, host.confirmed[f].data());
        for (int me = 0; me < 2; me++) {
            const std::vector<Tally::Events> &frame = heard[me][f];
            ASSERT_FALSE(frame.empty());
            EXPECT_EQ(frame.back(), events) << "frame " << f << " side " << me;
            for (std::size_t i = 1; i < frame.size(); i++)
                EXPECT_FALSE(frame[i] == frame[i - 1]) << "frame " << f << " heard twice";
        }
    }
    EXPECT_EQ(host.desyncFrame, -1);
    EXPECT_EQ(straightRun(host.confirmed, 2000), truth.mix);
    EXPECT_FALSE(host.rollbackDepths.empty());
    EXPECT_LE(*std::max_element(host.rollbackDepths.begin(), host.rollbackDepths.end()), RollbackWindow);

    // A state that drifts on one machine is found at the next hash on both.
    auto drifted = std::make_unique<std::array<Rollback<Tally>, 2>>();
    for (int me = 0; me < 2; me++)
        (*drifted)[me].start(Tally::State{}, me, 0, 60);
    for (int t = 0; t < 400; t++) {
        Packet out[2];
        for (int me = 0; me < 2; me++) {
            (*drifted)[me].readLocal(keys[me].next());
            (*drifted)[me].stepFrame();
            (*drifted)[me].fillInputs(out[me]);
        }
        for (int me = 0; me < 2; me++) {
            (*drifted)[me].receiveInputs(out[1 - me]);
            (*drifted)[me].correct([](const Tally::Events &) {});
            if (t == 100 && me == 1)
                (*drifted)[me].state.mix ^= 1;  // every frame before this one is confirmed
            for (const auto &hash : (*drifted)[me].toSend) {
                Packet packet{};
                packet.type = PacketType::Hash;
                packet.frame = hash.frame;
                packet.hash = hash.hash;
                (*drifted)[1 - me].receiveHash(packet);
            }
            (*drifted)[me].toSend.clear();
        }
    }
    EXPECT_EQ((*drifted)[0].desyncFrame, 120);
    EXPECT_EQ((*drifted)[1].desyncFrame, 120);
}

namespace {

std::uint16_t freePort(int offset)
{
    return static_cast<std::uint16_t>(30000 + (getpid() * 7 + offset) % 20000);
}

}  // namespace

// The joiner lacking the arena (or holding another of that name) gets the
// host's in a folder of its own; other versions and latecomers are refused
// with a reason on both sides.
TEST(Handshake, SendsTheArenaAsideAndRefusesWithAReason)
{
    TempGameDir dir;
    const std::string hostArena = ZOLTR_SOURCE_DIR "/game/maps/arena2";
    writeFile("maps/arena2", "the player's own arena");
    MatchTerms terms{"maps/arena2", 5, 2, 4, "Red", 0, 83, 42};
    const std::uint16_t port = freePort(0);
    Handshake hosted{}, joined{};
    std::string hostError, joinError;
    std::thread host([&] {
        NetLink link;
        if (listenForPeer(link, "127.0.0.1", port, 5000, hostError) &&
            hostHandshake(link, terms, hostArena.c_str(), -1, hosted, hostError)) {
            Packet ignored;
            for (int i = 0; i < 20; i++)
                receivePacket(link, ignored, 50);  // a latecomer is told the host is full
        }
        closeLink(link);
    });
    NetLink link;
    ASSERT_TRUE(connectToHost(link, "127.0.0.1", port, 3000, joinError)) << joinError;
    ASSERT_TRUE(joinHandshake(link, "Green", 2, joined, joinError)) << joinError;
    NetLink late;
    Packet refusal{};
    ASSERT_TRUE(connectToHost(late, "127.0.0.1", port, 3000, joinError));
    EXPECT_TRUE(receivePacket(late, refusal, 2000));
    EXPECT_EQ(refusal.refuse, RefuseReason::Full);
    closeLink(late);
    host.join();
    closeLink(link);

    EXPECT_EQ(hostError, "");
    EXPECT_EQ(std::string(hosted.name2), "Green");
    EXPECT_EQ(std::string(joined.terms.name1), "Red");
    EXPECT_EQ(std::tie(joined.terms.killLimit, joined.terms.image2, joined.terms.seed, joined.inputDelay),
              std::make_tuple(5, 4, 42u, 2));
    EXPECT_EQ(readFile("maps/arena2"), "the player's own arena");
    EXPECT_EQ(joined.arenaPath.rfind(joined.tempFolder, 0), 0u);
    EXPECT_EQ(readFile(joined.arenaPath), readFile(hostArena).substr(0, ArenaFileSize));
    forgetHandshake(joined);
    EXPECT_FALSE(std::filesystem::exists(joined.arenaPath));

    // Another protocol: both sides end with the same one line.
    std::thread refusing([&] {
        NetLink hostLink;
        hostError.clear();
        if (listenForPeer(hostLink, "127.0.0.1", port, 5000, hostError))
            hostHandshake(hostLink, terms, hostArena.c_str(), -1, hosted, hostError);
        closeLink(hostLink);
    });
    NetLink other;
    ASSERT_TRUE(connectToHost(other, "127.0.0.1", port, 3000, joinError));
    Packet hello{};
    hello.type = PacketType::Hello;
    hello.protocol = ProtocolVersion + 1;
    strcpy(hello.version, "1.0.0");
    strcpy(hello.name, "Old");
    sendPacket(other, hello, true);
    EXPECT_TRUE(receivePacket(other, refusal, 3000));
    refusing.join();
    closeLink(other);
    EXPECT_EQ(refusal.type, PacketType::Refuse);
    EXPECT_EQ(std::string(refuseText(refusal.refuse)), hostError);
    EXPECT_EQ(hostError, "the other machine speaks another network protocol");
}

namespace {

struct Side {
    explicit Side(unsigned seed, int quit = -1) : keys{std::mt19937(seed)}, quitAt(quit) {}
    Keys keys;
    int quitAt;  // frame at which this player presses Escape
    int frames = 0;
    std::atomic<int> shown{0};
    NetResult result{};
    std::uint64_t finalHash = 0;
    std::vector<std::array<FighterInput, 2>> confirmed;
    std::uint32_t endedAt = 0;
    int stepRate = 120;
    std::atomic<std::uint32_t> at{0};  // the frame shown last
    Side *peer = nullptr;
    std::vector<int> leads;  // frames ahead of the peer, at each frame shown
};

void playSide(Side &side, int me, std::uint16_t port, std::uint16_t through)
{
    NetLink link;
    std::string error;
    bool up = me == 0 ? listenForPeer(link, "127.0.0.1", port, 5000, error)
                      : connectToHost(link, "127.0.0.1", through, 5000, error);
    if (!up) {
        side.result.message = error;
        return;
    }
    auto rollback = std::make_unique<Rollback<Tally>>();
    Tally::State first;
    first.end = 600;
    rollback->start(first, me, 2, 120);
    NetHooks<Tally> hooks{
        [](void *c) { return static_cast<Side *>(c)->keys.next(); },
        [](void *c) {
            Side *s = static_cast<Side *>(c);
            return s->quitAt >= 0 && ++s->frames > s->quitAt;
        },
        [](void *, const Tally::Events &) {},
        [](void *c, const Tally::State &state, std::uint32_t, int) {
            Side *s = static_cast<Side *>(c);
            s->shown++;
            s->at = state.frame;
            if (s->peer)
                s->leads.push_back(static_cast<int>(state.frame) - static_cast<int>(s->peer->at));
        },
        &side,
    };
    side.result = playNetworked(link, *rollback, side.stepRate, hooks);
    side.endedAt = SDL_GetTicks();
    side.finalHash = Tally::hash(rollback->state);
    side.confirmed = rollback->confirmed;
}

}  // namespace

// Whole matches over the link simulator: an impaired link ends alike on both
// machines; a player's Escape and a cut link end the other side in time.
TEST(Networked, ImpairedLinkAgreesAndAQuitOrCutLinkEndsBothSides)
{
    SDL_Init(SDL_INIT_TIMER);
    const std::uint16_t port = freePort(1), relayPort = freePort(2);
    LinkImpairment impaired{30, 5, 0.02, 0.01, 0.02, 3};
    Relay *relay = startRelay(relayPort, port, impaired);
    ASSERT_TRUE(relay);
    Side host(1), joiner(2);
    std::thread hostThread(playSide, std::ref(host), 0, port, 0);
    playSide(joiner, 1, port, relayPort);
    hostThread.join();
    stopRelay(relay);
    EXPECT_EQ(std::tie(host.result.end, host.result.message), std::make_tuple(NetEnd::Finished, std::string()));
    EXPECT_EQ(std::tie(joiner.result.end, joiner.result.frames), std::make_tuple(NetEnd::Finished, 600u));
    EXPECT_EQ(host.finalHash, joiner.finalHash);
    ASSERT_EQ(host.confirmed.size(), 600u);
    EXPECT_EQ(straightRun(joiner.confirmed, 600), host.finalHash);

    // The joiner presses Escape at frame 100.
    relay = startRelay(relayPort, port, LinkImpairment{});
    Side quitting(3, 100);
    hostThread = std::thread(playSide, std::ref(host), 0, port, 0);
    playSide(quitting, 1, port, relayPort);
    hostThread.join();
    EXPECT_EQ(quitting.result.end, NetEnd::Quit);
    EXPECT_EQ(std::tie(host.result.end, host.result.message),
              std::make_tuple(NetEnd::PeerQuit, std::string("the other player left the match")));

    stopRelay(relay);

    // The link goes dead at once for both: each side is told within three seconds.
    relay = startRelay(relayPort, port, LinkImpairment{});
    Side cut(4);
    hostThread = std::thread(playSide, std::ref(host), 0, port, 0);
    host.shown = 0;
    joiner.shown = 0;
    std::thread cutter([&] {
        for (int wait = 0; wait < 500 && (host.shown < 60 || joiner.shown < 60); wait++)
            SDL_Delay(20);
        stopRelay(relay);
        cut.endedAt = SDL_GetTicks();
    });
    Uint32 cutTime = 0;
    playSide(joiner, 1, port, relayPort);
    cutter.join();
    cutTime = cut.endedAt;
    hostThread.join();
    for (const Side *side : {&host, &joiner}) {
        EXPECT_EQ(side->result.message, "the link to the other machine was lost");
        EXPECT_LE(side->endedAt - cutTime, 3000u);
    }
}

// A machine that keeps a slower pace than the other: the one ahead slows down
// and stays a frame or two ahead, instead of running into the rollback window
// and waiting there for every frame the other steps.
TEST(Networked, TheMachineAheadSlowsDownToThePeersPace)
{
    SDL_Init(SDL_INIT_TIMER);
    const std::uint16_t port = freePort(3);
    Side host(5), joiner(6);
    joiner.stepRate = 116;
    host.peer = &joiner;
    std::thread hostThread(playSide, std::ref(host), 0, port, 0);
    playSide(joiner, 1, port, port);
    hostThread.join();
    ASSERT_EQ(host.result.end, NetEnd::Finished);
    std::vector<int> late(host.leads.begin() + static_cast<long>(host.leads.size() / 2), host.leads.end());
    std::nth_element(late.begin(), late.begin() + static_cast<long>(late.size() / 2), late.end());
    EXPECT_LE(late[late.size() / 2], 5);  // 1 or 2 here, under load too; 12 if it kept its pace
}
