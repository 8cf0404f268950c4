// The exports in a process whose Windows version is none of the four families (Wine's default, 7): every
// family-bound export answers 0 and touches nothing; the password strings work the same everywhere.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "StandInDriver.h"
#include "ombrixaux.h"
#include "testing/RegistryFixture.h"
#include "testing/WineAuxSupport.h"

namespace {

const char kNetClass[] = "System\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
const char kInterfaces[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{OMBRIX-AUX}";
const char kPhonebook[] = "Software\\Microsoft\\Ras Phonebook";

class UnknownFamilyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetOs() != OsUnknown)
            GTEST_SKIP() << "this prefix reports a family of ours";
        ASSERT_TRUE(winsock_.ok());
    }
    void TearDown() override { fixture_.Restore(); }
    CWinsockSession winsock_;
    CRegistryFixture fixture_;
};

TEST_F(UnknownFamilyTest, RefreshFillsNothing)
{
    ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kNetClass, "Class", "Net"));
    ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, std::string(kNetClass) + "\\0000", "DriverDesc", "Card"));
    ASSERT_TRUE(
        fixture_.SetText(HKEY_LOCAL_MACHINE, std::string(kNetClass) + "\\0000", "NetCfgInstanceId", "{OMBRIX-AUX}"));
    ASSERT_TRUE(fixture_.SetDword(HKEY_LOCAL_MACHINE, kInterfaces, "EnableDhcp", 1));
    EXPECT_EQ(Refresh(), 0);
    EXPECT_EQ(GetAdapterCount(), 0);
    EXPECT_EQ(GetDnsServerCount(), 0);
    EXPECT_EQ(RefreshByReg(), 0);
    EXPECT_EQ(GetAdapterCount(), 0);
    EXPECT_EQ(SetDhcp(0), 0);
    EXPECT_EQ(IsDialup(0), 0);
    unsigned long out[2] = {9, 9};
    EXPECT_EQ(GetLocalIpAddress(out, 2), 0);
    EXPECT_EQ(out[0], 0u);
    EXPECT_EQ(out[1], 0u);
    ClearAdapterInfo();
    EXPECT_EQ(GetAdapterCount(), 0);
}

TEST_F(UnknownFamilyTest, DialupIdleIsUnknown)
{
    ASSERT_TRUE(fixture_.SetDword(HKEY_CURRENT_USER, kPhonebook, "IdleHangupSeconds", 600));
    EXPECT_EQ(GetDialupIdle("any"), 0);
    EXPECT_EQ(SetDialupIdle("any", 3), 0);
    EXPECT_EQ(CRegistryFixture::Read(HKEY_CURRENT_USER, kPhonebook, "IdleHangupSeconds").data, DwordBytes(600));
    EXPECT_EQ(GetDialupIdle(nullptr), 0);
}

TEST_F(UnknownFamilyTest, DriverChecksAnswerZeroEvenWithTheDriverRunning)
{
    CStandInDriver driver;
    ASSERT_TRUE(driver.Install(CStandInDriver::FileBesideProgram())) << driver.LastError();
    ASSERT_TRUE(driver.Start()) << driver.LastError();
    EXPECT_TRUE(CStandInDriver::DeviceOpens());
    EXPECT_EQ(IsDriverLoaded(), 0);
    EXPECT_EQ(IsDriverInstalled(), 0);
    EXPECT_TRUE(driver.Stop()) << driver.LastError();
    EXPECT_TRUE(driver.Uninstall()) << driver.LastError();
}

TEST(Exports, EveryFunctionIsFoundByItsPlainName)
{
    const char* names[] = {"GetOs",           "ClearAdapterInfo",  "Refresh",       "RefreshByReg",
                           "GetAdapterCount", "GetAdapterName",    "GetMacAddress", "IsDhcp",
                           "GetIpCount",      "GetIpAddress",      "GetSubnetMask", "GetGateway",
                           "IsDialup",        "GetDnsServerCount", "GetDnsServer",  "GetLocalIpAddress",
                           "IsDriverLoaded",  "IsDriverInstalled", "SetFixedIp",    "SetDhcp",
                           "SetSubnet",       "SetGateway",        "GetDialupIdle", "SetDialupIdle",
                           "MakePWString",    "UndoPWString"};
    HMODULE library = GetModuleHandleA("ombrixaux.dll");
    ASSERT_NE(library, nullptr);
    for (const char* name : names)
        EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
}

std::string Make(const std::string& text)
{
    const size_t groups = (text.size() + 2) / 3;
    std::vector<unsigned char> out(groups * 4 + 2 * (groups * 4 / 76) + 1, 0xEE);
    const int n = MakePWString(reinterpret_cast<const unsigned char*>(text.c_str()), out.data());
    EXPECT_EQ(out[n], 0);
    return std::string(reinterpret_cast<const char*>(out.data()), n);
}

std::string Undo(const std::string& text)
{
    std::vector<unsigned char> out(text.size() / 4 * 3 + 1, 0xEE);
    const int n = UndoPWString(reinterpret_cast<const unsigned char*>(text.c_str()), out.data());
    EXPECT_EQ(out[n], 0);
    return std::string(reinterpret_cast<const char*>(out.data()), n);
}

TEST(PasswordStrings, StandardVectorsThroughTheExports)
{
    const struct {
        const char* plain;
        const char* encoded;
    } vectors[] = {{"", ""},
                   {"f", "Zg=="},
                   {"fo", "Zm8="},
                   {"foo", "Zm9v"},
                   {"foob", "Zm9vYg=="},
                   {"fooba", "Zm9vYmE="},
                   {"foobar", "Zm9vYmFy"},
                   {"secret!", "c2VjcmV0IQ=="}};
    for (const auto& v : vectors) {
        EXPECT_EQ(Make(v.plain), v.encoded) << v.plain;
        EXPECT_EQ(Undo(v.encoded), v.plain) << v.encoded;
    }
}

TEST(PasswordStrings, LinesOf76AndTheirBreaks)
{
    // RFC 2045: the encoded lines are no longer than 76 characters.
    const std::string line(57, 'p');
    const std::string encoded = Make(line);
    EXPECT_EQ(encoded.size(), 78u);
    EXPECT_EQ(encoded.substr(76), "\r\n");
    const std::string twice = Make(line + line);
    EXPECT_EQ(twice.size(), 156u);
    EXPECT_EQ(twice.substr(76, 2), "\r\n");
    EXPECT_EQ(twice.substr(154, 2), "\r\n");
    EXPECT_EQ(Undo(twice), line + line);
    EXPECT_EQ(Undo("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(Undo("Zm9\nv"), "foo");
}

TEST(PasswordStrings, EmptyAfterAnotherAndShortLastGroup)
{
    EXPECT_EQ(Make("ab"), "YWI=");
    EXPECT_EQ(Make(""), "");
    EXPECT_EQ(Undo("YWI=Zm"), "ab");
    const std::string high = "\xE6\xF8\xE5\xFF\x80";
    EXPECT_EQ(Undo(Make(high)), high);
}

}  // namespace
