#pragma once
// CPosixDhcpFileSystem: the client database's file calls on a POSIX system, for the native benchmarks and
// the kill test (the Windows service maps the same calls to CreateFileA, MoveFileExA and friends). The
// replace is rename(2) after fsync(2), then an fsync of the directory.
#include "DhcpHostInterfaces.h"

class CPosixDhcpFileSystem : public IDhcpFileSystem {
public:
    CPosixDhcpFileSystem() = default;
    ~CPosixDhcpFileSystem() override;
    CPosixDhcpFileSystem(const CPosixDhcpFileSystem&) = delete;
    CPosixDhcpFileSystem& operator=(const CPosixDhcpFileSystem&) = delete;

    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents) override;
    bool FileExists(const std::string& path) override;
    bool CreateForWriting(const std::string& path) override;
    size_t WriteBytes(const uint8_t* bytes, size_t length) override;
    bool FlushAndClose() override;
    void CloseWriting() override;
    DhcpReplaceResult ReplaceInOneStep(const std::string& from, const std::string& to) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool RemoveFile(const std::string& path) override;

private:
    int writing_ = -1;
};
