#include "ServiceLog.h"

#include <cstdarg>

#include "LogLine.h"
#include "LogWriter.h"

namespace {

// Set at process start, before any other thread runs, and read by every writer afterwards.
char g_serviceLogPath[kServiceLogPathLength + 1];

}  // namespace

void CServiceLog::SetPath(const char* path)
{
    size_t n = 0;
    while (path && n < kServiceLogPathLength && path[n] != '\0') {
        g_serviceLogPath[n] = path[n];
        ++n;
    }
    g_serviceLogPath[n] = '\0';
}

const char* CServiceLog::Path()
{
    return g_serviceLogPath;
}

void CServiceLog::Write(const char* message)
{
    CLogWriter::WriteLine(g_serviceLogPath, message);
}

void CServiceLog::WriteF(const char* fmt, ...)
{
    if (!g_serviceLogPath[0]) {
        return;
    }
    char message[kFormattedMessageSize];
    va_list args;
    va_start(args, fmt);
    FormatLogMessageV(message, fmt, args);
    va_end(args);
    Write(message);
}
