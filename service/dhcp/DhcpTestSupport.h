#pragma once
// Fakes of the DHCP core's collaborators and a builder of client messages, shared by the unit tests, the
// fuzz targets and the benchmarks.
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "CDhcpServerCore.h"
#include "DhcpHostInterfaces.h"
#include "DhcpWire.h"

namespace dhcptest {

/// Address a.b.c.d as held.
constexpr uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return a | b << 8 | c << 16 | d << 24;
}

/// A lock that records whether it is held and catches a second Lock by the same caller.
class FakeLock : public IDhcpLock {
public:
    void Lock() override
    {
        if (held) {
            ++recursiveLocks;
        }
        held = true;
        ++locks;
    }
    void Unlock() override { held = false; }

    bool held = false;
    int locks = 0;
    int recursiveLocks = 0;
};

class FakeClock : public IDhcpClock {
public:
    uint32_t Now() override { return now; }
    uint32_t now = 1000000;
};

/// Answers for the addresses in `answering`; counts calls and checks that the lock is free meanwhile.
class FakeProbe : public IDhcpAddressProbe {
public:
    explicit FakeProbe(const FakeLock* lock = nullptr) : lock_(lock) {}
    bool Answers(uint32_t address) override
    {
        probed.push_back(address);
        if (lock_ != nullptr && lock_->held) {
            ++probedUnderLock;
        }
        return answerAll || answering.count(address) != 0;
    }

    std::set<uint32_t> answering;
    bool answerAll = false;
    std::vector<uint32_t> probed;
    int probedUnderLock = 0;

private:
    const FakeLock* lock_;
};

struct SentReply {
    uint32_t address;
    uint16_t port;
    std::vector<uint8_t> bytes;
};

class FakeSender : public IDhcpReplySender {
public:
    explicit FakeSender(const FakeLock* lock = nullptr) : lock_(lock) {}
    bool SendReply(uint32_t address, uint16_t port, const uint8_t* bytes, size_t length) override
    {
        if (lock_ != nullptr && lock_->held) {
            ++sentUnderLock;
        }
        sent.push_back({address, port, std::vector<uint8_t>(bytes, bytes + length)});
        if (onSend) {
            onSend(sent.back());
        }
        return !fail;
    }

    std::vector<SentReply> sent;
    bool fail = false;
    std::function<void(const SentReply&)> onSend;  ///< what the test looks at as each reply leaves
    int sentUnderLock = 0;

private:
    const FakeLock* lock_;
};

class FakeTrace : public IDhcpTraceSink {
public:
    bool TraceEnabled() const override { return enabled; }
    void TraceLine(const char* message) override { lines.push_back(message); }

    /// True when `line` was traced.
    bool Has(const std::string& line) const
    {
        for (const std::string& l : lines) {
            if (l == line) {
                return true;
            }
        }
        return false;
    }
    /// How often `line` was traced.
    int CountOf(const std::string& line) const
    {
        int n = 0;
        for (const std::string& l : lines) {
            n += l == line ? 1 : 0;
        }
        return n;
    }

    bool enabled = true;
    std::vector<std::string> lines;
};

struct ProviderCall {
    std::string what;  ///< "authorise", "lease", "release"
    std::vector<uint8_t> hardware;
    int length;
    uint32_t address;
};

class FakeAccessProvider : public IDhcpAccessProvider {
public:
    explicit FakeAccessProvider(const FakeLock* lock = nullptr) : lock_(lock) {}
    bool Authorise(const uint8_t* hardwareAddress, int length) override
    {
        Record("authorise", hardwareAddress, length, 0);
        return serve;
    }
    void Lease(const uint8_t* hardwareAddress, int length, uint32_t address) override
    {
        Record("lease", hardwareAddress, length, address);
    }
    void Release(const uint8_t* hardwareAddress, int length) override { Record("release", hardwareAddress, length, 0); }

    bool serve = true;
    std::vector<ProviderCall> calls;
    int calledUnderLock = 0;

private:
    void Record(const char* what, const uint8_t* hw, int length, uint32_t address)
    {
        if (lock_ != nullptr && lock_->held) {
            ++calledUnderLock;
        }
        calls.push_back({what, std::vector<uint8_t>(hw, hw + length), length, address});
    }
    const FakeLock* lock_;
};

/// Files in memory. A step counter runs over every call that changes something (create, write, flush,
/// replace, rename, remove); `crashAtStep` makes that call and every later one do nothing and fail, as
/// if the process had been killed there (a write then leaves only `tornBytes` of its bytes behind), and
/// `failAtStep` makes only that call fail, as a full disk or a refused rename would.
class MemoryFileSystem : public IDhcpFileSystem {
public:
    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents) override
    {
        auto it = files.find(path);
        if (it == files.end() || crashed) {
            return false;
        }
        if (unreadableReads > 0) {
            // Held open by another program, or a read error: the file is there but gives nothing.
            --unreadableReads;
            return false;
        }
        *contents = it->second;
        return true;
    }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
    bool CreateForWriting(const std::string& path) override
    {
        if (!Step()) {
            return false;
        }
        files[path].clear();
        writing_ = path;
        return true;
    }
    size_t WriteBytes(const uint8_t* bytes, size_t length) override
    {
        if (tableLock != nullptr && tableLock->held) {
            ++writesUnderTableLock;
        }
        const int step = ++steps;
        if (crashed || writing_.empty()) {
            return 0;
        }
        size_t kept = length;
        if (step == crashAtStep) {
            crashed = true;
            kept = tornBytes < length ? tornBytes : length;
        } else if (step == failAtStep) {
            kept = tornBytes < length ? tornBytes : length;
        }
        std::vector<uint8_t>& file = files[writing_];
        file.insert(file.end(), bytes, bytes + kept);
        return kept;
    }
    bool FlushAndClose() override
    {
        const bool ok = Step();
        writing_.clear();
        return ok;
    }
    void CloseWriting() override { writing_.clear(); }
    DhcpReplaceResult ReplaceInOneStep(const std::string& from, const std::string& to) override
    {
        if (!oneStepReplace) {
            return DhcpReplaceResult::Unsupported;
        }
        if (!Step() || files.count(from) == 0) {
            return DhcpReplaceResult::Failed;
        }
        files[to] = files[from];
        files.erase(from);
        return DhcpReplaceResult::Replaced;
    }
    bool RenameFile(const std::string& from, const std::string& to) override
    {
        if (!Step() || files.count(from) == 0 || files.count(to) != 0) {
            return false;
        }
        files[to] = files[from];
        files.erase(from);
        return true;
    }
    bool RemoveFile(const std::string& path) override
    {
        if (!Step()) {
            return false;
        }
        return files.erase(path) != 0;
    }

    /// After a crash: the files as the disk kept them, with a fresh process about to read them.
    void Restart()
    {
        crashed = false;
        crashAtStep = 0;
        failAtStep = 0;
        steps = 0;
        writing_.clear();
    }

    std::map<std::string, std::vector<uint8_t>> files;
    bool oneStepReplace = true;
    int unreadableReads = 0;              ///< this many reads of an existing file fail
    const FakeLock* tableLock = nullptr;  ///< when set, writes made while it is held are counted
    int writesUnderTableLock = 0;
    int steps = 0;
    int crashAtStep = 0;
    int failAtStep = 0;
    size_t tornBytes = 0;
    bool crashed = false;

private:
    bool Step()
    {
        const int step = ++steps;
        if (crashed) {
            return false;
        }
        if (step == crashAtStep) {
            crashed = true;
            return false;
        }
        return step != failAtStep;
    }
    std::string writing_;
};

/// A client message, built field by field.
class MessageBuilder {
public:
    explicit MessageBuilder(uint8_t type)
    {
        bytes_.assign(kDhcpOptionsOffset, 0);
        bytes_[kDhcpOpOffset] = 1;
        bytes_[kDhcpHtypeOffset] = 1;
        bytes_[kDhcpHlenOffset] = 6;
        StoreLe32(&bytes_[kDhcpXidOffset], 0x78563412u);
        std::memcpy(&bytes_[kDhcpCookieOffset], kDhcpMagicCookie, kDhcpCookieSize);
        Mac({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
        Option(DHO_DHCP_MESSAGE_TYPE, {type});
    }

    MessageBuilder& Mac(std::initializer_list<int> bytes)
    {
        size_t i = 0;
        for (int b : bytes) {
            bytes_[kDhcpChaddrOffset + i++] = static_cast<uint8_t>(b);
        }
        return *this;
    }
    MessageBuilder& MacByte(uint8_t last)
    {
        bytes_[kDhcpChaddrOffset + 5] = last;
        return *this;
    }
    MessageBuilder& Htype(uint8_t t)
    {
        bytes_[kDhcpHtypeOffset] = t;
        return *this;
    }
    MessageBuilder& Hlen(uint8_t l)
    {
        bytes_[kDhcpHlenOffset] = l;
        return *this;
    }
    MessageBuilder& Ciaddr(uint32_t a)
    {
        StoreLe32(&bytes_[kDhcpCiaddrOffset], a);
        return *this;
    }
    MessageBuilder& Giaddr(uint32_t a)
    {
        StoreLe32(&bytes_[kDhcpGiaddrOffset], a);
        return *this;
    }
    MessageBuilder& Byte(size_t at, uint8_t value)
    {
        if (bytes_.size() <= at) {
            bytes_.resize(at + 1, 0);
        }
        bytes_[at] = value;
        return *this;
    }
    MessageBuilder& Option(uint8_t tag, std::initializer_list<int> value)
    {
        bytes_.push_back(tag);
        bytes_.push_back(static_cast<uint8_t>(value.size()));
        for (int v : value) {
            bytes_.push_back(static_cast<uint8_t>(v));
        }
        return *this;
    }
    MessageBuilder& OptionBytes(uint8_t tag, const std::vector<uint8_t>& value)
    {
        bytes_.push_back(tag);
        bytes_.push_back(static_cast<uint8_t>(value.size()));
        bytes_.insert(bytes_.end(), value.begin(), value.end());
        return *this;
    }
    MessageBuilder& Address(uint8_t tag, uint32_t a)
    {
        return Option(tag, {int(a & 0xFF), int(a >> 8 & 0xFF), int(a >> 16 & 0xFF), int(a >> 24)});
    }
    MessageBuilder& ClientId(std::initializer_list<int> value) { return Option(DHO_DHCP_CLIENT_IDENTIFIER, value); }
    MessageBuilder& Params(std::initializer_list<int> codes) { return Option(DHO_DHCP_PARAMETER_REQUEST_LIST, codes); }
    MessageBuilder& Raw(std::initializer_list<int> bytes)
    {
        for (int b : bytes) {
            bytes_.push_back(static_cast<uint8_t>(b));
        }
        return *this;
    }
    /// END, then zero padding up to `padTo` bytes.
    std::vector<uint8_t> Build(size_t padTo = 300) const
    {
        std::vector<uint8_t> out = bytes_;
        out.push_back(DHO_END);
        if (out.size() < padTo) {
            out.resize(padTo, 0);
        }
        return out;
    }
    std::vector<uint8_t> BuildWithoutEnd() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

/// The options of a reply behind the type, as tags in order (END included, its padding not).
inline std::vector<int> OptionTags(const std::vector<uint8_t>& reply)
{
    std::vector<int> tags;
    size_t at = kDhcpFirstSearchedOption;
    while (at < reply.size()) {
        const uint8_t tag = reply[at];
        tags.push_back(tag);
        if (tag == DHO_END || at + 1 >= reply.size()) {
            break;
        }
        at += 2 + reply[at + 1];
    }
    return tags;
}

/// The value of the first option `tag` behind the type in a reply; empty when it is missing.
inline std::vector<uint8_t> OptionValue(const std::vector<uint8_t>& reply, uint8_t tag)
{
    size_t at = kDhcpFirstSearchedOption;
    while (at + 1 < reply.size() && reply[at] != DHO_END) {
        const size_t length = reply[at + 1];
        if (reply[at] == tag && at + 2 + length <= reply.size()) {
            return std::vector<uint8_t>(reply.begin() + at + 2, reply.begin() + at + 2 + length);
        }
        at += 2 + length;
    }
    return {};
}

inline uint32_t ReplyWord(const std::vector<uint8_t>& reply, size_t offset)
{
    return LoadLe32(&reply[offset]);
}

/// A server core wired to fakes: network 192.168.0.0/24, server 192.168.0.1, pool 2..253, lease 900,
/// offers 180 s.
struct CoreRig {
    explicit CoreRig(bool withProvider = false) : probe(&lock), sender(&lock), provider(&lock)
    {
        DhcpCollaborators c;
        c.clock = &clock;
        c.probe = &probe;
        c.sender = &sender;
        c.trace = &trace;
        c.files = &files;
        c.accessProvider = withProvider ? &provider : nullptr;
        c.lock = &lock;
        c.saveLock = &saveLock;
        files.tableLock = &lock;
        c.computerName = "BASE";
        c.databasePath = "/db/Ombrix.dhcp";
        core.reset(new CDhcpServerCore(c));
        settings.serverAddress = Ip(192, 168, 0, 1);
        settings.localAddress = settings.serverAddress;
        settings.network = Ip(192, 168, 0, 0);
        settings.lowAddress = 2;
        settings.highAddress = 254;
        settings.leaseAddrTimeout = 900;
        settings.offerAddrTimeout = 180;
        core->Configure(settings);
    }

    void Handle(const std::vector<uint8_t>& bytes) { core->HandleDatagram(bytes.data(), bytes.size()); }
    /// The last reply sent; fails the test's expectations on an empty vector when nothing was sent.
    std::vector<uint8_t> LastReply() const
    {
        return sender.sent.empty() ? std::vector<uint8_t>() : sender.sent.back().bytes;
    }

    FakeLock lock;
    FakeLock saveLock;
    FakeClock clock;
    FakeProbe probe;
    FakeSender sender;
    FakeTrace trace;
    FakeAccessProvider provider;
    MemoryFileSystem files;
    DhcpSettings settings;
    std::unique_ptr<CDhcpServerCore> core;
};

}  // namespace dhcptest
