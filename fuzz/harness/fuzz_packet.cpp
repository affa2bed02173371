// The packet reader under fuzzing. The input is a run of datagrams, each two
// length bytes (little-endian) and its bytes, as a hostile peer might send them. Whatever
// arrives: an accepted packet writes back to the very same bytes, and inputs
// fed to a rollback in any order never push it past its window nor leave its
// confirmed frames different from a straight run of their inputs.
#include "harness.h"

#include "net/net.h"

#include <cstring>
#include <memory>

namespace {

struct Chain {
    using State = std::uint64_t;
    using Events = int;
    static int step(State &state, const FighterInput inputs[2])
    {
        int bits = inputs[0].left | inputs[0].fire << 1 | inputs[1].left << 2 | inputs[1].fire << 3;
        state = (state ^ static_cast<std::uint64_t>(bits)) * 1099511628211ull + 1;
        return bits;
    }
    static std::uint64_t hash(const State &state) { return state; }
    static bool finished(const State &) { return false; }
};

}  // namespace

void fuzzPacket(const uint8_t *data, size_t size)
{
    auto rollback = std::make_unique<Rollback<Chain>>();
    rollback->start(1, 1, 1, 8);
    std::uint8_t again[MaxPacketSize];
    size_t at = 0;
    while (at + 2 <= size) {
        size_t length = std::min<size_t>(data[at] | data[at + 1] << 8, size - at - 2);
        const uint8_t *bytes = data + at + 2;
        at += 2 + length;
        Packet packet;
        if (!readPacket(bytes, length, packet))
            continue;
        int written = writePacket(packet, again);
        if (written != static_cast<int>(length) || memcmp(again, bytes, length) != 0)
            harnessFailure("an accepted packet does not write back to its bytes", written);
        if (packet.type == PacketType::Hash)
            rollback->receiveHash(packet);
        if (packet.type != PacketType::Inputs)
            continue;
        rollback->receiveInputs(packet);
        rollback->correct([](int) {});
        rollback->readLocal(FighterInput{packet.count & 1, 0, 0, 0});
        if (rollback->canStep())
            rollback->stepFrame();
        if (rollback->current > rollback->remoteKnown + RollbackWindow)
            harnessFailure("stepped past the rollback window", rollback->current);
        if (rollback->ackedByPeer > rollback->localKnown)
            harnessFailure("the peer acknowledged inputs never made", rollback->ackedByPeer);
    }
    rollback->correct([](int) {});
    if (rollback->confirmedFrame() == rollback->current) {
        Chain::State straight = 1;
        for (const auto &pair : rollback->confirmed)
            Chain::step(straight, pair.data());
        if (straight != rollback->state)
            harnessFailure("confirmed frames differ from a straight run", rollback->current);
    }
}
