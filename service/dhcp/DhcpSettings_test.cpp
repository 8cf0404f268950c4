#include "DhcpSettings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "DhcpAddressText.h"
#include "DhcpTestSupport.h"

using dhcptest::Ip;

namespace {

// A settings file section as a map; records what was asked for.
class MapSource : public IDhcpSettingsSource {
public:
    int ReadInt(const char* key, int defaultValue) override
    {
        intDefaults[key] = defaultValue;
        auto it = values.find(key);
        return it == values.end() ? defaultValue : std::atoi(it->second.c_str());
    }
    std::string ReadString(const char* key, const char* defaultValue, size_t bufferLength) override
    {
        stringDefaults[key] = defaultValue;
        buffers[key] = bufferLength;
        auto it = values.find(key);
        std::string v = it == values.end() ? defaultValue : it->second;
        return v.substr(0, bufferLength - 1);
    }

    std::map<std::string, std::string> values;
    std::map<std::string, int> intDefaults;
    std::map<std::string, std::string> stringDefaults;
    std::map<std::string, size_t> buffers;
};

TEST(DhcpSettings, ReaderPassesEveryKeyItsDefaultAndBuffer)
{
    MapSource source;
    ReadDhcpRawSettings(source);
    const std::map<std::string, int> ints = {{"ServerPort", 67},
                                             {"LowAddress", 1},
                                             {"HighAddress", 255},
                                             {"OfferAddrTimeout", 180},
                                             {"LeaseAddrTimeout", 900}};
    EXPECT_EQ(ints, source.intDefaults);
    const std::map<std::string, std::string> strings = {
        {"LocalAddress", ""},          {"AssignedIp", "192.168.0.0"}, {"SubNetMask", "255.255.255.0"},
        {"NumDomainNameServers", "0"}, {"DomainNameServers", ""},     {"LogFile", ""}};
    EXPECT_EQ(strings, source.stringDefaults);
    const std::map<std::string, size_t> buffers = {{"LocalAddress", 80},      {"AssignedIp", 80},
                                                   {"SubNetMask", 16},        {"NumDomainNameServers", 80},
                                                   {"DomainNameServers", 16}, {"LogFile", 260}};
    EXPECT_EQ(buffers, source.buffers);
}

TEST(DhcpSettings, MissingSectionGivesTheDefaults)
{
    MapSource source;
    const DhcpSettings s = ClampDhcpSettings(ReadDhcpRawSettings(source));
    EXPECT_EQ(67, s.serverPort);
    EXPECT_EQ(0u, s.localAddress);
    EXPECT_EQ(0u, s.serverAddress);
    EXPECT_EQ(Ip(192, 168, 0, 0), s.network);
    EXPECT_EQ(1u, s.lowAddress);
    EXPECT_EQ(254u, s.highAddress);  // HighAddress missing: pool 1..253
    EXPECT_EQ(180, s.offerAddrTimeout);
    EXPECT_EQ(900u, s.leaseAddrTimeout);
    EXPECT_EQ(Ip(255, 255, 255, 0), s.subNetMask);
    EXPECT_EQ(0u, s.numDomainNameServers);
    EXPECT_EQ("", s.logFile);
}

TEST(DhcpSettings, PoolBoundsAreClamped)
{
    struct Case {
        int low, high;
        uint32_t wantLow, wantHigh;
    };
    const Case cases[] = {
        {0, 255, 1, 254},  {251, 255, 1, 254},  {250, 255, 250, 254}, {1, 255, 1, 254},
        {1, 1000, 1, 254}, {100, 50, 100, 254}, {100, 100, 100, 254}, {100, 101, 100, 101},
        {10, 20, 10, 20},  {-1, 20, 1, 20},     {5, -3, 5, 254},      {2, 254, 2, 254},
    };
    for (const Case& c : cases) {
        DhcpRawSettings raw;
        raw.lowAddress = c.low;
        raw.highAddress = c.high;
        const DhcpSettings s = ClampDhcpSettings(raw);
        EXPECT_EQ(c.wantLow, s.lowAddress) << c.low << ".." << c.high;
        EXPECT_EQ(c.wantHigh, s.highAddress) << c.low << ".." << c.high;
    }
}

TEST(DhcpSettings, AddressesMaskPortAndTimeouts)
{
    struct Case {
        const char* name;
        void (*edit)(DhcpRawSettings*);
        void (*check)(const DhcpSettings&);
    };
    const Case cases[] = {
        {"assigned ip keeps three octets", [](DhcpRawSettings* r) { r->assignedIp = "10.1.2.77"; },
         [](const DhcpSettings& s) { EXPECT_EQ(Ip(10, 1, 2, 0), s.network); }},
        {"assigned ip 0 is 192.168.0.0", [](DhcpRawSettings* r) { r->assignedIp = "0.0.0.0"; },
         [](const DhcpSettings& s) { EXPECT_EQ(Ip(192, 168, 0, 0), s.network); }},
        {"assigned ip garbage is 192.168.0.0", [](DhcpRawSettings* r) { r->assignedIp = "net"; },
         [](const DhcpSettings& s) { EXPECT_EQ(Ip(192, 168, 0, 0), s.network); }},
        {"local address", [](DhcpRawSettings* r) { r->localAddress = "192.168.5.1"; },
         [](const DhcpSettings& s) {
             EXPECT_EQ(Ip(192, 168, 5, 1), s.localAddress);
             EXPECT_EQ(Ip(192, 168, 5, 1), s.serverAddress);
         }},
        {"mask 0 is 255.255.255.0", [](DhcpRawSettings* r) { r->subNetMask = "0.0.0.0"; },
         [](const DhcpSettings& s) { EXPECT_EQ(Ip(255, 255, 255, 0), s.subNetMask); }},
        {"mask kept", [](DhcpRawSettings* r) { r->subNetMask = "255.255.0.0"; },
         [](const DhcpSettings& s) { EXPECT_EQ(Ip(255, 255, 0, 0), s.subNetMask); }},
        {"port low 16 bits", [](DhcpRawSettings* r) { r->serverPort = 65536 + 67; },
         [](const DhcpSettings& s) { EXPECT_EQ(67, s.serverPort); }},
        {"offer time-out low 16 bits", [](DhcpRawSettings* r) { r->offerAddrTimeout = 65536 + 30; },
         [](const DhcpSettings& s) { EXPECT_EQ(30, s.offerAddrTimeout); }},
        {"lease time as given", [](DhcpRawSettings* r) { r->leaseAddrTimeout = 86400; },
         [](const DhcpSettings& s) { EXPECT_EQ(86400u, s.leaseAddrTimeout); }},
        {"log file", [](DhcpRawSettings* r) { r->logFile = "C:\\dhcp.log"; },
         [](const DhcpSettings& s) { EXPECT_EQ("C:\\dhcp.log", s.logFile); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DhcpRawSettings raw;
        c.edit(&raw);
        c.check(ClampDhcpSettings(raw));
    }
}

TEST(DhcpSettings, DnsServerEntriesAreCappedAtFive)
{
    struct Case {
        const char* count;
        size_t want;
    };
    const Case cases[] = {{"0", 0}, {"1", 1}, {"5", 5}, {"9", 5}, {"-2", 0}, {"abc", 0}, {"3x", 3}};
    for (const Case& c : cases) {
        DhcpRawSettings raw;
        raw.numDomainNameServers = c.count;
        raw.domainNameServers = "10.0.0.53";
        const DhcpSettings s = ClampDhcpSettings(raw);
        EXPECT_EQ(c.want, s.numDomainNameServers) << c.count;
        for (size_t i = 0; i < s.numDomainNameServers; ++i) {
            EXPECT_EQ(Ip(10, 0, 0, 53), s.domainNameServers[i]);
        }
    }
}

TEST(DhcpSettings, PoolMovesBehindServerOnHostOneOutsideSingleNicMode)
{
    struct Case {
        int mode;
        uint32_t server;
        uint32_t low, high;
        bool moved;
        uint32_t wantLow, wantHigh;
    };
    const Case cases[] = {
        {0, Ip(192, 168, 0, 1), 1, 254, true, 2, 254},
        {2, Ip(192, 168, 0, 1), 1, 254, true, 2, 254},
        {1, Ip(192, 168, 0, 1), 1, 254, false, 1, 254},
        {0, Ip(192, 168, 0, 7), 1, 254, false, 1, 254},
        {0, Ip(192, 168, 0, 1), 3, 254, false, 3, 254},
        // An end no longer above the moved start takes the file's rule, as the next start would read it.
        {0, Ip(192, 168, 0, 1), 1, 2, true, 2, 254},
    };
    for (const Case& c : cases) {
        DhcpSettings s;
        s.serverAddress = c.server;
        s.lowAddress = c.low;
        s.highAddress = c.high;
        EXPECT_EQ(c.moved, MoveLowAddressBehindServer(&s, c.mode)) << "mode " << c.mode;
        EXPECT_EQ(c.wantLow, s.lowAddress);
        EXPECT_EQ(c.wantHigh, s.highAddress);
    }
}

TEST(DhcpAddressText, ParsesDottedQuadsOnly)
{
    struct Case {
        const char* text;
        bool ok;
        uint32_t want;
    };
    const Case cases[] = {
        {"192.168.0.1", true, Ip(192, 168, 0, 1)},
        {"0.0.0.0", true, 0},
        {"255.255.255.255", true, 0xFFFFFFFFu},
        {"1.2.3", false, 0},
        {"1.2.3.4.5", false, 0},
        {"256.1.1.1", false, 0},
        {"", false, 0},
        {"1..2.3", false, 0},
        {"1.2.3.4 ", false, 0},
        {"0001.2.3.4", false, 0},
        {"a.b.c.d", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t got = 0x12345678u;
        EXPECT_EQ(c.ok, ParseDottedAddress(c.text, &got)) << c.text;
        EXPECT_EQ(c.ok ? c.want : 0x12345678u, got) << c.text;
    }
    EXPECT_FALSE(ParseDottedAddress(nullptr, nullptr));
}

TEST(DhcpAddressText, FormatsAddressesAndBytes)
{
    char dotted[kDottedAddressBuffer];
    FormatDottedAddress(Ip(10, 0, 200, 255), dotted);
    EXPECT_STREQ("10.0.200.255", dotted);

    const uint8_t bytes[] = {0x01, 0xAB, 0x0F};
    char hex[kHexBytesBuffer];
    FormatHexBytes(bytes, sizeof(bytes), true, hex);
    EXPECT_STREQ("01 AB 0F ", hex);
    FormatHexBytes(bytes, sizeof(bytes), false, hex);
    EXPECT_STREQ("01 AB 0F", hex);
    FormatHexBytes(bytes, 0, false, hex);
    EXPECT_STREQ("", hex);

    const uint8_t name[] = {'p', 'c', '1', 0, 'x'};
    FormatHostName(name, sizeof(name), hex);
    EXPECT_STREQ("pc1 ", hex);

    std::vector<uint8_t> many(300, 0xEE);
    FormatHexBytes(many.data(), many.size(), true, hex);
    EXPECT_EQ(255u * 3, std::strlen(hex));
}

}  // namespace
