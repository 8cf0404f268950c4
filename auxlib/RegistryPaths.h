// Where each Windows family keeps what the adapter library reads and writes (all under HKLM unless told).
#pragma once

// Windows 95/98.
constexpr char k9xEnumKey[] = "Enum";
constexpr char k9xNetworkEnumKey[] = "Enum\\Network\\";                         // + binding name
constexpr char k9xClassKey[] = "System\\CurrentControlSet\\Services\\Class\\";  // + "NetTrans\nnnn"
constexpr char kMstcpKey[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";

// Windows NT 4.
constexpr char kNt4NetworkCardsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
constexpr char kServicesKey[] = "System\\CurrentControlSet\\Services\\";  // + service name
constexpr char kNt4TcpipSubkey[] = "Parameters\\TcpIp";
constexpr char kTcpipParametersKey[] = "System\\CurrentControlSet\\Services\\TcpIp\\Parameters";
constexpr char kTcpipTransientKey[] = "System\\CurrentControlSet\\Services\\TcpIp\\Parameters\\Transient";

// Windows 2000.
constexpr char k2000ClassKey[] = "System\\CurrentControlSet\\Control\\Class";
constexpr char k2000InterfacesKey[] = "System\\CurrentControlSet\\Services\\TcpIp\\Parameters\\Interfaces\\";
