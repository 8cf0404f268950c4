#include "DriverPresence.h"

#include <string>

#include "AuxText.h"

namespace {

struct DriverEntry {
    const char* key;
    const char* value;
    const char* file;  // upper case
};
const DriverEntry k9xDriver = {"SYSTEM\\CurrentControlSet\\Services\\VxD\\Ombrix", "StaticVxD", "OMBRIX.VXD"};
const DriverEntry kNtDriver = {"SYSTEM\\CurrentControlSet\\Services\\Ombrix", "ImagePath", "OMBRIX.SYS"};

}  // namespace

bool IsDriverRegistered(IRegistry& registry, OsType os)
{
    const DriverEntry* entry = nullptr;
    if (os == Win95 || os == Win98)
        entry = &k9xDriver;
    if (os == WinNT4 || os == Win2000)
        entry = &kNtDriver;
    if (!entry)
        return false;
    const CRegKey key = CRegKey::Open(registry, RegRoot::LocalMachine, entry->key, RegAccess::Read);
    std::string path;
    if (!key.ReadText(entry->value, kDriverPathBuffer, path))
        return false;
    return auxtext::UpperCase(path).find(entry->file) != std::string::npos;
}
