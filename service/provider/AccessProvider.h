#pragma once
// CAccessProvider: the access provider plug-in as the service holds it: loaded, initialised and started at
// start-up, right after the LAN route, and stopped and unloaded at the process's final clean-up. While it
// is retained the DHCP server asks it, from its packet thread, whether to serve a client, and tells it of
// leases and releases. Without a retained plug-in, or without the callback, every client is served.
//
// Threads: load, start and stop run on the service-main thread; the three callbacks on the DHCP packet
// thread (and on the thread that expires leases at the server's start). A guard lets the main thread retain
// or drop the plug-in while the packet thread may be calling it: a call in progress finishes before the
// library is unloaded, and a call after that finds no plug-in.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "AccessProviderAbi.h"
#include "AccessProviderTable.h"
#include "IniSettings.h"

// The plug-in is named in Ombrix.Ini (kIniAuthProviderDllName); empty means none.
constexpr size_t kProviderDllNameBuffer = 260;

class CAccessProvider {
public:
    CAccessProvider();
    /// Stops and unloads a plug-in that is still retained.
    ~CAccessProvider();
    CAccessProvider(const CAccessProvider&) = delete;
    CAccessProvider& operator=(const CAccessProvider&) = delete;

    /// The service's one plug-in, with the process-wide table it registered in.
    static CAccessProvider& Service();

    /// Loads the library named by `DllName` in section `AuthProvider`, as Load(name) does.
    void Load();
    /// Loads `dllName`, has it register and retains it when the registration qualifies and its initialise
    /// returns non-zero; otherwise unloads it again. Nothing when a plug-in is already retained or the
    /// name is empty. Writes no log line, except for two refusals: a plug-in that wrote past the end of the
    /// table, and in a 64-bit build a library loaded above 4 GB, whose function addresses a table slot
    /// cannot hold.
    void Load(const char* dllName);
    /// Calls the retained plug-in's start, when it filled that slot.
    void Start();
    /// Calls the retained plug-in's stop, when it filled that slot, then unloads it.
    void StopAndUnload();

    bool IsRetained() const;
    /// The retained plug-in's module; null without one.
    HMODULE Module() const;

    // The DHCP server's calls; `length` is kProviderHardwareLength.
    /// Slot 124: false refuses the client. True without a plug-in or without the slot.
    bool Authorise(const uint8_t* hardwareAddress, int length);
    /// Slot 128: the client was sent an ACK for `address` (network order).
    void Lease(const uint8_t* hardwareAddress, int length, uint32_t address);
    /// Slot 132: the client gave its address back or its lease ran out.
    void Release(const uint8_t* hardwareAddress, int length);

private:
    class CGuard;

    /// The slot's value while a plug-in is retained, else 0. Call with the guard held.
    uint32_t RetainedSlot(size_t offset) const;

    mutable CRITICAL_SECTION guard_;
    HMODULE module_ = nullptr;    ///< guarded: set only once the table is complete, cleared before unloading
    CAccessProviderTable table_;  ///< written only while no plug-in is retained
};
