// The packet driver presence checks. Opening the device is the library's only contact with the driver; no
// request is sent.
#include <windows.h>

#include "AuxLibrary.h"
#include "DriverPresence.h"
#include "Win32Registry.h"
#include "ombrixaux.h"

namespace {

const char kPacketDriverPath[] = "\\\\.\\OMBRIX";

}  // namespace

extern "C" int OMBRIXAUX_API IsDriverLoaded(void)
{
    if (GetOs() == OsUnknown)
        return 0;
    HANDLE device = CreateFileA(kPacketDriverPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(device);
    return 1;
}

extern "C" int OMBRIXAUX_API IsDriverInstalled(void)
{
    return Guarded(0, [] {
        CWin32Registry registry;
        return IsDriverRegistered(registry, GetOs()) ? 1 : 0;
    });
}
