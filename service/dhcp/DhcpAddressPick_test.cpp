#include "DhcpAddressPick.h"

#include <gtest/gtest.h>

#include "DhcpTestSupport.h"

using dhcptest::Ip;

namespace {

const uint32_t kWan = Ip(10, 99, 0, 2);
const uint32_t kLan = Ip(192, 168, 0, 1);
const uint32_t kIsp = Ip(10, 99, 0, 1);
const uint32_t kDialup = Ip(172, 16, 5, 9);

DhcpAdapterView Adapter(uint32_t address, uint32_t gateway, bool dialup = false)
{
    DhcpAdapterView view;
    view.address = address;
    view.gateway = gateway;
    view.dialup = dialup;
    return view;
}

struct PickCase {
    const char* name;
    int mode;
    std::vector<DhcpAdapterView> adapters;
    uint32_t expected;
};

class PickTest : public testing::TestWithParam<PickCase> {};

TEST_P(PickTest, PicksByMode)
{
    const PickCase& c = GetParam();
    EXPECT_EQ(c.expected, PickDhcpServerAddress(c.mode, c.adapters)) << c.name;
}

// The WAN adapter (with the gateway) first, as in the lab and on most machines.
const std::vector<DhcpAdapterView> kTwoNics = {Adapter(kWan, kIsp), Adapter(kLan, 0)};

INSTANTIATE_TEST_SUITE_P(
    Modes, PickTest,
    testing::Values(
        PickCase{"dual NIC: the adapter without gateway, though it comes second", 2, kTwoNics, kLan},
        PickCase{"single NIC: the adapter with the gateway", 1, kTwoNics, kWan},
        PickCase{"modem: the first adapter with an address", 0, kTwoNics, kWan},
        PickCase{"modem: the dial-up adapter is skipped even with an address and a gateway",
                 0,
                 {Adapter(kDialup, kDialup, true), Adapter(kLan, 0)},
                 kLan},
        PickCase{"dual NIC: an adapter without address is skipped", 2, {Adapter(0, 0), Adapter(kLan, 0)}, kLan},
        PickCase{"dual NIC: a dial-up adapter without gateway is no LAN adapter",
                 2,
                 {Adapter(kDialup, 0, true), Adapter(kWan, kIsp)},
                 0u},
        PickCase{"single NIC: no adapter has a gateway", 1, {Adapter(kLan, 0)}, 0u},
        PickCase{"dual NIC: every adapter has a gateway", 2, {Adapter(kWan, kIsp), Adapter(kLan, kIsp)}, 0u},
        PickCase{"an empty table", 0, {}, 0u}, PickCase{"a mode the service refuses to run with", 3, kTwoNics, 0u}),
    [](const testing::TestParamInfo<PickCase>& info) { return "case" + std::to_string(info.index); });

}  // namespace
