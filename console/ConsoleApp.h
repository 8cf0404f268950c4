#pragma once
// The console's process-wide state and the page contract between the main dialog and its pages.
#include <windows.h>

#include "ServiceLink.h"

/// Main dialog -> current page (sent): apply now; non-zero lets the user leave the page.
constexpr UINT WM_PAGE_APPLY = 0x48F;
/// Page -> main dialog (posted): wParam 1 pending changes (enable "&Apply"), 0 none.
constexpr UINT WM_PAGE_MODIFIED = 0x4C7;
/// Shell -> main dialog: the tray icon's callback, lParam the mouse message.
constexpr UINT WM_TRAY_NOTIFY = 0x404;

extern HINSTANCE g_instance;
/// OmbrixMode as read at start.
extern int g_mode;
extern CServiceLink* g_link;

/// Reports a page's pending changes to the main dialog.
void PostPageModified(HWND page, bool modified);

INT_PTR CALLBACK SettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ServicePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
/// The pages whose controls come later: nothing to apply.
INT_PTR CALLBACK FramePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
/// Sets the sharing box of the Settings page, when page is the Settings page.
void SettingsPageShowSharing(HWND page, int enabled);
bool IsSettingsPage(HWND page);
