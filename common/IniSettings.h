#pragma once
// IniSettings: the entries of Ombrix.Ini that the programs of the system share, each with its section, its
// key and the default its reader passes. The service, the console, the wizard and the probe read and write
// through these (COmbrixIni's overloads), so that every program meets the others at the same entry with the
// same default. Buffer lengths, and the rules that turn a value into what a program runs with, stay with
// each reader. No windows.h: the portable cores take their keys and defaults from here too.
//
// The profile functions match section and key names without regard to case; these are the spellings the
// programs write.

/// An integer entry: its leading decimal number, or `fallback` when the key is missing or empty.
struct CIntSetting {
    const char* section;
    const char* key;
    int fallback;
};

/// A text entry: `fallback` when the key is missing.
struct CTextSetting {
    const char* section;
    const char* key;
    const char* fallback;
};

constexpr char kIniSectionApplication[] = "Application";
constexpr char kIniSectionDialup[] = "Dialup";
constexpr char kIniSectionDhcp[] = "DHCP";
constexpr char kIniSectionDnsRelay[] = "DnsRelay";
constexpr char kIniSectionIpc[] = "IPC";
constexpr char kIniSectionNetAlarm[] = "NetAlarm";
constexpr char kIniSectionAuthProvider[] = "AuthProvider";

// Section Application.
/// `OmbrixMode` when the wizard has not run: the service and the console refuse to start.
constexpr int kOmbrixModeNotConfigured = -1;
/// The network mode the wizard chose: 0 dial-up, 1 single NIC, 2 dual NIC; anything else is not configured.
constexpr CIntSetting kIniApplicationOmbrixMode{kIniSectionApplication, "OmbrixMode", kOmbrixModeNotConfigured};
/// What the service logs and the console shows when OmbrixMode is missing or names no mode they know.
constexpr char kOmbrixModeUnknownText[] =
    "Unable to determine Ombrix Mode, Run the Configuration Wizard to ensure proper Ombrix settings.";
/// Sharing switched on: the service switches the packet driver on at start.
constexpr CIntSetting kIniApplicationEnabled{kIniSectionApplication, "Enabled", 1};
/// Run the DHCP server.
constexpr CIntSetting kIniApplicationUseDhcp{kIniSectionApplication, "UseDHCP", 1};
/// Run the DNS relay.
constexpr CIntSetting kIniApplicationDnsRelay{kIniSectionApplication, "DnsRelay", 1};
/// Dialling allowed at all (the wizard sets it when a dial-up adapter is the Internet side).
constexpr CIntSetting kIniApplicationDialup{kIniSectionApplication, "Dialup", 1};

// Section Dialup.
/// Dial when the packet driver reports that a client needs the Internet, as the dial and the console read it.
constexpr CIntSetting kIniDialupAutoDial{kIniSectionDialup, "AutoDial", 1};
/// The same key as the service reads it once at start for its tick: missing, the tick never dials.
constexpr CIntSetting kIniDialupAutoDialAtStart{kIniSectionDialup, "AutoDial", 0};
/// Hang up an idle connection.
constexpr CIntSetting kIniDialupAutoHangup{kIniSectionDialup, "AutoHangup", 1};
/// The phone-book entry to dial.
constexpr CTextSetting kIniDialupPhoneBookEntry{kIniSectionDialup, "PhoneBookEntry", ""};
constexpr CTextSetting kIniDialupUsername{kIniSectionDialup, "Username", ""};
/// Stored in the MakePWString form.
constexpr CTextSetting kIniDialupPassword{kIniSectionDialup, "Password", ""};

// Section DHCP: the DHCP server's, read at each of its starts; the LAN route reads the network from here too.
/// UDP port the server listens on (low 16 bits).
constexpr CIntSetting kIniDhcpServerPort{kIniSectionDhcp, "ServerPort", 67};
/// The server's own address; empty: picked from the adapters by mode.
constexpr CTextSetting kIniDhcpLocalAddress{kIniSectionDhcp, "LocalAddress", ""};
/// Network of the pool: its first three octets.
constexpr CTextSetting kIniDhcpAssignedIp{kIniSectionDhcp, "AssignedIp", "192.168.0.0"};
/// First host number of the pool.
constexpr CIntSetting kIniDhcpLowAddress{kIniSectionDhcp, "LowAddress", 1};
/// End of the pool, itself never handed out.
constexpr CIntSetting kIniDhcpHighAddress{kIniSectionDhcp, "HighAddress", 255};
/// Seconds an open offer lives (low 16 bits).
constexpr CIntSetting kIniDhcpOfferAddrTimeout{kIniSectionDhcp, "OfferAddrTimeout", 180};
/// Lease time given to clients, in seconds.
constexpr CIntSetting kIniDhcpLeaseAddrTimeout{kIniSectionDhcp, "LeaseAddrTimeout", 900};
/// Mask given to clients, and the LAN route's mask.
constexpr CTextSetting kIniDhcpSubNetMask{kIniSectionDhcp, "SubNetMask", "255.255.255.0"};
/// How many DNS server entries clients get (decimal text); 0: the server's own address.
constexpr CTextSetting kIniDhcpNumDomainNameServers{kIniSectionDhcp, "NumDomainNameServers", "0"};
/// The DNS server address handed to clients.
constexpr CTextSetting kIniDhcpDomainNameServers{kIniSectionDhcp, "DomainNameServers", ""};
/// The server's trace file; empty: no trace.
constexpr CTextSetting kIniDhcpLogFile{kIniSectionDhcp, "LogFile", ""};

// Section DnsRelay: read once, when the relay is first created. Empty addresses are found from the adapters.
constexpr CTextSetting kIniDnsRelayInternalDnsListen{kIniSectionDnsRelay, "InternalDnsListen", ""};
constexpr CTextSetting kIniDnsRelayInternetDnsListen{kIniSectionDnsRelay, "InternetDnsListen", ""};
/// The server queries are forwarded to; empty: the machine's own first DNS server.
constexpr CTextSetting kIniDnsRelayDnsServer{kIniSectionDnsRelay, "DnsServer", ""};
/// The relay's trace file; empty: no trace.
constexpr CTextSetting kIniDnsRelayLogFile{kIniSectionDnsRelay, "LogFile", ""};

// Section IPC: where the service's control endpoint and the console's client meet.
/// The control protocol's UDP port on 127.0.0.1 when ServerPort is not set.
constexpr unsigned short kIpcDefaultServerPort = 63259;
constexpr CIntSetting kIniIpcServerPort{kIniSectionIpc, "ServerPort", kIpcDefaultServerPort};
/// Address the console binds its socket to; empty: any. The service only logs it.
constexpr CTextSetting kIniIpcLocalAddress{kIniSectionIpc, "LocalAddress", ""};

// Section NetAlarm.
/// Ask the packet driver to report blocked connection attempts.
constexpr CIntSetting kIniNetAlarmEnable{kIniSectionNetAlarm, "Enable", 0};
/// The console's display options, which the service stores and hands back.
constexpr CIntSetting kIniNetAlarmMessageBox{kIniSectionNetAlarm, "MessageBox", 0};
constexpr CIntSetting kIniNetAlarmDelayTime{kIniSectionNetAlarm, "DelayTime", 300};
constexpr CIntSetting kIniNetAlarmLogAlarms{kIniSectionNetAlarm, "LogAlarms", 1};

// Section AuthProvider.
/// The access provider plug-in loaded at start; empty: none.
constexpr CTextSetting kIniAuthProviderDllName{kIniSectionAuthProvider, "DllName", ""};
