// The daemon's entry and lifecycle without a packet driver: install and removal per Windows family, the
// mode and platform checks, the single instance, and a start that ends at the missing driver.
#include "DaemonFixture.h"

using winetest::ProcessResult;

namespace {
std::string ReadRunServicesValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "(no key)";
    char value[MAX_PATH] = {};
    DWORD size = sizeof(value), type = 0;
    LONG rc = RegQueryValueExA(key, "Ombrix Service", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "(no value)";
    return type == REG_SZ ? value : "(wrong type)";
}

std::string ServiceRegistryString(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\OmbrixInternetSharing", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "(no key)";
    char value[MAX_PATH] = {};
    DWORD size = sizeof(value), type = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "(no value)";
    if (type == REG_DWORD)
        return std::to_string(*reinterpret_cast<DWORD*>(value));
    return value;
}
}  // namespace

TEST_F(DaemonTest, NtInstallTwicePrintsOnceAndRemoveOfMissingServicePrintsNothing)
{
    Prepare("nt40");
    ProcessResult first = RunDaemon("-i");
    ASSERT_TRUE(first.RanToItsEnd());
    EXPECT_EQ(0u, first.exitCode);
    EXPECT_EQ("Ombrix Internet Sharing installed\r\n", first.output);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), harness::ServiceState(kService));
    // Wine's manager keeps the registration in the registry, as Windows does.
    EXPECT_EQ(ExePath(), ServiceRegistryString("ImagePath"));
    EXPECT_EQ("Ombrix Internet Sharing", ServiceRegistryString("DisplayName"));
    EXPECT_EQ("2", ServiceRegistryString("Start"));  // automatic
    EXPECT_EQ("16", ServiceRegistryString("Type"));  // own process

    ProcessResult second = RunDaemon("-I");
    EXPECT_EQ(0u, second.exitCode);
    EXPECT_EQ("", second.output);

    ProcessResult remove = RunDaemon("-u");
    EXPECT_EQ(0u, remove.exitCode);
    EXPECT_EQ("", remove.output);
    EXPECT_EQ(0u, harness::ServiceState(kService));
    EXPECT_EQ(std::vector<std::string>{"The Ombrix Service has been Removed"}, Log());

    ProcessResult again = RunDaemon("-u");
    EXPECT_EQ(0u, again.exitCode);
    EXPECT_EQ("", again.output);
    EXPECT_EQ(std::vector<std::string>{"The Ombrix Service has been Removed"}, Log());
}

TEST_F(DaemonTest, NineXInstallsAndRemovesTheRunServicesValue)
{
    Prepare("win98");
    ProcessResult install = RunDaemon("x -i");
    EXPECT_EQ(0u, install.exitCode);
    EXPECT_EQ("Ombrix Internet Sharing installed\r\n", install.output);
    EXPECT_EQ(ExePath(), ReadRunServicesValue());
    EXPECT_EQ(0u, harness::ServiceState(kService)) << "the 9x family registers no service";

    EXPECT_EQ("", RunDaemon("-i").output);
    ProcessResult remove = RunDaemon("-u");
    EXPECT_EQ(0u, remove.exitCode);
    EXPECT_EQ("", remove.output);
    EXPECT_EQ("(no value)", ReadRunServicesValue());
    EXPECT_EQ("", RunDaemon("-u").output);
    EXPECT_FALSE(winetest::FileExists(LogPath())) << "the 9x commands write no log line";
}

TEST_F(DaemonTest, InstallSwitchWinsOverRemove)
{
    Prepare("win95");
    EXPECT_EQ("Ombrix Internet Sharing installed\r\n", RunDaemon("-u -i").output);
    EXPECT_EQ(ExePath(), ReadRunServicesValue());
}

TEST_F(DaemonTest, ModeOutOfRangeOrMissingEndsWithTwoBeforeAnyWork)
{
    const char* const kModes[] = {"3", "-1", nullptr, "7"};
    for (const char* mode : kModes) {
        SCOPED_TRACE(mode ? mode : "(missing)");
        Prepare("win2k", mode);
        ProcessResult run = RunDaemon("");
        ASSERT_TRUE(run.RanToItsEnd());
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_EQ(std::vector<std::string>{"Unable to determine Ombrix Mode, Run the Configuration Wizard to "
                                           "ensure proper Ombrix settings."},
                  Log());
        winetest::RemoveIni();
    }
}

TEST_F(DaemonTest, UnknownWindowsEndsWithMinusOne)
{
    Prepare("win7");
    ProcessResult run = RunDaemon("");
    ASSERT_TRUE(run.RanToItsEnd());
    EXPECT_EQ(0xFFFFFFFFu, run.exitCode);
    EXPECT_EQ(std::vector<std::string>{"Unable to determine operating system, abort Ombrix Service"}, Log());
}

TEST_F(DaemonTest, SecondCopyEndsAtOnceWritingNothing)
{
    for (const char* version : {"win98", "nt40"}) {
        SCOPED_TRACE(version);
        Prepare(version);
        HANDLE first = CreateMutexA(nullptr, TRUE, "OMBRIX");
        ASSERT_NE(nullptr, first);
        ProcessResult run = RunDaemon("");
        CloseHandle(first);
        ASSERT_TRUE(run.RanToItsEnd());
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_FALSE(winetest::FileExists(LogPath()));
    }
}

TEST_F(DaemonTest, NtWithoutManagerReportsTheDispatcherError)
{
    Prepare("nt40");
    ProcessResult run = RunDaemon("");
    ASSERT_TRUE(run.RanToItsEnd());
    // ERROR_FAILED_SERVICE_CONTROLLER_CONNECT: started as a program, not by the manager.
    constexpr DWORD kNotStartedByManager = 1063;
    EXPECT_EQ(kNotStartedByManager, run.exitCode);
    EXPECT_EQ(std::vector<std::string>{"Ombrix Internet Sharing service initialization error: 1063"}, Log());
}

TEST_F(DaemonTest, NineXWithoutDriverLogsStartAndDriverLineOnly)
{
    Prepare("win98");
    ProcessResult run = RunDaemon("");
    ASSERT_TRUE(run.RanToItsEnd());
    EXPECT_EQ(0u, run.exitCode);
    std::vector<std::string> expected = kStartLines;
    expected.push_back(kNoDriverLine);
    EXPECT_EQ(expected, Log());
}

TEST_F(DaemonTest, NtServiceWithoutDriverStopsAfterTheDriverLine)
{
    Prepare("win2k");
    InstallAndStartService();
    ASSERT_TRUE(harness::WaitForServiceState(kService, SERVICE_STOPPED, kServiceTimeoutMs));
    EXPECT_EQ(0u, harness::ServiceExitCode(kService));
    std::vector<std::string> expected = kStartLines;
    expected.push_back(kNoDriverLine);
    EXPECT_TRUE(winetest::WaitFor([&] { return Log() == expected; }, kServiceTimeoutMs));
    EXPECT_EQ(expected, Log());
}
