#pragma once
// Sections and keys of Ombrix.Ini that the service itself reads and writes. Key names are matched without
// regard to case by the private-profile functions; these are the spellings the service writes.

constexpr char kSectionApplication[] = "Application";
constexpr char kSectionDhcp[] = "DHCP";
constexpr char kSectionDialup[] = "Dialup";
constexpr char kSectionNetAlarm[] = "NetAlarm";

// Section Application.
constexpr char kKeyOmbrixMode[] = "OmbrixMode";
constexpr char kKeyEnabled[] = "Enabled";
constexpr char kKeyUseDhcp[] = "UseDHCP";
constexpr char kKeyDnsRelay[] = "DnsRelay";

// Section DHCP.
constexpr char kKeyLowAddress[] = "LowAddress";
constexpr char kKeyHighAddress[] = "HighAddress";

// Section Dialup.
constexpr char kKeyAutoDial[] = "AutoDial";

// Section NetAlarm.
constexpr char kKeyNetAlarmEnable[] = "Enable";
constexpr char kKeyMessageBox[] = "MessageBox";
constexpr char kKeyDelayTime[] = "DelayTime";
constexpr char kKeyLogAlarms[] = "LogAlarms";
