// The service starter under Wine: the 9x path really runs a program, the NT path really talks to the
// service control manager (with a stand-in service registered under the daemon's name).
#include "ServiceStarter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NetTestSupport.h"
#include "WineTestSupport.h"

namespace {

struct Shown {
    std::vector<std::string> texts;
    static void Handler(void* context, const char* text) { static_cast<Shown*>(context)->texts.push_back(text); }
};

// The console's path is a scratch folder's, a new one each time: a stub that has written its mark may still
// be ending, holding its exe, when the next folder is made. The daemon beside it is the stub.
std::string ConsoleIn(const winetest::CScratchFolder& dir)
{
    return dir.File("OmbrixConsole.exe");
}

testing::AssertionResult PutDaemonStub(const winetest::CScratchFolder& dir)
{
    return dir.CopyIn(winetest::ProgramFolder() + "service_starter_stub.exe", "OmbrixDaemon.exe");
}

TEST(ServiceStarter, DaemonPathReplacesTheConsolesFileName)
{
    struct Case {
        const char* console;
        const char* daemon;  // nullptr: no path
    };
    const Case cases[] = {
        {"C:\\Program Files\\Ombrix\\OmbrixConsole.exe", "C:\\Program Files\\Ombrix\\OmbrixDaemon.exe"},
        {"C:\\x.exe", "C:\\OmbrixDaemon.exe"},
        {"C:\\dir\\", "C:\\dir\\OmbrixDaemon.exe"},
        {"OmbrixConsole.exe", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char out[MAX_PATH] = "unchanged";
        bool built = CServiceStarter::BuildDaemonPath(c.console, out, sizeof out);
        EXPECT_EQ(c.daemon != nullptr, built) << c.console;
        if (c.daemon) {
            EXPECT_STREQ(c.daemon, out);
        }
    }
    char tiny[8];
    EXPECT_FALSE(CServiceStarter::BuildDaemonPath("C:\\d\\c.exe", tiny, sizeof tiny)) << "does not fit";
}

TEST(ServiceStarter, NinetyFivePathWithoutADirectoryFailsWithCodeTwo)
{
    Shown shown;
    DWORD code = 12345;
    EXPECT_FALSE(CServiceStarter::Start(Win95, "OmbrixConsole.exe", Shown::Handler, &shown, &code));
    EXPECT_EQ(2u, code);
    EXPECT_EQ(std::vector<std::string>{"Failed to Start Ombrix Service. Error Code: 2"}, shown.texts);
}

TEST(ServiceStarter, NinetyFivePathReportsWhatWinExecSays)
{
    winetest::CScratchFolder dir;
    ASSERT_TRUE(dir.Created());
    Shown shown;
    DWORD code = 0;
    EXPECT_FALSE(CServiceStarter::Start(Win98, ConsoleIn(dir).c_str(), Shown::Handler, &shown, &code));
    EXPECT_LT(code, 32u);
    EXPECT_NE(0u, code);
    EXPECT_EQ(std::vector<std::string>{"Failed to Start Ombrix Service. Error Code: " + std::to_string(code)},
              shown.texts);
}

TEST(ServiceStarter, NinetyFivePathRunsTheDaemonBesideTheConsole)
{
    for (OsType os : {Win95, Win98}) {
        winetest::CScratchFolder dir;
        ASSERT_TRUE(dir.Created());
        ASSERT_TRUE(PutDaemonStub(dir));
        Shown shown;
        DWORD code = 99;
        EXPECT_TRUE(CServiceStarter::Start(os, ConsoleIn(dir).c_str(), Shown::Handler, &shown, &code));
        EXPECT_EQ(0u, code);
        EXPECT_TRUE(shown.texts.empty());
        EXPECT_TRUE(nettest::PumpUntil([&] { return winetest::FileExists(dir.File("stub-ran.txt")); }, 10000))
            << "the daemon never ran";
    }
}

TEST(ServiceStarter, UnknownFamilyFailsWithCodeZero)
{
    Shown shown;
    DWORD code = 99;
    EXPECT_FALSE(CServiceStarter::Start(OsUnknown, nullptr, Shown::Handler, &shown, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(std::vector<std::string>{"Failed to Start Ombrix Service. Error Code: 0"}, shown.texts);
}

TEST(ServiceStarter, NtPathWithoutTheServiceReportsTheManagersError)
{
    Shown shown;
    DWORD code = 0;
    EXPECT_FALSE(CServiceStarter::Start(WinNT4, nullptr, Shown::Handler, &shown, &code));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), code);
    EXPECT_EQ(std::vector<std::string>{"Failed to Start Ombrix Service. Error Code: 1060"}, shown.texts);
}

DWORD ServiceState(SC_HANDLE service)
{
    SERVICE_STATUS status = {};
    return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

TEST(ServiceStarter, NtPathStartsTheServiceAndTakesAlreadyRunningAsSuccess)
{
    winetest::CScratchFolder dir;
    ASSERT_TRUE(dir.Created());
    ASSERT_TRUE(PutDaemonStub(dir));
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    std::string command = "\"" + dir.Path() + "OmbrixDaemon.exe\" --service";
    SC_HANDLE service =
        CreateServiceA(manager, kServiceName, "Ombrix Internet Sharing", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(), NULL, NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, service) << GetLastError();

    Shown shown;
    DWORD code = 99;
    EXPECT_TRUE(CServiceStarter::Start(Win2000, nullptr, Shown::Handler, &shown, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(nettest::PumpUntil([&] { return ServiceState(service) == SERVICE_RUNNING; }, 10000));

    // The manager refuses a second start as "already running"; the starter counts that as started.
    EXPECT_FALSE(StartServiceA(service, 0, NULL));
    EXPECT_EQ(kErrorServiceAlreadyRunning, GetLastError());
    code = 99;
    EXPECT_TRUE(CServiceStarter::Start(WinNT4, nullptr, Shown::Handler, &shown, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(shown.texts.empty());

    SERVICE_STATUS status;
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    EXPECT_TRUE(nettest::PumpUntil([&] { return ServiceState(service) == SERVICE_STOPPED; }, 10000));
    DeleteService(service);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

}  // namespace
