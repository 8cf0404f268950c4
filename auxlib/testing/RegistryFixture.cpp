#include "RegistryFixture.h"

#include <cstdio>

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return s;
}

bool IsUnder(const std::string& path, const std::string& top)
{
    const std::string p = Lower(path), t = Lower(top);
    return p == t || (p.size() > t.size() && p.compare(0, t.size(), t) == 0 && p[t.size()] == '\\');
}

// A key with everything below it.
void DeleteTree(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char name[MAX_PATH];
        DWORD length = sizeof name;
        std::string previous;
        // Always the first subkey: each is gone after its turn, unless it cannot be deleted.
        while (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
               previous != name) {
            previous = name;
            DeleteTree(root, path + "\\" + name);
            length = sizeof name;
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(root, path.c_str());
}

}  // namespace

bool CRegistryFixture::Fail(const std::string& what, LONG error)
{
    char text[32];
    std::snprintf(text, sizeof text, ": error %ld", static_cast<long>(error));
    lastError_ = what + text;
    return false;
}

bool CRegistryFixture::KeyExists(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

StoredValue CRegistryFixture::Read(HKEY root, const std::string& path, const std::string& name)
{
    StoredValue value;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS) {
            value.exists = true;
            value.data.resize(size);
        }
    }
    RegCloseKey(key);
    return value;
}

bool CRegistryFixture::CreatedByUs(HKEY root, const std::string& path) const
{
    for (const auto& top : created_) {
        if (top.first == root && IsUnder(path, top.second))
            return true;
    }
    return false;
}

bool CRegistryFixture::MakePath(HKEY root, const std::string& path)
{
    // The first missing part of the path is the top of what this fixture makes, and later deletes.
    size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('\\', at + 1);
        const std::string prefix = path.substr(0, at);
        if (!KeyExists(root, prefix)) {
            if (!CreatedByUs(root, prefix))
                created_.push_back({root, prefix});
            break;
        }
    }
    HKEY key;
    const LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return Fail("creating " + path, rc);
    RegCloseKey(key);
    return true;
}

void CRegistryFixture::Save(HKEY root, const std::string& path, const std::string& name)
{
    if (CreatedByUs(root, path))
        return;
    for (const Saved& s : saved_) {
        if (s.root == root && Lower(s.path) == Lower(path) && Lower(s.name) == Lower(name))
            return;
    }
    saved_.push_back(Saved{root, path, name, Read(root, path, name)});
}

bool CRegistryFixture::CreateKey(HKEY root, const std::string& path)
{
    return MakePath(root, path);
}

bool CRegistryFixture::SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                                const std::vector<uint8_t>& data)
{
    if (!MakePath(root, path))
        return false;
    Save(root, path, name);
    HKEY key;
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return Fail("opening " + path, rc);
    rc = RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || Fail("setting " + path + "\\" + name, rc);
}

bool CRegistryFixture::SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text)
{
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return SetValue(root, path, name, REG_SZ, data);
}

bool CRegistryFixture::SetMulti(HKEY root, const std::string& path, const std::string& name,
                                const std::vector<std::string>& items)
{
    std::vector<uint8_t> data;
    for (const std::string& item : items) {
        data.insert(data.end(), item.begin(), item.end());
        data.push_back(0);
    }
    data.push_back(0);
    return SetValue(root, path, name, REG_MULTI_SZ, data);
}

bool CRegistryFixture::SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value)
{
    std::vector<uint8_t> data(4);
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<uint8_t>(value >> (8 * i));
    return SetValue(root, path, name, REG_DWORD, data);
}

bool CRegistryFixture::DeleteValue(HKEY root, const std::string& path, const std::string& name)
{
    Save(root, path, name);
    HKEY key;
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return rc == ERROR_FILE_NOT_FOUND || Fail("opening " + path, rc);
    rc = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND || Fail("deleting " + name, rc);
}

void CRegistryFixture::Restore()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        HKEY key;
        if (RegOpenKeyExA(it->root, it->path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            continue;
        if (it->before.exists)
            RegSetValueExA(key, it->name.c_str(), 0, it->before.type, it->before.data.data(),
                           static_cast<DWORD>(it->before.data.size()));
        else
            RegDeleteValueA(key, it->name.c_str());
        RegCloseKey(key);
    }
    saved_.clear();
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        DeleteTree(it->first, it->second);
    created_.clear();
}
