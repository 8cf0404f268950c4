#pragma once
// The console shell's decisions, kept apart from its windows so they are tested natively: which sharing
// modes start the console, the attach retry of the housekeeping tick, the tray menu's sharing item, the
// access provider's registration record and where a page sits in the main dialog. No windows.h.
#include <cstddef>
#include <cstdint>
#include <string>

/// The sharing modes the pages know.
constexpr int kModeModem = 0;
constexpr int kModeSingleNic = 1;
constexpr int kModeDualNic = 2;

/// Whether OmbrixMode (missing: -1) lets the console start. A negative value other than -1 is let through;
/// the pages then treat it as neither modem nor single NIC mode.
bool ConsoleModeAccepted(int mode);

/// The attach retry: after a failed start-up ping the housekeeping tick counts, pings once more on the tick
/// that finds the counter at 59, and then stops counting whatever the answer.
class CAttachRetry {
public:
    static constexpr unsigned kRetryTick = 59;

    /// Start-up: answered = the first ping was answered.
    void Begin(bool answered) { counter_ = answered ? 0 : 1; }
    /// One housekeeping tick; true when this tick pings again (the caller then calls Finish).
    bool Tick();
    /// The second ping was sent (answered or not): no further retry.
    void Finish() { counter_ = 0; }
    unsigned Counter() const { return counter_; }

private:
    unsigned counter_ = 0;
};

/// Sharing item of the tray menu: the text it shows (null: keep the resource text) and whether it is grayed.
struct TrayToggleItem {
    const char* text;
    bool grayed;
};
TrayToggleItem TrayToggleFor(bool driverLoaded, int enabled);
/// The new sharing state of a toggle from the stored one.
inline int ToggledSharing(int enabled)
{
    return enabled == 0 ? 1 : 0;
}

/// The plug-in's registration record as the console reads it.
constexpr size_t kProviderRecordSize = 136;
struct ProviderPage {
    bool offersPage = false;
    uint32_t module = 0;  ///< module handle holding the dialog template
    std::string caption;  ///< tab caption (at most 19 characters)
    uint32_t dialogProc = 0;
    uint32_t templateId = 0;
    uint32_t bitmap = 0;
};
/// Zero-filled record with its size at offset 0, ready for the plug-in.
void PrepareProviderRecord(uint8_t (&record)[kProviderRecordSize]);
ProviderPage ReadProviderRecord(const uint8_t (&record)[kProviderRecordSize]);
/// Whether the plug-in is kept: its function said yes and it offers a page it can show.
bool ProviderKept(uint32_t registered, const ProviderPage& page);

/// Left edge of a page in the main dialog's client area; pages sit 50 pixels down.
constexpr int kPageTop = 50;
inline int PageLeft(int tabClientWidth, int pageClientWidth)
{
    return (tabClientWidth - pageClientWidth) / 2 + 2;
}
