// The Service page (dialog 216): whether the service answers, its start and stop, and the dial-up
// connection by hand. The status is refreshed every 2 seconds; the buttons only ask, the next refresh
// shows what came of it.
#include <windows.h>

#include "ConsoleApp.h"
#include "ConsoleModel.h"
#include "RasRecords.h"
#include "ServicePageModel.h"
#include "resource.h"

namespace {

constexpr UINT kStatusPeriodMs = 2000;

bool DialupConnectionExists()
{
    HMODULE ras = LoadLibraryA("RASAPI32");
    if (ras == NULL)
        return false;
    bool connected = false;
    RasEnumConnectionsFunction enumConnections = reinterpret_cast<RasEnumConnectionsFunction>(
        reinterpret_cast<void*>(GetProcAddress(ras, "RasEnumConnectionsA")));
    if (enumConnections != nullptr) {
        RasConnectionRecord record = {};
        record.dwSize = sizeof record;
        DWORD bytes = sizeof record;
        DWORD count = 0;
        DWORD result = enumConnections(&record, &bytes, &count);
        connected = DialupConnected(result, count);
    }
    FreeLibrary(ras);
    return connected;
}

void Refresh(HWND page)
{
    // While another request waits, a ping now would be refused: the page keeps what it shows until the
    // next refresh.
    if (g_link->Busy())
        return;
    const bool answered = g_link->Ping();
    const bool modem = GetWindowLongPtrA(page, DWLP_USER) != 0;
    ServicePageState state = ServiceStatusFor(answered, modem, answered && modem && DialupConnectionExists());
    EnableWindow(GetDlgItem(page, IDC_START_SERVICE), state.start);
    EnableWindow(GetDlgItem(page, IDC_STOP_SERVICE), state.stop);
    EnableWindow(GetDlgItem(page, IDC_DIAL), state.dial);
    EnableWindow(GetDlgItem(page, IDC_HANGUP), state.hangup);
    SetDlgItemTextA(page, IDC_DIAL_STATUS, state.status);
}

}  // namespace

INT_PTR CALLBACK ServicePageProc(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(page, DWLP_USER, g_mode == kModeModem ? 1 : 0);
        Refresh(page);
        SetTimer(page, ID_TIMER_SERVICE_STATUS, kStatusPeriodMs, nullptr);
        PostPageModified(page, false);
        return TRUE;
    case WM_TIMER:
        if (wParam == ID_TIMER_SERVICE_STATUS) {
            KillTimer(page, ID_TIMER_SERVICE_STATUS);
            Refresh(page);
            if (IsWindow(page))
                SetTimer(page, ID_TIMER_SERVICE_STATUS, kStatusPeriodMs, nullptr);
        }
        return TRUE;
    case WM_PAGE_APPLY:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_DIAL:
            g_link->Command(kRequestDial, 0, 0);
            break;
        case IDC_HANGUP:
            g_link->Command(kRequestHangUp, 0, 0);
            break;
        case IDC_STOP_SERVICE:
            g_link->Command(kRequestStopService, 0, 0);
            break;
        case IDC_START_SERVICE:
            g_link->StartService(page);
            break;
        }
        return TRUE;
    case WM_DESTROY:
        KillTimer(page, ID_TIMER_SERVICE_STATUS);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK FramePageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        PostPageModified(page, false);
        return TRUE;
    case WM_PAGE_APPLY:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    return FALSE;
}
