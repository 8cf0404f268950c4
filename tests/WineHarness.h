#pragma once
// Helpers for tests that drive whole programs inside the test's Wine prefix: staging the programs in a
// directory of their own, choosing the Windows family a program sees, running it, reading its log and
// asking the service control manager.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace harness {

/// Directory of the running test program (the build's bin directory), with a trailing backslash.
std::string BinDir();

/// Makes an empty directory C:\ombrixtest\<name>\ and copies the named files from BinDir() into it.
/// Returns the directory with a trailing backslash.
std::string Stage(const std::string& name, const std::vector<std::string>& files);

/// Sets the Windows version Wine reports to one program ("win95", "win98", "nt40", "win2k", "win7").
void SetWineVersion(const std::string& exeName, const std::string& version);

struct ProcessResult {
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;  ///< standard output and standard error
};

/// Runs a command line, collecting its output, for at most timeoutMs.
ProcessResult Run(const std::string& commandLine, DWORD timeoutMs = 20000);

/// A program left running while the test talks to it; ended by force if the test did not wait for it.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Start(const std::string& commandLine);
    /// Waits up to timeoutMs for the program to end; true with its exit code when it did.
    bool Wait(DWORD timeoutMs, DWORD* exitCode);
    bool Running() const;

private:
    HANDLE process_ = nullptr;
};

/// Polls a condition every 50 ms until it holds or timeoutMs has passed.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

std::string ReadFileText(const std::string& path);
bool FileExists(const std::string& path);

/// The messages of a log written in the service's line format, stamps removed. A line's message may hold
/// line breaks of its own; messages are told apart by the stamp that starts each line.
std::vector<std::string> LogMessages(const std::string& path);

/// Ombrix.Ini in the Windows directory.
std::string IniPath();
void RemoveIni();
void WriteIni(const char* section, const char* key, const char* value);

/// The service's state as the manager reports it, or 0 when the service does not exist.
DWORD ServiceState(const char* name);
/// The exit code the manager recorded for the service, or ~0 when it cannot be queried.
DWORD ServiceExitCode(const char* name);
bool StartServiceByName(const char* name);
bool ControlServiceByName(const char* name, DWORD control, SERVICE_STATUS* status = nullptr);
bool DeleteServiceByName(const char* name);
bool WaitForServiceState(const char* name, DWORD state, DWORD timeoutMs);

}  // namespace harness
