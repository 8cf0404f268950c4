// DetectOs: the Windows family from the version numbers the system reports.
#pragma once

#include "OsType.h"

static_assert(sizeof(OsType) == 4, "OsType crosses the library boundary as a 32-bit value");

// Platform identifiers of the version structure (VER_PLATFORM_WIN32_WINDOWS, VER_PLATFORM_WIN32_NT).
constexpr unsigned long kPlatformWin9x = 1;
constexpr unsigned long kPlatformNt = 2;
constexpr unsigned long kNt4Major = 4;
constexpr unsigned long kNt5Major = 5;
// Windows 95 reports 4.0 on the 9x platform; 98 and Me report a non-zero minor version.
constexpr unsigned long kWin95Minor = 0;

// The family of a system reporting platformId and version major.minor; OsUnknown for any platform or NT
// version outside the four families (Win32s, NT 3.x, NT 6 and later).
OsType DetectOs(unsigned long platformId, unsigned long major, unsigned long minor);
