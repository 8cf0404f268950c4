#include "WineHarness.h"

#include <cctype>
#include <cstring>

namespace harness {
namespace {
constexpr const char kStageRoot[] = "C:\\ombrixtest\\";
constexpr DWORD kPollMs = 50;
constexpr size_t kStampLength = 25;  // "MM/DD/YYYY  HH:MM:SS.mmm "

bool IsStampAt(const std::string& text, size_t at)
{
    static const char kShape[] = "99/99/9999  99:99:99.999 ";
    static_assert(sizeof(kShape) - 1 == kStampLength, "stamp shape");
    if (at + kStampLength > text.size())
        return false;
    for (size_t i = 0; i < kStampLength; ++i) {
        const char c = text[at + i];
        if (kShape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(c)) : c != kShape[i])
            return false;
    }
    return true;
}

void DeleteTree(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(dir + name + "\\");
            else
                DeleteFileA((dir + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}
}  // namespace

std::string BinDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string Stage(const std::string& name, const std::vector<std::string>& files)
{
    CreateDirectoryA(kStageRoot, nullptr);
    const std::string dir = std::string(kStageRoot) + name + "\\";
    DeleteTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    for (const std::string& file : files)
        CopyFileA((BinDir() + file).c_str(), (dir + file).c_str(), FALSE);
    return dir;
}

void SetWineVersion(const std::string& exeName, const std::string& version)
{
    const std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
        RegCloseKey(handle);
    }
}

ProcessResult Run(const std::string& commandLine, DWORD timeoutMs)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return result;
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
    const BOOL created =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd);
        return result;
    }
    result.finished = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!result.finished)
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

CChildProcess::~CChildProcess()
{
    if (process_ != nullptr) {
        if (Running())
            TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
}

bool CChildProcess::Start(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    return true;
}

bool CChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode)
{
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(process_, exitCode);
    return true;
}

bool CChildProcess::Running() const
{
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

std::string ReadFileText(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> LogMessages(const std::string& path)
{
    const std::string text = ReadFileText(path);
    std::vector<size_t> starts;
    for (size_t at = 0; at < text.size(); ++at) {
        if ((at == 0 || (at >= 2 && text[at - 2] == '\r' && text[at - 1] == '\n')) && IsStampAt(text, at))
            starts.push_back(at);
    }
    std::vector<std::string> messages;
    for (size_t i = 0; i < starts.size(); ++i) {
        const size_t begin = starts[i] + kStampLength;
        size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        if (end >= begin + 2 && text.compare(end - 2, 2, "\r\n") == 0)
            end -= 2;
        messages.push_back(text.substr(begin, end - begin));
    }
    return messages;
}

std::string IniPath()
{
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\Ombrix.Ini";
}

void RemoveIni()
{
    // Flush the profile cache before the file goes, so no stale copy is written back.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "Ombrix.Ini");
    DeleteFileA(IniPath().c_str());
}

void WriteIni(const char* section, const char* key, const char* value)
{
    WritePrivateProfileStringA(section, key, value, "Ombrix.Ini");
}

namespace {
template <typename F>
bool WithService(const char* name, DWORD access, F use)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return false;
    SC_HANDLE service = OpenServiceA(manager, name, access);
    bool ok = false;
    if (service != nullptr) {
        ok = use(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return ok;
}
}  // namespace

DWORD ServiceState(const char* name)
{
    DWORD state = 0;
    WithService(name, SERVICE_QUERY_STATUS, [&](SC_HANDLE service) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status))
            return false;
        state = status.dwCurrentState;
        return true;
    });
    return state;
}

DWORD ServiceExitCode(const char* name)
{
    DWORD code = ~0u;
    WithService(name, SERVICE_QUERY_STATUS, [&](SC_HANDLE service) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status))
            return false;
        code = status.dwWin32ExitCode;
        return true;
    });
    return code;
}

bool StartServiceByName(const char* name)
{
    return WithService(name, SERVICE_START, [](SC_HANDLE service) { return StartServiceA(service, 0, nullptr) != 0; });
}

bool ControlServiceByName(const char* name, DWORD control, SERVICE_STATUS* status)
{
    return WithService(name, SERVICE_STOP | SERVICE_INTERROGATE | SERVICE_QUERY_STATUS, [&](SC_HANDLE service) {
        SERVICE_STATUS local;
        return ControlService(service, control, status ? status : &local) != 0;
    });
}

bool DeleteServiceByName(const char* name)
{
    return WithService(name, DELETE, [](SC_HANDLE service) { return DeleteService(service) != 0; });
}

bool WaitForServiceState(const char* name, DWORD state, DWORD timeoutMs)
{
    return WaitFor([&] { return ServiceState(name) == state; }, timeoutMs);
}

}  // namespace harness
