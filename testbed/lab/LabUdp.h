#pragma once
// The lab's UDP plumbing check, done the way the DHCP server will do it: a socket bound to the LAN address
// and port 67 with broadcast on, receiving what the LAN's clients broadcast, and answering a DISCOVER
// with an offer-shaped broadcast to port 68 sent with MSG_DONTROUTE.
#include <cstdint>

namespace lab {

struct UdpCheck {
    uint32_t bindAddress = 0;  // network order
    uint16_t port = 0;
    int count = 1;              // stop after this many datagrams
    int timeoutSeconds = 10;    // or after this long
    bool reply = false;         // answer each BOOTREQUEST
    uint32_t offerAddress = 0;  // yiaddr of the answers, network order
};

/// Prints one "recv …" line per datagram and one "sent …" line per answer; returns 0 when `count`
/// datagrams arrived in time, 1 otherwise (2 when the socket could not be set up).
int RunUdpCheck(const UdpCheck& check);

}  // namespace lab
