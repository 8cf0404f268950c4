#include "SettingsPageModel.h"

#include <gtest/gtest.h>

#include "ConsoleModel.h"
#include "resource.h"

namespace {
/// Every write in order, as "Key=value".
class CRecordingStore : public ISettingsStore {
public:
    void WriteEnabled(int v) override { writes.push_back("Enabled=" + std::to_string(v)); }
    void WriteAutoHangup(int v) override { writes.push_back("AutoHangup=" + std::to_string(v)); }
    void WriteAutoDial(int v) override { writes.push_back("AutoDial=" + std::to_string(v)); }
    void WritePhoneBookEntry(const std::string& e) override { writes.push_back("PhoneBookEntry=" + e); }
    void WriteUsername(const std::string& n) override { writes.push_back("Username=" + n); }
    void WritePassword(const std::string& p) override { writes.push_back("Password=" + p); }
    void SetDialupIdle(const std::string& e, int m) override
    {
        writes.push_back("Idle " + e + "=" + std::to_string(m));
    }
    std::vector<std::string> writes;
};

SettingsInputs ModemInputs()
{
    SettingsInputs in;
    in.mode = kModeModem;
    in.sharing = true;
    in.autoDial = true;
    in.autoHangup = true;
    in.entrySelected = true;
    in.entry = "LabISP";
    in.username = "alice";
    in.password = "secret";
    in.idleMinutes = 12;
    return in;
}
}  // namespace

TEST(SettingsSaveTest, WritesInOrderAndStopsAtTheFirstRefusal)
{
    const std::string u24(24, 'u'), u25(25, 'u'), p36(36, 'p'), p37(37, 'p');
    struct Case {
        const char* name;
        void (*change)(SettingsInputs&);
        bool ok;
        SettingsRefusal refusal;
        int focus;
        std::vector<std::string> writes;
    };
    const Case cases[] = {
        {"all given",
         [](SettingsInputs&) {},
         true,
         SettingsRefusal::None,
         0,
         {"Enabled=1", "AutoHangup=1", "AutoDial=1", "PhoneBookEntry=LabISP", "Username=alice", "Password=secret",
          "Idle LabISP=12"}},
        {"no hang-up: no idle minutes",
         [](SettingsInputs& in) { in.autoHangup = false; },
         true,
         SettingsRefusal::None,
         0,
         {"Enabled=1", "AutoHangup=0", "AutoDial=1", "PhoneBookEntry=LabISP", "Username=alice", "Password=secret"}},
        {"empty user name",
         [](SettingsInputs& in) { in.username.clear(); },
         false,
         SettingsRefusal::UsernameEmpty,
         IDC_USERNAME,
         {"Enabled=1", "AutoHangup=1", "AutoDial=1", "PhoneBookEntry=LabISP"}},
        {"user name of 25",
         [](SettingsInputs& in) { in.username = std::string(25, 'u'); },
         false,
         SettingsRefusal::UsernameTooLong,
         IDC_USERNAME,
         {"Enabled=1", "AutoHangup=1", "AutoDial=1", "PhoneBookEntry=LabISP"}},
        {"empty password",
         [](SettingsInputs& in) { in.password.clear(); },
         false,
         SettingsRefusal::PasswordEmpty,
         IDC_PASSWORD,
         {"Enabled=1", "AutoHangup=1", "AutoDial=1", "PhoneBookEntry=LabISP", "Username=alice"}},
        {"password of 37",
         [](SettingsInputs& in) { in.password = std::string(37, 'p'); },
         false,
         SettingsRefusal::PasswordTooLong,
         IDC_PASSWORD,
         {"Enabled=1", "AutoHangup=1", "AutoDial=1", "PhoneBookEntry=LabISP", "Username=alice"}},
        {"nothing selected",
         [](SettingsInputs& in) {
             in.entrySelected = false;
             in.autoHangup = false;
         },
         true,
         SettingsRefusal::None,
         0,
         {"Enabled=1", "AutoHangup=0", "AutoDial=1", "PhoneBookEntry=", "Username=alice", "Password=secret"}},
        {"no auto dial clears the entry but keeps AutoHangup",
         [](SettingsInputs& in) {
             in.autoDial = false;
             in.sharing = false;
         },
         true,
         SettingsRefusal::None,
         0,
         {"Enabled=0", "AutoHangup=1", "AutoDial=0", "Username=", "Password=", "PhoneBookEntry="}},
        {"single NIC mode",
         [](SettingsInputs& in) { in.mode = kModeSingleNic; },
         true,
         SettingsRefusal::None,
         0,
         {"Enabled=1", "Username=", "Password=", "PhoneBookEntry="}},
        {"a negative mode is no modem mode",
         [](SettingsInputs& in) { in.mode = -5; },
         true,
         SettingsRefusal::None,
         0,
         {"Enabled=1", "Username=", "Password=", "PhoneBookEntry="}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsInputs in = ModemInputs();
        c.change(in);
        CRecordingStore store;
        SettingsSaveResult result = SaveSettings(in, store);
        EXPECT_EQ(c.ok, result.ok);
        EXPECT_EQ(c.refusal, result.refusal);
        EXPECT_EQ(c.focus, result.focusControl);
        EXPECT_EQ(c.ok, result.message == nullptr);
        EXPECT_EQ(c.writes, store.writes);
    }
    // The longest the settings file reads back is taken whole.
    SettingsInputs longest = ModemInputs();
    longest.username = u24;
    longest.password = p36;
    CRecordingStore store;
    EXPECT_TRUE(SaveSettings(longest, store).ok);
}

TEST(SettingsSaveTest, RefusalMessagesAreTheProductTexts)
{
    SettingsInputs in = ModemInputs();
    in.username.clear();
    CRecordingStore store;
    EXPECT_STREQ("A Username must be specified for a Dialup Connection", SaveSettings(in, store).message);
    in = ModemInputs();
    in.password.clear();
    EXPECT_STREQ("A Password must be specified for a Dialup Connection", SaveSettings(in, store).message);
}

TEST(SettingsEntryTest, StoredEntryMatchesIgnoringCaseOtherwiseTheFirst)
{
    const std::vector<std::string> sorted = {"Busy", "LabISP", "Quick"};
    const struct {
        const char* stored;
        int index;
    } cases[] = {{"LabISP", 1}, {"labisp", 1}, {"QUICK", 2}, {"Unknown", 0}, {"", 0}, {"LabISP ", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.index, SettingsEntryToSelect(sorted, c.stored)) << c.stored;
    EXPECT_EQ(-1, SettingsEntryToSelect({}, "LabISP"));
}

TEST(SettingsModeTextTest, SingleNicAndOtherwiseDual)
{
    EXPECT_STREQ("Ombrix is running in Single NIC Mode", SettingsModeText(kModeSingleNic));
    EXPECT_STREQ("Ombrix is running in Dual NIC Mode", SettingsModeText(kModeDualNic));
    EXPECT_STREQ("Ombrix is running in Dual NIC Mode", SettingsModeText(-4));
}
