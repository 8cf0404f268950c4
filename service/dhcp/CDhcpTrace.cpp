#include "CDhcpTrace.h"

#include <cstdarg>

// Every line of the component log may hold what a client sent (its host name, option bytes), so no control
// character reaches the sink.
void CDhcpTrace::Line(const char* message) const
{
    if (!Enabled()) {
        return;
    }
    if (!HasControlCharacters(message)) {
        sink_->TraceLine(message);
        return;
    }
    char copy[kFormattedMessageSize];
    FormatLogMessage(copy, "%s", message);
    ReplaceControlCharacters(copy);
    sink_->TraceLine(copy);
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
    ReplaceControlCharacters(message);
    sink_->TraceLine(message);
}
