#pragma once
// CDhcpClientDatabase: the client table on disk, "Ombrix.dhcp" in the program's directory, so that leases
// survive a restart of the service.
//
// File layout, no padding anywhere:
//   header  22 bytes: "DHCP Client Data v1.1" and a NUL (v1.0 is read too)
//   records, in table order, up to the end of the file, each:
//     idId.chLen 1, idId bytes n, idHostname.chLen 1, idHostname bytes m,
//     then a fixed part: hdwrAddr 18 (chType 1, chLen 1, 16 bytes), inAddr 4 (network order),
//     leaseStart 4, leaseTime 4, internetAccess 4 (little-endian; internetAccess in v1.1 only)
//
// Saving never leaves a cut file behind: the whole new file is written beside the database as
// "Ombrix.dhcp.new", flushed, and then swapped in one step. Where the system cannot replace a file in one
// step (Windows 95/98), the swap is two renames through "Ombrix.dhcp.old", and loading finishes a swap that a
// crash cut short between them. Either way a crash, kill or full disk at any moment leaves the previous
// table or the new one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CDhcpClientTable.h"
#include "CDhcpTrace.h"
#include "DhcpHostInterfaces.h"

constexpr char kDhcpDatabaseFileName[] = "Ombrix.dhcp";
constexpr char kDhcpDatabaseNewSuffix[] = ".new";
constexpr char kDhcpDatabaseOldSuffix[] = ".old";
// A database whose header this build does not know is kept under this name (then ".bad1" … ".bad9").
constexpr char kDhcpDatabaseBadSuffix[] = ".bad";
constexpr int kDhcpDatabaseBadNames = 10;
// A database that exists but cannot be read (held open by another program, a read error) is tried this
// often at start; then again before every save, which it blocks until it has been read.
constexpr int kDhcpDatabaseReadAttempts = 3;

constexpr size_t kDbHeaderSize = 22;
constexpr char kDbHeaderV11[] = "DHCP Client Data v1.1";
constexpr char kDbHeaderV10[] = "DHCP Client Data v1.0";
static_assert(sizeof(kDbHeaderV11) == kDbHeaderSize, "the header is the text and its NUL");
static_assert(sizeof(kDbHeaderV10) == kDbHeaderSize, "both versions have the same header size");

// The fixed part of a record, behind its two length-prefixed strings.
constexpr size_t kDbHardwareTypeOffset = 0;
constexpr size_t kDbHardwareLengthOffset = 1;
constexpr size_t kDbHardwareBytesOffset = 2;
constexpr size_t kDbHardwareSize = 18;
constexpr size_t kDbAddressOffset = 18;
constexpr size_t kDbLeaseStartOffset = 22;
constexpr size_t kDbLeaseTimeOffset = 26;
constexpr size_t kDbInternetAccessOffset = 30;
constexpr size_t kDbFixedPartV10 = 30;
constexpr size_t kDbFixedPartV11 = 34;
static_assert(kDbHardwareBytesOffset + 16 == kDbHardwareSize, "hdwrAddr is type, length and 16 bytes");
static_assert(kDbHardwareTypeOffset + kDbHardwareSize == kDbAddressOffset, "inAddr follows hdwrAddr");
static_assert(kDbAddressOffset + 4 == kDbLeaseStartOffset, "leaseStart follows inAddr");
static_assert(kDbLeaseStartOffset + 4 == kDbLeaseTimeOffset, "leaseTime follows leaseStart");
static_assert(kDbLeaseTimeOffset + 4 == kDbInternetAccessOffset, "internetAccess follows leaseTime");
static_assert(kDbFixedPartV10 == kDbInternetAccessOffset, "v1.0 records end before internetAccess");
static_assert(kDbInternetAccessOffset + 4 == kDbFixedPartV11, "v1.1 records end with internetAccess");

/// What reading a database's bytes found.
enum class DhcpDatabaseContent {
    Loaded,         ///< a valid header and every complete record behind it
    InvalidHeader,  ///< neither header: nothing loaded
    OutOfMemory,    ///< the records read before memory ran out were kept
};

/// What one save writes, taken from the table under its lock and written after the lock is let go, so that
/// nobody waits for the disk to read the table.
struct DhcpSaveSnapshot {
    bool write = false;          ///< false: nothing to write (empty table, or saves held back)
    uint64_t generation = 0;     ///< later snapshots have higher numbers
    std::vector<uint8_t> bytes;  ///< the whole file
};

class CDhcpClientDatabase {
public:
    /// `path` is the database's full name (program directory and kDhcpDatabaseFileName). `serviceLog` may
    /// be null.
    CDhcpClientDatabase(IDhcpFileSystem* files, const std::string& path, const CDhcpTrace& trace,
                        IDhcpServiceLog* serviceLog = nullptr);

    /// LoadClientList: replaces `table` with the file's content; problems are traced. A file that exists
    /// but cannot be read is never saved over: saves are held back until it has been read (and its
    /// entries merged into the table). A file with a header this build does not know is set aside first.
    void Load(CDhcpClientTable* table);
    /// SaveClientList: writes `table`; an empty table leaves the file untouched. Problems are traced. While
    /// saves are held back, the file is read once more first and what it holds is added to `table`.
    void Save(CDhcpClientTable& table);
    /// The same for a table that cannot take the file's entries: while saves are held back it writes nothing.
    void Save(const CDhcpClientTable& table);
    /// The first half of a save, with the table's lock held: the trace, the held-back file's catch-up and
    /// the file's bytes.
    DhcpSaveSnapshot TakeSnapshot(CDhcpClientTable& table);
    /// The second half, without the table's lock but with one that lets one save write at a time. A
    /// snapshot older than one already written is dropped: the file never goes back in time.
    void WriteSnapshot(const DhcpSaveSnapshot& snapshot);
    /// The table was emptied at a stop, not by its clients: a later save of it leaves the file alone.
    void TableCleared() { fileHasRecords_ = false; }
    /// True while a file that could not be read keeps saves back.
    bool SavesHeldBack() const { return holdSaves_; }

    /// The whole file for `table`, version 1.1.
    static std::vector<uint8_t> Encode(const CDhcpClientTable& table);
    /// Appends the records of a file's bytes to `table`. Reading stops at the first record the bytes hold
    /// only part of; that record is dropped.
    static DhcpDatabaseContent Decode(const uint8_t* bytes, size_t length, CDhcpClientTable* table);

    const std::string& Path() const { return path_; }
    std::string NewPath() const { return path_ + kDhcpDatabaseNewSuffix; }
    std::string OldPath() const { return path_ + kDhcpDatabaseOldSuffix; }

private:
    enum class ReadOutcome { Read, Missing, Unreadable };
    /// ReadCurrent, tried up to kDhcpDatabaseReadAttempts times while the file exists.
    ReadOutcome ReadExisting(std::vector<uint8_t>* bytes);
    /// Renames a database of unknown version out of the way. False when no free name took it.
    bool SetAside();
    /// Decodes what was read into `table` and puts it right; an unknown header is set aside.
    void TakeContent(const std::vector<uint8_t>& bytes, CDhcpClientTable* table);
    /// The file that held saves back, read once more; false while it still cannot be read.
    bool CatchUp(CDhcpClientTable& table);
    /// The snapshot of `table` (saves not held back).
    DhcpSaveSnapshot Encoded(const CDhcpClientTable& table);
    /// Writes the whole file beside the database and swaps it in; false when the database is as it was.
    bool Write(const std::vector<uint8_t>& bytes);
    void Notice(const char* text);

    /// Reads the database, first finishing a swap by renames that a crash cut short.
    bool ReadCurrent(std::vector<uint8_t>* bytes);
    /// Swaps the written new file in by renames; false when the database is as it was.
    bool SwapByRenames();

    IDhcpFileSystem* files_;
    std::string path_;
    const CDhcpTrace& trace_;
    IDhcpServiceLog* serviceLog_;
    bool holdSaves_ = false;
    bool fileHasRecords_ = false;  ///< what was loaded or last snapshotted held entries (under the table's lock)
    uint64_t generation_ = 0;      ///< of the last snapshot taken (under the table's lock)
    std::vector<uint8_t> onDisk_;  ///< what the last save that ran to its end wrote (under the save lock)
    bool onDiskKnown_ = false;     ///< false before the first such save and after a failed one
    uint64_t written_ = 0;         ///< of the last snapshot written (under the save lock)
};
