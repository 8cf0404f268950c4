#pragma once
// DhcpEntries: the records of the client table and of the offer list.
#include <cstdint>

#include "DhcpIdentity.h"

/// One client that has been given an address (kept in the client database).
struct DhcpClientEntry {
    DhcpId idId;        ///< option 61 (type byte included); may be empty
    DhcpId idHostname;  ///< option 12, no terminator; may be empty
    DhcpHardwareAddress hdwrAddr;
    uint32_t inAddr = 0;          ///< the client's address; 0: none
    uint32_t leaseStart = 0;      ///< seconds since 1970; 0: no lease running
    uint32_t leaseTime = 0;       ///< seconds; kDhcpInfiniteLease never runs out
    uint32_t internetAccess = 0;  ///< 1 when the last ACK carried the router option
};

/// One client that has been offered an address and has not taken it yet.
struct DhcpOfferEntry {
    DhcpId idId;
    DhcpId idHostname;
    DhcpHardwareAddress hdwrAddr;
    uint32_t inAddr = 0;     ///< the offered address
    uint32_t offerTime = 0;  ///< when the offer was made or last refreshed
};
