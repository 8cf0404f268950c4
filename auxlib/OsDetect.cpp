#include "OsDetect.h"

OsType DetectOs(unsigned long platformId, unsigned long major, unsigned long minor)
{
    if (platformId == kPlatformWin9x) {
        return minor == kWin95Minor ? Win95 : Win98;
    }
    if (platformId == kPlatformNt) {
        if (major == kNt4Major) {
            return WinNT4;
        }
        if (major == kNt5Major) {
            return Win2000;
        }
    }
    return OsUnknown;
}
