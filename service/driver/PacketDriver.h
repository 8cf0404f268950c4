#pragma once
// CPacketDriver: the handle to the packet driver "\\.\OMBRIX" and its seven requests.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "DriverRecords.h"

/// One open handle to the packet driver. Each request is synchronous and succeeds or fails as a whole;
/// every call returns true on success. Requests on a closed handle fail without reaching the system.
class CPacketDriver {
public:
    CPacketDriver() = default;
    virtual ~CPacketDriver();
    CPacketDriver(const CPacketDriver&) = delete;
    CPacketDriver& operator=(const CPacketDriver&) = delete;

    /// Opens the device for reading and writing, shared both ways, existing device only. An open handle is
    /// closed first.
    bool Open();
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close();

    /// Request 5: sharing on or off.
    bool SetSharing(bool on);
    /// Request 19: the status word (kDriverStatus* bits); status is left alone on failure.
    bool GetStatus(uint32_t& status);
    /// Request 51: the forward at position index. Listing stops at the first index that fails.
    bool GetForward(uint16_t index, PortForwardRecord& record);
    /// Request 56: adds a forward, or replaces the address of the one with the same protocol and port.
    bool AddForward(const PortForwardRecord& record);
    /// Request 60: removes the forward with this protocol and port.
    bool RemoveForward(const PortForwardRecord& record);
    /// Request 65: alarm reporting on or off.
    bool SetAlarm(bool on);
    /// Request 67: the waiting alarm records (at most 71 per call); records is emptied on failure.
    bool GetAlarms(std::vector<AlarmRecord>& records);

    /// The output bytes of the last request as the decoders were given them: what the driver reported,
    /// but never more than the buffer the request had. 0 after a failure or a request without output.
    DWORD LastOutputBytes() const { return lastOutputBytes_; }

protected:
    /// The system call itself; tests put a driver that misreports in its place.
    virtual bool Control(uint32_t code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned);

private:
    bool Request(uint32_t code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned);
    bool SendFlag(uint32_t code, bool on);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD lastOutputBytes_ = 0;
};
