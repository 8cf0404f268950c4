#include "PortForwardPageModel.h"

#include <gtest/gtest.h>

#include "PageFields.h"
#include "PortForwardValue.h"

namespace {
PortForwardDialogInputs Inputs(const char* port, bool tcp, uint8_t last)
{
    PortForwardDialogInputs in;
    in.portText = port;
    in.tcp = tcp;
    in.octets[3] = last;
    return in;
}

/// The section's lines, split at their terminators; false when the closing zero is missing.
bool Lines(const std::string& section, std::vector<std::string>* lines)
{
    lines->clear();
    size_t at = 0;
    while (at < section.size() && section[at] != '\0') {
        const size_t end = section.find('\0', at);
        if (end == std::string::npos) {
            return false;
        }
        lines->push_back(section.substr(at, end - at));
        at = end + 1;
    }
    return at + 1 == section.size();
}

PortForwardRecord Add(CPortForwardPageModel& page, const char* port, bool tcp, uint8_t last)
{
    const PortForwardDialogCheck check = page.CheckDialog(Inputs(port, tcp, last), false);
    EXPECT_TRUE(check.ok) << port;
    EXPECT_EQ(nullptr, page.AddRefusal(check.record));
    EXPECT_EQ(nullptr, page.Added(true, check.record));
    return check.record;
}
}  // namespace

TEST(PortForwardPageTest, NewRecordAndDropDown)
{
    const PortForwardRecord r = CPortForwardPageModel::NewRecord();
    EXPECT_EQ(1, r.protocol);
    EXPECT_EQ(80, r.port);
    EXPECT_EQ("192.168.0.1", CPortForwardPageModel::TextsFor(r).destination);
    EXPECT_EQ(0, CPortForwardPageModel::DropDownIndexFor(80));
    EXPECT_EQ(1, CPortForwardPageModel::DropDownIndexFor(21));
    EXPECT_EQ(2, CPortForwardPageModel::DropDownIndexFor(110));
    EXPECT_EQ(3, CPortForwardPageModel::DropDownIndexFor(25));
    EXPECT_EQ(-1, CPortForwardPageModel::DropDownIndexFor(8080));
}

TEST(PortForwardPageTest, DialogChecksThePortAndDuplicates)
{
    CPortForwardPageModel page;
    Add(page, "80", true, 2);
    const struct {
        const char* port;
        bool tcp;
        bool editing;
        bool ok;
        const char* message;
    } cases[] = {
        {"0", true, false, false, "Port Values must be between 1 and 65535."},
        {"65536", true, false, false, "Port Values must be between 1 and 65535."},
        {"", true, false, false, "Port Values must be between 1 and 65535."},
        {"-80", false, false, false, "Port Values must be between 1 and 65535."},
        {"4294967376", false, false, false, "Port Values must be between 1 and 65535."},
        {"80 - HTTP", true, false, false,
         "The currently defined Protocol and Port combination has already been defined.\n"},
        {"80", false, false, true, nullptr},
        {"80", true, true, true, nullptr},
        {"65535", true, false, true, nullptr},
        {"21 - FTP", true, false, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        const PortForwardDialogCheck check = page.CheckDialog(Inputs(c.port, c.tcp, 5), c.editing);
        EXPECT_EQ(c.ok, check.ok);
        if (c.message) {
            EXPECT_STREQ(c.message, check.message);
        }
        if (!c.ok) {
            const bool portMessage = std::string(c.message) == kPortForwardPortRangeText;
            EXPECT_EQ(portMessage, check.focusPort);
            EXPECT_STREQ(portMessage ? "" : "Ombrix Error", check.caption);
        } else {
            EXPECT_EQ(c.tcp ? 1 : 0, check.record.protocol);
            EXPECT_EQ(ReadLeadingSignedField(c.port), check.record.port);
            EXPECT_EQ("192.168.0.5", CPortForwardPageModel::TextsFor(check.record).destination);
        }
    }
}

TEST(PortForwardPageTest, NewestFirstAndTheSectionInListOrder)
{
    CPortForwardPageModel page;
    Add(page, "80", true, 10);   // A
    Add(page, "53", false, 11);  // B
    Add(page, "8080", true, 7);  // C
    ASSERT_EQ(3u, page.Rows().size());
    const PortForwardRowTexts top = CPortForwardPageModel::TextsFor(page.Rows()[0]);
    EXPECT_EQ("Tcp", top.protocol);
    EXPECT_EQ("8080", top.port);
    EXPECT_EQ("192.168.0.7", top.destination);
    EXPECT_EQ("Udp", CPortForwardPageModel::TextsFor(page.Rows()[1]).protocol);

    std::string section;
    ASSERT_TRUE(page.BuildSection(&section));
    std::vector<std::string> lines;
    ASSERT_TRUE(Lines(section, &lines));
    const std::vector<std::string> expected = {"PortForward0 = 1, 8080, 192, 168, 0, 7",
                                               "PortForward1 = 0, 53, 192, 168, 0, 11",
                                               "PortForward2 = 1, 80, 192, 168, 0, 10"};
    EXPECT_EQ(expected, lines);
    // The service reads each value back to the record the driver was given.
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_EQ(PortForwardKeyName(static_cast<int>(i)) + " = ", lines[i].substr(0, lines[i].find('=') + 2));
        int32_t fields[kPortForwardFieldCount];
        ASSERT_TRUE(ParsePortForwardValue(lines[i].c_str() + lines[i].find('=') + 1, fields));
        EXPECT_EQ(EncodePortForward(page.Rows()[i]), EncodePortForward(PortForwardFromFields(fields)));
    }
}

TEST(PortForwardPageTest, LoadPutsTheDriversEntriesInReverseOrder)
{
    CPortForwardPageModel page;
    const PortForwardBytes request = CPortForwardPageModel::GetRequestFor(3);
    PortForwardRecord asked;
    ASSERT_TRUE(DecodePortForward(request.data(), request.size(), asked));
    EXPECT_EQ(3, asked.index);
    EXPECT_EQ(0, asked.protocol);
    EXPECT_EQ(0u, asked.inAddr);
    EXPECT_EQ(0, asked.port);

    for (uint16_t i = 0; i < 2; ++i) {
        PortForwardRecord answer;
        answer.protocol = i == 0 ? 1 : 0;
        answer.port = static_cast<uint16_t>(100 + i);
        answer.inAddr = 0x0100A8C0u + (static_cast<uint32_t>(i) << 24);
        answer.index = i;
        const PortForwardBytes bytes = EncodePortForward(answer);
        EXPECT_TRUE(page.LoadRecord(bytes.data(), bytes.size()));
    }
    EXPECT_FALSE(page.LoadRecord(request.data(), 11));
    ASSERT_EQ(2u, page.Rows().size());
    EXPECT_EQ(101, page.Rows()[0].port);
    EXPECT_EQ(0, page.Rows()[0].index);
    EXPECT_EQ("192.168.0.2", CPortForwardPageModel::TextsFor(page.Rows()[0]).destination);
    EXPECT_EQ(100, page.Rows()[1].port);
}

TEST(PortForwardPageTest, RowsChangeOnlyWhenTheDriverAccepts)
{
    CPortForwardPageModel page;
    const PortForwardRecord a = Add(page, "80", true, 10);
    PortForwardRecord b = page.CheckDialog(Inputs("21", true, 11), false).record;
    EXPECT_STREQ("Unable to add Port Forward to Driver Configuration", page.Added(false, b));
    EXPECT_EQ(1u, page.Rows().size());

    PortForwardDialogInputs moved = Inputs("80", true, 99);
    const PortForwardDialogCheck edit = page.CheckDialog(moved, true);
    ASSERT_TRUE(edit.ok);
    EXPECT_STREQ(kPortForwardAddFailureText, page.Changed(false, 0, edit.record));
    EXPECT_EQ(EncodePortForward(a), EncodePortForward(page.Rows()[0]));
    EXPECT_EQ(nullptr, page.Changed(true, 0, edit.record));
    EXPECT_EQ("192.168.0.99", CPortForwardPageModel::TextsFor(page.Rows()[0]).destination);

    EXPECT_STREQ("Unable to Delete Port Forward from Driver Configuration", page.Removed(false, 0));
    EXPECT_EQ(1u, page.Rows().size());
    EXPECT_EQ(nullptr, page.Removed(true, 0));
    EXPECT_TRUE(page.Rows().empty());
    std::string section = "old";
    ASSERT_TRUE(page.BuildSection(&section));
    EXPECT_EQ(std::string(1, '\0'), section);  // with the string's own terminator: two zeros, an empty section
    EXPECT_STREQ("Unable to save configuration", CPortForwardPageModel::SaveMessage(false));
    EXPECT_EQ(nullptr, CPortForwardPageModel::SaveMessage(true));
}

TEST(PortForwardPageTest, AddThatWouldNotFitTheSectionIsRefused)
{
    CPortForwardPageModel page;
    // Add until the next line would no longer fit; every accepted list still builds.
    int port = 1;
    for (;; ++port) {
        const PortForwardDialogCheck check = page.CheckDialog(Inputs(std::to_string(port).c_str(), true, 255), false);
        ASSERT_TRUE(check.ok);
        if (page.AddRefusal(check.record) != nullptr) {
            EXPECT_STREQ(kPortForwardNoRoomText, page.AddRefusal(check.record));
            break;
        }
        page.Added(true, check.record);
        ASSERT_LT(port, 1000);
    }
    std::string section;
    ASSERT_TRUE(page.BuildSection(&section));
    EXPECT_LE(section.size(), kPortForwardSectionBuffer);
    EXPECT_GT(section.size() + 48, kPortForwardSectionBuffer);

    // A row forced in beyond the buffer (the driver held more than the file can) is not written at all.
    PortForwardRecord extra = page.Rows()[0];
    extra.port = 60000;
    page.Added(true, extra);
    section = "kept";
    EXPECT_FALSE(page.BuildSection(&section));
    EXPECT_EQ("kept", section);
}

TEST(PortForwardPageTest, ChangeThatWouldOutgrowTheSectionIsRefused)
{
    CPortForwardPageModel page;
    PortForwardDialogInputs small = Inputs("1", true, 1);
    small.octets[0] = 1;
    small.octets[1] = 1;
    small.octets[2] = 1;
    for (int port = 1;; ++port) {
        small.portText = std::to_string(port);
        const PortForwardDialogCheck check = page.CheckDialog(small, false);
        if (page.AddRefusal(check.record) != nullptr) {
            break;
        }
        page.Added(true, check.record);
        ASSERT_LT(port, 1000);
    }
    // Widen the destinations row by row: each change that fits is made, until one would not.
    bool refused = false;
    for (size_t row = 0; row < page.Rows().size() && !refused; ++row) {
        PortForwardDialogInputs wide = Inputs(std::to_string(page.Rows()[row].port).c_str(), true, 255);
        const PortForwardDialogCheck check = page.CheckDialog(wide, true);
        ASSERT_TRUE(check.ok);
        const char* refusal = page.ChangeRefusal(row, check.record);
        CPortForwardPageModel after = page;
        after.Changed(true, row, check.record);
        std::string section;
        EXPECT_EQ(refusal == nullptr, after.BuildSection(&section));
        if (refusal != nullptr) {
            EXPECT_STREQ(kPortForwardNoRoomText, refusal);
            refused = true;
        } else {
            page = after;
        }
        EXPECT_EQ(nullptr, page.ChangeRefusal(row, page.Rows()[row]));
    }
    EXPECT_TRUE(refused);
}
