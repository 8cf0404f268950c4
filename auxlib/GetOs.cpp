#include <windows.h>

#include "OsDetect.h"
#include "ombrixaux.h"

// The version structure of the ANSI call: the size the system checks before it fills anything in.
constexpr DWORD kOsVersionInfoASize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kOsVersionInfoASize, "OSVERSIONINFOA is the 148-byte structure");

namespace {

// One per process; the platform does not change while a program runs, so a family once found is kept.
OsType g_os = OsUnknown;

}  // namespace

extern "C" OsType OMBRIXAUX_API GetOs(void)
{
    if (g_os == OsUnknown) {
        OSVERSIONINFOA info = {};
        info.dwOSVersionInfoSize = kOsVersionInfoASize;
        if (GetVersionExA(&info)) {
            g_os = DetectOs(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
        }
    }
    return g_os;
}
