// The link simulator: a UDP relay on loopback that holds each datagram for a
// while and now and then loses, doubles or reorders it, so that tests and
// measurements see a slow and lossy link without leaving the machine.
#include "net/net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct Held {
    Clock::time_point due;
    bool toHost;
    std::vector<std::uint8_t> bytes;
};

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

struct Relay {
    int joinerSide = -1;  // bound to the listening port
    int hostSide =
        -1;  // talks to the host; not connected, so a host not yet listening costs one datagram, not the socket
    sockaddr_in joiner{};
    bool joinerKnown = false;
    sockaddr_in host{};
    LinkImpairment impairment;
    std::mt19937 random;
    std::vector<Held> held;
    std::atomic<bool> stop{false};
    std::thread thread;
};

static void hold(Relay &relay, bool toHost, const std::uint8_t *bytes, std::size_t size)
{
    std::uniform_real_distribution<double> chance(0, 1);
    const LinkImpairment &impair = relay.impairment;
    if (chance(relay.random) < impair.loss)
        return;
    int copies = chance(relay.random) < impair.duplicate ? 2 : 1;
    for (int i = 0; i < copies; i++) {
        int ms = impair.delayMs;
        if (impair.jitterMs > 0)
            ms += std::uniform_int_distribution<int>(0, impair.jitterMs)(relay.random);
        if (chance(relay.random) < impair.reorder)
            ms += impair.jitterMs > 0 ? impair.jitterMs : 5;
        relay.held.push_back({Clock::now() + std::chrono::milliseconds(ms), toHost, {bytes, bytes + size}});
    }
}

static void sendDue(Relay &relay)
{
    Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < relay.held.size();) {
        Held &datagram = relay.held[i];
        if (datagram.due > now) {
            i++;
            continue;
        }
        if (datagram.toHost)
            sendto(relay.hostSide, datagram.bytes.data(), datagram.bytes.size(), 0,
                   reinterpret_cast<sockaddr *>(&relay.host), sizeof relay.host);
        else if (relay.joinerKnown)
            sendto(relay.joinerSide, datagram.bytes.data(), datagram.bytes.size(), 0,
                   reinterpret_cast<sockaddr *>(&relay.joiner), sizeof relay.joiner);
        relay.held.erase(relay.held.begin() + static_cast<long>(i));
    }
}

// Sleeps until the next held datagram is due or one arrives; an idle relay
// wakes only to see whether it is to stop.
static int msToNextDue(const Relay &relay)
{
    int wait = 50;
    Clock::time_point now = Clock::now();
    for (const Held &datagram : relay.held) {
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(datagram.due - now).count();
        wait = std::min(wait, static_cast<int>(std::max<decltype(ms)>(ms, 0)));
    }
    return wait;
}

static void runRelay(Relay *relay)
{
    std::uint8_t bytes[65536];
    while (!relay->stop) {
        pollfd sockets[2] = {{relay->joinerSide, POLLIN, 0}, {relay->hostSide, POLLIN, 0}};
        poll(sockets, 2, msToNextDue(*relay));
        if (sockets[0].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            ssize_t got =
                recvfrom(relay->joinerSide, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr *>(&from), &length);
            if (got >= 0) {
                relay->joiner = from;
                relay->joinerKnown = true;
                hold(*relay, true, bytes, static_cast<std::size_t>(got));
            }
        }
        if (sockets[1].revents & POLLIN) {
            ssize_t got = recv(relay->hostSide, bytes, sizeof bytes, 0);
            if (got >= 0)
                hold(*relay, false, bytes, static_cast<std::size_t>(got));
        }
        sendDue(*relay);
    }
}

Relay *startRelay(std::uint16_t listenPort, std::uint16_t hostPort, const LinkImpairment &impairment)
{
    Relay *relay = new Relay;
    relay->impairment = impairment;
    relay->random.seed(impairment.seed);
    relay->host = loopback(hostPort);
    sockaddr_in listen = loopback(listenPort);
    relay->joinerSide = socket(AF_INET, SOCK_DGRAM, 0);
    relay->hostSide = socket(AF_INET, SOCK_DGRAM, 0);
    if (relay->joinerSide < 0 || relay->hostSide < 0 ||
        bind(relay->joinerSide, reinterpret_cast<sockaddr *>(&listen), sizeof listen) != 0) {
        stopRelay(relay);
        return nullptr;
    }
    relay->thread = std::thread(runRelay, relay);
    return relay;
}

void stopRelay(Relay *relay)
{
    if (!relay)
        return;
    relay->stop = true;
    if (relay->thread.joinable())
        relay->thread.join();
    if (relay->joinerSide >= 0)
        close(relay->joinerSide);
    if (relay->hostSide >= 0)
        close(relay->hostSide);
    delete relay;
}
