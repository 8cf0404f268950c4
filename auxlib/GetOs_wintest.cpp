// GetOs under Wine: osprobe is started under each Windows version Wine can pretend to be (its per-program
// "Version" setting), so every family is detected from what the system really reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ombrixaux.h"

namespace {

constexpr char kProbeExe[] = "osprobe.exe";
constexpr char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\osprobe.exe";
constexpr DWORD kProbeTimeoutMs = 30000;

std::string ProbePath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string self(path, n);
  return self.substr(0, self.find_last_of('\\') + 1) + kProbeExe;
}

// Sets (or, for nullptr, removes) the Windows version Wine reports to osprobe.exe.
void SetProbeVersion(const char* version) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaultsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  if (version) {
    EXPECT_EQ(RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                             static_cast<DWORD>(strlen(version) + 1)),
              ERROR_SUCCESS);
  } else {
    LONG rc = RegDeleteValueA(key, "Version");
    EXPECT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << rc;
  }
  RegCloseKey(key);
}

struct ProbeResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};

ProbeResult RunProbe() {
  ProbeResult result;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::string exe = ProbePath();
  std::string command = "\"" + exe + "\"";
  BOOL started = CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                &process);
  CloseHandle(writeEnd);
  EXPECT_TRUE(started) << exe << ": error " << GetLastError();
  if (started) {
    char chunk[256];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
      result.output.append(chunk, got);
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, kProbeTimeoutMs), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  return result;
}

class GetOsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetProbeVersion(nullptr);
    RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaultsKey);
  }
};

struct VersionCase {
  const char* version;  // Wine's name; nullptr keeps its default (Windows 7, 6.1)
  OsType expected;
};

TEST_F(GetOsTest, EachWindowsVersionGivesItsFamily) {
  const VersionCase cases[] = {
      {"win95", Win95},     {"win98", Win98},     {"winme", Win98},   {"nt40", WinNT4},
      {"win2k", Win2000},   {"winxp", Win2000},   {"nt351", OsUnknown}, {"win31", OsUnknown},
      {"vista", OsUnknown}, {nullptr, OsUnknown},
  };
  for (const VersionCase& c : cases) {
    SetProbeVersion(c.version);
    const char* name = c.version ? c.version : "default";
    ProbeResult probe = RunProbe();
    std::string expected = std::to_string(c.expected) + " " + std::to_string(c.expected) + "\r\n";  // its stdout is in text mode
    EXPECT_EQ(probe.exitCode, static_cast<DWORD>(c.expected)) << name << ": printed " << probe.output;
    EXPECT_EQ(probe.output, expected) << name << ": the second call must report the first one's value";
  }
}

TEST_F(GetOsTest, UnknownFamilyIsDetectedAgainAndStaysUnknown) {
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
