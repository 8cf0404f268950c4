// The Settings page (dialog 101): the sharing switch and, in modem mode, the dial-up settings. Its rules
// are SettingsPageModel's; this file moves them between the controls, Ombrix.Ini, the dial-up library and
// ombrixaux.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "ConsoleApp.h"
#include "ConsoleModel.h"
#include "IniSettings.h"
#include "OmbrixIni.h"
#include "RasRecords.h"
#include "SettingsPageModel.h"
#include "ombrixaux.h"
#include "resource.h"

namespace {

// What the settings file is read with: 254 characters of entry, 24 of user name, 49 of stored password.
constexpr unsigned kEntryBufferSize = 255;
constexpr unsigned kUsernameBufferSize = kSettingsUsernameMax + 1;
constexpr unsigned kStoredPasswordBufferSize = 50;
// The page takes up to 128 characters of user name and password from its fields.
constexpr int kFieldReadSize = 129;
constexpr int kIdleLowest = 1;
constexpr int kIdleHighest = 30;
const int kModemControls[] = {IDC_DIALUP_ENTRY, IDC_USERNAME,    IDC_PASSWORD, IDC_AUTO_DIAL,
                              IDC_IDLE_MINUTES, IDC_AUTO_HANGUP, IDC_IDLE_SPIN};
const int kAutoDialControls[] = {IDC_DIALUP_ENTRY, IDC_USERNAME, IDC_PASSWORD, IDC_IDLE_MINUTES, IDC_AUTO_HANGUP};

bool Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

void EnableAll(HWND page, const int* ids, size_t count, bool enable)
{
    for (size_t i = 0; i < count; ++i)
        EnableWindow(GetDlgItem(page, ids[i]), enable ? TRUE : FALSE);
}

void EnableAutoDialControls(HWND page, bool enable)
{
    EnableAll(page, kAutoDialControls, sizeof kAutoDialControls / sizeof kAutoDialControls[0], enable);
}

/// Entry selection: the entry's idle minutes into the minutes field.
void EntrySelected(HWND page)
{
    HWND list = GetDlgItem(page, IDC_DIALUP_ENTRY);
    LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (item != CB_ERR) {
        LRESULT minutes = SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
        SetDlgItemInt(page, IDC_IDLE_MINUTES, static_cast<UINT>(minutes), FALSE);
    }
    PostPageModified(page, true);
}

/// The default phonebook's entries, in the library's order; empty without the library.
std::vector<std::string> PhonebookEntries()
{
    std::vector<std::string> names;
    HMODULE ras = LoadLibraryA("RASAPI32");
    if (ras == NULL)
        return names;
    RasEnumEntriesFunction enumEntries =
        reinterpret_cast<RasEnumEntriesFunction>(reinterpret_cast<void*>(GetProcAddress(ras, "RasEnumEntriesA")));
    if (enumEntries != nullptr) {
        std::vector<RasEntryNameRecord> records(1);
        DWORD bytes = sizeof(RasEntryNameRecord);
        DWORD count = 0;
        records[0].dwSize = sizeof(RasEntryNameRecord);
        DWORD result = enumEntries(nullptr, nullptr, records.data(), &bytes, &count);
        while (result == kRasErrorBufferTooSmall) {
            size_t wanted = bytes / sizeof(RasEntryNameRecord);
            if (wanted <= records.size())
                wanted = records.size() + 1;  // never ask again with the same room
            records.assign(wanted, RasEntryNameRecord());
            records[0].dwSize = sizeof(RasEntryNameRecord);
            bytes = static_cast<DWORD>(records.size() * sizeof(RasEntryNameRecord));
            count = 0;
            result = enumEntries(nullptr, nullptr, records.data(), &bytes, &count);
        }
        if (result == 0) {
            for (DWORD i = 0; i < count && i < records.size(); ++i) {
                records[i].szEntryName[kRasMaxEntryName] = '\0';
                names.push_back(records[i].szEntryName);
            }
        }
    }
    FreeLibrary(ras);
    return names;
}

void FillEntries(HWND page, const char* stored)
{
    HWND list = GetDlgItem(page, IDC_DIALUP_ENTRY);
    for (const std::string& name : PhonebookEntries()) {
        LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (item >= 0)
            SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), GetDialupIdle(name.c_str()));
    }
    // The list sorts itself: the match is looked for in the order the user sees.
    std::vector<std::string> sorted;
    LRESULT n = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[kRasMaxEntryName + 1] = "";
        if (SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) <= static_cast<LRESULT>(kRasMaxEntryName))
            SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        sorted.push_back(text);
    }
    int select = SettingsEntryToSelect(sorted, stored);
    if (select >= 0) {
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(select), 0);
        EntrySelected(page);
    }
}

void Load(HWND page)
{
    CheckDlgButton(page, IDC_ENABLE_SHARING, COmbrixIni::ReadInt(kIniApplicationEnabled) ? BST_CHECKED : BST_UNCHECKED);
    // Held to what the settings file reads back, so what is shown is what the service will use.
    SendDlgItemMessageA(page, IDC_USERNAME, EM_LIMITTEXT, kSettingsUsernameMax, 0);
    SendDlgItemMessageA(page, IDC_PASSWORD, EM_LIMITTEXT, kSettingsPasswordMax, 0);
    if (g_mode != kModeModem) {
        SetDlgItemTextA(page, IDC_MODE_TEXT, SettingsModeText(g_mode));
        EnableAll(page, kModemControls, sizeof kModemControls / sizeof kModemControls[0], false);
        return;
    }
    const int autoDial = COmbrixIni::ReadInt(kIniDialupAutoDial);
    const int autoHangup = COmbrixIni::ReadInt(kIniDialupAutoHangup);
    char entry[kEntryBufferSize] = "";
    char username[kUsernameBufferSize] = "";
    char stored[kStoredPasswordBufferSize] = "";
    COmbrixIni::ReadString(kIniDialupPhoneBookEntry, entry, sizeof entry);
    COmbrixIni::ReadString(kIniDialupUsername, username, sizeof username);
    COmbrixIni::ReadString(kIniDialupPassword, stored, sizeof stored);
    unsigned char plain[kStoredPasswordBufferSize] = "";
    UndoPWString(reinterpret_cast<const unsigned char*>(stored), plain);
    plain[sizeof plain - 1] = '\0';

    SendDlgItemMessageA(page, IDC_IDLE_SPIN, UDM_SETRANGE, 0, MAKELPARAM(kIdleHighest, kIdleLowest));
    FillEntries(page, entry);

    CheckDlgButton(page, IDC_AUTO_DIAL, autoDial ? BST_CHECKED : BST_UNCHECKED);
    EnableAutoDialControls(page, autoDial != 0);
    CheckDlgButton(page, IDC_AUTO_HANGUP, autoHangup ? BST_CHECKED : BST_UNCHECKED);
    if (autoHangup == 0)
        EnableWindow(GetDlgItem(page, IDC_IDLE_MINUTES), FALSE);
    SetDlgItemTextA(page, IDC_PASSWORD, reinterpret_cast<const char*>(plain));
    SetDlgItemTextA(page, IDC_USERNAME, username);
    SecureZeroMemory(plain, sizeof plain);
}

class CIniSettingsStore : public ISettingsStore {
public:
    void WriteEnabled(int v) override { COmbrixIni::WriteInt(kIniApplicationEnabled, v); }
    void WriteAutoHangup(int v) override { COmbrixIni::WriteInt(kIniDialupAutoHangup, v); }
    void WriteAutoDial(int v) override { COmbrixIni::WriteInt(kIniDialupAutoDial, v); }
    void WritePhoneBookEntry(const std::string& e) override
    {
        COmbrixIni::WriteString(kIniDialupPhoneBookEntry, e.c_str());
    }
    void WriteUsername(const std::string& n) override { COmbrixIni::WriteString(kIniDialupUsername, n.c_str()); }
    void WritePassword(const std::string& p) override
    {
        if (p.empty()) {
            COmbrixIni::WriteString(kIniDialupPassword, "");
            return;
        }
        // Base64 of at most 128 characters, with room to spare.
        unsigned char stored[200] = "";
        MakePWString(reinterpret_cast<const unsigned char*>(p.c_str()), stored);
        COmbrixIni::WriteString(kIniDialupPassword, reinterpret_cast<const char*>(stored));
    }
    void SetDialupIdle(const std::string& e, int minutes) override { ::SetDialupIdle(e.c_str(), minutes); }
};

std::string FieldText(HWND page, int id)
{
    char text[kFieldReadSize] = "";
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

BOOL Save(HWND page)
{
    SettingsInputs in;
    in.mode = g_mode;
    in.sharing = Checked(page, IDC_ENABLE_SHARING);
    in.autoDial = Checked(page, IDC_AUTO_DIAL);
    in.autoHangup = Checked(page, IDC_AUTO_HANGUP);
    HWND list = GetDlgItem(page, IDC_DIALUP_ENTRY);
    LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (item != CB_ERR &&
        SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0) <= static_cast<LRESULT>(kRasMaxEntryName)) {
        char text[kRasMaxEntryName + 1] = "";
        SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
        in.entrySelected = true;
        in.entry = text;
    }
    in.username = FieldText(page, IDC_USERNAME);
    in.password = FieldText(page, IDC_PASSWORD);
    BOOL translated = FALSE;
    in.idleMinutes = static_cast<int>(GetDlgItemInt(page, IDC_IDLE_MINUTES, &translated, TRUE));
    CIniSettingsStore store;
    SettingsSaveResult result = SaveSettings(in, store);
    SecureZeroMemory(&in.password[0], in.password.size());
    if (!result.ok) {
        MessageBoxA(page, result.message, kConsoleErrorCaption, MB_OK);
        SetFocus(GetDlgItem(page, result.focusControl));
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool IsSettingsPage(HWND page)
{
    return page != NULL && GetDlgItem(page, IDC_ENABLE_SHARING) != NULL && GetDlgItem(page, IDC_MODE_TEXT) != NULL;
}

void SettingsPageShowSharing(HWND page, int enabled)
{
    if (IsSettingsPage(page))
        CheckDlgButton(page, IDC_ENABLE_SHARING, enabled ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR CALLBACK SettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Load(page);
        PostPageModified(page, false);
        return TRUE;
    case WM_PAGE_APPLY:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, Save(page));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_ENABLE_SHARING && code == BN_CLICKED) {
            g_link->Command(kRequestSetSharing, Checked(page, IDC_ENABLE_SHARING) ? 1 : 0, 1);
        } else if (id == IDC_AUTO_DIAL && code == BN_CLICKED) {
            EnableAutoDialControls(page, Checked(page, IDC_AUTO_DIAL));
            PostPageModified(page, true);
        } else if (id == IDC_AUTO_HANGUP && code == BN_CLICKED) {
            EnableWindow(GetDlgItem(page, IDC_IDLE_MINUTES), Checked(page, IDC_AUTO_HANGUP) ? TRUE : FALSE);
            PostPageModified(page, true);
        } else if (id == IDC_DIALUP_ENTRY && code == CBN_SELCHANGE) {
            EntrySelected(page);
        } else if ((id == IDC_USERNAME || id == IDC_PASSWORD || id == IDC_IDLE_MINUTES) && code == EN_CHANGE) {
            PostPageModified(page, true);
        }
        return TRUE;
    }
    }
    return FALSE;
}
