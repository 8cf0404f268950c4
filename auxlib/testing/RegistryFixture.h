// CRegistryFixture: registry values a Wine test writes into its prefix, and their removal. Keys the
// fixture had to make are deleted with everything below them; values it changed in keys that were there
// before get their old contents back (or go, when they were new). Wine tests share one prefix, so nothing
// may stay behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct StoredValue {
    bool exists = false;
    DWORD type = 0;
    std::vector<uint8_t> data;
};

class CRegistryFixture {
public:
    CRegistryFixture() = default;
    ~CRegistryFixture() { Restore(); }
    CRegistryFixture(const CRegistryFixture&) = delete;
    CRegistryFixture& operator=(const CRegistryFixture&) = delete;

    // Each makes the key path as needed; false (with LastError()) on failure.
    bool CreateKey(HKEY root, const std::string& path);
    bool SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                  const std::vector<uint8_t>& data);
    bool SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text);
    bool SetMulti(HKEY root, const std::string& path, const std::string& name, const std::vector<std::string>& items);
    bool SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
    // Removes a value for the test's time (it comes back at Restore).
    bool DeleteValue(HKEY root, const std::string& path, const std::string& name);

    // Undoes everything; also done when the fixture goes.
    void Restore();
    const std::string& LastError() const { return lastError_; }

    static StoredValue Read(HKEY root, const std::string& path, const std::string& name);
    static bool KeyExists(HKEY root, const std::string& path);

private:
    struct Saved {
        HKEY root;
        std::string path;
        std::string name;
        StoredValue before;
    };
    bool Fail(const std::string& what, LONG error);
    bool MakePath(HKEY root, const std::string& path);
    bool CreatedByUs(HKEY root, const std::string& path) const;
    void Save(HKEY root, const std::string& path, const std::string& name);

    std::vector<std::pair<HKEY, std::string>> created_;
    std::vector<Saved> saved_;
    std::string lastError_;
};
