#include "LogLine.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kLineEnd[] = "\r\n";
static_assert(sizeof(kLineEnd) - 1 == kLogLineEndLength, "the line end is CR LF");

constexpr char kControlStandIn = '?';

bool IsControl(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

}  // namespace

bool HasControlCharacters(const char* text)
{
    for (; text && *text != '\0'; ++text) {
        if (IsControl(*text)) {
            return true;
        }
    }
    return false;
}

void ReplaceControlCharacters(char* text)
{
    for (; text && *text != '\0'; ++text) {
        if (IsControl(*text)) {
            *text = kControlStandIn;
        }
    }
}

size_t FormatLogLine(const LogTime& time, const char* message, char* out)
{
    // The stamp is written first on its own, so that cutting a long message never costs the line its end.
    int stamp = snprintf(out, kLogLineBufferSize, "%02i/%02i/%02i  %02i:%02i:%02i.%03i ", time.month, time.day,
                         time.year, time.hour, time.minute, time.second, time.millisecond);
    const size_t lastText = kLogLineBufferSize - 1;  // room for text; the last byte holds the zero
    size_t used = stamp < 0 ? 0 : static_cast<size_t>(stamp);
    if (used > lastText - kLogLineEndLength) {
        used = lastText - kLogLineEndLength;
    }
    size_t room = lastText - kLogLineEndLength - used;
    size_t length = 0;
    // Counted by hand: the older C runtimes of the target systems have no strnlen.
    while (message && length < room && message[length] != '\0') {
        out[used + length] = message[length];
        ++length;
    }
    used += length;
    memcpy(out + used, kLineEnd, kLogLineEndLength);
    used += kLogLineEndLength;
    out[used] = '\0';
    return used;
}

size_t FormatLogMessageV(char* out, const char* fmt, va_list args)
{
    out[0] = '\0';
    // A cut text comes back as -1 from some C runtimes and unterminated: the last byte is always set here,
    // and whatever was written up to it is the message.
    vsnprintf(out, kFormattedMessageSize, fmt ? fmt : "", args);
    out[kFormattedMessageSize - 1] = '\0';
    return strlen(out);
}

size_t FormatLogMessage(char* out, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    size_t n = FormatLogMessageV(out, fmt, args);
    va_end(args);
    return n;
}
