#pragma once
// CKernelDriverService: one kernel-driver stand-in as a service of the current Wine prefix — copies the .sys
// file into the drivers folder, registers it (demand start), starts it and waits for its device, stops it and
// removes it again. The stand-ins' helpers build their private codes on top.

#include <windows.h>

#include <string>

class CKernelDriverService {
public:
    /// True when the driver's device can be opened now (each stand-in opens its device its own way).
    using DeviceProbe = bool (*)();

    /// imagePath is what the service manager gets; Wine's loader finds a kernel driver only by the
    /// \SystemRoot\ form. devicePath names the device in messages; deviceOpens tells when it has appeared.
    CKernelDriverService(const char* serviceName, const char* fileName, const char* imagePath, const char* devicePath,
                         DeviceProbe deviceOpens);
    CKernelDriverService(const CKernelDriverService&) = delete;
    CKernelDriverService& operator=(const CKernelDriverService&) = delete;

    /// fileName beside the running program.
    static std::string FileBesideProgram(const char* fileName);
    /// Where Install copies fileName: the system directory's drivers folder.
    static std::string InstalledFile(const char* fileName);

    /// Copies sysFile to the drivers folder and registers the kernel service (demand start). An existing
    /// registration is pointed at the same ImagePath again.
    bool Install(const std::string& sysFile);
    /// Starts the service (already running counts as success) and waits until the device opens.
    bool Start(DWORD timeoutMs);
    /// Stops the service (already stopped counts as success) and waits until the manager says STOPPED.
    bool Stop(DWORD timeoutMs);
    /// Deletes the registration and the installed file.
    bool Uninstall();

    bool IsInstalled();
    bool QueryState(DWORD& state);

    /// Records which step failed with the last Win32 error (or the one given); always false.
    bool Fail(const char* step);
    bool Fail(const char* step, DWORD error);
    const std::string& LastError() const { return lastError_; }

private:
    const char* serviceName_;
    const char* fileName_;
    const char* imagePath_;
    const char* devicePath_;
    DeviceProbe deviceOpens_;
    std::string lastError_;
};
