#include "NetAlarm.h"

#include <windows.h>

#include <vector>

#include "IniSettings.h"
#include "LogPath.h"
#include "NetAlarmText.h"
#include "OmbrixIni.h"
#include "PacketDriver.h"
#include "ServiceLog.h"

namespace {
std::string ProgramPath()
{
    char path[MAX_PATH] = "";
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

std::string SystemDirectory()
{
    char path[MAX_PATH] = "";
    const UINT n = GetSystemDirectoryA(path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}
}  // namespace

bool CNetAlarm::LoadFlag()
{
    flag_ = COmbrixIni::ReadInt(kIniNetAlarmEnable) != 0;
    return flag_;
}

bool CNetAlarm::Set(bool enable)
{
    flag_ = enable;
    if (!driver_.SetAlarm(enable)) {
        CServiceLog::Write(enable ? "Error Unable to Enable NetAlarm" : "Error Unable to Disable NetAlarm");
        return false;
    }
    if (!enable) {
        CServiceLog::Write("NetAlarm Disabled");
        return true;
    }
    logPath_ = BuildPathBesideProgram(ProgramPath(), SystemDirectory(), kNetAlarmLogName);
    CServiceLog::Write("NetAlarm Enabled");
    return true;
}

void CNetAlarm::ReadEvents()
{
    std::vector<AlarmRecord> records;
    if (!driver_.GetAlarms(records))
        return;
    if (logPath_.empty())
        return;
    // Shared for reading: the console shows the file while records are appended. Opened for writing and
    // moved to its end (the 95 family knows no append-only access).
    HANDLE file = CreateFileA(logPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    for (const AlarmRecord& record : records) {
        for (const std::string& piece : FormatNetAlarmEntry(record)) {
            DWORD written = 0;
            WriteFile(file, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr);
        }
    }
    CloseHandle(file);
}
