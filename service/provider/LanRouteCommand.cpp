#include "LanRouteCommand.h"

#include <cstdio>
#include <cstring>

#include "DottedAddress.h"

namespace {
constexpr unsigned kOctetMask = 0xFFu;
constexpr int kBitsPerOctet = 8;

/// Octet `index` (0 = first) of an address held in network byte order.
int Octet(uint32_t address, int index)
{
    return static_cast<int>((address >> (kBitsPerOctet * index)) & kOctetMask);
}
}  // namespace

LanRouteNetwork ComputeLanRouteNetwork(const char* assignedIp, const char* subnetMask)
{
    LanRouteNetwork result;
    const uint32_t address = ParseDottedQuad(assignedIp, std::strlen(assignedIp));
    result.mask = ParseDottedQuad(subnetMask, std::strlen(subnetMask));
    result.network = address & result.mask;
    return result;
}

uint32_t PickLanRouteGateway(const std::vector<LanRouteAdapter>& adapters)
{
    for (const LanRouteAdapter& adapter : adapters) {
        if (!adapter.dialup && adapter.gateway != 0)
            return adapter.firstAddress;
    }
    return 0;
}

std::string FormatLanRouteCommand(uint32_t network, uint32_t mask, uint32_t gateway)
{
    char text[kLanRouteCommandBuffer];
    std::snprintf(text, sizeof text, kLanRouteCommandFormat, Octet(network, 0), Octet(network, 1), Octet(network, 2),
                  Octet(network, 3), Octet(mask, 0), Octet(mask, 1), Octet(mask, 2), Octet(mask, 3), Octet(gateway, 0),
                  Octet(gateway, 1), Octet(gateway, 2), Octet(gateway, 3));
    return text;
}
