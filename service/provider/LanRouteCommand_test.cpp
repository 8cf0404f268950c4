#include "LanRouteCommand.h"

#include <gtest/gtest.h>

namespace {
/// An address from its four octets, first octet first (held in network byte order).
constexpr uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return a | (b << 8) | (c << 16) | (d << 24);
}

struct NetworkCase {
    const char* assignedIp;
    const char* subnetMask;
    uint32_t network;
    uint32_t mask;
};

const NetworkCase kNetworkCases[] = {
    {"192.168.0.0", "255.255.255.0", Ip(192, 168, 0, 0), Ip(255, 255, 255, 0)},
    {"192.168.0.1", "255.255.255.0", Ip(192, 168, 0, 0), Ip(255, 255, 255, 0)},  // the host part goes
    {"10.20.30.40", "255.255.0.0", Ip(10, 20, 0, 0), Ip(255, 255, 0, 0)},
    {"172.16.5.130", "255.255.255.128", Ip(172, 16, 5, 128), Ip(255, 255, 255, 128)},
    {"10.1", "255.0.0.0", Ip(10, 0, 0, 0), Ip(255, 0, 0, 0)},  // the short forms of the system's conversion
    {"192.168.0.9", "0.0.0.0", 0, 0},
    // Malformed text converts to 255.255.255.255, as the system's conversion gives it.
    {"not an address", "255.255.255.0", Ip(255, 255, 255, 0), Ip(255, 255, 255, 0)},
    {"192.168.7.7", "bogus", Ip(192, 168, 7, 7), 0xFFFFFFFFu},
};

struct CommandCase {
    uint32_t network;
    uint32_t mask;
    uint32_t gateway;
    const char* command;
};

const CommandCase kCommandCases[] = {
    {Ip(192, 168, 0, 0), Ip(255, 255, 255, 0), Ip(10, 99, 0, 2),
     "Route Add 192.168.0.0 Mask 255.255.255.0 10.99.0.2 Metric 1"},
    {Ip(10, 20, 0, 0), Ip(255, 255, 0, 0), Ip(10, 20, 30, 1),
     "Route Add 10.20.0.0 Mask 255.255.0.0 10.20.30.1 Metric 1"},
    {Ip(255, 255, 255, 255), Ip(255, 255, 255, 255), Ip(255, 255, 255, 255),
     "Route Add 255.255.255.255 Mask 255.255.255.255 255.255.255.255 Metric 1"},
    {0, 0, Ip(1, 2, 3, 4), "Route Add 0.0.0.0 Mask 0.0.0.0 1.2.3.4 Metric 1"},
};

struct PickCase {
    const char* what;
    std::vector<LanRouteAdapter> adapters;
    uint32_t gateway;
};

const LanRouteAdapter kDialupWithGateway{true, Ip(10, 0, 0, 1), Ip(10, 0, 0, 7)};
const LanRouteAdapter kNoGateway{false, 0, Ip(192, 168, 0, 1)};
const LanRouteAdapter kWan{false, Ip(10, 99, 0, 1), Ip(10, 99, 0, 2)};
const LanRouteAdapter kSecondWan{false, Ip(172, 16, 0, 1), Ip(172, 16, 0, 2)};
const LanRouteAdapter kGatewayWithoutAddress{false, Ip(10, 5, 0, 1), 0};

const PickCase kPickCases[] = {
    {"no adapters", {}, 0},
    {"the adapter's own address, not its gateway", {kWan}, Ip(10, 99, 0, 2)},
    {"an adapter without gateway is passed over", {kNoGateway, kWan}, Ip(10, 99, 0, 2)},
    {"a dial-up adapter is passed over", {kDialupWithGateway, kWan}, Ip(10, 99, 0, 2)},
    {"the first that qualifies wins", {kSecondWan, kWan}, Ip(172, 16, 0, 2)},
    {"none qualifies", {kDialupWithGateway, kNoGateway}, 0},
    // The first adapter with a gateway decides even when its address is 0: then there is no route.
    {"a gateway without an address ends the search", {kGatewayWithoutAddress, kWan}, 0},
};
}  // namespace

TEST(LanRouteCommand, NetworkIsTheAssignedAddressAndTheMask)
{
    for (const NetworkCase& c : kNetworkCases) {
        SCOPED_TRACE(testing::Message() << c.assignedIp << " / " << c.subnetMask);
        const LanRouteNetwork route = ComputeLanRouteNetwork(c.assignedIp, c.subnetMask);
        EXPECT_EQ(c.network, route.network);
        EXPECT_EQ(c.mask, route.mask);
    }
}

TEST(LanRouteCommand, DefaultsGiveTheUsualLocalNetwork)
{
    const LanRouteNetwork route = ComputeLanRouteNetwork(kIniDhcpAssignedIp.fallback, kIniDhcpSubNetMask.fallback);
    EXPECT_EQ(Ip(192, 168, 0, 0), route.network);
    EXPECT_EQ(Ip(255, 255, 255, 0), route.mask);
}

TEST(LanRouteCommand, CommandNamesNetworkMaskAndGatewayFirstOctetFirst)
{
    for (const CommandCase& c : kCommandCases) {
        EXPECT_EQ(c.command, FormatLanRouteCommand(c.network, c.mask, c.gateway));
        EXPECT_LT(std::string(c.command).size(), kLanRouteCommandBuffer);
    }
}

TEST(LanRouteCommand, GatewayIsTheFirstUsableAdaptersAddress)
{
    for (const PickCase& c : kPickCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.gateway, PickLanRouteGateway(c.adapters));
    }
}
