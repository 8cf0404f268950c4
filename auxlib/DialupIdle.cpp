#include "DialupIdle.h"

#include <cstdint>
#include <vector>

#include "DialupEntryRecord.h"

namespace {

const char kNtPhonebookKey[] = "Software\\Microsoft\\Ras Phonebook";
const char kNtIdleValue[] = "IdleHangupSeconds";
const char k9xEntriesKey[] = "RemoteAccess\\Addresses";
constexpr uint32_t kSecondsPerMinute = 60;

bool Is9x(OsType os)
{
    return os == Win95 || os == Win98;
}
bool IsNt(OsType os)
{
    return os == WinNT4 || os == Win2000;
}

}  // namespace

int CDialupIdle::Get(const std::string& entry)
{
    if (IsNt(os_)) {
        const CRegKey key = CRegKey::Open(registry_, RegRoot::CurrentUser, kNtPhonebookKey, RegAccess::Read);
        uint32_t seconds = 0;
        if (!key.ReadDword(kNtIdleValue, seconds))
            return 0;
        return static_cast<int>((seconds + kSecondsPerMinute / 2) / kSecondsPerMinute);
    }
    if (Is9x(os_)) {
        const CRegKey key = CRegKey::Open(registry_, RegRoot::CurrentUser, k9xEntriesKey, RegAccess::Read);
        RegValue value;
        uint16_t seconds = 0;
        if (!key.Read(entry, kEntryRecordMax, value) || !ReadEntryIdleSeconds(value.data, seconds))
            return 0;
        return seconds / kSecondsPerMinute;
    }
    return 0;
}

bool CDialupIdle::Set(const std::string& entry, int minutes)
{
    const uint32_t seconds = static_cast<uint32_t>(minutes) * kSecondsPerMinute;
    if (IsNt(os_)) {
        const CRegKey key = CRegKey::Open(registry_, RegRoot::CurrentUser, kNtPhonebookKey, RegAccess::Write);
        return key.WriteDword(kNtIdleValue, seconds);
    }
    if (Is9x(os_)) {
        const CRegKey key = CRegKey::Open(registry_, RegRoot::CurrentUser, k9xEntriesKey, RegAccess::Write);
        RegValue value;
        if (!key.Read(entry, kEntryRecordMax, value))
            return false;
        if (!WriteEntryIdleSeconds(value.data, static_cast<uint16_t>(seconds)))
            return false;
        return key.Write(entry, kRegBinary, value.data);
    }
    return false;
}
