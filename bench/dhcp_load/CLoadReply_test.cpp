#include "CLoadReply.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const uint8_t kMac[kEthernetAddressSize] = {0x02, 0x1d, 0xab, 0x00, 0x00, 0x01};

// A reply as a server lays it out: the fixed header, the cookie, then `options` as given (END included
// only when the case puts it there).
std::vector<uint8_t> Reply(const std::vector<uint8_t>& options, uint8_t op = kBootReply)
{
    std::vector<uint8_t> bytes(kLoadOptionsOffset, 0);
    bytes[kLoadOpOffset] = op;
    bytes[kLoadHtypeOffset] = kHardwareEthernet;
    bytes[kLoadHlenOffset] = kEthernetAddressSize;
    StoreBe32(&bytes[kLoadXidOffset], 0xCAFEF00D);
    StoreBe16(&bytes[kLoadFlagsOffset], kLoadBroadcastFlag);
    StoreBe32(&bytes[kLoadYiaddrOffset], 0xC0A80063);  // 192.168.0.99
    StoreBe32(&bytes[kLoadSiaddrOffset], 0xC0A80001);
    std::copy(kMac, kMac + kEthernetAddressSize, bytes.begin() + kLoadChaddrOffset);
    std::copy(kLoadMagicCookie, kLoadMagicCookie + kLoadCookieSize, bytes.begin() + kLoadCookieOffset);
    bytes.insert(bytes.end(), options.begin(), options.end());
    return bytes;
}

const std::vector<uint8_t> kFullOffer = {53, 1, 2,                                   // OFFER
                                         1,  4, 255, 255, 255, 0,                    // mask
                                         3,  8, 192, 168, 0,   1,   192, 168, 0, 2,  // two routers: the first counts
                                         6,  4, 192, 168, 0,   1,                    // DNS
                                         15, 7, 'O', 'm', 'b', 'r', 'i', 'x', 0, 51, 4, 0, 0, 3, 132,  // 900 s
                                         58, 4, 0,   0,   2,   88,                                     // 600 s
                                         54, 4, 192, 168, 0,   1,   255};

TEST(LoadReply, AFullOfferGivesEveryField)
{
    const std::vector<uint8_t> bytes = Reply(kFullOffer);
    CLoadReply reply;
    ASSERT_EQ(reply.Parse(bytes.data(), bytes.size()), LoadReplyStatus::Ok);
    EXPECT_EQ(reply.type, kLoadOffer);
    EXPECT_EQ(reply.xid, 0xCAFEF00Du);
    EXPECT_EQ(reply.flags, kLoadBroadcastFlag);
    EXPECT_EQ(reply.yiaddr, 0xC0A80063u);
    EXPECT_EQ(reply.siaddr, 0xC0A80001u);
    EXPECT_TRUE(reply.hasSubnetMask);
    EXPECT_EQ(reply.subnetMask, 0xFFFFFF00u);
    EXPECT_TRUE(reply.hasRouter);
    EXPECT_EQ(reply.router, 0xC0A80001u);
    EXPECT_TRUE(reply.hasDnsServer);
    EXPECT_EQ(reply.dnsServer, 0xC0A80001u);
    EXPECT_TRUE(reply.hasLeaseTime);
    EXPECT_EQ(reply.leaseTime, 900u);
    EXPECT_TRUE(reply.hasRenewalTime);
    EXPECT_EQ(reply.renewalTime, 600u);
    EXPECT_TRUE(reply.hasServerId);
    EXPECT_EQ(reply.serverId, 0xC0A80001u);
    EXPECT_TRUE(reply.IsFor(kMac));
}

struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    LoadReplyStatus status;
    uint8_t type;      // when Ok
    bool hasServerId;  // when Ok
    uint32_t serverId;
    bool hasLeaseTime;
    uint32_t leaseTime;
};

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t length)
{
    bytes.resize(length);
    return bytes;
}

std::vector<uint8_t> WithCookie(std::vector<uint8_t> bytes, uint8_t first)
{
    bytes[kLoadCookieOffset] = first;
    return bytes;
}

const Case kCases[] = {
    {"nak_with_server_id_only", Reply({53, 1, 6, 54, 4, 10, 0, 0, 1, 255}), LoadReplyStatus::Ok, kLoadNak, true,
     0x0A000001, false, 0},
    {"ack_without_end_stops_at_the_length", Reply({53, 1, 5, 51, 4, 0, 0, 0, 60}), LoadReplyStatus::Ok, kLoadAck, false,
     0, true, 60},
    {"pads_between_options", Reply({0, 0, 53, 1, 2, 0, 54, 4, 1, 2, 3, 4, 0, 255}), LoadReplyStatus::Ok, kLoadOffer,
     true, 0x01020304, false, 0},
    {"garbage_behind_end_is_not_read", Reply({53, 1, 2, 255, 54, 200}), LoadReplyStatus::Ok, kLoadOffer, false, 0,
     false, 0},
    {"first_server_id_counts", Reply({53, 1, 5, 54, 4, 1, 1, 1, 1, 54, 4, 2, 2, 2, 2, 255}), LoadReplyStatus::Ok,
     kLoadAck, true, 0x01010101, false, 0},
    {"wrong_size_lease_time_is_ignored", Reply({53, 1, 5, 51, 2, 1, 1, 255}), LoadReplyStatus::Ok, kLoadAck, false, 0,
     false, 0},
    {"type_not_first_is_still_found", Reply({54, 4, 1, 2, 3, 4, 53, 1, 2, 255}), LoadReplyStatus::Ok, kLoadOffer, true,
     0x01020304, false, 0},
    {"header_only", Reply({}), LoadReplyStatus::TooShort, 0, false, 0, false, 0},
    {"cut_inside_the_header", Cut(Reply(kFullOffer), 100), LoadReplyStatus::TooShort, 0, false, 0, false, 0},
    {"empty", {}, LoadReplyStatus::TooShort, 0, false, 0, false, 0},
    {"a_request_is_no_reply", Reply(kFullOffer, kBootRequest), LoadReplyStatus::NotReply, 0, false, 0, false, 0},
    {"bad_cookie", WithCookie(Reply(kFullOffer), 98), LoadReplyStatus::BadCookie, 0, false, 0, false, 0},
    {"no_message_type", Reply({54, 4, 1, 2, 3, 4, 255}), LoadReplyStatus::NoMessageType, 0, false, 0, false, 0},
    {"message_type_of_wrong_size", Reply({53, 2, 2, 0, 255}), LoadReplyStatus::NoMessageType, 0, false, 0, false, 0},
    {"option_value_runs_past_the_end", Reply({53, 1, 2, 54, 4, 1, 2}), LoadReplyStatus::BadOption, 0, false, 0, false,
     0},
    {"option_length_byte_missing", Reply({53, 1, 2, 54}), LoadReplyStatus::BadOption, 0, false, 0, false, 0},
};

class LoadReplyTest : public testing::TestWithParam<Case> {};

TEST_P(LoadReplyTest, StatusAndFields)
{
    const Case& c = GetParam();
    CLoadReply reply;
    const LoadReplyStatus status = reply.Parse(c.bytes.data(), c.bytes.size());
    ASSERT_EQ(status, c.status) << "got " << LoadReplyStatusName(status) << ", wanted "
                                << LoadReplyStatusName(c.status);
    if (status != LoadReplyStatus::Ok) {
        return;
    }
    EXPECT_EQ(reply.type, c.type);
    EXPECT_EQ(reply.hasServerId, c.hasServerId);
    EXPECT_EQ(reply.serverId, c.serverId);
    EXPECT_EQ(reply.hasLeaseTime, c.hasLeaseTime);
    EXPECT_EQ(reply.leaseTime, c.leaseTime);
}

INSTANTIATE_TEST_SUITE_P(Datagrams, LoadReplyTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(LoadReply, AParseForgetsTheLastReply)
{
    const std::vector<uint8_t> full = Reply(kFullOffer);
    const std::vector<uint8_t> bare = Reply({53, 1, 6, 255});
    CLoadReply reply;
    ASSERT_EQ(reply.Parse(full.data(), full.size()), LoadReplyStatus::Ok);
    ASSERT_EQ(reply.Parse(bare.data(), bare.size()), LoadReplyStatus::Ok);
    EXPECT_EQ(reply.type, kLoadNak);
    EXPECT_FALSE(reply.hasServerId);
    EXPECT_FALSE(reply.hasLeaseTime);
    EXPECT_FALSE(reply.hasRouter);
}

TEST(LoadReply, IsForWantsTheEthernetAddressAndItsTypeAndLength)
{
    std::vector<uint8_t> bytes = Reply(kFullOffer);
    CLoadReply reply;
    ASSERT_EQ(reply.Parse(bytes.data(), bytes.size()), LoadReplyStatus::Ok);
    uint8_t other[kEthernetAddressSize] = {0x02, 0x1d, 0xab, 0x00, 0x00, 0x02};
    EXPECT_FALSE(reply.IsFor(other));
    bytes[kLoadHlenOffset] = 16;
    ASSERT_EQ(reply.Parse(bytes.data(), bytes.size()), LoadReplyStatus::Ok);
    EXPECT_FALSE(reply.IsFor(kMac));
}

// The replies that real servers sent in the lab (the fuzz seeds, captured with dhcp_load --capture):
// each named SERVER-NNNN-TYPE.bin parses, with the type of its name and the lab's server and pool.
TEST(LoadReply, CapturedRepliesOfRealServers)
{
    DIR* dir = opendir(DHCP_LOAD_REPLY_SEEDS);
    ASSERT_NE(dir, nullptr) << DHCP_LOAD_REPLY_SEEDS;
    int seen = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".bin") != 0 || name.rfind("bad-", 0) == 0) {
            continue;
        }
        std::ifstream file(std::string(DHCP_LOAD_REPLY_SEEDS) + "/" + name, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        CLoadReply reply;
        ASSERT_EQ(reply.Parse(bytes.data(), bytes.size()), LoadReplyStatus::Ok) << name;
        const uint8_t wanted = name.find("-offer") != std::string::npos ? kLoadOffer
                               : name.find("-ack") != std::string::npos ? kLoadAck
                                                                        : kLoadNak;
        EXPECT_EQ(reply.type, wanted) << name;
        EXPECT_TRUE(reply.hasServerId) << name;
        EXPECT_EQ(reply.serverId, 0xC0A80001u) << name;
        if (wanted != kLoadNak) {
            EXPECT_EQ(reply.yiaddr >> 8, 0xC0A800u) << name << ": an address of the lab's LAN";
            EXPECT_TRUE(reply.hasLeaseTime) << name;
        }
        ++seen;
    }
    closedir(dir);
    EXPECT_GE(seen, 3) << "an OFFER, an ACK and a NAK at least";
}

}  // namespace
