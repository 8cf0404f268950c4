#pragma once
// Names under which the daemon is known to the system. The service registers and creates them; the console
// starts the service by the same names. No windows.h: the pure cores may include this too.

/// The daemon's program, which the console runs from its own directory on Windows 95/98.
constexpr char kDaemonProgramName[] = "OmbrixDaemon.exe";
/// Name of the service on the NT family: the control manager's entry and the control handler's registration.
constexpr char kServiceName[] = "OmbrixInternetSharing";
/// Shown by the control manager, and printed by the install and remove commands.
constexpr char kServiceDisplayName[] = "Ombrix Internet Sharing";
/// The Windows 95/98 registration: a value of this key in the local-machine hive holds the program's path.
constexpr char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kRunServicesValue[] = "Ombrix Service";
/// Held by the running daemon, so that a second copy ends at once.
constexpr char kInstanceMutexName[] = "OMBRIX";
/// The service's hidden control window: its class and title.
constexpr char kControlWindowClass[] = "OmbrixServiceWindow";
constexpr char kControlWindowTitle[] = "OmbrixService";
