#include "DnsRelayHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kWan = 0x0200630A;  // 10.99.0.2
constexpr uint32_t kLan = 0x0100A8C0;  // 192.168.0.1
constexpr uint32_t kGw = 0x0100630A;   // 10.99.0.1

TEST(DnsRelayHost, AdapterPickByGateway)
{
    struct Case {
        const char* what;
        std::vector<DnsAdapterView> adapters;
        bool withGateway;
        uint32_t expected;
    };
    const std::vector<DnsAdapterView> lab = {{false, kGw, kWan}, {false, 0, kLan}, {true, 0, 0}};
    const std::vector<Case> cases = {
        {"the lab, with gateway: the WAN adapter", lab, true, kWan},
        {"the lab, without: the LAN adapter, after the WAN one", lab, false, kLan},
        {"a dial-up adapter is skipped", {{true, 0, 0x05050505}, {false, 0, kLan}}, false, kLan},
        {"an adapter without address is skipped", {{false, kGw, 0}, {false, kGw, kWan}}, true, kWan},
        {"none qualifies", {{false, 0, kLan}}, true, 0},
        {"no adapters", {}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DnsPickAdapterAddress(c.adapters, c.withGateway), c.expected);
    }
}

TEST(DnsRelayHost, HostAddressOtherThanTheInternalOne)
{
    struct Case {
        const char* what;
        std::vector<uint32_t> addresses;
        uint32_t internal;
        uint32_t expected;
    };
    const std::vector<Case> cases = {
        {"the first that differs", {kLan, kWan}, kLan, kWan},
        {"the first when it differs", {kWan, kLan}, kLan, kWan},
        {"only the internal one", {kLan}, kLan, 0},
        {"none", {}, kLan, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DnsPickHostAddress(c.addresses, c.internal), c.expected);
    }
}

TEST(DnsRelayHost, DottedSettings)
{
    struct Case {
        const char* text;
        uint32_t expected;
    };
    const std::vector<Case> cases = {
        {"10.99.0.1", kGw}, {"192.168.0.1", kLan}, {"", 0},           {"10.99.0", 0}, {"10.99.0.1.5", 0},
        {"10.99.0.256", 0}, {"10..0.1", 0},        {"10.99.0.1 ", 0}, {"a.b.c.d", 0}, {"0.0.0.0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DnsParseDotted(c.text), c.expected);
    }
}

TEST(DnsRelayHost, TraceBytesStopAtTheDatagramsEnd)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> datagram;
        std::string expected;  // 11 bytes
    };
    const std::string name = "\3www\3lab\4test";
    std::vector<uint8_t> full(12 + name.size(), 0);
    std::copy(name.begin(), name.end(), full.begin() + 12);
    std::vector<uint8_t> cut(full.begin(), full.begin() + 15);
    const std::vector<Case> cases = {
        {"a whole name", full, name.substr(0, 11)},
        {"cut after three bytes of the name", cut, std::string("\3ww") + std::string(8, '\0')},
        {"only a header", std::vector<uint8_t>(12, 7), std::string(11, '\0')},
        {"two bytes", {1, 2}, std::string(11, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> exact(c.datagram);
        char out[kDnsTraceNameLength];
        DnsTraceNameBytes(exact.data(), exact.size(), out);
        EXPECT_EQ(std::string(out, sizeof out), c.expected);
    }
}

}  // namespace
