// zoltr-netsim: the link simulator as a program, for tests and measurements
// of two game processes. It relays UDP on loopback from a port the joiner
// connects to, to the host's port, with delay, jitter, loss, doubling and
// reordering each way, until it is stopped by a signal.
//   zoltr-netsim LISTEN_PORT HOST_PORT [DELAY_MS JITTER_MS LOSS DUPLICATE REORDER SEED]
#include "net/net.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

static volatile std::sig_atomic_t stopAsked = 0;

static void askStop(int)
{
    stopAsked = 1;
}

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 9) {
        fprintf(stderr, "Usage: zoltr-netsim LISTEN_PORT HOST_PORT [DELAY_MS JITTER_MS LOSS DUPLICATE REORDER SEED]\n");
        return 2;
    }
    LinkImpairment impairment;
    if (argc == 9) {
        impairment.delayMs = atoi(argv[3]);
        impairment.jitterMs = atoi(argv[4]);
        impairment.loss = atof(argv[5]);
        impairment.duplicate = atof(argv[6]);
        impairment.reorder = atof(argv[7]);
        impairment.seed = static_cast<std::uint32_t>(strtoul(argv[8], nullptr, 10));
    }
    signal(SIGTERM, askStop);
    signal(SIGINT, askStop);
    Relay *relay =
        startRelay(static_cast<std::uint16_t>(atoi(argv[1])), static_cast<std::uint16_t>(atoi(argv[2])), impairment);
    if (!relay) {
        fprintf(stderr, "zoltr-netsim: cannot listen on port %s\n", argv[1]);
        return 1;
    }
    while (!stopAsked)
        usleep(20000);
    stopRelay(relay);
    return 0;
}
