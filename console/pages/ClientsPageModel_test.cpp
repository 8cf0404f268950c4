#include "ClientsPageModel.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {
IpcClientEntry Client(const char* name, uint32_t inAddr, uint8_t last, uint32_t access)
{
    IpcClientEntry c;
    c.idHostname = name;
    c.inAddr = inAddr;
    const uint8_t hw[6] = {0x00, 0x0A, 0x0B, 0x0C, 0x0D, last};
    std::memcpy(c.hdwrAddr, hw, 6);
    c.internetAccess = access;
    return c;
}

/// The list data as the service sends it, copied into the page's buffer as the IPC client copies it.
void Fill(uint8_t (&buffer)[kClientsReplyBufferSize], const std::vector<IpcClientEntry>& clients)
{
    CClientsPageModel::PrepareBuffer(buffer);
    const std::vector<uint8_t> data = IpcEncodeClientList(0, clients);
    std::memcpy(buffer, data.data(), std::min(data.size(), sizeof buffer));
}
}  // namespace

TEST(ClientsPageTest, RowsSortedByNameWithTheirTexts)
{
    uint8_t buffer[kClientsReplyBufferSize];
    Fill(buffer, {Client("beta", 0x0500A8C0u, 0x0E, 1), Client("alpha", 0x0600A8C0u, 0xF1, 0),
                  Client("Gamma", 0x0700A8C0u, 0x01, 7)});
    CClientsPageModel page;
    EXPECT_EQ(nullptr, page.Load(true, buffer));
    ASSERT_EQ(3u, page.Rows().size());
    EXPECT_EQ("alpha", page.Rows()[0].name);
    EXPECT_EQ("192.168.0.6", page.Rows()[0].address);
    EXPECT_EQ("00 0A 0B 0C 0D F1", page.Rows()[0].hardware);
    EXPECT_EQ(kClientsImageNoAccess, page.Rows()[0].image);
    EXPECT_EQ("beta", page.Rows()[1].name);
    EXPECT_EQ("00 0A 0B 0C 0D 0E", page.Rows()[1].hardware);
    EXPECT_EQ(kClientsImageAccess, page.Rows()[1].image);
    EXPECT_EQ("Gamma", page.Rows()[2].name);
    EXPECT_EQ(kClientsImageAccess, page.Rows()[2].image);
}

TEST(ClientsPageTest, FailedLoadKeepsTheRowsAndAnEmptyListEmptiesThem)
{
    uint8_t buffer[kClientsReplyBufferSize];
    Fill(buffer, {Client("one", 1, 1, 1)});
    CClientsPageModel page;
    EXPECT_STREQ("Unable to aquire current client list from Ombrix Service", page.Load(false, buffer));
    EXPECT_TRUE(page.Rows().empty());
    page.Load(true, buffer);
    Fill(buffer, {});
    EXPECT_STREQ(kClientsLoadFailureText, page.Load(false, buffer));
    ASSERT_EQ(1u, page.Rows().size());
    EXPECT_EQ(nullptr, page.Load(true, buffer));
    EXPECT_TRUE(page.Rows().empty());
}

TEST(ClientsPageTest, OnlyRecordsWhollyInsideTheBufferAreShown)
{
    for (size_t count : {33u, 34u, 35u, 60u}) {
        SCOPED_TRACE(count);
        std::vector<IpcClientEntry> clients;
        for (size_t i = 0; i < count; ++i) {
            clients.push_back(Client(("host" + std::to_string(100 + i)).c_str(), static_cast<uint32_t>(i), 0, 1));
        }
        uint8_t buffer[kClientsReplyBufferSize];
        Fill(buffer, clients);
        CClientsPageModel page;
        page.Load(true, buffer);
        ASSERT_EQ(std::min<size_t>(count, 34), page.Rows().size());
        EXPECT_EQ("host" + std::to_string(100 + page.Rows().size() - 1), page.Rows().back().name);
    }
}

TEST(ClientsPageTest, ShortReplyLeavesNoStaleRecordsBehind)
{
    uint8_t buffer[kClientsReplyBufferSize];
    std::memset(buffer, 0xAB, sizeof buffer);
    CClientsPageModel::PrepareBuffer(buffer);
    // A reply of its first word alone: the count read is the zero the buffer was given.
    const uint8_t word[4] = {1, 0, 0, 0};
    std::memcpy(buffer, word, sizeof word);
    CClientsPageModel page;
    EXPECT_EQ(nullptr, page.Load(true, buffer));
    EXPECT_TRUE(page.Rows().empty());
}

TEST(ClientsPageTest, NameEndsAtItsTerminatorOrAfterAHundredBytes)
{
    uint8_t buffer[kClientsReplyBufferSize];
    Fill(buffer, {Client(std::string(120, 'n').c_str(), 0, 0, 0)});
    CClientsPageModel page;
    page.Load(true, buffer);
    ASSERT_EQ(1u, page.Rows().size());
    EXPECT_EQ(std::string(100, 'n'), page.Rows()[0].name);
    EXPECT_EQ("0.0.0.0", page.Rows()[0].address);
}
