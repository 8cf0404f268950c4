// GetOs under Wine: osprobe is started under each Windows version Wine can pretend to be (its per-program
// "Version" setting), so every family is detected from what the system really reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "WineTestSupport.h"
#include "ombrixaux.h"

namespace {

constexpr char kProbeExe[] = "osprobe.exe";
constexpr char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\osprobe.exe";
constexpr DWORD kProbeTimeoutMs = 30000;

// Runs osprobe, which prints GetOs() twice and exits with it.
winetest::ProcessResult RunProbe()
{
    return winetest::Run("\"" + winetest::ProgramFolder() + kProbeExe + "\"", kProbeTimeoutMs);
}

class GetOsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(winetest::SetWineVersion(kProbeExe, nullptr));
        RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaultsKey);
    }
};

struct VersionCase {
    const char* version;  // Wine's name; nullptr keeps its default (Windows 7, 6.1)
    OsType expected;
};

TEST_F(GetOsTest, EachWindowsVersionGivesItsFamily)
{
    const VersionCase cases[] = {
        {"win95", Win95},   {"win98", Win98},     {"winme", Win98},     {"nt40", WinNT4},     {"win2k", Win2000},
        {"winxp", Win2000}, {"nt351", OsUnknown}, {"win31", OsUnknown}, {"vista", OsUnknown}, {nullptr, OsUnknown},
    };
    for (const VersionCase& c : cases) {
        ASSERT_TRUE(winetest::SetWineVersion(kProbeExe, c.version));
        const char* name = c.version ? c.version : "default";
        const winetest::ProcessResult probe = RunProbe();
        EXPECT_TRUE(probe.RanToItsEnd()) << name;
        std::string expected =
            std::to_string(c.expected) + " " + std::to_string(c.expected) + "\r\n";  // its stdout is in text mode
        EXPECT_EQ(probe.exitCode, static_cast<DWORD>(c.expected)) << name << ": printed " << probe.output;
        EXPECT_EQ(probe.output, expected) << name << ": the second call must report the first one's value";
    }
}

TEST_F(GetOsTest, UnknownFamilyIsDetectedAgainAndStaysUnknown)
{
    // This test program has no version of its own: Wine's default, Windows 7, is no family of ours.
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    if (info.dwMajorVersion < 6) {
        GTEST_SKIP() << "this prefix reports " << info.dwMajorVersion << "." << info.dwMinorVersion;
    }
    EXPECT_EQ(GetOs(), OsUnknown);
    EXPECT_EQ(GetOs(), OsUnknown);
}

}  // namespace
