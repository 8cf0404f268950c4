#pragma once
// CIcmpProbe: the address probe before an OFFER, an ICMP echo through "Icmp.dll". The library is loaded at
// run time because Windows 95 ships it only with its TCP/IP stack, and it is loaded once: the first
// start of the server loads it, destroying the server unloads it.
#include <windows.h>

#include "DhcpHostInterfaces.h"

/// The probe's echo: six bytes of data, a reply buffer of 100 bytes, one second to answer.
constexpr char kIcmpProbeData[] = "AAAAAA";
constexpr DWORD kIcmpProbeReplyBufferSize = 100;
constexpr DWORD kIcmpProbeTimeoutMs = 1000;

class CIcmpProbe : public IDhcpAddressProbe {
public:
    CIcmpProbe() = default;
    /// IcmpCloseHandle, then the library is unloaded.
    ~CIcmpProbe() override;
    CIcmpProbe(const CIcmpProbe&) = delete;
    CIcmpProbe& operator=(const CIcmpProbe&) = delete;

    /// Loads "Icmp.dll" unless it is loaded already, looks up IcmpCreateFile, IcmpCloseHandle and
    /// IcmpSendEcho and creates the handle. False when the library cannot be loaded.
    bool Load();
    bool Loaded() const { return library_ != nullptr; }
    /// True when a handle exists to send echoes with.
    bool Usable() const { return handle_ != INVALID_HANDLE_VALUE && sendEcho_ != nullptr; }

    /// True when the candidate itself sent an echo reply. An error report that comes back instead (the
    /// stack's own "host unreachable" for an address whose ARP resolution failed a moment ago) says that
    /// nobody answers. Without the library (or its handle) there is nothing to ask, and every candidate
    /// counts as not answering: a machine without ICMP still serves clients.
    bool Answers(uint32_t address) override;

private:
    typedef HANDLE(WINAPI* IcmpCreateFileFn)();
    typedef BOOL(WINAPI* IcmpCloseHandleFn)(HANDLE);
    typedef DWORD(WINAPI* IcmpSendEchoFn)(HANDLE, unsigned long, void*, WORD, void*, void*, DWORD, DWORD);

    HMODULE library_ = nullptr;
    IcmpCreateFileFn createFile_ = nullptr;
    IcmpCloseHandleFn closeHandle_ = nullptr;
    IcmpSendEchoFn sendEcho_ = nullptr;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
