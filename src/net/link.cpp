// The ENet link to the one peer of the handshake. ENet does the reliable
// handshake packets and keeps the connection alive; the inputs go unreliable
// on a channel of their own, so a lost one is simply sent again in the next.
#include "net/net.h"

#include <SDL.h>
#include <enet/enet.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int Channels = 2;    // 0 reliable: handshake, hashes, goodbyes; 1 inputs
constexpr int ExtraPeers = 3;  // room for latecomers, so that they can be told the host is full

void startEnet()
{
    static bool started = false;
    if (!started && enet_initialize() == 0) {
        started = true;
        atexit(enet_deinitialize);
    }
}

// The peer's silence is noticed in under three seconds, by ENet and by the link.
void watchPeer(NetLink &link, ENetPeer *peer)
{
    link.peer = peer;
    link.lastHeard = SDL_GetTicks();
    enet_peer_timeout(peer, 8, 1000, SilenceLimit);
    enet_peer_ping_interval(peer, 250);
}

void refuseLatecomer(ENetPeer *peer)
{
    Packet refuse{};
    refuse.type = PacketType::Refuse;
    refuse.refuse = RefuseReason::Full;
    std::uint8_t bytes[MaxPacketSize];
    int size = writePacket(refuse, bytes);
    enet_peer_send(peer, 0, enet_packet_create(bytes, size, ENET_PACKET_FLAG_RELIABLE));
    enet_peer_disconnect_later(peer, 0);
}

bool resolve(ENetAddress &address, const char *host, std::uint16_t port, std::string &error)
{
    address.port = port;
    if (enet_address_set_host(&address, host) != 0) {
        error = std::string("cannot find the address ") + host;
        return false;
    }
    return true;
}

}  // namespace

bool splitAddress(const char *text, std::string &host, std::uint16_t &port)
{
    std::string whole = text;
    port = DefaultPort;
    std::size_t colon = whole.rfind(':');
    if (colon != std::string::npos) {
        std::string digits = whole.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        int value = atoi(digits.c_str());
        if (value < 1 || value > 65535)
            return false;
        port = static_cast<std::uint16_t>(value);
        whole.resize(colon);
    }
    host = whole;
    return !host.empty();
}

bool listenForPeer(NetLink &link, const char *bindAddress, std::uint16_t port, std::uint32_t timeoutMs,
                   std::string &error)
{
    startEnet();
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    address.port = port;
    if (bindAddress && *bindAddress && !resolve(address, bindAddress, port, error))
        return false;
    link.host = enet_host_create(&address, 1 + ExtraPeers, Channels, 0, 0);
    if (!link.host) {
        error = "cannot listen on port " + std::to_string(port);
        return false;
    }
    return awaitPeer(link, timeoutMs, error);
}

bool awaitPeer(NetLink &link, std::uint32_t timeoutMs, std::string &error)
{
    std::uint32_t start = SDL_GetTicks();
    ENetEvent event;
    while (SDL_GetTicks() - start < timeoutMs) {
        if (enet_host_service(link.host, &event, 50) <= 0)
            continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT) {
            watchPeer(link, event.peer);
            return true;
        }
        if (event.type == ENET_EVENT_TYPE_RECEIVE)
            enet_packet_destroy(event.packet);
    }
    error = "nobody joined within " + std::to_string(timeoutMs / 1000) + " s";
    return false;
}

bool connectToHost(NetLink &link, const char *hostName, std::uint16_t port, std::uint32_t timeoutMs, std::string &error)
{
    startEnet();
    ENetAddress address{};
    if (!resolve(address, hostName, port, error))
        return false;
    link.host = enet_host_create(nullptr, 1, Channels, 0, 0);
    if (!link.host) {
        error = "cannot open a network socket";
        return false;
    }
    ENetPeer *peer = enet_host_connect(link.host, &address, Channels, 0);
    std::uint32_t start = SDL_GetTicks();
    ENetEvent event;
    while (peer && SDL_GetTicks() - start < timeoutMs) {
        if (enet_host_service(link.host, &event, 50) <= 0)
            continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT && event.peer == peer) {
            watchPeer(link, peer);
            return true;
        }
        if (event.type == ENET_EVENT_TYPE_DISCONNECT)
            break;
        if (event.type == ENET_EVENT_TYPE_RECEIVE)
            enet_packet_destroy(event.packet);
    }
    error = "no answer from " + std::string(hostName) + ":" + std::to_string(port);
    return false;
}

void sendPacket(NetLink &link, const Packet &packet, bool reliable)
{
    if (!link.peer || link.lost)
        return;
    std::uint8_t bytes[MaxPacketSize];
    int size = writePacket(packet, bytes);
    ENetPacket *out = enet_packet_create(bytes, size, reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (out && enet_peer_send(link.peer, reliable ? 0 : 1, out) == 0)
        link.bytesSent += size;
    else if (out)
        enet_packet_destroy(out);
    enet_host_flush(link.host);
}

bool receivePacket(NetLink &link, Packet &packet, std::uint32_t waitMs)
{
    if (!link.host)
        return false;
    std::uint32_t start = SDL_GetTicks();
    ENetEvent event;
    for (;;) {
        std::uint32_t spent = SDL_GetTicks() - start;
        int got = enet_host_service(link.host, &event, spent < waitMs ? waitMs - spent : 0);
        if (got < 0) {
            link.lost = true;
            return false;
        }
        if (got == 0)
            break;
        bool fromPeer = event.peer == link.peer && link.peer;
        switch (event.type) {
        case ENET_EVENT_TYPE_CONNECT:
            if (!fromPeer)
                refuseLatecomer(event.peer);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (fromPeer) {
                link.lost = true;
                link.peer = nullptr;
                return false;
            }
            break;
        case ENET_EVENT_TYPE_RECEIVE: {
            bool good = fromPeer && readPacket(event.packet->data, event.packet->dataLength, packet);
            if (fromPeer) {
                link.bytesReceived += event.packet->dataLength;
                link.lastHeard = SDL_GetTicks();
            }
            enet_packet_destroy(event.packet);
            if (good)
                return true;
            break;
        }
        case ENET_EVENT_TYPE_NONE: break;
        }
    }
    if (link.peer && SDL_GetTicks() - link.lastHeard > SilenceLimit)
        link.lost = true;
    return false;
}

std::uint32_t roundTrip(const NetLink &link)
{
    return link.peer ? link.peer->roundTripTime : 0;
}

void closeLink(NetLink &link, const Packet *last)
{
    if (link.peer && !link.lost) {
        if (last)
            sendPacket(link, *last, true);
        enet_peer_disconnect_later(link.peer, 0);
        // A short wait so the goodbye leaves; the peer's own silence rule covers a lost one.
        std::uint32_t start = SDL_GetTicks();
        ENetEvent event;
        while (SDL_GetTicks() - start < 300 && enet_host_service(link.host, &event, 20) >= 0) {
            if (event.type == ENET_EVENT_TYPE_RECEIVE)
                enet_packet_destroy(event.packet);
            if (event.type == ENET_EVENT_TYPE_DISCONNECT && event.peer == link.peer)
                break;
        }
    }
    if (link.host) {
        link.bytesSent = link.host->totalSentData;
        link.bytesReceived = link.host->totalReceivedData;
        enet_host_destroy(link.host);
    }
    link.host = nullptr;
    link.peer = nullptr;
}

std::uint64_t netCpuMicros()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

std::uint32_t netTicks()
{
    return SDL_GetTicks();
}

// Packets arriving meanwhile wait in the socket for the next frame's reading.
void waitForPackets(NetLink &, std::uint32_t ms)
{
    SDL_Delay(ms);
}
