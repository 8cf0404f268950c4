#include "CLoadMessage.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <vector>

namespace {

const uint8_t kMac[kEthernetAddressSize] = {0x02, 0x1d, 0x00, 0x00, 0x00, 0x07};
constexpr uint32_t kXid = 0x12345678;
constexpr uint32_t kOffered = 0xC0A80032;  // 192.168.0.50
constexpr uint32_t kServer = 0xC0A80001;   // 192.168.0.1

using Options = std::map<uint8_t, std::vector<uint8_t>>;

// The options of a request, walked by RFC 2132 rules independently of the code under test; `order` gets
// the codes in the order they stand. False when the walk does not end in END within the message.
bool WalkOptions(const CLoadMessage& message, Options* options, std::vector<uint8_t>* order)
{
    const uint8_t* bytes = message.Bytes();
    size_t at = kLoadOptionsOffset;
    while (at < message.Length()) {
        const uint8_t code = bytes[at];
        if (code == kOptEnd) {
            return true;
        }
        if (code == kOptPad) {
            ++at;
            continue;
        }
        if (at + 2 > message.Length() || at + 2 + bytes[at + 1] > message.Length()) {
            return false;
        }
        (*options)[code] = std::vector<uint8_t>(bytes + at + 2, bytes + at + 2 + bytes[at + 1]);
        order->push_back(code);
        at += 2 + bytes[at + 1];
    }
    return false;
}

std::vector<uint8_t> Be32(uint32_t value)
{
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value)};
}

struct Case {
    const char* name;
    std::function<void(CLoadMessage&)> build;
    uint8_t type;
    uint16_t flags;
    uint32_t ciaddr;
    bool requested;      // option 50 = kOffered
    bool serverId;       // option 54 = kServer
    bool parameterList;  // option 55
};

const Case kCases[] = {
    {"discover", [](CLoadMessage& m) { m.Discover(kMac, kXid); }, kLoadDiscover, kLoadBroadcastFlag, 0, false, false,
     true},
    {"select", [](CLoadMessage& m) { m.Select(kMac, kXid, kOffered, kServer); }, kLoadRequest, kLoadBroadcastFlag, 0,
     true, true, true},
    {"renew", [](CLoadMessage& m) { m.Renew(kMac, kXid, kOffered); }, kLoadRequest, 0, kOffered, false, false, true},
    {"release", [](CLoadMessage& m) { m.Release(kMac, kXid, kOffered, kServer); }, kLoadRelease, 0, kOffered, false,
     true, false},
};

class LoadMessageTest : public testing::TestWithParam<Case> {};

TEST_P(LoadMessageTest, HeaderAndOptionsAreThoseOfTheClientState)
{
    const Case& c = GetParam();
    CLoadMessage message;
    c.build(message);
    const uint8_t* bytes = message.Bytes();
    ASSERT_EQ(message.Length(), kLoadMinimumMessageSize) << "short requests are padded to the BOOTP minimum";
    EXPECT_EQ(bytes[kLoadOpOffset], kBootRequest);
    EXPECT_EQ(bytes[kLoadHtypeOffset], kHardwareEthernet);
    EXPECT_EQ(bytes[kLoadHlenOffset], kEthernetAddressSize);
    EXPECT_EQ(bytes[kLoadHopsOffset], 0);
    EXPECT_EQ(LoadBe32(bytes + kLoadXidOffset), kXid);
    EXPECT_EQ(LoadBe16(bytes + kLoadSecsOffset), 0);
    EXPECT_EQ(LoadBe16(bytes + kLoadFlagsOffset), c.flags);
    EXPECT_EQ(LoadBe32(bytes + kLoadCiaddrOffset), c.ciaddr);
    EXPECT_EQ(LoadBe32(bytes + kLoadYiaddrOffset), 0u);
    EXPECT_EQ(LoadBe32(bytes + kLoadSiaddrOffset), 0u);
    EXPECT_EQ(LoadBe32(bytes + kLoadGiaddrOffset), 0u) << "the clients are on the link, never relayed";
    EXPECT_EQ(std::vector<uint8_t>(bytes + kLoadChaddrOffset, bytes + kLoadChaddrOffset + kLoadChaddrSize),
              std::vector<uint8_t>({0x02, 0x1d, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(bytes + kLoadCookieOffset, bytes + kLoadCookieOffset + kLoadCookieSize),
              std::vector<uint8_t>({99, 130, 83, 99}));
    // Servers that read the type at a fixed place need it as the first option.
    EXPECT_EQ(bytes[kLoadOptionsOffset], kOptMessageType);
    EXPECT_EQ(bytes[kLoadOptionsOffset + 1], 1);
    EXPECT_EQ(bytes[kLoadOptionsOffset + 2], c.type);

    Options options;
    std::vector<uint8_t> order;
    ASSERT_TRUE(WalkOptions(message, &options, &order));
    EXPECT_EQ(options[kOptClientId], std::vector<uint8_t>({1, 0x02, 0x1d, 0, 0, 0, 7}));
    EXPECT_EQ(options.count(kOptRequestedAddress), c.requested ? 1u : 0u);
    if (c.requested) {
        EXPECT_EQ(options[kOptRequestedAddress], Be32(kOffered));
    }
    EXPECT_EQ(options.count(kOptServerId), c.serverId ? 1u : 0u);
    if (c.serverId) {
        EXPECT_EQ(options[kOptServerId], Be32(kServer));
    }
    EXPECT_EQ(options.count(kOptParameterList), c.parameterList ? 1u : 0u);
    if (c.parameterList) {
        EXPECT_EQ(options[kOptParameterList], std::vector<uint8_t>({1, 3, 6, 15, 51}));
    }
    EXPECT_EQ(order.front(), kOptMessageType);
    EXPECT_EQ(std::set<uint8_t>(order.begin(), order.end()).size(), order.size()) << "no option twice";
}

INSTANTIATE_TEST_SUITE_P(States, LoadMessageTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(LoadMessage, EverythingBehindEndIsZero)
{
    CLoadMessage message;
    message.Select(kMac, kXid, kOffered, kServer);
    const uint8_t* bytes = message.Bytes();
    size_t end = kLoadOptionsOffset;
    while (bytes[end] != kOptEnd) {
        end += 2 + bytes[end + 1];
    }
    for (size_t i = end + 1; i < message.Length(); ++i) {
        ASSERT_EQ(bytes[i], 0) << "at " << i;
    }
}

TEST(LoadMessage, ARebuildLeavesNothingOfTheLastRequest)
{
    CLoadMessage message;
    message.Select(kMac, kXid, kOffered, kServer);
    message.Discover(kMac, kXid + 1);
    Options options;
    std::vector<uint8_t> order;
    ASSERT_TRUE(WalkOptions(message, &options, &order));
    EXPECT_EQ(options.count(kOptRequestedAddress), 0u);
    EXPECT_EQ(options.count(kOptServerId), 0u);
    EXPECT_EQ(LoadBe32(message.Bytes() + kLoadXidOffset), kXid + 1);
}

}  // namespace
