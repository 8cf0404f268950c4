#pragma once
// CInterfaceAddresses: the leased addresses of the simulated clients put on the client's interface, each
// as a /32 (no subnet route beside it), for the renewals: the server answers a renewal by unicast to the
// leased address, so the interface has to answer ARP for it and take the datagram in. Every address added
// here is removed again by Clear or the destructor; one that was already there is left alone.
#include <cstdint>
#include <string>
#include <vector>

class CInterfaceAddresses {
public:
    explicit CInterfaceAddresses(int ifindex) : ifindex_(ifindex) {}
    CInterfaceAddresses(const CInterfaceAddresses&) = delete;
    CInterfaceAddresses& operator=(const CInterfaceAddresses&) = delete;
    ~CInterfaceAddresses() { Clear(); }

    /// Adds `address` (host order). On false `error` holds the kernel's answer.
    bool Add(uint32_t address, std::string* error);
    /// Removes what Add put there.
    void Clear();

private:
    // One RTM_NEWADDR or RTM_DELADDR, answered by the kernel's acknowledgement; returns its errno (0 ok).
    int Request(uint16_t type, uint16_t flags, uint32_t address);

    int ifindex_;
    std::vector<uint32_t> added_;
};
