#include "AccessProviderTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {
constexpr uint32_t kSomeFunction = 0x10001234u;

const size_t kFunctionSlots[] = {kProviderInitialiseOffset, kProviderStartOffset,     kProviderStopOffset,
                                 kProviderRetainOffset,     kProviderAuthoriseOffset, kProviderLeaseOffset,
                                 kProviderReleaseOffset};

struct RetainCase {
    const char* what;
    int registerResult;
    uint16_t sizeField;
    std::vector<size_t> filled;
    bool qualifies;
};

const RetainCase kRetainCases[] = {
    {"every slot", 1, 136, {108, 112, 116, 124, 128, 132}, true},
    {"only initialise and authorise", 1, 136, {108, 124}, true},
    {"only initialise and the retain slot", 1, 136, {108, 120}, true},
    {"any non-zero result", -7, 136, {108, 124}, true},
    {"registration returned 0", 0, 136, {108, 112, 116, 124, 128, 132}, false},
    {"the size field was changed", 1, 140, {108, 112, 116, 124, 128, 132}, false},
    {"the size field was cleared", 1, 0, {108, 124}, false},
    {"neither authorise nor the retain slot", 1, 136, {108, 112, 116, 128, 132}, false},
    {"no initialise", 1, 136, {112, 116, 120, 124, 128, 132}, false},
    {"nothing filled", 1, 136, {}, false},
};
}  // namespace

TEST(AccessProviderTable, OffsetsAreThoseEveryPluginFills)
{
    EXPECT_EQ(136u, kProviderTableSize);
    const size_t expected[] = {108, 112, 116, 120, 124, 128, 132};
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i)
        EXPECT_EQ(expected[i], kFunctionSlots[i]);
    EXPECT_EQ(68u, kProviderPageFlagOffset);
    EXPECT_EQ(72u, kProviderPageModuleOffset);
    EXPECT_EQ(76u, kProviderPageCaptionOffset);
    EXPECT_EQ(96u, kProviderDialogProcOffset);
    EXPECT_EQ(100u, kProviderDialogTemplateOffset);
    EXPECT_EQ(104u, kProviderTabBitmapOffset);
    EXPECT_STREQ("RegisterOmbrixAccessProvider", kProviderRegisterExport);
}

TEST(AccessProviderTable, PreparedTableIsZeroWithItsSizeInTheFirstTwoBytes)
{
    CAccessProviderTable table;
    std::memset(table.Bytes(), 0xA5, kProviderTableSize);
    table.Prepare();
    EXPECT_EQ(0x88, table.Bytes()[0]);
    EXPECT_EQ(0x00, table.Bytes()[1]);
    for (size_t i = 2; i < kProviderTableSize; ++i)
        ASSERT_EQ(0, table.Bytes()[i]) << "byte " << i;
    EXPECT_EQ(136, table.SizeField());
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(table.Bytes()) % kProviderSlotSize);
}

TEST(AccessProviderTable, FieldsAreLittleEndianAtTheirOffsets)
{
    uint8_t bytes[kProviderTableSize] = {};
    WriteProviderU32(bytes, kProviderLeaseOffset, 0x11223344u);
    EXPECT_EQ(0x44, bytes[128]);
    EXPECT_EQ(0x33, bytes[129]);
    EXPECT_EQ(0x22, bytes[130]);
    EXPECT_EQ(0x11, bytes[131]);
    EXPECT_EQ(0, bytes[127]);
    EXPECT_EQ(0, bytes[132]);
    EXPECT_EQ(0x11223344u, ReadProviderU32(bytes, kProviderLeaseOffset));

    WriteProviderU16(bytes, kProviderSizeOffset, 0xBEEF);
    EXPECT_EQ(0xEF, bytes[0]);
    EXPECT_EQ(0xBE, bytes[1]);
    EXPECT_EQ(0, bytes[2]);
    EXPECT_EQ(0xBEEF, ReadProviderU16(bytes, kProviderSizeOffset));

    // The last slot ends the table.
    WriteProviderU32(bytes, kProviderReleaseOffset, 0xFFFFFFFFu);
    EXPECT_EQ(0xFFFFFFFFu, ReadProviderU32(bytes, kProviderReleaseOffset));
}

TEST(AccessProviderTable, OnlyTheSizeFieldsLowTwoBytesAreChecked)
{
    CAccessProviderTable table;
    // A plug-in that writes the size back as a 32-bit word leaves bytes 2 and 3 zero: still 136.
    WriteProviderU32(table.Bytes(), kProviderSizeOffset, 136);
    EXPECT_EQ(136, table.SizeField());
    table.Bytes()[2] = 0x01;  // bytes 2 to 67 are the plug-in's own
    EXPECT_EQ(136, table.SizeField());
}

TEST(AccessProviderTable, SlotReadsEachFunctionSlot)
{
    for (size_t offset : kFunctionSlots) {
        CAccessProviderTable table;
        WriteProviderU32(table.Bytes(), offset, kSomeFunction);
        for (size_t other : kFunctionSlots)
            EXPECT_EQ(other == offset ? kSomeFunction : 0u, table.Slot(other)) << offset << " / " << other;
    }
}

TEST(AccessProviderTable, RegistrationQualifiesByResultSizeAndSlots)
{
    for (const RetainCase& c : kRetainCases) {
        SCOPED_TRACE(c.what);
        CAccessProviderTable table;
        for (size_t offset : c.filled)
            WriteProviderU32(table.Bytes(), offset, kSomeFunction);
        WriteProviderU16(table.Bytes(), kProviderSizeOffset, c.sizeField);
        EXPECT_EQ(c.qualifies, ProviderRegistrationQualifies(c.registerResult, table));
    }
}

TEST(AccessProviderTable, SlotsHoldAddressesBelowFourGigabytes)
{
    EXPECT_TRUE(ProviderSlotCanHold(0));
    EXPECT_TRUE(ProviderSlotCanHold(0x10000000u));
    EXPECT_TRUE(ProviderSlotCanHold(0xFFFFFFFFu));
    if (sizeof(uintptr_t) > kProviderSlotSize) {
        EXPECT_FALSE(ProviderSlotCanHold(static_cast<uintptr_t>(0x100000000ull)));
        EXPECT_FALSE(ProviderSlotCanHold(static_cast<uintptr_t>(0x7FF612340000ull)));
    }
}

TEST(AccessProviderTable, GuardSpaceBehindTheTableShowsAnyWritePastItsEnd)
{
    CAccessProviderTable table;
    EXPECT_TRUE(table.GuardIntact());
    // Every field of the table itself is the plug-in's to write.
    std::memset(table.Bytes(), 0xFF, kProviderTableSize);
    EXPECT_TRUE(table.GuardIntact());
    for (size_t i = 0; i < kProviderTableGuardSize; ++i) {
        uint8_t& byte = table.Bytes()[kProviderTableSize + i];
        const uint8_t mark = byte;
        for (uint8_t written : {static_cast<uint8_t>(0), static_cast<uint8_t>(mark + 1)}) {
            if (written == mark)
                continue;
            byte = written;
            ASSERT_FALSE(table.GuardIntact()) << "guard byte " << i << " written as " << int(written);
            byte = mark;
        }
    }
    EXPECT_TRUE(table.GuardIntact());
    std::memset(table.Bytes() + kProviderTableSize, 0, kProviderTableGuardSize);
    EXPECT_FALSE(table.GuardIntact());
    table.Prepare();
    EXPECT_TRUE(table.GuardIntact()) << "a new registration starts with a fresh guard";
}

TEST(AccessProviderTable, GuardMarksAreNoRunOfOneValue)
{
    for (size_t i = 1; i < kProviderTableGuardSize; ++i)
        ASSERT_NE(CAccessProviderTable::GuardMark(i - 1), CAccessProviderTable::GuardMark(i)) << i;
    EXPECT_NE(0, CAccessProviderTable::GuardMark(0));
}

TEST(AccessProviderTable, RegistrationThatWrotePastTheTableNeverQualifies)
{
    for (size_t past : {size_t{0}, size_t{1}, size_t{64}, kProviderTableGuardSize - 1}) {
        CAccessProviderTable table;
        for (size_t offset : kFunctionSlots)
            WriteProviderU32(table.Bytes(), offset, kSomeFunction);
        ASSERT_TRUE(ProviderRegistrationQualifies(1, table));
        table.Bytes()[kProviderTableSize + past] ^= 0x01;
        EXPECT_FALSE(ProviderRegistrationQualifies(1, table)) << past;
    }
}
