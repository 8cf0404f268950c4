#pragma once
// CWin32DhcpFileSystem: the file calls under the client database ("Ombrix.dhcp"), one system call each.
//
// The database builds its crash-safe save from them: the whole new table goes to "Ombrix.dhcp.new" beside
// the old file, is flushed to the disk, and then takes the old file's place.
// - NT 4 and 2000 replace in one step (MoveFileExA with MOVEFILE_REPLACE_EXISTING): at any moment the
//   name holds the complete old table or the complete new one.
// - Windows 95/98 have no call that replaces a file (MoveFileExA is a stub there), so ReplaceInOneStep says
//   Unsupported and the database falls back to the best order those systems allow: the old file is
//   renamed to "Ombrix.dhcp.old", the new one renamed into place, then the old one removed. A crash can
//   only fall between two renames, leaving the new file and the old one beside an absent name; the next
//   load finishes the swap from whichever complete file is there.
#include <windows.h>

#include "DhcpHostInterfaces.h"
#include "OsType.h"

class CWin32DhcpFileSystem : public IDhcpFileSystem {
public:
    /// `os` decides whether a one-step replace exists (the NT family) or not (Windows 95/98).
    explicit CWin32DhcpFileSystem(OsType os) : os_(os) {}
    ~CWin32DhcpFileSystem() override;
    CWin32DhcpFileSystem(const CWin32DhcpFileSystem&) = delete;
    CWin32DhcpFileSystem& operator=(const CWin32DhcpFileSystem&) = delete;

    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents) override;
    bool FileExists(const std::string& path) override;
    bool CreateForWriting(const std::string& path) override;
    size_t WriteBytes(const uint8_t* bytes, size_t length) override;
    bool FlushAndClose() override;
    void CloseWriting() override;
    /// NT: MoveFileExA(REPLACE_EXISTING | WRITE_THROUGH), and without WRITE_THROUGH where the system refuses
    /// that flag. Windows 95/98: Unsupported, nothing called.
    DhcpReplaceResult ReplaceInOneStep(const std::string& from, const std::string& to) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool RemoveFile(const std::string& path) override;

private:
    OsType os_;
    HANDLE writing_ = INVALID_HANDLE_VALUE;
};
