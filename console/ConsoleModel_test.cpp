#include "ConsoleModel.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ConsoleModeTest, OnlyMissingAndAboveDualNicAreRefused)
{
    const struct {
        int mode;
        bool accepted;
    } cases[] = {{-1, false}, {3, false}, {99, false}, {0, true}, {1, true}, {2, true}, {-2, true}};
    for (const auto& c : cases)
        EXPECT_EQ(c.accepted, ConsoleModeAccepted(c.mode)) << c.mode;
}

TEST(AttachRetryTest, ASilentStartPingsOnceMoreOnTheTickThatFindsFiftyNine)
{
    CAttachRetry retry;
    retry.Begin(false);
    int pingedAt = 0;
    for (int tick = 1; tick <= 200; ++tick) {
        if (retry.Tick()) {
            EXPECT_EQ(0, pingedAt) << "a second retry";
            pingedAt = tick;
            retry.Finish();
        }
    }
    EXPECT_EQ(59, pingedAt);
    EXPECT_EQ(0u, retry.Counter());
}

TEST(AttachRetryTest, AnAnsweredStartNeverRetries)
{
    CAttachRetry retry;
    retry.Begin(true);
    for (int tick = 0; tick < 100; ++tick)
        EXPECT_FALSE(retry.Tick());
}

TEST(TrayToggleTest, TextFollowsTheStoredStateAndGraysWithoutTheDriver)
{
    const struct {
        bool driver;
        int enabled;
        const char* text;
        bool grayed;
    } cases[] = {{true, 1, "&Disble Sharing", false},
                 {true, 7, "&Disble Sharing", false},
                 {true, 0, "&Enable Sharing", false},
                 {false, 1, nullptr, true},
                 {false, 0, nullptr, true}};
    for (const auto& c : cases) {
        TrayToggleItem item = TrayToggleFor(c.driver, c.enabled);
        EXPECT_EQ(c.grayed, item.grayed);
        if (c.text == nullptr)
            EXPECT_EQ(nullptr, item.text);
        else
            EXPECT_STREQ(c.text, item.text);
    }
    EXPECT_EQ(1, ToggledSharing(0));
    EXPECT_EQ(0, ToggledSharing(1));
    EXPECT_EQ(0, ToggledSharing(5));
    EXPECT_EQ(1, ToggledSharing(ToggledSharing(1)) ? 1 : 0);
}

namespace {
void Put32(uint8_t* at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

TEST(ProviderRecordTest, PreparedRecordIsZeroWithItsSize)
{
    uint8_t record[kProviderRecordSize];
    std::memset(record, 0xAB, sizeof record);
    PrepareProviderRecord(record);
    EXPECT_EQ(136, record[0] | (record[1] << 8));
    for (size_t i = 2; i < sizeof record; ++i)
        ASSERT_EQ(0, record[i]) << i;
}

TEST(ProviderRecordTest, FieldsAreReadAtTheirOffsets)
{
    uint8_t record[kProviderRecordSize];
    PrepareProviderRecord(record);
    Put32(record + 68, 1);
    Put32(record + 72, 0x10000000);
    std::memcpy(record + 76, "Access", 7);
    Put32(record + 96, 0x10001234);
    Put32(record + 100, 300);
    Put32(record + 104, 0x0BAD0001);
    ProviderPage page = ReadProviderRecord(record);
    EXPECT_TRUE(page.offersPage);
    EXPECT_EQ(0x10000000u, page.module);
    EXPECT_EQ("Access", page.caption);
    EXPECT_EQ(0x10001234u, page.dialogProc);
    EXPECT_EQ(300u, page.templateId);
    EXPECT_EQ(0x0BAD0001u, page.bitmap);
}

TEST(ProviderRecordTest, AnUnterminatedCaptionStopsAtItsField)
{
    uint8_t record[kProviderRecordSize];
    PrepareProviderRecord(record);
    std::memset(record + 76, 'X', 20);
    std::memset(record + 96, 'Y', 4);
    EXPECT_EQ(std::string(19, 'X'), ReadProviderRecord(record).caption);
}

TEST(ProviderRecordTest, KeptOnlyWhenItSaysYesAndOffersAPageItCanShow)
{
    ProviderPage none;
    ProviderPage flagOnly;
    flagOnly.offersPage = true;
    ProviderPage withTemplate = flagOnly;
    withTemplate.templateId = 300;
    ProviderPage withProc = flagOnly;
    withProc.dialogProc = 0x1000;
    ProviderPage withModule = flagOnly;
    withModule.module = 0x1000;
    const struct {
        uint32_t registered;
        const ProviderPage* page;
        bool kept;
    } cases[] = {{1, &withTemplate, true},  {1, &withProc, true},  {1, &withModule, true},
                 {0, &withTemplate, false}, {1, &flagOnly, false}, {1, &none, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.kept, ProviderKept(c.registered, *c.page));
}

TEST(PagePlacementTest, CentredOnTheTabTwoPixelsRight)
{
    EXPECT_EQ(6, PageLeft(375, 367));
    EXPECT_EQ(2, PageLeft(100, 100));
    EXPECT_EQ(kPageTop, 50);
}
