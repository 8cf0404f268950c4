#include <winsock2.h>
#include <windows.h>

#include "LabIcmp.h"
#include "LabText.h"

namespace lab {
namespace {

constexpr char kProbeData[] = "AAAAAA";
constexpr DWORD kReplyBufferSize = 100;
// The reply buffer starts with the echo reply record: address (4), then status (4), then round trip (4).
constexpr size_t kReplyAddressOffset = 0;
constexpr size_t kReplyStatusOffset = 4;
constexpr size_t kReplyRoundTripOffset = 8;

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, unsigned long, void*, WORD, void*, void*, DWORD, DWORD);

uint32_t Word(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

int RunIcmpCheck(uint32_t address, unsigned timeoutMs)
{
    HMODULE icmp = LoadLibraryA("Icmp.dll");
    if (!icmp) {
        Line("ping addr=%s error=no-icmp-dll", Dotted(address).c_str());
        return 2;
    }
    auto create = reinterpret_cast<IcmpCreateFileFn>(reinterpret_cast<void*>(GetProcAddress(icmp, "IcmpCreateFile")));
    auto close = reinterpret_cast<IcmpCloseHandleFn>(reinterpret_cast<void*>(GetProcAddress(icmp, "IcmpCloseHandle")));
    auto send = reinterpret_cast<IcmpSendEchoFn>(reinterpret_cast<void*>(GetProcAddress(icmp, "IcmpSendEcho")));
    HANDLE handle = create && close && send ? create() : INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE) {
        Line("ping addr=%s error=no-icmp-handle %lu", Dotted(address).c_str(), GetLastError());
        FreeLibrary(icmp);
        return 2;
    }
    unsigned char reply[kReplyBufferSize] = {};
    char data[sizeof kProbeData];
    memcpy(data, kProbeData, sizeof data);
    DWORD start = GetTickCount();
    DWORD replies =
        send(handle, address, data, static_cast<WORD>(sizeof kProbeData - 1), nullptr, reply, sizeof reply, timeoutMs);
    DWORD error = replies ? 0 : GetLastError();
    DWORD elapsed = GetTickCount() - start;
    Line("ping addr=%s replies=%lu status=%lu from=%s rtt_ms=%lu elapsed_ms=%lu error=%lu", Dotted(address).c_str(),
         replies, static_cast<unsigned long>(Word(reply + kReplyStatusOffset)),
         Dotted(Word(reply + kReplyAddressOffset)).c_str(),
         static_cast<unsigned long>(Word(reply + kReplyRoundTripOffset)), elapsed, error);
    close(handle);
    FreeLibrary(icmp);
    return replies ? 0 : 1;
}

}  // namespace lab
