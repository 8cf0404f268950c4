// CServiceLog: the service log OmbrixDaemon.log, one per process, written by every part of the service.
// Its path is fixed once at start; until then, or while it is empty, nothing is written.
#pragma once

#include "LogLine.h"

#include <cstddef>

// Longest service log path kept; a longer one is cut.
constexpr size_t kServiceLogPathLength = 260;

class CServiceLog {
public:
    // Sets the file the log goes to (at most kServiceLogPathLength characters kept). Null or "" turns it off.
    static void SetPath(const char* path);

    // The current path, "" when off.
    static const char* Path();

    // Appends message as one log line.
    static void Write(const char* message);

    // Formats the message (printf rules) into a 512-character buffer, cut at its end, and appends it.
    static void WriteF(const char* fmt, ...) OMBRIX_PRINTF_LIKE(1, 2);
};
