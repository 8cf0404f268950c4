#pragma once
// Helpers of the route's and the plug-in's Wine tests: a scratch folder per test, files read as lines,
// bounded waits, and the shared Ombrix.Ini put back as it was.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "LogLine.h"

namespace providertest {

/// The folder of the running test program, with its trailing backslash.
inline std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full(path, length);
    return full.substr(0, full.find_last_of('\\') + 1);
}

inline bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

/// The file's lines without their CR LF; none when it does not exist.
inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    CloseHandle(file);
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

/// The messages of a log file, without their time stamps.
inline std::vector<std::string> LogMessages(const std::string& path)
{
    std::vector<std::string> messages;
    for (const std::string& line : ReadLines(path))
        messages.push_back(line.size() >= kLogStampLength ? line.substr(kLogStampLength) : line);
    return messages;
}

/// Polls `condition` until it holds or `timeoutMs` has passed; returns its last value.
inline bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return condition();
        Sleep(10);
    }
}

/// A folder of the test's own under the temporary directory, removed with its files at the end.
class CScratchFolder {
public:
    CScratchFolder()
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static unsigned counter = 0;
        path_ = std::string(temp) + "ombrix-provider-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter) + "\\";
        created_ = CreateDirectoryA(path_.c_str(), nullptr) != 0;
    }
    ~CScratchFolder()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                    DeleteFileA((path_ + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path_.c_str());
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    bool created() const { return created_; }
    /// The folder with its trailing backslash.
    const std::string& path() const { return path_; }

    /// Copies `from` into the folder under `name`; returns the copy's path ("" on failure).
    std::string CopyIn(const std::string& from, const std::string& name) const
    {
        const std::string to = path_ + name;
        return CopyFileA(from.c_str(), to.c_str(), FALSE) ? to : std::string();
    }

    /// Writes `text` as the whole file `name`.
    bool Write(const std::string& name, const std::string& text) const
    {
        HANDLE file = CreateFileA((path_ + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == text.size();
    }

private:
    std::string path_;
    bool created_ = false;
};

/// Ombrix.Ini as it was when a test began, put back at its end (removed when there was none): Wine tests
/// share the file, and each expects to find it as the one before left it.
class CIniFileSnapshot {
public:
    CIniFileSnapshot() : path_(IniPath())
    {
        existed_ = FileExists(path_);
        if (existed_)
            contents_ = ReadBytes(path_);
    }
    ~CIniFileSnapshot()
    {
        if (!existed_) {
            DeleteFileA(path_.c_str());
            return;
        }
        HANDLE file =
            CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        DWORD written = 0;
        WriteFile(file, contents_.data(), static_cast<DWORD>(contents_.size()), &written, nullptr);
        CloseHandle(file);
    }
    CIniFileSnapshot(const CIniFileSnapshot&) = delete;
    CIniFileSnapshot& operator=(const CIniFileSnapshot&) = delete;

    /// Sets one key of the file to `value`; nullptr removes the key.
    static bool Set(const char* section, const char* key, const char* value)
    {
        return WritePrivateProfileStringA(section, key, value, kIniName) != 0;
    }

private:
    static constexpr const char* kIniName = "Ombrix.Ini";

    static std::string IniPath()
    {
        char dir[MAX_PATH] = {};
        GetWindowsDirectoryA(dir, MAX_PATH);
        return std::string(dir) + "\\" + kIniName;
    }
    static std::string ReadBytes(const std::string& path)
    {
        std::string text;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return text;
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
            text.append(chunk, got);
        CloseHandle(file);
        return text;
    }

    std::string path_;
    bool existed_ = false;
    std::string contents_;
};

}  // namespace providertest
