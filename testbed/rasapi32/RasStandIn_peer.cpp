// A second process for the stand-in's Wine test: loads RASAPI32.DLL as the console does and answers with
// one line on standard output, so the test sees what another program sees of its connections.
//   RasStandIn_peer enum           "result=N connections=N entry=NAME handle=0xH" (entry and handle: the first)
//   RasStandIn_peer hangup 0xH     "result=N"
#include <windows.h>
#include <ras.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using EnumConnectionsFn = DWORD(WINAPI*)(LPRASCONNA, LPDWORD, LPDWORD);
using HangUpFn = DWORD(WINAPI*)(HRASCONN);

// The first version of the connection record: the handle, then the names, packed to 4 bytes.
constexpr size_t kHandleOffset = 4;
constexpr size_t kEntryOffset = kHandleOffset + sizeof(HRASCONN);
constexpr DWORD kConnectionSize = (kEntryOffset + 257 + 17 + 129 + 3) & ~3u;

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    HMODULE library = LoadLibraryA("RASAPI32.DLL");
    if (!library) {
        std::printf("load=%lu\n", GetLastError());
        return 1;
    }
    if (std::strcmp(argv[1], "enum") == 0) {
        auto enumerate = reinterpret_cast<EnumConnectionsFn>(
            reinterpret_cast<void*>(GetProcAddress(library, "RasEnumConnectionsA")));
        if (!enumerate)
            return 1;
        std::vector<unsigned char> record(kConnectionSize, 0);
        std::memcpy(record.data(), &kConnectionSize, sizeof kConnectionSize);
        DWORD bytes = kConnectionSize;
        DWORD count = 0;
        const DWORD result = enumerate(reinterpret_cast<LPRASCONNA>(record.data()), &bytes, &count);
        HRASCONN handle = nullptr;
        std::memcpy(&handle, &record[kHandleOffset], sizeof handle);
        std::printf("result=%lu connections=%lu entry=%s handle=0x%llX\n", result, count,
                    reinterpret_cast<const char*>(&record[kEntryOffset]),
                    static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
    } else if (std::strcmp(argv[1], "hangup") == 0 && argc == 3) {
        auto hangUp = reinterpret_cast<HangUpFn>(reinterpret_cast<void*>(GetProcAddress(library, "RasHangUpA")));
        if (!hangUp)
            return 1;
        const ULONG_PTR value = static_cast<ULONG_PTR>(std::strtoull(argv[2], nullptr, 16));
        std::printf("result=%lu\n", hangUp(reinterpret_cast<HRASCONN>(value)));
    } else {
        return 2;
    }
    FreeLibrary(library);
    return 0;
}
