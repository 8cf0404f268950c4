#include "CPosixDhcpFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kFileMode = 0644;
constexpr size_t kReadChunk = 4096;

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// A rename is only durable once its directory is.
void SyncDirectoryOf(const std::string& path)
{
    const int fd = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

CPosixDhcpFileSystem::~CPosixDhcpFileSystem()
{
    CloseWriting();
}

bool CPosixDhcpFileSystem::ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    contents->clear();
    uint8_t chunk[kReadChunk];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof(chunk));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        contents->insert(contents->end(), chunk, chunk + n);
    }
    close(fd);
    return true;
}

bool CPosixDhcpFileSystem::FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool CPosixDhcpFileSystem::CreateForWriting(const std::string& path)
{
    CloseWriting();
    writing_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, kFileMode);
    return writing_ >= 0;
}

size_t CPosixDhcpFileSystem::WriteBytes(const uint8_t* bytes, size_t length)
{
    size_t done = 0;
    while (writing_ >= 0 && done < length) {
        const ssize_t n = write(writing_, bytes + done, length - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

bool CPosixDhcpFileSystem::FlushAndClose()
{
    if (writing_ < 0) {
        return false;
    }
    const bool synced = fsync(writing_) == 0;
    const bool closed = close(writing_) == 0;
    writing_ = -1;
    return synced && closed;
}

void CPosixDhcpFileSystem::CloseWriting()
{
    if (writing_ >= 0) {
        close(writing_);
        writing_ = -1;
    }
}

DhcpReplaceResult CPosixDhcpFileSystem::ReplaceInOneStep(const std::string& from, const std::string& to)
{
    if (rename(from.c_str(), to.c_str()) != 0) {
        return DhcpReplaceResult::Failed;
    }
    SyncDirectoryOf(to);
    return DhcpReplaceResult::Replaced;
}

bool CPosixDhcpFileSystem::RenameFile(const std::string& from, const std::string& to)
{
    // A rename that refuses to overwrite, like the system call the Windows side uses: link, then unlink.
    if (link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    unlink(from.c_str());
    SyncDirectoryOf(to);
    return true;
}

bool CPosixDhcpFileSystem::RemoveFile(const std::string& path)
{
    return unlink(path.c_str()) == 0;
}
