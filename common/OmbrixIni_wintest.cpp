// COmbrixIni under Wine: the real private-profile functions on the real Ombrix.Ini in the Windows directory.
#include "OmbrixIni.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>

#include "WineTestSupport.h"

namespace {

using winetest::FileExists;
using winetest::ReadWholeFile;
using winetest::WriteWholeFile;

size_t CountIgnoringCase(std::string text, std::string what)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (char& c : what)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

std::string Read(const char* section, const char* key, const char* def = "", unsigned len = 256)
{
    char buf[1024];
    unsigned n = COmbrixIni::ReadString(section, key, def, buf, len);
    EXPECT_EQ(n, strlen(buf)) << section << "/" << key;
    return std::string(buf);
}

class OmbrixIniTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = winetest::IniPath();
        ASSERT_TRUE(winetest::RemoveIni());
    }
    void TearDown() override { EXPECT_TRUE(winetest::RemoveIni()) << "test left " << path_; }
    std::string path_;
};

TEST_F(OmbrixIniTest, FileNameIsBare)
{
    EXPECT_STREQ(kIniFileName, "Ombrix.Ini");
}

TEST_F(OmbrixIniTest, MissingFileGivesEveryDefault)
{
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "OmbrixMode", -1), -1);
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "Enabled", 1), 1);
    EXPECT_EQ(COmbrixIni::ReadInt("Dialup", "AutoDial", 0), 0);
    EXPECT_EQ(COmbrixIni::ReadInt("IPC", "ServerPort", 63259), 63259);
    EXPECT_EQ(Read("Dialup", "PhoneBookEntry", "", 127), "");
    EXPECT_EQ(Read("DHCP", "AssignedIp", "192.168.0.0", 80), "192.168.0.0");
    EXPECT_EQ(Read("DHCP", "SubNetMask", "255.255.255.0", 16), "255.255.255.0");
    EXPECT_FALSE(FileExists(path_)) << "reading must not create the file";
}

TEST_F(OmbrixIniTest, MissingKeyInExistingFileGivesDefault)
{
    ASSERT_TRUE(COmbrixIni::WriteInt("Application", "Enabled", 0));
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "OmbrixMode", -1), -1);
    EXPECT_EQ(COmbrixIni::ReadInt("NetAlarm", "DelayTime", 300), 300);
    EXPECT_EQ(Read("AuthProvider", "DllName", "", 260), "");
}

TEST_F(OmbrixIniTest, FileLandsInTheWindowsDirectory)
{
    ASSERT_TRUE(COmbrixIni::WriteInt("Application", "OmbrixMode", 2));
    ASSERT_TRUE(FileExists(path_)) << path_;
    std::string text = ReadWholeFile(path_);
    EXPECT_NE(text.find("[Application]"), std::string::npos) << text;
    EXPECT_NE(text.find("OmbrixMode=2"), std::string::npos) << text;
}

TEST_F(OmbrixIniTest, ReadStringIsCutToBufferLessOne)
{
    std::string description(200, 'd');
    description.replace(0, 10, "0123456789");
    ASSERT_TRUE(COmbrixIni::WriteString("Dialup", "PhoneBookEntry", description.c_str()));
    struct Case {
        unsigned len;
        size_t kept;
    };
    const Case cases[] = {{256, 200}, {201, 200}, {200, 199}, {128, 127}, {25, 24}, {2, 1}, {1, 0}};
    for (const Case& c : cases) {
        char buf[300];
        memset(buf, 'X', sizeof(buf));
        unsigned n = COmbrixIni::ReadString("Dialup", "PhoneBookEntry", "", buf, c.len);
        EXPECT_EQ(n, c.kept) << "len " << c.len;
        EXPECT_EQ(std::string(buf), description.substr(0, c.kept)) << "len " << c.len;
        for (size_t i = c.len; i < sizeof(buf); ++i) {
            ASSERT_EQ(buf[i], 'X') << "len " << c.len << ": byte " << i << " beyond the buffer written";
        }
    }
}

TEST_F(OmbrixIniTest, ReadStringWithoutRoomCopiesNothing)
{
    char buf[4] = {'X', 'X', 'X', 'X'};
    EXPECT_EQ(COmbrixIni::ReadString("Dialup", "Username", "someone", buf, 0), 0u);
    EXPECT_EQ(buf[0], 'X');
    EXPECT_EQ(COmbrixIni::ReadString("Dialup", "Username", "someone", nullptr, 4), 0u);
}

TEST_F(OmbrixIniTest, WriteIntReadIntRoundTrip)
{
    const int values[] = {0, 1, 2, -1, -250, 67, 63259, 900, INT_MAX, INT_MIN};
    for (int value : values) {
        ASSERT_TRUE(COmbrixIni::WriteInt("DHCP", "LeaseAddrTimeout", value));
        EXPECT_EQ(COmbrixIni::ReadInt("DHCP", "LeaseAddrTimeout", 12345), value);
        EXPECT_EQ(Read("DHCP", "LeaseAddrTimeout"), std::to_string(value)) << "stored as decimal text";
    }
}

TEST_F(OmbrixIniTest, ReadIntParsesTheLeadingSignedDecimal)
{
    struct Case {
        const char* stored;
        int expected;
    };
    // "" is what WritePrivateProfileString leaves for an empty value: the key reads as missing.
    const Case cases[] = {{"-1", -1},  {"-7", -7}, {"+5", 5},      {"12abc", 12}, {"abc", 0},
                          {"0x10", 0}, {"", 99},   {"  42  ", 42}, {"3, 4", 3}};
    for (const Case& c : cases) {
        ASSERT_TRUE(COmbrixIni::WriteString("Application", "OmbrixMode", c.stored));
        EXPECT_EQ(COmbrixIni::ReadInt("Application", "OmbrixMode", 99), c.expected) << "stored \"" << c.stored << "\"";
    }
}

TEST_F(OmbrixIniTest, HandWrittenFileIsReadAsTheProgramsWriteIt)
{
    ASSERT_TRUE(
        WriteWholeFile(path_, "[Application]\r\nOmbrixMode = -1\r\nEnabled=1\r\n\r\n[DHCP]\r\nLowAddress=100\r\n"));
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "OmbrixMode", 5), -1);
    EXPECT_EQ(COmbrixIni::ReadInt("DHCP", "LowAddress", 1), 100);
}

TEST_F(OmbrixIniTest, KeysAndSectionsMatchWithoutRegardToCase)
{
    ASSERT_TRUE(COmbrixIni::WriteInt("Application", "UseDHCP", 0));
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "UseDhcp", 1), 0);
    EXPECT_EQ(COmbrixIni::ReadInt("APPLICATION", "usedhcp", 1), 0);

    ASSERT_TRUE(COmbrixIni::WriteString("DialUp", "PhoneBookEntry", "My ISP"));
    EXPECT_EQ(Read("Dialup", "PhoneBookEntry"), "My ISP");

    ASSERT_TRUE(COmbrixIni::WriteString("DHCP", "SubnetMask", "255.255.0.0"));
    EXPECT_EQ(Read("DHCP", "SubNetMask", "255.255.255.0", 16), "255.255.0.0");

    // The other spelling rewrites the same entry instead of adding a second one.
    ASSERT_TRUE(COmbrixIni::WriteInt("application", "UseDhcp", 1));
    ASSERT_TRUE(COmbrixIni::WriteString("Dialup", "phonebookentry", "Other ISP"));
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "UseDHCP", 0), 1);
    EXPECT_EQ(Read("DialUp", "PhoneBookEntry"), "Other ISP");
    std::string text = ReadWholeFile(path_);
    EXPECT_EQ(CountIgnoringCase(text, "usedhcp="), 1u) << text;
    EXPECT_EQ(CountIgnoringCase(text, "[dialup]"), 1u) << text;
    EXPECT_EQ(CountIgnoringCase(text, "phonebookentry="), 1u) << text;
}

TEST_F(OmbrixIniTest, WriteSectionReplacesTheWholeSection)
{
    for (int i = 0; i < 4; ++i) {
        std::string key = "PortForward" + std::to_string(i);
        ASSERT_TRUE(COmbrixIni::WriteString("PortForward", key.c_str(), "1, 80, 192, 168, 0, 9"));
    }
    ASSERT_TRUE(COmbrixIni::WriteInt("Application", "OmbrixMode", 1));
    const char lines[] = "PortForward0 = 0, 53, 192, 168, 0, 2\0PortForward1 = 1, 21, 192, 168, 0, 3\0";
    ASSERT_TRUE(COmbrixIni::WriteSection("PortForward", lines));
    EXPECT_EQ(Read("PortForward", "PortForward0"), "0, 53, 192, 168, 0, 2");
    EXPECT_EQ(Read("PortForward", "PortForward1"), "1, 21, 192, 168, 0, 3");
    EXPECT_EQ(Read("PortForward", "PortForward2", "gone"), "gone");
    EXPECT_EQ(Read("PortForward", "PortForward3", "gone"), "gone");
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "OmbrixMode", -1), 1) << "other sections stay";
    EXPECT_EQ(CountIgnoringCase(ReadWholeFile(path_), "[portforward]"), 1u);
}

TEST_F(OmbrixIniTest, WriteSectionWithNoLinesEmptiesIt)
{
    ASSERT_TRUE(COmbrixIni::WriteString("PortForward", "PortForward0", "1, 80, 192, 168, 0, 9"));
    ASSERT_TRUE(COmbrixIni::WriteSection("PortForward", "\0"));
    EXPECT_EQ(Read("PortForward", "PortForward0", "none"), "none");
}

TEST_F(OmbrixIniTest, ValueWrittenByAnotherProgramIsSeenAtTheNextRead)
{
    ASSERT_TRUE(COmbrixIni::WriteInt("Application", "Enabled", 1));
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "Enabled", 7), 1);
    ASSERT_TRUE(WriteWholeFile(path_, "[Application]\r\nEnabled=0\r\n"));
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "Enabled", 7), 0);
    DeleteFileA(path_.c_str());
    EXPECT_EQ(COmbrixIni::ReadInt("Application", "Enabled", 7), 7) << "a deleted file reads as missing";
}

}  // namespace
