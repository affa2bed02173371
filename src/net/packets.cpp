// The packets two machines exchange, written and read field by field. The
// reader trusts nothing: every length, count and text is checked against its
// field before the packet may be used, and anything left over refuses it.
#include "net/net.h"

#include <cstring>

namespace {

struct Writer {
    std::uint8_t *out;
    int size = 0;
    void byte(int value) { out[size++] = static_cast<std::uint8_t>(value); }
    void u16(unsigned value)
    {
        byte(value & 0xff);
        byte(value >> 8);
    }
    void u32(std::uint32_t value)
    {
        u16(value & 0xffff);
        u16(value >> 16);
    }
    void u64(std::uint64_t value)
    {
        u32(static_cast<std::uint32_t>(value));
        u32(static_cast<std::uint32_t>(value >> 32));
    }
    // A text goes as its length and its bytes, without the end.
    void text(const char *value, int bytes)
    {
        int length = static_cast<int>(strnlen(value, bytes - 1));
        byte(length);
        memcpy(out + size, value, length);
        size += length;
    }
};

struct Reader {
    const std::uint8_t *bytes;
    std::size_t size;
    std::size_t at = 0;
    bool fault = false;
    bool has(std::size_t count)
    {
        if (size - at < count)
            fault = true;
        return !fault;
    }
    int byte() { return has(1) ? bytes[at++] : 0; }
    unsigned u16()
    {
        unsigned low = byte();
        return low | byte() << 8;
    }
    std::uint32_t u32()
    {
        std::uint32_t low = u16();
        return low | static_cast<std::uint32_t>(u16()) << 16;
    }
    std::uint64_t u64()
    {
        std::uint64_t low = u32();
        return low | static_cast<std::uint64_t>(u32()) << 32;
    }
    void text(char *into, int bytes)
    {
        int length = byte();
        // A zero inside would make the text shorter than the packet says.
        if (length >= bytes || !has(length) || memchr(this->bytes + at, 0, length)) {
            fault = true;
            into[0] = 0;
            return;
        }
        memcpy(into, this->bytes + at, length);
        into[length] = 0;
        at += length;
    }
    bool done() const { return !fault && at == size; }
};

int inputBits(const FighterInput &input)
{
    return (input.left != 0) | (input.right != 0) << 1 | (input.jump != 0) << 2 | (input.fire != 0) << 3;
}

FighterInput inputFromBits(int bits)
{
    return {bits & 1, bits >> 1 & 1, bits >> 2 & 1, bits >> 3 & 1};
}

void writeVersions(Writer &out, const Packet &packet)
{
    out.u16(packet.protocol);
    out.text(packet.version, VersionBytes);
}

bool plainVersion(const char *version)
{
    return isPlainWord(version, VersionBytes);
}

}  // namespace

bool isPlainWord(const char *text, int bytes)
{
    int length = static_cast<int>(strnlen(text, bytes));
    if (length == 0 || length >= bytes)
        return false;
    for (int i = 0; i < length; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= ' ' || c >= 127)
            return false;
    }
    return true;
}

bool isArenaPath(const char *text)
{
    if (!isPlainWord(text, LevelBytes) || strncmp(text, "maps/", 5) != 0)
        return false;
    const char *name = text + 5;
    if (name[0] == 0 || name[0] == '.')
        return false;
    for (const char *c = name; *c; c++)
        if (*c == '/' || *c == '\\')
            return false;
    return true;
}

// FNV-1a: small, stable on every machine, and enough to tell two arenas apart.
std::uint64_t hashBytes(const std::uint8_t *bytes, std::size_t size)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; i++) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

int writePacket(const Packet &packet, std::uint8_t *bytes)
{
    Writer out{bytes};
    out.byte('Z');
    out.byte(static_cast<int>(packet.type));
    switch (packet.type) {
    case PacketType::Hello:
        writeVersions(out, packet);
        out.text(packet.name, NameBytes);
        out.byte(packet.inputDelay < 0 ? 255 : packet.inputDelay);
        break;
    case PacketType::Welcome: {
        const MatchTerms &terms = packet.terms;
        writeVersions(out, packet);
        out.text(terms.level, LevelBytes);
        out.u32(static_cast<std::uint32_t>(terms.killLimit));
        out.u32(static_cast<std::uint32_t>(terms.image1));
        out.u32(static_cast<std::uint32_t>(terms.image2));
        out.text(terms.name1, NameBytes);
        out.u64(terms.arenaHash);
        out.byte(terms.stepRate);
        out.u32(terms.seed);
        break;
    }
    case PacketType::Refuse: out.byte(static_cast<int>(packet.refuse)); break;
    case PacketType::Arena:
        out.u16(packet.arenaSize);
        memcpy(bytes + out.size, packet.arena, packet.arenaSize);
        out.size += packet.arenaSize;
        break;
    case PacketType::Ping:
    case PacketType::Pong: out.u32(packet.stamp); break;
    case PacketType::Start: out.byte(packet.inputDelay); break;
    case PacketType::Inputs:
        out.u32(packet.frame);
        out.u32(packet.ack);
        out.u32(packet.first);
        out.byte(packet.count);
        for (int i = 0; i < packet.count; i += 2)
            out.byte(inputBits(packet.inputs[i]) | (i + 1 < packet.count ? inputBits(packet.inputs[i + 1]) << 4 : 0));
        break;
    case PacketType::Hash:
        out.u32(packet.frame);
        out.u64(packet.hash);
        break;
    case PacketType::Bye:
        out.byte(static_cast<int>(packet.bye));
        out.u32(packet.frame);
        break;
    case PacketType::ArenaWanted:
    case PacketType::Ready: break;
    }
    return out.size;
}

bool readPacket(const std::uint8_t *bytes, std::size_t size, Packet &packet)
{
    if (size < 2 || size > static_cast<std::size_t>(MaxPacketSize) || bytes[0] != 'Z')
        return false;
    Reader in{bytes, size, 2};
    packet = Packet{};
    packet.type = static_cast<PacketType>(bytes[1]);
    switch (packet.type) {
    case PacketType::Hello: {
        packet.protocol = static_cast<std::uint16_t>(in.u16());
        in.text(packet.version, VersionBytes);
        in.text(packet.name, NameBytes);
        int delay = in.byte();
        packet.inputDelay = delay == 255 ? -1 : delay;
        return in.done() && plainVersion(packet.version) && isPlainWord(packet.name, NameBytes) &&
               packet.inputDelay <= MaxInputDelay;
    }
    case PacketType::Welcome: {
        MatchTerms &terms = packet.terms;
        packet.protocol = static_cast<std::uint16_t>(in.u16());
        in.text(packet.version, VersionBytes);
        in.text(terms.level, LevelBytes);
        terms.killLimit = static_cast<std::int32_t>(in.u32());
        terms.image1 = static_cast<std::int32_t>(in.u32());
        terms.image2 = static_cast<std::int32_t>(in.u32());
        in.text(terms.name1, NameBytes);
        terms.arenaHash = in.u64();
        terms.stepRate = in.byte();
        terms.seed = in.u32();
        return in.done() && plainVersion(packet.version) && isArenaPath(terms.level) &&
               isPlainWord(terms.name1, NameBytes) && terms.stepRate >= 10 && terms.stepRate <= 120;
    }
    case PacketType::Refuse: {
        int reason = in.byte();
        packet.refuse = static_cast<RefuseReason>(reason);
        return in.done() && reason >= 1 && reason <= static_cast<int>(RefuseReason::NoArena);
    }
    case PacketType::Arena:
        packet.arenaSize = static_cast<int>(in.u16());
        if (packet.arenaSize != ArenaFileSize || !in.has(packet.arenaSize))
            return false;
        memcpy(packet.arena, bytes + in.at, packet.arenaSize);
        in.at += packet.arenaSize;
        return in.done();
    case PacketType::Ping:
    case PacketType::Pong: packet.stamp = in.u32(); return in.done();
    case PacketType::Start: packet.inputDelay = in.byte(); return in.done() && packet.inputDelay <= MaxInputDelay;
    case PacketType::Inputs: {
        packet.frame = in.u32();
        packet.ack = in.u32();
        packet.first = in.u32();
        packet.count = in.byte();
        if (packet.count < 1 || packet.count > MaxInputsPerPacket || packet.first > UINT32_MAX - packet.count)
            return false;
        for (int i = 0; i < packet.count; i += 2) {
            int pair = in.byte();
            packet.inputs[i] = inputFromBits(pair & 15);
            if (i + 1 < packet.count)
                packet.inputs[i + 1] = inputFromBits(pair >> 4);
            else if (pair >> 4)
                return false;
        }
        return in.done();
    }
    case PacketType::Hash:
        packet.frame = in.u32();
        packet.hash = in.u64();
        return in.done();
    case PacketType::Bye: {
        int reason = in.byte();
        packet.bye = static_cast<ByeReason>(reason);
        packet.frame = in.u32();
        return in.done() && reason >= 1 && reason <= static_cast<int>(ByeReason::Ended);
    }
    case PacketType::ArenaWanted:
    case PacketType::Ready: return in.done();
    }
    return false;
}

const char *refuseText(RefuseReason reason)
{
    switch (reason) {
    case RefuseReason::OtherProtocol: return "the other machine speaks another network protocol";
    case RefuseReason::OtherGame: return "the other machine runs another version of the game";
    case RefuseReason::Full: return "the host already has a match going";
    case RefuseReason::BadPacket: return "a malformed packet arrived during the handshake";
    case RefuseReason::BadArena: return "the host's arena failed the arena check";
    case RefuseReason::NoArena: return "the host cannot read its own arena";
    }
    return "the handshake failed";
}
