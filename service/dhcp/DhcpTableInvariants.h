#pragma once
// DhcpTableInvariants: the promise the tables keep to the LAN, checked from outside: no address is handed
// to two computers. Tests and the packet fuzz target run every sequence of messages against it.
#include <string>
#include <vector>

#include "DhcpEntries.h"

/// Empty when no two computers share an address among the running leases and the open offers; else a
/// description of the first clash. A client's own running lease and its own open offer for that address
/// (a client that asks again) are one computer: same identifier or same hardware address.
std::string DhcpAddressClash(const std::vector<DhcpClientEntry>& clients, const std::vector<DhcpOfferEntry>& offers);
