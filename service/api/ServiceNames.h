#pragma once
// Names under which the daemon is known to the system.

constexpr const char kServiceName[] = "OmbrixInternetSharing";
constexpr const char kServiceDisplayName[] = "Ombrix Internet Sharing";
constexpr const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr const char kRunServicesValue[] = "Ombrix Service";
constexpr const char kInstanceMutexName[] = "OMBRIX";
constexpr const char kControlWindowClass[] = "OmbrixServiceWindow";
constexpr const char kControlWindowTitle[] = "OmbrixService";
