#include "DaemonFixture.h"

const std::vector<std::string> kStartLines = {"-------------------------------------", "Ombrix Service Starting"};
const char kNoDriverLine[] =
    "Unable to Locate Ombrix Driver.\r\n\tRe-install Ombrix to ensure the driver gets loaded at startup";

void DaemonTest::SetUp()
{
    winetest::RemoveIni();
}

void DaemonTest::TearDown()
{
    if (harness::ServiceState(kService) != 0) {
        if (harness::ServiceState(kService) != SERVICE_STOPPED) {
            harness::ControlServiceByName(kService, SERVICE_CONTROL_STOP);
            harness::WaitForServiceState(kService, SERVICE_STOPPED, kServiceTimeoutMs);
        }
        harness::DeleteServiceByName(kService);
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", 0, KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Ombrix Service");
        RegCloseKey(key);
    }
    winetest::RemoveIni();
}

void DaemonTest::Prepare(const char* wineVersion, const char* mode)
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    dir_ = harness::Stage(std::string(info->test_suite_name()) + "." + info->name(), {kExe, "ombrixaux.dll"});
    winetest::SetWineVersion(kExe, wineVersion);
    winetest::WriteIni("DHCP", "LocalAddress", "127.0.0.1");
    winetest::WriteIni("DHCP", "ServerPort", "47367");
    if (mode != nullptr)
        winetest::WriteIni("Application", "OmbrixMode", mode);
}

winetest::ProcessResult DaemonTest::RunDaemon(const std::string& arguments, DWORD timeoutMs)
{
    return winetest::Run("\"" + ExePath() + "\" " + arguments, timeoutMs);
}

void DaemonTest::InstallAndStartService()
{
    winetest::ProcessResult install = RunDaemon("-i");
    ASSERT_TRUE(install.RanToItsEnd());
    ASSERT_EQ("Ombrix Internet Sharing installed\r\n", install.output);
    ASSERT_TRUE(harness::StartServiceByName(kService)) << "StartService error " << GetLastError();
}

void DaemonTest::StopServiceAndWait()
{
    ASSERT_TRUE(harness::ControlServiceByName(kService, SERVICE_CONTROL_STOP)) << "error " << GetLastError();
    ASSERT_TRUE(harness::WaitForServiceState(kService, SERVICE_STOPPED, kServiceTimeoutMs));
}
