#pragma once
// The NetAlarm page's rules without its windows: what the settings reply shows, which inputs the enabling
// rule leaves enabled, the changed mark and the block applying sends. No windows.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "IpcWire.h"
#include "PageFields.h"

/// The up-down control of the seconds field keeps it within this range; the field is sent as typed.
constexpr int kNetAlarmDelayMin = 0;
constexpr int kNetAlarmDelayMax = 300;

/// Which inputs are enabled.
struct NetAlarmEnabling {
    bool enable = true;      ///< "Enable NetAlarm"
    bool messageBox = true;  ///< "Display Message Box when unauthorized access detected"
    bool delay = true;       ///< the seconds field
    bool log = true;         ///< "Store Alarm Information to Log File"
};

/// The enabling rule: the message-box and log boxes follow "Enable NetAlarm"; the seconds field needs both
/// it and the message-box box.
NetAlarmEnabling NetAlarmEnablingFor(bool enable, bool messageBox);

struct NetAlarmPageView {
    bool enable = false;
    bool messageBox = false;
    bool log = false;
    std::string delayText;
    NetAlarmEnabling enabled;
    const char* message = nullptr;  ///< warning to show, null after a good load
};

struct NetAlarmInputs {
    bool enable = false;
    bool messageBox = false;
    int delay = 0;  ///< the seconds field read as signed (ReadLeadingSignedField)
    bool log = false;
};

class CNetAlarmPageModel {
public:
    /// answered: IPC_GET_NETALARM succeeded and reply holds length bytes. Clears the mark. Without the
    /// service every input is disabled.
    NetAlarmPageView Load(bool answered, const uint8_t* reply, size_t length);
    void MarkChanged() { changed_ = true; }
    bool Changed() const { return changed_; }
    /// WM_PAGE_APPLY: true with the IPC_SET_NETALARM block when something changed; clears the mark. The
    /// page answers 1 either way; a failed send shows kPageSendFailureText.
    bool Apply(const NetAlarmInputs& in, uint8_t (&block)[kIpcNetAlarmSize]);

private:
    bool changed_ = false;
};
