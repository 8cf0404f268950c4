// LogLine: the text of one log line, shared by the service log and the component logs.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Lets the compiler check the arguments of the printf-like log functions against the rules of the C
// runtime that formats them (mingw's own printf, not the system's, on the Windows builds).
#if defined(__MINGW_PRINTF_FORMAT)
#define OMBRIX_PRINTF_LIKE(fmt, args) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, args)))
#elif defined(__GNUC__)
#define OMBRIX_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define OMBRIX_PRINTF_LIKE(fmt, args)
#endif

// The line is built in a buffer of this size, terminating zero included, so a long message is cut while
// the stamp and the line end always survive.
constexpr size_t kLogLineBufferSize = 200;
// Length of the stamp "MM/DD/YYYY  HH:MM:SS.mmm " for a four-digit year.
constexpr size_t kLogStampLength = 25;
// Carriage return and line feed.
constexpr size_t kLogLineEndLength = 2;
// A formatted message is made in a buffer of this size (terminating zero included) before it becomes a line.
constexpr size_t kFormattedMessageSize = 512;

// The moment a line is stamped with; the fields keep the values of the system time they came from.
struct LogTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
    int millisecond;
};

// Builds the line "MM/DD/YYYY  HH:MM:SS.mmm message\r\n" into out (kLogLineBufferSize bytes). A message that
// does not fit is cut so that the line still ends in CR LF. message may be null (taken as empty).
// Returns the length of the line without the terminating zero.
size_t FormatLogLine(const LogTime& time, const char* message, char* out);

// Formats fmt with args into out (kFormattedMessageSize bytes), cut at the buffer's end and always
// terminated. Returns the length of the text in out.
size_t FormatLogMessageV(char* out, const char* fmt, va_list args);
size_t FormatLogMessage(char* out, const char* fmt, ...) OMBRIX_PRINTF_LIKE(2, 3);

// A message may carry text a client chose (a DHCP host name): a CR or LF in it would end the line early
// and let the client write lines of its own into a log, and other control characters garble a reader's
// screen. Logs fed such text replace each control character (below 0x20, and 0x7F) with '?'. The service's
// own texts keep theirs (one of its lines deliberately holds CR LF TAB).
bool HasControlCharacters(const char* text);
void ReplaceControlCharacters(char* text);
