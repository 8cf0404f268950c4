// The main of a Wine test program that must run under one Windows version: Wine reports the version set
// for the program's name under HKCU\Software\Wine\AppDefaults, read when a process starts. So the program
// sets it for itself, runs itself again as a child with the same command line, passes on the child's exit
// code, and removes the setting. OMBRIX_WINE_VERSION (a compile definition) names the version: win95,
// win98, nt40 or win2k.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const char kChildVariable[] = "OMBRIX_AUX_VERSION_CHILD";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";
constexpr DWORD kChildTimeoutMs = 240000;

std::string ProgramPath()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

std::string AppDefaultsKey()
{
    const std::string path = ProgramPath();
    return kAppDefaults + path.substr(path.find_last_of('\\') + 1);
}

bool SetVersion(const char* version)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, AppDefaultsKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                   static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

int RunAsChild()
{
    if (!SetVersion(OMBRIX_WINE_VERSION)) {
        std::fprintf(stderr, "cannot set the Windows version %s\n", OMBRIX_WINE_VERSION);
        return 1;
    }
    SetEnvironmentVariableA(kChildVariable, "1");
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const std::string exe = ProgramPath();
    std::string command = GetCommandLineA();
    DWORD exitCode = 1;
    if (CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, kChildTimeoutMs) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "the test run under %s did not end\n", OMBRIX_WINE_VERSION);
            TerminateProcess(process.hProcess, 1);
        }
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        std::fprintf(stderr, "cannot start %s: error %lu\n", exe.c_str(), GetLastError());
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, AppDefaultsKey().c_str());
    return static_cast<int>(exitCode);
}

}  // namespace

int main(int argc, char** argv)
{
    char flag[4];
    if (GetEnvironmentVariableA(kChildVariable, flag, sizeof flag) == 0)
        return RunAsChild();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
