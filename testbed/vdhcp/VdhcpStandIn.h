#pragma once
// CVdhcpStandIn: installs, starts, stops and removes the stand-in DHCP client device (vdhcp.sys) in the
// current Wine prefix, loads the lease table it answers with, and reads back how often it was used.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KernelDriverService.h"

/// How the device was used since it was loaded or reset.
struct VdhcpStandInCounts {
    uint32_t opens = 0;
    uint32_t closes = 0;
    uint32_t sizeProbes = 0;  ///< table requests answered with ERROR_BUFFER_OVERFLOW and the size
    uint32_t tables = 0;      ///< table requests answered with the table
};

/// The stand-in as one kernel service. Every call returns true on success; on failure LastError() names the
/// step that failed and its Win32 error.
class CVdhcpStandIn {
public:
    static constexpr const char* kServiceName = "Vdhcp";
    static constexpr const char* kFileName = "vdhcp.sys";
    /// Wine's loader finds a kernel driver only by the \SystemRoot\ form of the path.
    static constexpr const char* kImagePath = "\\SystemRoot\\system32\\drivers\\vdhcp.sys";
    static constexpr DWORD kDefaultTimeoutMs = 20000;

    CVdhcpStandIn();
    ~CVdhcpStandIn();
    CVdhcpStandIn(const CVdhcpStandIn&) = delete;
    CVdhcpStandIn& operator=(const CVdhcpStandIn&) = delete;

    /// vdhcp.sys beside the running program.
    static std::string FileBesideProgram();
    /// Copies sysFile into the system directory's drivers folder and registers the kernel service. An existing
    /// registration is pointed at the same ImagePath again.
    bool Install(const std::string& sysFile);
    /// Starts the service (running already counts) and waits until "\\.\VDHCP" opens.
    bool Start(DWORD timeoutMs = kDefaultTimeoutMs);
    /// Stops the service (stopped already counts) and waits for STOPPED.
    bool Stop(DWORD timeoutMs = kDefaultTimeoutMs);
    /// Deletes the registration and the installed file.
    bool Uninstall();
    static bool DeviceOpens();

    /// The reply the table request gives from now on; an empty one makes the request fail.
    bool LoadTable(const std::vector<uint8_t>& reply);
    bool GetCounts(VdhcpStandInCounts& counts);
    bool Reset();

    const std::string& LastError() const { return service_.LastError(); }

private:
    bool Fail(const char* step);
    bool Fail(const char* step, DWORD error);
    bool Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);

    CKernelDriverService service_;
};
