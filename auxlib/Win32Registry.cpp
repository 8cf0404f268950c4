#include "Win32Registry.h"

#include <windows.h>

#include <vector>

namespace {

HKEY AsKey(IRegistry::Handle handle)
{
    return reinterpret_cast<HKEY>(handle);
}
IRegistry::Handle AsHandle(HKEY key)
{
    return reinterpret_cast<IRegistry::Handle>(key);
}

bool IsRoot(HKEY key)
{
    return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER;
}

RegEnum EnumResult(LONG result)
{
    if (result == ERROR_SUCCESS)
        return RegEnum::Ok;
    if (result == ERROR_MORE_DATA)
        return RegEnum::TooLong;
    return RegEnum::End;
}

}  // namespace

IRegistry::Handle CWin32Registry::Root(RegRoot root)
{
    return AsHandle(root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
}

IRegistry::Handle CWin32Registry::Open(Handle parent, const std::string& path, RegAccess access)
{
    HKEY key = nullptr;
    const REGSAM rights = access == RegAccess::Write ? KEY_READ | KEY_SET_VALUE : KEY_READ;
    if (RegOpenKeyExA(AsKey(parent), path.c_str(), 0, rights, &key) != ERROR_SUCCESS)
        return 0;
    return AsHandle(key);
}

void CWin32Registry::Close(Handle key)
{
    if (key != 0 && !IsRoot(AsKey(key)))
        RegCloseKey(AsKey(key));
}

RegEnum CWin32Registry::EnumSubkey(Handle key, uint32_t index, size_t maxChars, std::string& name)
{
    std::vector<char> buffer(maxChars + 1);
    DWORD length = static_cast<DWORD>(buffer.size());
    const RegEnum result =
        EnumResult(RegEnumKeyExA(AsKey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr));
    if (result == RegEnum::Ok)
        name.assign(buffer.data(), length);
    return result;
}

RegEnum CWin32Registry::EnumValue(Handle key, uint32_t index, size_t maxChars, std::string& name)
{
    std::vector<char> buffer(maxChars + 1);
    DWORD length = static_cast<DWORD>(buffer.size());
    const RegEnum result =
        EnumResult(RegEnumValueA(AsKey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr));
    if (result == RegEnum::Ok)
        name.assign(buffer.data(), length);
    return result;
}

bool CWin32Registry::Read(Handle key, const std::string& name, size_t bufferSize, RegValue& value)
{
    std::vector<uint8_t> buffer(bufferSize ? bufferSize : 1);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bufferSize);
    if (RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS)
        return false;
    if (size > bufferSize)
        return false;
    value.type = type;
    value.data.assign(buffer.begin(), buffer.begin() + size);
    return true;
}

bool CWin32Registry::Write(Handle key, const std::string& name, uint32_t type, const uint8_t* data, size_t size)
{
    // NT's RegSetValueExA looks at the byte after a string whose count leaves out the NUL (and then stores
    // the NUL as well); a NUL there, outside the count, keeps that read inside our buffer.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.push_back(0);
    return RegSetValueExA(AsKey(key), name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(size)) == ERROR_SUCCESS;
}
