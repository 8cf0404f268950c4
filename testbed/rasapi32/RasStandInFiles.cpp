#include "RasStandInFiles.h"

#include <windows.h>

#include <string>
#include <vector>

#include "RasJournalLine.h"

namespace {

HMODULE g_self = nullptr;
HANDLE g_stateMutex = nullptr;
// The fixture text whose problems were journalled last; guarded by the caller's lock (RasStandIn.cpp
// calls RasLoadFixture only under its own).
std::string g_lastProblemText;

constexpr char kStateMutexName[] = "OmbrixRasStandInStateFile";
/// Long enough for any other process's read and rename; a holder that died leaves the mutex abandoned,
/// which counts as acquired.
constexpr DWORD kStateLockWaitMs = 10000;
/// A journal line is lost rather than waited for without end when another process holds the file in a
/// way that refuses sharing.
constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenRetryMs = 5;
constexpr DWORD kMaxFileBytes = 1 << 20;

constexpr char kConnectedWord[] = "connected ";
constexpr char kDisconnectedLine[] = "disconnected";

std::string BesideSelf(const char* name)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(g_self, path, MAX_PATH);
    std::string result(path, length < MAX_PATH ? length : 0);
    return result.substr(0, result.find_last_of("\\/") + 1) + name;
}

std::string PathFrom(const char* variable, const char* fallback)
{
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(variable, value, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return std::string(value, length);
    return BesideSelf(fallback);
}

bool ReadWholeFile(const std::string& path, std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text.clear();
    char chunk[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != FALSE) && got > 0) {
        text.append(chunk, got);
        if (text.size() > kMaxFileBytes) {
            ok = false;
            break;
        }
    }
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

}  // namespace

void RasFilesAttach(HMODULE self)
{
    g_self = self;
    g_stateMutex = CreateMutexA(nullptr, FALSE, kStateMutexName);
}

void RasFilesDetach()
{
    if (g_stateMutex)
        CloseHandle(g_stateMutex);
    g_stateMutex = nullptr;
}

void RasJournal(const std::string& line)
{
    const std::string path = PathFrom(kRasJournalVariable, kRasJournalDefault);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            return;
        Sleep(kOpenRetryMs);
    }
}

RasFixture RasLoadFixture()
{
    const std::string path = PathFrom(kRasFixtureVariable, kRasFixtureDefault);
    std::string text;
    if (!ReadWholeFile(path, text)) {
        const std::string marker = "\x01unreadable " + path;
        if (marker != g_lastProblemText) {
            g_lastProblemText = marker;
            RasJournal(CRasJournalLine("fixture").Text("path", path).Word("problem", "unreadable").Line());
        }
        return RasFixture();
    }
    RasFixture fixture = ParseRasFixture(text);
    if (text != g_lastProblemText) {
        g_lastProblemText = text;
        for (const std::string& problem : fixture.problems)
            RasJournal(CRasJournalLine("fixture").Text("path", path).Text("problem", problem).Line());
    }
    return fixture;
}

std::vector<std::string> RasReadConnected()
{
    std::vector<std::string> entries;
    std::string text;
    if (!ReadWholeFile(PathFrom(kRasStateVariable, kRasStateDefault), text))
        return entries;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, sizeof kConnectedWord - 1, kConnectedWord) == 0)
            entries.push_back(line.substr(sizeof kConnectedWord - 1));
        begin = end + 1;
    }
    return entries;
}

bool RasWriteConnected(const std::vector<std::string>& entries)
{
    // LF line ends: the network lab reads the file from the Linux side.
    std::string text;
    CRasJournalLine line("state");
    for (const std::string& entry : entries) {
        text += kConnectedWord + entry + "\n";
        line.Text("connected", entry);
    }
    if (entries.empty()) {
        text = std::string(kDisconnectedLine) + "\n";
        line.Word("now", kDisconnectedLine);
    }
    const std::string path = PathFrom(kRasStateVariable, kRasStateDefault);
    const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    bool ok =
        WriteWholeFile(temporary, text) && MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok) {
        DeleteFileA(temporary.c_str());
        line.Word("written", "no");
    }
    RasJournal(line.Line());
    return ok;
}

CRasStateLock::CRasStateLock()
{
    if (!g_stateMutex)
        return;
    const DWORD waited = WaitForSingleObject(g_stateMutex, kStateLockWaitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

CRasStateLock::~CRasStateLock()
{
    if (held_)
        ReleaseMutex(g_stateMutex);
}
