#pragma once
// The Settings page's rules without its windows: what loading shows, which phonebook entry is selected,
// and the order in which applying writes the settings and where it stops. The page hands in what its
// controls hold and a store that writes; tested natively with a recording store. No windows.h.
#include <string>
#include <vector>

/// What the settings file reads back: the user name is read with room for 24 characters and the stored
/// password with 49, the MIME Base64 form of at most 36 characters. The page holds the user to these.
constexpr size_t kSettingsUsernameMax = 24;
constexpr size_t kSettingsPasswordMax = 36;

/// Mode line of the page for a mode other than modem mode.
const char* SettingsModeText(int mode);

/// The entry to select in the sorted list: the one equal to the stored entry ignoring case, otherwise the
/// first; -1 for an empty list.
int SettingsEntryToSelect(const std::vector<std::string>& sortedEntries, const std::string& stored);

/// What the page's controls hold when it is applied.
struct SettingsInputs {
    int mode = 0;
    bool sharing = true;
    bool autoDial = false;
    bool autoHangup = false;
    bool entrySelected = false;
    std::string entry;
    std::string username;
    std::string password;
    int idleMinutes = 0;  ///< the minutes field read as typed (signed)
};

/// Where applying writes; each call writes one setting at once.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    virtual void WriteEnabled(int value) = 0;
    virtual void WriteAutoHangup(int value) = 0;
    virtual void WriteAutoDial(int value) = 0;
    virtual void WritePhoneBookEntry(const std::string& entry) = 0;
    virtual void WriteUsername(const std::string& name) = 0;
    /// Stores the password in its stored (MakePWString) form.
    virtual void WritePassword(const std::string& plain) = 0;
    virtual void SetDialupIdle(const std::string& entry, int minutes) = 0;
};

/// Why applying stopped; the control to focus and the message to show go with it.
enum class SettingsRefusal { None, UsernameEmpty, UsernameTooLong, PasswordEmpty, PasswordTooLong };
struct SettingsSaveResult {
    bool ok;
    SettingsRefusal refusal;
    const char* message;  ///< null when ok
    int focusControl;     ///< control id to focus, 0 when ok
};

/// Writes in the page's order and stops at the first refusal; what came before stays written.
SettingsSaveResult SaveSettings(const SettingsInputs& in, ISettingsStore& store);
