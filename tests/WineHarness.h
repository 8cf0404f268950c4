#pragma once
// Helpers for tests that drive whole programs inside the test's Wine prefix: staging the programs in a
// directory of their own, keeping one running while the test talks to it, and asking the service control
// manager. Files, logs, waits, Ombrix.Ini and short runs come from WineTestSupport.h.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "WineTestSupport.h"

namespace harness {

/// Makes an empty directory C:\ombrixtest\<name>\ and copies the named files from the program's folder
/// into it. Returns the directory with a trailing backslash.
std::string Stage(const std::string& name, const std::vector<std::string>& files);

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

/// The service's state as the manager reports it, or 0 when the service does not exist.
DWORD ServiceState(const char* name);
/// The exit code the manager recorded for the service, or ~0 when it cannot be queried.
DWORD ServiceExitCode(const char* name);
bool StartServiceByName(const char* name);
bool ControlServiceByName(const char* name, DWORD control, SERVICE_STATUS* status = nullptr);
bool DeleteServiceByName(const char* name);
/// Waits until the manager reports the service in state; otherwise says the state it was left in.
testing::AssertionResult WaitForServiceState(const char* name, DWORD state, DWORD timeoutMs);

}  // namespace harness
