#include "NetAlarmWatch.h"

bool CNetAlarmWatch::Look(const NetAlarmLogState& state)
{
    if (showing_) {
        return false;
    }
    if (!state.exists) {
        known_ = Known::Absent;
        return false;
    }
    if (known_ == Known::Nothing) {
        known_ = Known::Present;
        seen_ = state;
        return false;
    }
    if (known_ == Known::Present && state.size == seen_.size && state.lastWrite == seen_.lastWrite) {
        return false;
    }
    raised_ = state;
    showing_ = true;
    return true;
}

void CNetAlarmWatch::WarningClosed()
{
    if (!showing_) {
        return;
    }
    showing_ = false;
    known_ = Known::Present;
    seen_ = raised_;
}

std::string NetAlarmViewCommandLine(const std::string& logPath)
{
    return "Notepad.exe \"" + logPath + "\"";
}
