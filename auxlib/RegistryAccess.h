// IRegistry and CRegKey: the thin layer through which the adapter library reads and writes the registry.
// The walks and writes of every Windows family are written against it; the DLL gives them the system's
// registry (Win32Registry), the unit tests an in-memory one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class RegRoot { LocalMachine, CurrentUser };
// Write includes reading: a key opened for writing is also read.
enum class RegAccess { Read, Write };

// Value types as the system numbers them.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr size_t kDwordSize = 4;

struct RegValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

enum class RegEnum { Ok, TooLong, End };

class IRegistry {
public:
    using Handle = uintptr_t;  // 0 is no key
    virtual ~IRegistry() = default;

    // The predefined key; Close ignores it.
    virtual Handle Root(RegRoot root) = 0;
    // Opens an existing key below parent (path may hold several names separated by "\"); 0 when it does not
    // open. Nothing is created.
    virtual Handle Open(Handle parent, const std::string& path, RegAccess access) = 0;
    virtual void Close(Handle key) = 0;
    // The name of the index-th subkey or value: Ok, TooLong when the name has more than maxChars characters,
    // End past the last one (or on any other failure).
    virtual RegEnum EnumSubkey(Handle key, uint32_t index, size_t maxChars, std::string& name) = 0;
    virtual RegEnum EnumValue(Handle key, uint32_t index, size_t maxChars, std::string& name) = 0;
    // Reads a value into a buffer of bufferSize bytes: false when it is missing or does not fit.
    virtual bool Read(Handle key, const std::string& name, size_t bufferSize, RegValue& value) = 0;
    // Writes exactly size bytes of data with the type.
    virtual bool Write(Handle key, const std::string& name, uint32_t type, const uint8_t* data, size_t size) = 0;
};

// One open key; closes it when it goes. Moves, does not copy.
class CRegKey {
public:
    CRegKey() = default;
    CRegKey(IRegistry& registry, IRegistry::Handle handle) : registry_(&registry), handle_(handle) {}
    ~CRegKey() { Reset(); }
    CRegKey(CRegKey&& other) noexcept : registry_(other.registry_), handle_(other.handle_) { other.handle_ = 0; }
    CRegKey& operator=(CRegKey&& other) noexcept;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    static CRegKey Open(IRegistry& registry, RegRoot root, const std::string& path, RegAccess access);
    CRegKey OpenSub(const std::string& path, RegAccess access) const;
    bool IsOpen() const { return handle_ != 0; }

    bool Read(const std::string& name, size_t bufferSize, RegValue& value) const;
    // The value's first string (all of its bytes up to the first NUL); false when it is missing or does not
    // fit the buffer.
    bool ReadText(const std::string& name, size_t bufferSize, std::string& text) const;
    // A 32-bit value: false when missing or not 4 bytes long.
    bool ReadDword(const std::string& name, uint32_t& value) const;
    bool Write(const std::string& name, uint32_t type, const std::vector<uint8_t>& data) const;
    bool WriteDword(const std::string& name, uint32_t value) const;

    // The names of all subkeys (or values) in enumeration order; names longer than maxChars are left out.
    std::vector<std::string> SubkeyNames(size_t maxChars) const;
    std::vector<std::string> ValueNames(size_t maxChars) const;

private:
    void Reset();

    IRegistry* registry_ = nullptr;
    IRegistry::Handle handle_ = 0;
};
