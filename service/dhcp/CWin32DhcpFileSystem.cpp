#include "CWin32DhcpFileSystem.h"

namespace {

constexpr DWORD kNoFile = 0xFFFFFFFF;  // GetFileAttributesA's "no such file"
constexpr DWORD kReadChunk = 4096;

}  // namespace

CWin32DhcpFileSystem::~CWin32DhcpFileSystem()
{
    CloseWriting();
}

bool CWin32DhcpFileSystem::ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    contents->clear();
    uint8_t chunk[kReadChunk];
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof(chunk), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        contents->insert(contents->end(), chunk, chunk + got);
    }
    CloseHandle(file);
    return ok;
}

bool CWin32DhcpFileSystem::FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != kNoFile;
}

bool CWin32DhcpFileSystem::CreateForWriting(const std::string& path)
{
    CloseWriting();
    writing_ = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return writing_ != INVALID_HANDLE_VALUE;
}

size_t CWin32DhcpFileSystem::WriteBytes(const uint8_t* bytes, size_t length)
{
    if (writing_ == INVALID_HANDLE_VALUE) {
        return 0;
    }
    // A write that fails part-way reports what it wrote: the caller sees a short write.
    DWORD written = 0;
    WriteFile(writing_, bytes, static_cast<DWORD>(length), &written, nullptr);
    return written;
}

bool CWin32DhcpFileSystem::FlushAndClose()
{
    if (writing_ == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool flushed = FlushFileBuffers(writing_) != FALSE;
    const bool closed = CloseHandle(writing_) != FALSE;
    writing_ = INVALID_HANDLE_VALUE;
    return flushed && closed;
}

void CWin32DhcpFileSystem::CloseWriting()
{
    if (writing_ != INVALID_HANDLE_VALUE) {
        CloseHandle(writing_);
        writing_ = INVALID_HANDLE_VALUE;
    }
}

DhcpReplaceResult CWin32DhcpFileSystem::ReplaceInOneStep(const std::string& from, const std::string& to)
{
    if (os_ == Win95 || os_ == Win98) {
        return DhcpReplaceResult::Unsupported;
    }
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return DhcpReplaceResult::Replaced;
    }
    DWORD error = GetLastError();
    // Older NT releases know the replace but not the write-through flag; the data was flushed already.
    if (error == ERROR_INVALID_PARAMETER) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return DhcpReplaceResult::Replaced;
        }
        error = GetLastError();
    }
    return error == ERROR_CALL_NOT_IMPLEMENTED ? DhcpReplaceResult::Unsupported : DhcpReplaceResult::Failed;
}

bool CWin32DhcpFileSystem::RenameFile(const std::string& from, const std::string& to)
{
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool CWin32DhcpFileSystem::RemoveFile(const std::string& path)
{
    return DeleteFileA(path.c_str()) != FALSE;
}
