#include "WsControlTransport.h"

#include <windows.h>

namespace {

using WsControlEntry = DWORD(WINAPI*)(DWORD protocol, DWORD action, LPVOID request, LPDWORD requestLength,
                                      LPVOID response, LPDWORD responseLength);

}  // namespace

bool CWsControlTransport::Query(const TdiRequestBytes& request, std::vector<uint8_t>& buffer, uint32_t& returned)
{
    HMODULE wsock = LoadLibraryA("WSOCK32.DLL");
    if (!wsock)
        return false;
    bool answered = false;
    auto entry = reinterpret_cast<WsControlEntry>(GetProcAddress(wsock, "WsControl"));
    if (entry) {
        // The stack reads the request only; the copy keeps the caller's bytes as they were.
        TdiRequestBytes copy = request;
        DWORD requestLength = static_cast<DWORD>(copy.size());
        DWORD responseLength = static_cast<DWORD>(buffer.size());
        answered = entry(kWsControlProtocol, kWsControlQueryAction, copy.data(), &requestLength,
                         buffer.empty() ? nullptr : buffer.data(), &responseLength) == 0;
        returned = responseLength;
    }
    FreeLibrary(wsock);
    return answered;
}
