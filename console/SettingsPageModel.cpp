#include "SettingsPageModel.h"

#include <cctype>

#include "ConsoleModel.h"
#include "resource.h"

namespace {
bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

SettingsSaveResult Refuse(SettingsRefusal why, const char* message, int control)
{
    return {false, why, message, control};
}

void ClearDialup(ISettingsStore& store)
{
    store.WriteUsername("");
    store.WritePassword("");
    store.WritePhoneBookEntry("");
}
}  // namespace

const char* SettingsModeText(int mode)
{
    return mode == kModeSingleNic ? "Ombrix is running in Single NIC Mode" : "Ombrix is running in Dual NIC Mode";
}

int SettingsEntryToSelect(const std::vector<std::string>& sortedEntries, const std::string& stored)
{
    for (size_t i = 0; i < sortedEntries.size(); ++i) {
        if (SameIgnoringCase(sortedEntries[i], stored)) {
            return static_cast<int>(i);
        }
    }
    return sortedEntries.empty() ? -1 : 0;
}

SettingsSaveResult SaveSettings(const SettingsInputs& in, ISettingsStore& store)
{
    store.WriteEnabled(in.sharing ? 1 : 0);
    if (in.mode != kModeModem) {
        ClearDialup(store);
        return {true, SettingsRefusal::None, nullptr, 0};
    }
    store.WriteAutoHangup(in.autoHangup ? 1 : 0);
    store.WriteAutoDial(in.autoDial ? 1 : 0);
    if (!in.autoDial) {
        ClearDialup(store);
        return {true, SettingsRefusal::None, nullptr, 0};
    }
    store.WritePhoneBookEntry(in.entrySelected ? in.entry : std::string());
    if (in.username.empty()) {
        return Refuse(SettingsRefusal::UsernameEmpty, "A Username must be specified for a Dialup Connection",
                      IDC_USERNAME);
    }
    // A longer name would be written whole but read back cut, and the service would dial with another name.
    if (in.username.size() > kSettingsUsernameMax) {
        return Refuse(SettingsRefusal::UsernameTooLong, "A Username can be at most 24 characters long", IDC_USERNAME);
    }
    store.WriteUsername(in.username);
    if (in.password.empty()) {
        return Refuse(SettingsRefusal::PasswordEmpty, "A Password must be specified for a Dialup Connection",
                      IDC_PASSWORD);
    }
    if (in.password.size() > kSettingsPasswordMax) {
        return Refuse(SettingsRefusal::PasswordTooLong, "A Password can be at most 36 characters long", IDC_PASSWORD);
    }
    store.WritePassword(in.password);
    if (in.autoHangup) {
        store.SetDialupIdle(in.entrySelected ? in.entry : std::string(), in.idleMinutes);
    }
    return {true, SettingsRefusal::None, nullptr, 0};
}
