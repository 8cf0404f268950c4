#pragma once
// Every resource and control id of OmbrixConsole, shared by OmbrixConsole.rc, the program and the test driver
// that finds the console's windows by these ids. No windows.h: the resource compiler and the page models
// include it too.

// Icons.
#define IDI_OMBRIX  128
#define IDI_DIALUP  221
#define IDI_SERVICE 222

// Dialogs.
#define IDD_ABOUT       100
#define IDD_SETTINGS    101
#define IDD_NETALARM    102
#define IDD_MAIN        129
#define IDD_DHCP        130
#define IDD_DNS         131
#define IDD_PORTFORWARD 209
#define IDD_EXIT        211
#define IDD_EVENTS      212
#define IDD_SERVICE     216
#define IDD_CLIENTS     224

// Tab bitmaps (12 x 12, no mask).
#define IDB_TAB_DNS         201
#define IDB_TAB_DHCP        202
#define IDB_TAB_SETTINGS    203
#define IDB_TAB_PORTFORWARD 204
#define IDB_TAB_EVENTS      213
#define IDB_TAB_NETALARM    214
#define IDB_TAB_SERVICE     215
#define IDB_TAB_CLIENTS     226

// The tray menu.
#define IDM_TRAY               204
#define ID_TRAY_TOGGLE_SHARING 32778
#define ID_TRAY_SHOW_MANAGER   32779
#define ID_TRAY_EXIT           32780

// Main dialog.
#define IDC_MAIN_TAB   1000
#define IDC_APPLY      100
#define IDC_ABOUT      57664
#define IDC_QUICK_KILL 1003

// About box.
#define IDC_ABOUT_VERSION 1072

// Settings page.
#define IDC_ENABLE_SHARING 1002
#define IDC_AUTO_DIAL      1019
#define IDC_DIALUP_ENTRY   1005
#define IDC_USERNAME       1024
#define IDC_PASSWORD       1026
#define IDC_AUTO_HANGUP    1020
#define IDC_IDLE_MINUTES   1021
#define IDC_IDLE_SPIN      1022
#define IDC_MODE_TEXT      1066

// Service page.
#define IDC_DIAL          1048
#define IDC_HANGUP        1049
#define IDC_DIAL_STATUS   1052
#define IDC_START_SERVICE 1050
#define IDC_STOP_SERVICE  1051

// The tray icon's id and the console's timers.
#define ID_TRAY_ICON            21554
#define ID_TIMER_HOUSEKEEPING   67
#define ID_TIMER_SERVICE_STATUS 69

// Version of the program, in its version resource and the About box.
#define OMBRIX_CONSOLE_VERSION      1, 0, 0, 25
#define OMBRIX_CONSOLE_VERSION_TEXT "1.0.0.25"
