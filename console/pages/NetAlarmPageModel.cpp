#include "NetAlarmPageModel.h"

#include "PageFields.h"

NetAlarmEnabling NetAlarmEnablingFor(bool enable, bool messageBox)
{
    NetAlarmEnabling e;
    e.enable = true;
    e.messageBox = enable;
    e.log = enable;
    e.delay = enable && messageBox;
    return e;
}

NetAlarmPageView CNetAlarmPageModel::Load(bool answered, const uint8_t* reply, size_t length)
{
    changed_ = false;
    NetAlarmPageView view;
    if (!answered) {
        view.message = kPageCommFailureText;
        view.enabled.enable = false;
        view.enabled.messageBox = false;
        view.enabled.delay = false;
        view.enabled.log = false;
        return view;
    }
    const IpcNetAlarmSettings settings = IpcDecodeNetAlarm(reply, length);
    view.enable = settings.enable != 0;
    view.messageBox = settings.messageBox != 0;
    view.log = settings.logAlarms != 0;
    view.delayText = std::to_string(static_cast<int32_t>(settings.delayTime));
    view.enabled = NetAlarmEnablingFor(view.enable, view.messageBox);
    return view;
}

bool CNetAlarmPageModel::Apply(const NetAlarmInputs& in, uint8_t (&block)[kIpcNetAlarmSize])
{
    if (!changed_) {
        return false;
    }
    changed_ = false;
    IpcNetAlarmSettings settings;
    settings.size = kIpcNetAlarmSize;
    settings.enable = in.enable ? 1 : 0;
    settings.messageBox = in.messageBox ? 1 : 0;
    settings.delayTime = static_cast<uint32_t>(in.delay);
    settings.logAlarms = in.log ? 1 : 0;
    IpcEncodeNetAlarm(settings, block);
    return true;
}
