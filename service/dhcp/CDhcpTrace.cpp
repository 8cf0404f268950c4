#include "CDhcpTrace.h"

#include <cstdarg>

void CDhcpTrace::Line(const char* message) const
{
    if (Enabled()) {
        m_sink->TraceLine(message);
    }
}

void CDhcpTrace::Format(const char* fmt, ...) const
{
    if (!Enabled()) {
        return;
    }
    char message[kFormattedMessageSize];
    va_list args;
    va_start(args, fmt);
    FormatLogMessageV(message, fmt, args);
    va_end(args);
    m_sink->TraceLine(message);
}
