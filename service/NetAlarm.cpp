#include "NetAlarm.h"

#include "OmbrixIni.h"

namespace {
constexpr char kNetAlarmSection[] = "NetAlarm";
constexpr char kEnableKey[] = "Enable";
constexpr int kEnableDefault = 0;
}  // namespace

bool CNetAlarm::LoadFlag()
{
    flag_ = COmbrixIni::ReadInt(kNetAlarmSection, kEnableKey, kEnableDefault) != 0;
    return flag_;
}

bool CNetAlarm::Set(bool enable)
{
    flag_ = enable;
    return false;
}

void CNetAlarm::ReadEvents() {}
