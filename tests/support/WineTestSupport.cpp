#include "WineTestSupport.h"

#include <cctype>
#include <cstring>

#include "LogLine.h"

namespace winetest {
namespace {

constexpr const char kIniName[] = "Ombrix.Ini";
constexpr DWORD kPollMs = 10;
// How many names a scratch folder tries before it gives up: each try that finds the name taken (a folder
// left by a run whose process had the same id) moves on to the next.
constexpr unsigned kScratchAttempts = 100;
// The longest value a test reads back from Ombrix.Ini; the programs' own keys are far shorter.
constexpr DWORD kIniValueSize = 1024;
// Stands for a missing key when a key is saved: no program writes a control character there.
constexpr const char kAbsentKey[] = "\x01";

bool IsStampAt(const std::string& text, size_t at)
{
    static const char kShape[] = "99/99/9999  99:99:99.999 ";
    static_assert(sizeof(kShape) - 1 == kLogStampLength, "the stamp's shape has the stamp's length");
    if (at + kLogStampLength > text.size())
        return false;
    for (size_t i = 0; i < kLogStampLength; ++i) {
        const char c = text[at + i];
        if (kShape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(c)) : c != kShape[i])
            return false;
    }
    return true;
}

// Calls idle between checks of condition until it holds or timeoutMs has passed.
template <typename Idle>
testing::AssertionResult Poll(const std::function<bool()>& condition, DWORD timeoutMs, Idle idle)
{
    const DWORD start = GetTickCount();
    for (unsigned checks = 1;; ++checks) {
        if (condition())
            return testing::AssertionSuccess();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return testing::AssertionFailure()
                   << "still not so after " << elapsed << " ms (bound " << timeoutMs << " ms, " << checks << " checks)";
        idle();
    }
}

}  // namespace

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        const DWORD error = GetLastError();
        ADD_FAILURE() << "GetModuleFileName gave " << length << " characters: error " << error;
    }
    const std::string full(path, length);
    return full.substr(0, full.find_last_of('\\') + 1);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

testing::AssertionResult WriteWholeFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return testing::AssertionFailure() << "cannot create " << path << ": error " << error;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok)
        return testing::AssertionFailure() << "cannot write " << path << ": error " << error;
    if (written != bytes.size())
        return testing::AssertionFailure() << "wrote " << written << " of " << bytes.size() << " bytes to " << path;
    return testing::AssertionSuccess();
}

std::vector<std::string> ReadLines(const std::string& path)
{
    const std::string text = ReadWholeFile(path);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> LinesWithTheirEnds(const std::string& text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

std::vector<std::string> LogMessages(const std::string& path)
{
    const std::string text = ReadWholeFile(path);
    std::vector<size_t> starts;
    for (size_t at = 0; at < text.size(); ++at) {
        if ((at == 0 || (at >= 2 && text[at - 2] == '\r' && text[at - 1] == '\n')) && IsStampAt(text, at))
            starts.push_back(at);
    }
    std::vector<std::string> messages;
    for (size_t i = 0; i < starts.size(); ++i) {
        const size_t begin = starts[i] + kLogStampLength;
        size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        if (end >= begin + 2 && text.compare(end - 2, 2, "\r\n") == 0)
            end -= 2;
        messages.push_back(text.substr(begin, end - begin));
    }
    return messages;
}

bool RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(path + "\\");
            } else {
                // A test may have left a file read-only on purpose.
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(folder.c_str()) != 0 || !FileExists(folder);
}

testing::AssertionResult WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    return Poll(condition, timeoutMs, [] { Sleep(kPollMs); });
}

testing::AssertionResult PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    return Poll(condition, timeoutMs, [] {
        // Sleeps until a message comes, or a short slice passes to check conditions set elsewhere.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    });
}

CScratchFolder::CScratchFolder()
{
    static unsigned made = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (unsigned attempt = 0; attempt < kScratchAttempts; ++attempt) {
        path_ =
            std::string(temp) + "ombrix-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) {
            createError_ = ERROR_SUCCESS;
            return;
        }
        createError_ = GetLastError();
        if (createError_ != ERROR_ALREADY_EXISTS)
            return;
    }
}

CScratchFolder::~CScratchFolder()
{
    if (createError_ == ERROR_SUCCESS)
        RemoveFolder(path_);
}

testing::AssertionResult CScratchFolder::Created() const
{
    if (createError_ != ERROR_SUCCESS)
        return testing::AssertionFailure() << "cannot make the folder " << path_ << ": error " << createError_;
    return testing::AssertionSuccess();
}

std::vector<std::string> CScratchFolder::Names() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

testing::AssertionResult CScratchFolder::CopyIn(const std::string& from, const std::string& name) const
{
    const std::string to = File(name);
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        const DWORD error = GetLastError();
        return testing::AssertionFailure() << "cannot copy " << from << " to " << to << ": error " << error;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult CScratchFolder::Write(const std::string& name, const std::string& text) const
{
    return WriteWholeFile(File(name), text);
}

std::string IniPath()
{
    char dir[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        const DWORD error = GetLastError();
        ADD_FAILURE() << "GetWindowsDirectory gave " << length << " characters: error " << error;
    }
    return std::string(dir) + "\\" + kIniName;
}

testing::AssertionResult RemoveIni()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kIniName);
    const std::string path = IniPath();
    if (!DeleteFileA(path.c_str())) {
        const DWORD error = GetLastError();
        if (FileExists(path))
            return testing::AssertionFailure() << "cannot remove " << path << ": error " << error;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult WriteIni(const char* section, const char* key, const char* value)
{
    if (!WritePrivateProfileStringA(section, key, value, kIniName)) {
        const DWORD error = GetLastError();
        return testing::AssertionFailure()
               << "cannot " << (value ? "set" : "remove") << " [" << section << "] " << key << (value ? " to " : "")
               << (value ? value : "") << " in " << IniPath() << ": error " << error;
    }
    return testing::AssertionSuccess();
}

std::string ReadIni(const char* section, const char* key, const char* missing)
{
    char value[kIniValueSize] = {};
    GetPrivateProfileStringA(section, key, missing, value, sizeof value, kIniName);
    return value;
}

int ReadIniInt(const char* section, const char* key, int missing)
{
    return static_cast<int>(GetPrivateProfileIntA(section, key, missing, kIniName));
}

CIniKeys::CIniKeys(std::initializer_list<std::pair<const char*, const char*>> keys)
{
    for (const auto& k : keys) {
        const std::string value = ReadIni(k.first, k.second, kAbsentKey);
        saved_.push_back({k.first, k.second, value != kAbsentKey, value});
    }
}

CIniKeys::~CIniKeys()
{
    for (const Saved& s : saved_)
        WriteIni(s.section.c_str(), s.key.c_str(), s.had ? s.value.c_str() : nullptr);
}

CIniFileSnapshot::CIniFileSnapshot()
{
    const std::string path = IniPath();
    existed_ = FileExists(path);
    if (existed_)
        contents_ = ReadWholeFile(path);
}

CIniFileSnapshot::~CIniFileSnapshot()
{
    const std::string path = IniPath();
    if (existed_)
        EXPECT_TRUE(WriteWholeFile(path, contents_)) << "Ombrix.Ini was not put back";
    else
        DeleteFileA(path.c_str());
}

testing::AssertionResult SetWineVersion(const std::string& exeName, const char* version)
{
    const std::string name = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY key;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return testing::AssertionFailure() << "cannot open HKCU\\" << name << ": error " << rc;
    if (version != nullptr) {
        rc = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                            static_cast<DWORD>(strlen(version) + 1));
    } else {
        rc = RegDeleteValueA(key, "Version");
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return testing::AssertionFailure() << "cannot " << (version ? "set" : "remove") << " Version "
                                           << (version ? version : "") << " under HKCU\\" << name << ": error " << rc;
    return testing::AssertionSuccess();
}

testing::AssertionResult ProcessResult::RanToItsEnd() const
{
    if (!started)
        return testing::AssertionFailure() << "did not start: error " << startError;
    if (!ended)
        return testing::AssertionFailure()
               << "still running after " << timeoutMs << " ms; it printed \"" << output << "\"";
    return testing::AssertionSuccess();
}

ProcessResult Run(const std::string& commandLine, DWORD timeoutMs)
{
    ProcessResult result;
    result.timeoutMs = timeoutMs;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        result.startError = GetLastError();
        return result;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    result.started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
    if (!result.started)
        result.startError = GetLastError();
    CloseHandle(writeEnd);
    if (!result.started) {
        CloseHandle(readEnd);
        return result;
    }
    result.ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!result.ended)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    // Every writer of the pipe is gone now, so reading ends at its end.
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        result.output.append(buffer, got);
    CloseHandle(readEnd);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

}  // namespace winetest
