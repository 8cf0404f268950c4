// CLogWriter under Wine: the real file functions, sharing rules and clock.
#include "LogWriter.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "LogLine.h"
#include "WineTestSupport.h"

namespace {

using winetest::CScratchFolder;
using winetest::LinesWithTheirEnds;
using winetest::ReadWholeFile;

const std::regex kLinePattern(R"(^(\d\d)/(\d\d)/(\d{4})  (\d\d):(\d\d):(\d\d)\.(\d{3}) (.*)\r\n$)");

// 100-ns units since 1601 of a SYSTEMTIME, for comparing stamps with the clock.
ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file;
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file));
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

constexpr ULONGLONG kTicksPerSecond = 10000000ULL;
constexpr ULONGLONG kClockSlack = 3 * kTicksPerSecond;

struct ParsedLine {
    SYSTEMTIME time;
    std::string message;
};

bool Parse(const std::string& line, ParsedLine* parsed)
{
    std::smatch m;
    if (!std::regex_match(line, m, kLinePattern)) {
        return false;
    }
    SYSTEMTIME t = {};
    t.wMonth = static_cast<WORD>(std::stoi(m[1]));
    t.wDay = static_cast<WORD>(std::stoi(m[2]));
    t.wYear = static_cast<WORD>(std::stoi(m[3]));
    t.wHour = static_cast<WORD>(std::stoi(m[4]));
    t.wMinute = static_cast<WORD>(std::stoi(m[5]));
    t.wSecond = static_cast<WORD>(std::stoi(m[6]));
    t.wMilliseconds = static_cast<WORD>(std::stoi(m[7]));
    parsed->time = t;
    parsed->message = m[8];
    return true;
}

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.Created()); }
    CScratchFolder dir_;
};

TEST_F(LogWriterTest, LineHasTheStampOfTheSystemTimeInUtc)
{
    std::string path = dir_.File("comp.log");
    SYSTEMTIME before, after;
    GetSystemTime(&before);
    CLogWriter::WriteLine(path.c_str(), "DHCP server started");
    GetSystemTime(&after);

    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 1u);
    ParsedLine parsed;
    ASSERT_TRUE(Parse(lines[0], &parsed)) << "line: [" << lines[0] << "]";
    EXPECT_EQ(parsed.message, "DHCP server started");
    ULONGLONG stamp = Ticks(parsed.time);
    EXPECT_GE(stamp + kClockSlack, Ticks(before)) << lines[0];
    EXPECT_LE(stamp, Ticks(after) + kClockSlack) << lines[0];
}

TEST_F(LogWriterTest, StampIsUtcNotLocalTime)
{
    TIME_ZONE_INFORMATION zone;
    DWORD kind = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
    if (bias == 0) {
        GTEST_SKIP() << "this machine's zone is UTC: local and system time agree (ctest runs this again under TZ)";
    }
    std::string path = dir_.File("utc.log");
    SYSTEMTIME local;
    GetLocalTime(&local);
    CLogWriter::WriteLine(path.c_str(), "x");
    ParsedLine parsed;
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_TRUE(Parse(lines[0], &parsed));
    ULONGLONG stamp = Ticks(parsed.time);
    ULONGLONG localTicks = Ticks(local);
    ULONGLONG distance = stamp > localTicks ? stamp - localTicks : localTicks - stamp;
    EXPECT_GT(distance, kClockSlack) << "stamp follows local time: " << lines[0];
}

TEST_F(LogWriterTest, LongMessageGivesA199CharacterLineWithItsLineEnd)
{
    std::string path = dir_.File("long.log");
    std::string message;
    for (int i = 0; i < 300; ++i)
        message += static_cast<char>('A' + i % 26);
    CLogWriter::WriteLine(path.c_str(), message.c_str());
    std::string text = ReadWholeFile(path);
    ASSERT_EQ(text.size(), 199u) << text;
    EXPECT_EQ(text.substr(197), "\r\n");
    EXPECT_EQ(text.substr(kLogStampLength, 172), message.substr(0, 172));
}

TEST_F(LogWriterTest, LinesAreAppendedToAnExistingFile)
{
    std::string path = dir_.File("append.log");
    ASSERT_TRUE(winetest::WriteWholeFile(path, "kept from before\r\n"));
    CLogWriter::WriteLine(path.c_str(), "one");
    CLogWriter::WriteLine(path.c_str(), "two");
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "kept from before\r\n");
    ParsedLine one, two;
    ASSERT_TRUE(Parse(lines[1], &one));
    ASSERT_TRUE(Parse(lines[2], &two));
    EXPECT_EQ(one.message, "one");
    EXPECT_EQ(two.message, "two");
}

TEST_F(LogWriterTest, LinesOfTheSameMillisecondKeepTheirOrder)
{
    std::string path = dir_.File("order.log");
    // Written until two neighbours share a stamp (bounded), then every line checked for its place.
    constexpr int kMaxLines = 5000;
    int written = 0;
    bool sameMillisecond = false;
    SYSTEMTIME last = {};
    while (written < kMaxLines && (!sameMillisecond || written < 50)) {
        SYSTEMTIME now;
        GetSystemTime(&now);
        if (written > 0 && Ticks(now) == Ticks(last))
            sameMillisecond = true;
        last = now;
        CLogWriter::WriteLine(path.c_str(), std::to_string(written).c_str());
        ++written;
    }
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), static_cast<size_t>(written));
    int shared = 0;
    ULONGLONG previous = 0;
    for (int i = 0; i < written; ++i) {
        ParsedLine parsed;
        ASSERT_TRUE(Parse(lines[i], &parsed)) << lines[i];
        ASSERT_EQ(parsed.message, std::to_string(i)) << "line " << i << " out of order";
        ULONGLONG stamp = Ticks(parsed.time);
        ASSERT_GE(stamp, previous) << "stamps go backwards at line " << i;
        if (stamp == previous)
            ++shared;
        previous = stamp;
    }
    EXPECT_GT(shared, 0) << "no two lines shared a millisecond in " << written << " lines";
}

TEST_F(LogWriterTest, DeletedFileIsStartedAnewWithTheNextLine)
{
    std::string path = dir_.File("deleted.log");
    CLogWriter::WriteLine(path.c_str(), "before");
    ASSERT_EQ(LinesWithTheirEnds(ReadWholeFile(path)).size(), 1u);
    ASSERT_TRUE(DeleteFileA(path.c_str())) << "the writer must not hold the file open: error " << GetLastError();
    CLogWriter::WriteLine(path.c_str(), "after");
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 1u);
    ParsedLine parsed;
    ASSERT_TRUE(Parse(lines[0], &parsed));
    EXPECT_EQ(parsed.message, "after");
}

TEST_F(LogWriterTest, EmptyPathWritesNothingAndTouchesNoFile)
{
    SetLastError(ERROR_INVALID_FUNCTION);
    CLogWriter::WriteLine("", "lost");
    CLogWriter::WriteLine(nullptr, "lost");
    CLogWriter::WriteFormatted("", "%s", "lost");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION)) << "a file function was called";
    EXPECT_TRUE(dir_.Names().empty());
}

TEST_F(LogWriterTest, UnopenablePathDropsTheLineSilently)
{
    std::string missingDir = dir_.File("no-such-dir");
    std::string path = missingDir + "\\x.log";
    CLogWriter::WriteLine(path.c_str(), "dropped");
    EXPECT_EQ(GetFileAttributesA(missingDir.c_str()), INVALID_FILE_ATTRIBUTES) << "directory was created";
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LogWriterTest, ReadOnlyFileDropsTheLine)
{
    std::string path = dir_.File("readonly.log");
    ASSERT_TRUE(winetest::WriteWholeFile(path, "old\r\n"));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        // Wine keeps the attribute in the Unix permission bits, which a process running as root is not held to.
        CloseHandle(probe);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "this system opens a read-only file for writing";
    }
    CLogWriter::WriteLine(path.c_str(), "dropped");
    EXPECT_EQ(ReadWholeFile(path), "old\r\n");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(LogWriterTest, ReaderMayKeepTheFileOpenMeanwhile)
{
    std::string path = dir_.File("watched.log");
    CLogWriter::WriteLine(path.c_str(), "first");
    // The console reads the tail of the log with write sharing allowed while the service writes.
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    CLogWriter::WriteLine(path.c_str(), "second");
    CloseHandle(reader);
    EXPECT_EQ(LinesWithTheirEnds(ReadWholeFile(path)).size(), 2u);
}

TEST_F(LogWriterTest, AnotherWriterHoldingTheFileCostsTheLine)
{
    std::string path = dir_.File("held.log");
    CLogWriter::WriteLine(path.c_str(), "first");
    HANDLE other = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    CLogWriter::WriteLine(path.c_str(), "refused by the sharing rule");
    CloseHandle(other);
    CLogWriter::WriteLine(path.c_str(), "third");
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 2u);
    ParsedLine parsed;
    ASSERT_TRUE(Parse(lines[1], &parsed));
    EXPECT_EQ(parsed.message, "third");
}

TEST_F(LogWriterTest, WriteFormattedFormatsThenCuts)
{
    std::string path = dir_.File("formatted.log");
    CLogWriter::WriteFormatted(path.c_str(), "Offer %i.%i.%i.%i to %s", 192, 168, 0, 5, "client");
    std::string wide(600, 'w');
    CLogWriter::WriteFormatted(path.c_str(), "%s", wide.c_str());
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 2u);
    ParsedLine parsed;
    ASSERT_TRUE(Parse(lines[0], &parsed));
    EXPECT_EQ(parsed.message, "Offer 192.168.0.5 to client");
    EXPECT_EQ(lines[1].size(), 199u);
    ASSERT_TRUE(Parse(lines[1], &parsed));
    EXPECT_EQ(parsed.message, std::string(172, 'w'));
}

struct ThreadJob {
    const char* path;
    int thread;
    int lines;
    HANDLE start;
};

DWORD WINAPI WriteLines(void* param)
{
    const ThreadJob* job = static_cast<const ThreadJob*>(param);
    WaitForSingleObject(job->start, INFINITE);
    for (int i = 0; i < job->lines; ++i) {
        char message[64];
        snprintf(message, sizeof(message), "thread %d line %03d ................................", job->thread, i);
        CLogWriter::WriteLine(job->path, message);
    }
    return 0;
}

TEST_F(LogWriterTest, ConcurrentWritersLoseNoLine)
{
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 150;
    constexpr DWORD kJoinTimeoutMs = 60000;
    std::string path = dir_.File("threads.log");
    HANDLE start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ThreadJob jobs[kThreads];
    HANDLE threads[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        jobs[t] = {path.c_str(), t, kLinesEach, start};
        threads[t] = CreateThread(nullptr, 0, WriteLines, &jobs[t], 0, nullptr);
        ASSERT_NE(threads[t], nullptr);
    }
    SetEvent(start);
    ASSERT_EQ(WaitForMultipleObjects(kThreads, threads, TRUE, kJoinTimeoutMs), WAIT_OBJECT_0);
    for (HANDLE h : threads)
        CloseHandle(h);
    CloseHandle(start);

    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
    int next[kThreads] = {};
    for (const std::string& line : lines) {
        ParsedLine parsed;
        ASSERT_TRUE(Parse(line, &parsed)) << "broken line: [" << line << "]";
        int thread = -1, index = -1;
        ASSERT_EQ(sscanf(parsed.message.c_str(), "thread %d line %d", &thread, &index), 2) << line;
        ASSERT_GE(thread, 0);
        ASSERT_LT(thread, kThreads);
        EXPECT_EQ(index, next[thread]) << "thread " << thread << " lines out of order or missing";
        next[thread] = index + 1;
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(next[t], kLinesEach) << "thread " << t;
}

}  // namespace
