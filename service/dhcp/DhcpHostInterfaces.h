#pragma once
// DhcpHostInterfaces: what the DHCP server core asks of the program around it. The Win32 runtime supplies
// sockets, the ICMP probe, the clock, the component log, the access provider plug-in, the settings file and
// the file calls through these; tests and the fuzzers supply fakes. None of them may throw.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Seconds since 1970-01-01 UTC.
class IDhcpClock {
public:
    virtual ~IDhcpClock() = default;
    virtual uint32_t Now() = 0;
};

/// The address probe before an address is offered: an ICMP echo ("AAAAAA", 1000 ms) to the candidate.
class IDhcpAddressProbe {
public:
    virtual ~IDhcpAddressProbe() = default;
    /// True when at least one echo reply came back from `address` (held as in DhcpWire.h). Called without
    /// the table lock held; may take up to a second.
    virtual bool Answers(uint32_t address) = 0;
};

/// Sends a finished reply from the server's socket.
class IDhcpReplySender {
public:
    virtual ~IDhcpReplySender() = default;
    /// Sends `length` bytes to `address`:`port` (the port is always the client port, 68). The core has
    /// already traced "Sending Response to %x". Returns false when the send failed; the runtime then closes
    /// its socket itself. Called without the table lock held.
    virtual bool SendReply(uint32_t address, uint16_t port, const uint8_t* bytes, size_t length) = 0;
};

/// The DHCP server's component log.
class IDhcpTraceSink {
public:
    virtual ~IDhcpTraceSink() = default;
    /// False while the component log is off (no `LogFile`): the message dumps are then not even formatted.
    virtual bool TraceEnabled() const = 0;
    /// One message, already formatted and cut to 511 characters; the sink stamps it and writes the line.
    virtual void TraceLine(const char* message) = 0;
};

/// The service log, for what the user must learn even when the component log is off (the client database
/// set aside or left alone).
class IDhcpServiceLog {
public:
    virtual ~IDhcpServiceLog() = default;
    virtual void ServiceLine(const char* text) = 0;
};

/// The access provider plug-in's three callbacks (table slots 124, 128 and 132). The runtime's adapter
/// reads the slots at each call, so a plug-in loaded after the server started takes part at once; a slot
/// that is not set behaves as "serve" for Authorise and as nothing for the other two. Called without the
/// table lock held, from the packet thread (and Release also from the thread that expires leases at start).
class IDhcpAccessProvider {
public:
    virtual ~IDhcpAccessProvider() = default;
    /// Slot 124: true serves the client, false refuses it. `length` is always 6.
    virtual bool Authorise(const uint8_t* hardwareAddress, int length) = 0;
    /// Slot 128: the client was sent an ACK for `address` (held as in DhcpWire.h).
    virtual void Lease(const uint8_t* hardwareAddress, int length, uint32_t address) = 0;
    /// Slot 132: the client gave its address back or its lease ran out.
    virtual void Release(const uint8_t* hardwareAddress, int length) = 0;
};

/// Outcome of a one-step replace.
enum class DhcpReplaceResult {
    Replaced,     ///< `to` now holds what `from` held; `from` is gone
    Unsupported,  ///< the system has no such call (Windows 95/98); nothing changed
    Failed,       ///< the call failed; `to` is as it was
};

/// The file calls behind the client database. The core builds its crash-safe save from them (write a
/// complete new file beside the old one, then swap it in), so the runtime maps each to one system call:
///   ReadWholeFile      CreateFileA(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING) + ReadFile + CloseHandle
///   FileExists         GetFileAttributesA != 0xFFFFFFFF
///   CreateForWriting   CreateFileA(GENERIC_WRITE, no sharing, CREATE_ALWAYS)
///   WriteBytes         WriteFile
///   FlushAndClose      FlushFileBuffers + CloseHandle (the data must be on the disk before the swap)
///   CloseWriting       CloseHandle
///   ReplaceInOneStep   MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) on NT 4 and
///                      2000; on Windows 95/98 (where MoveFileExA fails with ERROR_CALL_NOT_IMPLEMENTED)
///                      return Unsupported without calling anything: the core then swaps by renames
///   RenameFile         MoveFileA (fails when `to` exists)
///   RemoveFile         DeleteFileA
/// Only one file is written at a time; all calls come with the table lock held.
class IDhcpFileSystem {
public:
    virtual ~IDhcpFileSystem() = default;
    /// The whole content of `path`, other readers allowed. False when it cannot be opened or read.
    virtual bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    /// Creates `path` anew (truncating one that exists) for the writes that follow. False when it cannot.
    virtual bool CreateForWriting(const std::string& path) = 0;
    /// Appends to the file being written. Returns the number of bytes written; fewer is a failure.
    virtual size_t WriteBytes(const uint8_t* bytes, size_t length) = 0;
    /// Flushes the file being written to the disk and closes it. False when either fails.
    virtual bool FlushAndClose() = 0;
    /// Closes the file being written after a failure.
    virtual void CloseWriting() = 0;
    /// Replaces `to` (which may be missing) by `from` in one step.
    virtual DhcpReplaceResult ReplaceInOneStep(const std::string& from, const std::string& to) = 0;
    /// Renames `from` to `to`; fails when `to` exists.
    virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
};

/// The one lock that guards the client table, the offer list and the pool bounds between the packet
/// thread and the service-main thread (a CRITICAL_SECTION in the runtime). The core takes it itself around
/// every table access and never holds it across a probe, a send or a plug-in call, so the main thread is
/// never kept waiting by an address probe. It is not taken recursively.
class IDhcpLock {
public:
    virtual ~IDhcpLock() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

/// Section `DHCP` of Ombrix.Ini, read with the private-profile rules: a missing key yields the default, a
/// string longer than the buffer is cut to `bufferLength` - 1 characters, an integer is its leading decimal
/// number.
class IDhcpSettingsSource {
public:
    virtual ~IDhcpSettingsSource() = default;
    virtual int ReadInt(const char* key, int defaultValue) = 0;
    virtual std::string ReadString(const char* key, const char* defaultValue, size_t bufferLength) = 0;
};
