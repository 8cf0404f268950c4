#include "LogWriter.h"

#include <windows.h>

#include <cstdarg>

#include "LogLine.h"

namespace {

// Every writer of the process goes through this one lock. Each line opens the file with write sharing
// refused (readers such as the console may look on, a second writer may not), so without it two threads
// logging at the same moment would see the second open refused and lose that line.
//
// It is made on first use. InterlockedExchange is the one atomic operation every target system has
// (compare-exchange arrived only with Windows 98 and NT 4), so a plain spin flag guards the set-up; the
// section lives for the whole process and is never deleted, as a writer may run until the very end.
CRITICAL_SECTION g_writerLock;
volatile LONG g_writerLockReady = 0;
volatile LONG g_writerLockSetup = 0;

CRITICAL_SECTION* WriterLock()
{
    if (!g_writerLockReady) {
        while (InterlockedExchange(&g_writerLockSetup, 1) != 0) {
            Sleep(0);
        }
        if (!g_writerLockReady) {
            InitializeCriticalSection(&g_writerLock);
            InterlockedExchange(&g_writerLockReady, 1);
        }
        InterlockedExchange(&g_writerLockSetup, 0);
    }
    return &g_writerLock;
}

void AppendToFile(const char* path, const char* line, DWORD length)
{
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, line, length, &written, nullptr);
    CloseHandle(file);
}

}  // namespace

void CLogWriter::WriteLine(const char* path, const char* message)
{
    if (!path || !path[0]) {
        return;
    }
    CRITICAL_SECTION* lock = WriterLock();
    EnterCriticalSection(lock);
    // The time is read inside the lock, so lines stand in the file in the order of their stamps.
    SYSTEMTIME now;
    GetSystemTime(&now);
    LogTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    char line[kLogLineBufferSize];
    size_t length = FormatLogLine(time, message, line);
    AppendToFile(path, line, static_cast<DWORD>(length));
    LeaveCriticalSection(lock);
}

void CLogWriter::WriteFormatted(const char* path, const char* fmt, ...)
{
    if (!path || !path[0]) {
        return;
    }
    char message[kFormattedMessageSize];
    va_list args;
    va_start(args, fmt);
    FormatLogMessageV(message, fmt, args);
    va_end(args);
    WriteLine(path, message);
}

void CLogWriter::AppendStampedLine(std::string* buffer, const char* message)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    LogTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    char line[kLogLineBufferSize];
    size_t length = FormatLogLine(time, message, line);
    buffer->append(line, length);
}

void CLogWriter::WriteLines(const char* path, const char* lines, size_t length)
{
    if (!path || !path[0] || length == 0) {
        return;
    }
    CRITICAL_SECTION* lock = WriterLock();
    EnterCriticalSection(lock);
    AppendToFile(path, lines, static_cast<DWORD>(length));
    LeaveCriticalSection(lock);
}
