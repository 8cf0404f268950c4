#pragma once
// CStandInDriver: installs, starts, stops and removes the stand-in packet driver (ombrix.sys) in the current
// Wine prefix, and sends it the private codes that only tests use.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DriverRecords.h"
#include "KernelDriverService.h"

/// How often each raw request reached the stand-in since it was loaded or reset, failed ones included.
struct StandInRequestCounts {
    uint32_t setSharing = 0;     ///< request 5
    uint32_t getStatus = 0;      ///< request 19
    uint32_t getForward = 0;     ///< request 51
    uint32_t addForward = 0;     ///< request 56
    uint32_t removeForward = 0;  ///< request 60
    uint32_t setAlarm = 0;       ///< request 65
    uint32_t getAlarms = 0;      ///< request 67
};

/// The stand-in driver as one kernel service. Every call returns true on success; on failure LastError()
/// says which step failed and with which Win32 error, for test messages and the console tool.
class CStandInDriver {
public:
    /// Service name and file name: the presence checks look for "OMBRIX.SYS" in the ImagePath of
    /// HKLM\SYSTEM\CurrentControlSet\Services\Ombrix.
    static constexpr const char* kServiceName = "Ombrix";
    static constexpr const char* kFileName = "ombrix.sys";
    /// The ImagePath given to the service manager. Windows would also take the form relative to the Windows
    /// directory (system32\drivers\ombrix.sys), but Wine's loader does not find the file that way
    /// (StartService fails with ERROR_DLL_INIT_FAILED); the \SystemRoot\ form works on both.
    static constexpr const char* kImagePath = "\\SystemRoot\\system32\\drivers\\ombrix.sys";
    /// Bound on waiting for the device to appear after a start, or for the service to stop.
    static constexpr DWORD kDefaultTimeoutMs = 20000;

    CStandInDriver();
    ~CStandInDriver();
    CStandInDriver(const CStandInDriver&) = delete;
    CStandInDriver& operator=(const CStandInDriver&) = delete;

    /// ombrix.sys beside the running program.
    static std::string FileBesideProgram();
    /// Where Install copies the driver: the system directory's drivers folder.
    static std::string InstalledFile();

    /// Copies sysFile to InstalledFile() and registers the kernel service (demand start). An existing
    /// registration is pointed at the same ImagePath again.
    bool Install(const std::string& sysFile);
    /// Starts the service (already running counts as success) and waits until "\\.\OMBRIX" opens.
    bool Start(DWORD timeoutMs = kDefaultTimeoutMs);
    /// Stops the service (already stopped counts as success) and waits until the manager says STOPPED.
    bool Stop(DWORD timeoutMs = kDefaultTimeoutMs);
    /// Deletes the registration and the installed file.
    bool Uninstall();

    bool IsInstalled();
    bool IsRunning();
    /// True when "\\.\OMBRIX" can be opened now.
    static bool DeviceOpens();

    // The private codes (StandInCodes.h).
    bool SetStatusBits(uint32_t bits);
    bool ClearStatusBits(uint32_t bits);
    bool QueueAlarm(const AlarmRecord& record);
    /// Queues the records in order; taken (optional) receives how many the queue had room for.
    bool QueueAlarms(const std::vector<AlarmRecord>& records, uint32_t* taken = nullptr);
    bool GetSharing(uint32_t& flag);
    bool GetAlarmSwitch(uint32_t& flag);
    /// The whole forward table in order; each record's index is its position.
    bool GetForwards(std::vector<PortForwardRecord>& forwards);
    bool GetRequestCounts(StandInRequestCounts& counts);
    /// The status word and the number of queued alarm records, without counting as request 19.
    bool PeekState(uint32_t& statusBits, uint32_t& queuedAlarms);
    /// Bit (1 << OMBRIX_STANDIN_REQ_*) makes that raw request fail until the mask changes.
    bool SetFailMask(uint32_t mask);
    /// Raw requests with output report `extra` bytes more than they wrote until it is set back to 0.
    bool SetOverreport(uint32_t extra);
    bool Reset();

    const std::string& LastError() const { return service_.LastError(); }

private:
    bool Fail(const char* step);
    bool Fail(const char* step, DWORD error);
    bool Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned = nullptr);
    bool SendWord(DWORD code, uint32_t value);
    bool ReadWord(DWORD code, uint32_t& value);
    void CloseDevice();

    HANDLE device_ = INVALID_HANDLE_VALUE;
    CKernelDriverService service_;
};
