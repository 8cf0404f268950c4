// The console shell's and Settings page's readers of outside input: the access provider's registration
// record as the plug-in leaves it, and the Settings page's rules over what the settings file and the
// phonebook hold (stored entry, entry names, user name, password). The rules must never read past their
// input, and a refused save must never write after its refusal.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ConsoleModel.h"
#include "SettingsPageModel.h"

namespace {

class CCountingStore : public ISettingsStore {
public:
    void WriteEnabled(int) override { ++writes; }
    void WriteAutoHangup(int) override { ++writes; }
    void WriteAutoDial(int) override { ++writes; }
    void WritePhoneBookEntry(const std::string&) override { ++writes; }
    void WriteUsername(const std::string& n) override
    {
        if (n.size() > kSettingsUsernameMax)
            __builtin_trap();  // longer than the settings file reads back
        ++writes;
    }
    void WritePassword(const std::string& p) override
    {
        if (p.size() > kSettingsPasswordMax)
            __builtin_trap();
        ++writes;
    }
    void SetDialupIdle(const std::string&, int) override { ++writes; }
    int writes = 0;
};

/// Splits the input at NUL bytes into texts.
std::vector<std::string> Texts(const uint8_t* data, size_t size)
{
    std::vector<std::string> texts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            texts.emplace_back();
        else
            texts.back() += static_cast<char>(data[i]);
    }
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t record[kProviderRecordSize] = {};
    std::memcpy(record, data, size < sizeof record ? size : sizeof record);
    ProviderPage page = ReadProviderRecord(record);
    if (page.caption.size() > 19)
        __builtin_trap();
    (void)ProviderKept(size > 0 ? data[0] : 0, page);

    std::vector<std::string> texts = Texts(data, size);
    if (texts.size() < 4)
        return 0;
    SettingsInputs in;
    const uint8_t flags = size > 0 ? data[size - 1] : 0;
    in.mode = static_cast<int>(flags & 3) - 1;
    in.sharing = flags & 4;
    in.autoDial = flags & 8;
    in.autoHangup = flags & 16;
    in.entrySelected = flags & 32;
    in.entry = texts[0];
    in.username = texts[1];
    in.password = texts[2];
    in.idleMinutes = static_cast<int>(texts[3].size()) - 5;
    CCountingStore store;
    SettingsSaveResult result = SaveSettings(in, store);
    if (result.ok != (result.message == nullptr))
        __builtin_trap();

    std::vector<std::string> entries(texts.begin() + 3, texts.end());
    const int selected = SettingsEntryToSelect(entries, texts[0]);
    if (selected < -1 || selected >= static_cast<int>(entries.size()) || (selected == -1) != entries.empty())
        __builtin_trap();
    return 0;
}
