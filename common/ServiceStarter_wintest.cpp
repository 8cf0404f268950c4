// The service starter under Wine: the 9x path really runs a program, the NT path really talks to the
// service control manager (with a stand-in service registered under the daemon's name).
#include "ServiceStarter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NetTestSupport.h"

namespace {

struct Shown {
    std::vector<std::string> texts;
    static void Handler(void* context, const char* text) { static_cast<Shown*>(context)->texts.push_back(text); }
};

std::string OwnDirectory()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string s(path);
    return s.substr(0, s.rfind('\\') + 1);
}

// A directory of its own for the console's stand-in path, removed at the end. Each one has a new name: a
// stub that has written its mark may still be ending, holding its exe, when the next directory is made.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        static unsigned made = 0;
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + "ombrix-starter-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++made) + "\\";
        CreateDirectoryA(path_.c_str(), NULL);
    }
    ~ScratchDirectory()
    {
        for (const char* name : {"OmbrixDaemon.exe", "stub-ran.txt"}) {
            DeleteFileA((path_ + name).c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    std::string Console() const { return path_ + "OmbrixConsole.exe"; }
    bool PutDaemonStub() const
    {
        return CopyFileA((OwnDirectory() + "service_starter_stub.exe").c_str(), (path_ + "OmbrixDaemon.exe").c_str(),
                         FALSE) != 0;
    }

private:
    std::string path_;
};

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
    ScratchDirectory dir;
    Shown shown;
    DWORD code = 0;
    EXPECT_FALSE(CServiceStarter::Start(Win98, dir.Console().c_str(), Shown::Handler, &shown, &code));
    EXPECT_LT(code, 32u);
    EXPECT_NE(0u, code);
    EXPECT_EQ(std::vector<std::string>{"Failed to Start Ombrix Service. Error Code: " + std::to_string(code)},
              shown.texts);
}

TEST(ServiceStarter, NinetyFivePathRunsTheDaemonBesideTheConsole)
{
    for (OsType os : {Win95, Win98}) {
        ScratchDirectory dir;
        ASSERT_TRUE(dir.PutDaemonStub());
        Shown shown;
        DWORD code = 99;
        EXPECT_TRUE(CServiceStarter::Start(os, dir.Console().c_str(), Shown::Handler, &shown, &code));
        EXPECT_EQ(0u, code);
        EXPECT_TRUE(shown.texts.empty());
        EXPECT_TRUE(nettest::PumpUntil([&] { return Exists(dir.Path() + "stub-ran.txt"); }, 10000))
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
    ScratchDirectory dir;
    ASSERT_TRUE(dir.PutDaemonStub());
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    std::string command = "\"" + dir.Path() + "OmbrixDaemon.exe\" --service";
    SC_HANDLE service = CreateServiceA(manager, kDaemonServiceName, "Ombrix Internet Sharing", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       command.c_str(), NULL, NULL, NULL, NULL, NULL);
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
