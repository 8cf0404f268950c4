// CRecordingRegistry: passes every call on to another registry and logs the writes with their exact
// bytes, so that a test sees what reached the system's registry functions, whatever the system then
// stores.
#pragma once

#include <string>
#include <vector>

#include "RegistryAccess.h"

class CRecordingRegistry : public IRegistry {
public:
    struct WriteRecord {
        std::string name;
        uint32_t type;
        std::vector<uint8_t> data;
        bool succeeded;
    };

    explicit CRecordingRegistry(IRegistry& inner) : inner_(inner) {}
    const std::vector<WriteRecord>& Writes() const { return writes_; }
    void ClearWrites() { writes_.clear(); }

    Handle Root(RegRoot root) override { return inner_.Root(root); }
    Handle Open(Handle parent, const std::string& path, RegAccess access) override
    {
        return inner_.Open(parent, path, access);
    }
    void Close(Handle key) override { inner_.Close(key); }
    RegEnum EnumSubkey(Handle key, uint32_t index, size_t maxChars, std::string& name) override
    {
        return inner_.EnumSubkey(key, index, maxChars, name);
    }
    RegEnum EnumValue(Handle key, uint32_t index, size_t maxChars, std::string& name) override
    {
        return inner_.EnumValue(key, index, maxChars, name);
    }
    bool Read(Handle key, const std::string& name, size_t bufferSize, RegValue& value) override
    {
        return inner_.Read(key, name, bufferSize, value);
    }
    bool Write(Handle key, const std::string& name, uint32_t type, const uint8_t* data, size_t size) override
    {
        const bool ok = inner_.Write(key, name, type, data, size);
        writes_.push_back({name, type, std::vector<uint8_t>(data, data + size), ok});
        return ok;
    }

private:
    IRegistry& inner_;
    std::vector<WriteRecord> writes_;
};
