// CLogWriter: appends time-stamped lines to a log file, one open-append-close per line, so a log that was
// deleted or moved is simply started anew with the next line and no handle is ever held between lines.
#pragma once

#include <cstddef>
#include <string>

#include "LogLine.h"

class CLogWriter {
public:
    // Appends one line "MM/DD/YYYY  HH:MM:SS.mmm message\r\n" stamped with the system time (UTC) to the file
    // at path, creating it when missing. Nothing happens for an empty or null path; a file that cannot be
    // opened loses the line without any report.
    static void WriteLine(const char* path, const char* message);

    // Formats the message (printf rules) into a 512-character buffer, cut at its end, and writes it as one
    // line with WriteLine.
    static void WriteFormatted(const char* path, const char* fmt, ...) OMBRIX_PRINTF_LIKE(2, 3);

    // For a writer that gathers the lines of one piece of work and writes them together: AppendStampedLine
    // adds the line WriteLine would write, stamped now, to buffer; WriteLines appends such lines to the file
    // at path in one open-append-close. The file is still held by no handle between writes.
    static void AppendStampedLine(std::string* buffer, const char* message);
    static void WriteLines(const char* path, const char* lines, size_t length);
};
