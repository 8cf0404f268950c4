#pragma once
// CArpAnnounce: an ARP announcement (RFC 5227 section 2.3: a request with sender and target address both
// the leased one) for each address a simulated client has put on the interface, as clients announce a
// newly bound address. Without it the server's host may still hold a failed neighbour entry for the
// address, left by the server's own echo probe before the lease, and drop its first unicast answer.
#include <cstdint>
#include <string>

class CArpAnnounce {
public:
    /// Prepares announcements from the interface `interface` (its own hardware address).
    bool Open(const std::string& interface, std::string* error);
    CArpAnnounce() = default;
    CArpAnnounce(const CArpAnnounce&) = delete;
    CArpAnnounce& operator=(const CArpAnnounce&) = delete;
    ~CArpAnnounce();

    /// Broadcasts the announcement of `address` (host order).
    bool Announce(uint32_t address);

private:
    int fd_ = -1;
    int ifindex_ = 0;
    uint8_t mac_[6] = {};
};
