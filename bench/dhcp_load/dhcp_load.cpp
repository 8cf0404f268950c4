// dhcp_load: a DHCP load generator of our own, run inside the lab's client namespace. Simulated clients
// with distinct hardware addresses lease, renew or flood over one UDP socket bound to 0.0.0.0:68 on the
// client's interface; the figures come out as "dhcp_load key=value ..." lines (CLoadRunner).
//
//   dhcp_load --new N [--window W]                    N new clients' full exchanges, W at a time
//   dhcp_load --renew N --clients K [--window W] [--renew-interval MS]   K clients leased, then N renewals
//   dhcp_load --reboot N [--tries T]                  N new clients at once, retransmitting (RFC 2131)
//   dhcp_load --flood SECONDS --rate R|max [--linger MS]
//   leasing: [--tries T]   each DISCOVER and REQUEST up to T times, 4, 8, 16, 32, 64 s apart (+-1 s)
//   common: [--if IFACE] [--timeout MS] [--deadline S] [--seed N] [--release] [--detail] [--capture DIR]
//
// A relaying benchmark client cannot drive a server that answers relayed requests by broadcast; this one
// talks to the server the way the lab's real clients do, as a client on the link.
#include <csignal>
#include <cstdio>
#include <string>

#include "CLoadOptions.h"
#include "CLoadRunner.h"
#include "CLoadSocket.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

}  // namespace

int main(int argc, char** argv)
{
    CLoadOptions options;
    std::string error;
    if (!options.Parse(argc, argv, &error)) {
        fprintf(stderr, "dhcp_load: %s\n%s", error.c_str(), LoadUsage());
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    CLoadSocket socket;
    if (!socket.Open(options.interface, &error)) {
        fprintf(stderr, "dhcp_load: %s\n", error.c_str());
        return 2;
    }
    CLoadRunner runner(options, socket, stdout, &g_stop);
    return runner.Run();
}
