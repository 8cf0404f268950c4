#pragma once
// Collaborators of the DHCP core for the fuzz targets, made to cost next to nothing per input: a fuzz run
// hands the core millions of inputs, and the unit tests' fakes (a map of named files, every trace line kept
// as a string) cost more than the parsing they surround. They keep no history; what they check, they check
// at once and abort on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "DhcpHostInterfaces.h"
#include "LogLine.h"

namespace dhcpfuzz {

/// A component log that formats (the core builds every line when it is on) but keeps nothing. Each line
/// must arrive as the log writes it: terminated within its 512-byte message, and without a control
/// character (a line may hold what a client sent, and the log file is read as text).
class DiscardingTrace : public IDhcpTraceSink {
public:
    bool TraceEnabled() const override { return enabled; }
    void TraceLine(const char* message) override
    {
        if (message == nullptr || ::strnlen(message, kLimit + 1) > kLimit || HasControlCharacters(message)) {
            std::abort();
        }
        ++lines;
    }

    static constexpr size_t kLimit = 511;
    bool enabled = false;
    size_t lines = 0;
};

/// Files in memory, as the client database uses them: a handful of names (the database, its new file, its
/// old copy, the names it sets a bad file aside under). Each name keeps its slot and its buffer from input
/// to input, so that a reset costs no allocation; the semantics are those of the unit tests' file system
/// without its crash and failure steps.
class SlotFileSystem : public IDhcpFileSystem {
public:
    /// Every file gone, the buffers kept for the next input.
    void Reset()
    {
        for (Slot& slot : slots_) {
            slot.exists = false;
            slot.bytes.clear();
        }
        writing_ = nullptr;
        oneStepReplace = true;
    }

    /// Puts `bytes` in `path` (the input's file).
    void Put(const std::string& path, const uint8_t* bytes, size_t length)
    {
        Slot& slot = SlotOf(path);
        slot.exists = true;
        slot.bytes.assign(bytes, bytes + length);
    }

    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents) override
    {
        const Slot* slot = Existing(path);
        if (slot == nullptr) {
            return false;
        }
        contents->assign(slot->bytes.begin(), slot->bytes.end());
        return true;
    }
    bool FileExists(const std::string& path) override { return Existing(path) != nullptr; }
    bool CreateForWriting(const std::string& path) override
    {
        Slot& slot = SlotOf(path);
        slot.exists = true;
        slot.bytes.clear();
        writing_ = &slot;
        return true;
    }
    size_t WriteBytes(const uint8_t* bytes, size_t length) override
    {
        if (writing_ == nullptr) {
            return 0;
        }
        writing_->bytes.insert(writing_->bytes.end(), bytes, bytes + length);
        return length;
    }
    bool FlushAndClose() override
    {
        const bool open = writing_ != nullptr;
        writing_ = nullptr;
        return open;
    }
    void CloseWriting() override { writing_ = nullptr; }
    DhcpReplaceResult ReplaceInOneStep(const std::string& from, const std::string& to) override
    {
        if (!oneStepReplace) {
            return DhcpReplaceResult::Unsupported;
        }
        Slot& target = SlotOf(to);
        Slot* source = Existing(from);
        if (source == nullptr) {
            return DhcpReplaceResult::Failed;
        }
        Move(source, &target);
        return DhcpReplaceResult::Replaced;
    }
    bool RenameFile(const std::string& from, const std::string& to) override
    {
        Slot* source = Existing(from);
        if (source == nullptr || Existing(to) != nullptr) {
            return false;
        }
        Move(source, &SlotOf(to));  // a deque: `source` stays valid
        return true;
    }
    bool RemoveFile(const std::string& path) override
    {
        Slot* slot = Existing(path);
        if (slot == nullptr) {
            return false;
        }
        slot->exists = false;
        slot->bytes.clear();
        return true;
    }

    /// The file's bytes, or null when it does not exist.
    const std::vector<uint8_t>* Contents(const std::string& path)
    {
        const Slot* slot = Existing(path);
        return slot != nullptr ? &slot->bytes : nullptr;
    }

    bool oneStepReplace = true;

private:
    struct Slot {
        std::string path;
        std::vector<uint8_t> bytes;
        bool exists = false;
    };

    Slot* Existing(const std::string& path)
    {
        for (Slot& slot : slots_) {
            if (slot.exists && slot.path == path) {
                return &slot;
            }
        }
        return nullptr;
    }
    Slot& SlotOf(const std::string& path)
    {
        for (Slot& slot : slots_) {
            if (slot.path == path) {
                return slot;
            }
        }
        // A deque: a new slot leaves the others (and the file being written) where they are.
        slots_.push_back(Slot{path, {}, false});
        return slots_.back();
    }
    static void Move(Slot* from, Slot* to)
    {
        if (from == to) {
            return;
        }
        to->bytes.swap(from->bytes);
        to->exists = true;
        from->exists = false;
        from->bytes.clear();
    }

    std::deque<Slot> slots_;
    Slot* writing_ = nullptr;
};

}  // namespace dhcpfuzz
