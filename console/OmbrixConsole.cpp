// OmbrixConsole: the tray program. At start it checks that it is the only console of this desktop and that
// the wizard has set a sharing mode, opens its link to the service and pings it once, loads the access
// provider's page if one is configured, and then lives in the tray: the main dialog with its tabbed pages
// opens from the tray icon and hides again on "&Close", and the 1-second housekeeping tick retries the
// attach once. Everything runs on this one thread; a request waiting for the service keeps the windows
// going (CServiceLink).
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ConsoleApp.h"
#include "ConsoleModel.h"
#include "IniSettings.h"
#include "OmbrixIni.h"
#include "ombrixaux.h"
#include "resource.h"

HINSTANCE g_instance = NULL;
int g_mode = kOmbrixModeNotConfigured;
CServiceLink* g_link = nullptr;

namespace {

constexpr char kMainCaption[] = "Ombrix Internet Sharing";
constexpr char kDialogClass[] = "#32770";
constexpr char kTrayTip[] = "Ombrix Manager";
constexpr char kIpcStartMessage[] = "There was an error starting the Ombrix Service Communications Server";
constexpr char kAttachMessage[] =
    "Unable to attach to Ombrix Service.\n\nPlease make sure the Ombrix Service is running, or re-install Ombrix.";
constexpr char kProviderExport[] = "RegisterOmbrixAccessProvider";
constexpr unsigned kProviderPathSize = 261;
constexpr UINT kHousekeepingPeriodMs = 1000;
/// Test builds of the harness shorten the housekeeping tick through this variable (milliseconds, 10 to
/// 1000); it exists for the tests of the attach retry and is not a setting of the product.
constexpr char kTestTickVariable[] = "OMBRIX_CONSOLE_TEST_TICK_MS";
/// Test-only as well: a file the console appends what the tests cannot read from its windows (the tray
/// menu's sharing item while the menu is open, the tab captions).
constexpr char kTestTraceVariable[] = "OMBRIX_CONSOLE_TEST_TRACE";
constexpr UINT kTrackRightAlign = TPM_RIGHTALIGN;

struct PageEntry {
    const char* caption;
    int dialog;
    int bitmap;
    DLGPROC proc;
};
const PageEntry kPages[] = {
    {"Settings", IDD_SETTINGS, IDB_TAB_SETTINGS, SettingsPageProc},
    {"Service", IDD_SERVICE, IDB_TAB_SERVICE, ServicePageProc},
    {"Clients", IDD_CLIENTS, IDB_TAB_CLIENTS, FramePageProc},
    {"DHCP", IDD_DHCP, IDB_TAB_DHCP, FramePageProc},
    {"DNS", IDD_DNS, IDB_TAB_DNS, FramePageProc},
    {"Port Forward", IDD_PORTFORWARD, IDB_TAB_PORTFORWARD, FramePageProc},
    {"Events", IDD_EVENTS, IDB_TAB_EVENTS, FramePageProc},
    {"NetAlarm", IDD_NETALARM, IDB_TAB_NETALARM, FramePageProc},
};
constexpr int kPageCount = sizeof kPages / sizeof kPages[0];

HMODULE g_provider = NULL;
ProviderPage g_providerPage;
CAttachRetry g_attach;
HWND g_main = NULL;
HWND g_page = NULL;
/// The tab whose page is shown.
int g_pageTab = 0;
HIMAGELIST g_images = NULL;
UINT g_taskbarCreated = 0;

void Trace(const std::string& line)
{
    char path[MAX_PATH] = "";
    if (GetEnvironmentVariableA(kTestTraceVariable, path, sizeof path) == 0)
        return;
    FILE* file = std::fopen(path, "ab");
    if (file == nullptr)
        return;
    std::fprintf(file, "%s\r\n", line.c_str());
    std::fclose(file);
}

UINT HousekeepingPeriod()
{
    char text[16] = "";
    if (GetEnvironmentVariableA(kTestTickVariable, text, sizeof text) == 0)
        return kHousekeepingPeriodMs;
    long ms = std::strtol(text, nullptr, 10);
    return (ms >= 10 && ms <= 1000) ? static_cast<UINT>(ms) : kHousekeepingPeriodMs;
}

void ShowError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, kConsoleErrorCaption, MB_OK | MB_ICONERROR);
}

HICON ConsoleIcon(int size)
{
    return static_cast<HICON>(LoadImageA(g_instance, MAKEINTRESOURCEA(IDI_OMBRIX), IMAGE_ICON, size, size, 0));
}

bool AddTrayIcon(HWND dialog)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = dialog;
    data.uID = ID_TRAY_ICON;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.hIcon = ConsoleIcon(16);
    lstrcpynA(data.szTip, kTrayTip, sizeof data.szTip);
    return Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

void RemoveTrayIcon(HWND dialog)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = dialog;
    data.uID = ID_TRAY_ICON;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void CentreInWorkArea(HWND window)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    SetWindowPos(window, NULL, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

/// Centres a modal dialog over its owner, or over the work area without one.
void CentreOverOwner(HWND dialog)
{
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == NULL || !IsWindowVisible(owner)) {
        CentreInWorkArea(dialog);
        return;
    }
    RECT o, r;
    GetWindowRect(owner, &o);
    GetWindowRect(dialog, &r);
    SetWindowPos(dialog, NULL, o.left + (o.right - o.left - (r.right - r.left)) / 2,
                 o.top + (o.bottom - o.top - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool HasProviderTab()
{
    return g_provider != NULL;
}

/// Asks the current page whether it may be left; no page may always be left.
bool PageLetsGo()
{
    if (g_page == NULL)
        return true;
    return SendMessageA(g_page, WM_PAGE_APPLY, 0, 0) != 0;
}

void SwitchPage(HWND dialog)
{
    if (g_page != NULL) {
        DestroyWindow(g_page);
        g_page = NULL;
    }
    HWND tab = GetDlgItem(dialog, IDC_MAIN_TAB);
    const int selected = static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
    g_pageTab = selected;
    if (selected >= 0 && selected < kPageCount) {
        g_page =
            CreateDialogParamA(g_instance, MAKEINTRESOURCEA(kPages[selected].dialog), dialog, kPages[selected].proc, 0);
    } else if (selected == kPageCount && HasProviderTab()) {
        // The plug-in's page: its template in its module, run by its procedure.
        HINSTANCE module = g_providerPage.module != 0
                               ? reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(g_providerPage.module))
                               : g_provider;
        g_page = CreateDialogParamA(module, MAKEINTRESOURCEA(g_providerPage.templateId), dialog,
                                    reinterpret_cast<DLGPROC>(static_cast<uintptr_t>(g_providerPage.dialogProc)), 0);
    }
    if (g_page == NULL)
        return;
    RECT tabClient, pageClient;
    GetClientRect(tab, &tabClient);
    GetClientRect(g_page, &pageClient);
    SetWindowPos(g_page, HWND_TOP, PageLeft(tabClient.right, pageClient.right), kPageTop, 0, 0, SWP_NOSIZE);
    ShowWindow(g_page, SW_SHOW);
}

void AddTabImage(HBITMAP bitmap)
{
    if (bitmap == NULL) {
        return;
    }
    ImageList_Add(g_images, bitmap, NULL);
}

void InitMainDialog(HWND dialog)
{
    g_main = dialog;
    CentreInWorkArea(dialog);
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ConsoleIcon(GetSystemMetrics(SM_CXICON))));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ConsoleIcon(GetSystemMetrics(SM_CXSMICON))));

    HWND tab = GetDlgItem(dialog, IDC_MAIN_TAB);
    g_images = ImageList_Create(12, 12, ILC_COLOR24, 6, 6);
    for (const PageEntry& page : kPages) {
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(g_instance, MAKEINTRESOURCEA(page.bitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        AddTabImage(bitmap);
        if (bitmap != NULL)
            DeleteObject(bitmap);
    }
    int providerImage = -1;
    if (HasProviderTab() && g_providerPage.bitmap != 0) {
        AddTabImage(reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(g_providerPage.bitmap)));
        providerImage = kPageCount;
    }
    SendMessageA(tab, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(g_images));
    for (int i = 0; i < kPageCount; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<char*>(kPages[i].caption);
        item.iImage = i;
        SendMessageA(tab, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        Trace(std::string("tab ") + std::to_string(i) + " " + kPages[i].caption);
    }
    if (HasProviderTab()) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<char*>(g_providerPage.caption.c_str());
        item.iImage = providerImage;
        SendMessageA(tab, TCM_INSERTITEMA, kPageCount, reinterpret_cast<LPARAM>(&item));
        Trace("tab " + std::to_string(kPageCount) + " " + g_providerPage.caption +
              (providerImage >= 0 ? " image" : " no-image"));
    }
    SendMessageA(tab, TCM_SETCURSEL, 0, 0);
    SwitchPage(dialog);
    RefreshByReg();
    AddTrayIcon(dialog);
    SetTimer(dialog, ID_TIMER_HOUSEKEEPING, HousekeepingPeriod(), nullptr);
}

void ShowMainDialog(HWND dialog)
{
    ShowWindow(dialog, IsIconic(dialog) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(dialog);
    SetFocus(dialog);
}

void ShowTrayMenu(HWND dialog)
{
    HMENU menu = LoadMenuA(g_instance, MAKEINTRESOURCEA(IDM_TRAY));
    if (menu == NULL)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    TrayToggleItem item = TrayToggleFor(IsDriverLoaded() != 0, COmbrixIni::ReadInt(kIniApplicationEnabled));
    if (item.text != nullptr)
        ModifyMenuA(popup, ID_TRAY_TOGGLE_SHARING, MF_BYCOMMAND | MF_STRING, ID_TRAY_TOGGLE_SHARING, item.text);
    if (item.grayed)
        EnableMenuItem(popup, ID_TRAY_TOGGLE_SHARING, MF_BYCOMMAND | MF_GRAYED);
    char text[64] = "";
    GetMenuStringA(popup, ID_TRAY_TOGGLE_SHARING, text, sizeof text, MF_BYCOMMAND);
    const UINT state = GetMenuState(popup, ID_TRAY_TOGGLE_SHARING, MF_BYCOMMAND);
    Trace(std::string("menu ") + text + ((state & MF_GRAYED) ? " grayed" : " enabled"));
    POINT at;
    GetCursorPos(&at);
    // The popup only closes when its owner is the foreground window.
    SetForegroundWindow(dialog);
    TrackPopupMenu(popup, kTrackRightAlign, at.x, at.y, 0, dialog, nullptr);
    PostMessageA(dialog, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void ToggleSharing()
{
    const int now = ToggledSharing(COmbrixIni::ReadInt(kIniApplicationEnabled));
    g_link->Command(kRequestSetSharing, static_cast<uint32_t>(now), 1);
    COmbrixIni::WriteInt(kIniApplicationEnabled, now);
    SettingsPageShowSharing(g_page, now);
}

INT_PTR CALLBACK ExitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreOverOwner(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        CentreOverOwner(dialog);
        char path[MAX_PATH] = "";
        GetModuleFileNameA(NULL, path, sizeof path);
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(path, &handle);
        if (size > 0) {
            std::string block(size, '\0');
            VS_FIXEDFILEINFO* info = nullptr;
            UINT length = 0;
            if (GetFileVersionInfoA(path, 0, size, &block[0]) &&
                VerQueryValueA(&block[0], "\\", reinterpret_cast<void**>(&info), &length) && info != nullptr &&
                length >= sizeof(VS_FIXEDFILEINFO)) {
                char text[64];
                wsprintfA(text, "Version: %i.%i.%i.%i", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                          HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
                SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
            }
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void ExitSequence(HWND dialog)
{
    ShowMainDialog(dialog);
    HWND owner = GetActiveWindow();
    if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_EXIT), owner != NULL ? owner : dialog, ExitProc, 0) != IDOK)
        return;
    g_link->Command(kRequestSetSharing, 0, 0);
    RemoveTrayIcon(dialog);
    DestroyWindow(dialog);
    PostQuitMessage(1);
}

void HousekeepingTick(HWND dialog)
{
    if (!g_attach.Tick())
        return;
    // Counted as done before the ping: the ping's wait runs the timer again meanwhile.
    g_attach.Finish();
    if (!g_link->Ping()) {
        Trace("attach message");
        ShowError(dialog, kAttachMessage);
    }
}

void SetApply(HWND dialog, bool enabled)
{
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), enabled ? TRUE : FALSE);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_taskbarCreated && g_taskbarCreated != 0) {
        // A restarted shell has forgotten every tray icon.
        AddTrayIcon(dialog);
        Trace("tray icon added again");
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        InitMainDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            if (PageLetsGo()) {
                ShowWindow(dialog, SW_HIDE);
                SetApply(dialog, false);
            }
            return TRUE;
        case IDC_APPLY:
            if (PageLetsGo())
                SetApply(dialog, false);
            return TRUE;
        case IDC_ABOUT: {
            HWND owner = GetActiveWindow();
            DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ABOUT), owner != NULL ? owner : dialog, AboutProc, 0);
            return TRUE;
        }
        case IDC_QUICK_KILL:
        case ID_TRAY_EXIT:
            ExitSequence(dialog);
            return TRUE;
        case ID_TRAY_TOGGLE_SHARING:
            ToggleSharing();
            return TRUE;
        case ID_TRAY_SHOW_MANAGER:
            ShowMainDialog(dialog);
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_MAIN_TAB)
            break;
        if (header->code == TCN_SELCHANGING) {
            const bool go = PageLetsGo();
            if (go)
                SetApply(dialog, false);
            else
                // Some tab controls move their selection even when the change is refused (Wine's does
                // on TCM_SETCURFOCUS): the tab of the page that stays is selected again.
                PostMessageA(GetDlgItem(dialog, IDC_MAIN_TAB), TCM_SETCURSEL, static_cast<WPARAM>(g_pageTab), 0);
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, go ? FALSE : TRUE);
            return TRUE;
        }
        if (header->code == TCN_SELCHANGE) {
            SwitchPage(dialog);
            return TRUE;
        }
        break;
    }
    case WM_PAGE_MODIFIED:
        SetApply(dialog, wParam != 0);
        return TRUE;
    case WM_TRAY_NOTIFY:
        if (lParam == WM_LBUTTONDBLCLK)
            ShowMainDialog(dialog);
        else if (lParam == WM_RBUTTONUP)
            ShowTrayMenu(dialog);
        return TRUE;
    case WM_TIMER:
        if (wParam == ID_TIMER_HOUSEKEEPING)
            HousekeepingTick(dialog);
        return TRUE;
    case WM_DESTROY:
        KillTimer(dialog, ID_TIMER_HOUSEKEEPING);
        if (g_page != NULL) {
            DestroyWindow(g_page);
            g_page = NULL;
        }
        if (g_images != NULL) {
            ImageList_Destroy(g_images);
            g_images = NULL;
        }
        g_main = NULL;
        return FALSE;
    }
    return FALSE;
}

/// The list view, bar, cool-bar and IP-address classes. InitCommonControlsEx came with comctl32 4.70 (a
/// stock Windows 95 or NT 4.0 has 4.00): looked up at run time, so the console still loads there, with
/// the classes that version registers.
void InitCommonControlClasses()
{
    typedef BOOL(WINAPI * InitExFunction)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = GetModuleHandleA("COMCTL32.DLL");
    InitExFunction initEx =
        comctl != NULL
            ? reinterpret_cast<InitExFunction>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))
            : nullptr;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                          ICC_INTERNET_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    if (initEx == nullptr || !initEx(&controls))
        InitCommonControls();
}

typedef uint32_t(__cdecl* RegisterProviderFunction)(void* record);

void LoadProvider()
{
    char path[kProviderPathSize] = "";
    COmbrixIni::ReadString(kIniAuthProviderDllName, path, sizeof path);
    if (path[0] == '\0')
        return;
    HMODULE module = LoadLibraryA(path);
    if (module == NULL)
        return;
    RegisterProviderFunction registerProvider =
        reinterpret_cast<RegisterProviderFunction>(reinterpret_cast<void*>(GetProcAddress(module, kProviderExport)));
    if (registerProvider != nullptr) {
        // Aligned for the plug-in, which may store its words in place.
        alignas(8) uint8_t record[kProviderRecordSize];
        PrepareProviderRecord(record);
        const uint32_t registered = registerProvider(record);
        g_providerPage = ReadProviderRecord(record);
        if (ProviderKept(registered, g_providerPage)) {
            g_provider = module;
            return;
        }
    }
    FreeLibrary(module);
}

/// The running console's main dialog, hidden or not.
HWND FindRunningConsole()
{
    return FindWindowA(kDialogClass, kMainCaption);
}

int RunConsole()
{
    if (HWND running = FindRunningConsole()) {
        ShowWindow(running, IsIconic(running) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(running);
        return 0;
    }
    g_mode = COmbrixIni::ReadInt(kIniApplicationOmbrixMode);
    if (!ConsoleModeAccepted(g_mode)) {
        ShowError(NULL, kOmbrixModeUnknownText);
        return 2;
    }
    CServiceLink link;
    g_link = &link;
    if (!link.Start()) {
        ShowError(NULL, kIpcStartMessage);
        g_link = nullptr;
        return 2;
    }
    g_attach.Begin(link.Ping());
    LoadProvider();
    InitCommonControlClasses();
    g_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

    int exitCode = 0;
    HWND dialog = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    if (dialog != NULL) {
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0) > 0) {
            if (g_main != NULL && IsDialogMessageA(g_main, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        exitCode = static_cast<int>(msg.wParam);
    }
    if (g_provider != NULL) {
        FreeLibrary(g_provider);
        g_provider = NULL;
    }
    ClearAdapterInfo();
    g_link = nullptr;
    return exitCode;
}

}  // namespace

void PostPageModified(HWND page, bool modified)
{
    PostMessageA(GetParent(page), WM_PAGE_MODIFIED, modified ? 1 : 0, 0);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_instance = instance;
    return RunConsole();
}
