// The registry methods of all three families, the settings writes and the idle time on a registry the
// fuzzer builds. Input: commands of one byte each, choosing a key path from the places the methods look at
// and a value name from those they read (byte, byte), then a type (byte) and data (u8 length, bytes).
// Every key opened must be closed again, and the tables keep their bounds. The registry is the unit tests'
// in-memory one made cheap per input (aux_fuzz_registry.h).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "AdapterInventory.h"
#include "AdapterSettings.h"
#include "DialupIdle.h"
#include "DriverPresence.h"
#include "aux_fuzz_input.h"
#include "aux_fuzz_registry.h"
#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"

namespace {

const char* const kPaths[] = {
    "Enum\\PCI\\CARD\\0000",
    "Enum\\PCI\\CARD\\0000\\Bindings",
    "Enum\\PCI\\CARD\\0001",
    "Enum\\PCI\\CARD\\0001\\Bindings",
    "Enum\\Root\\Net\\0000",
    "Enum\\Root\\Net\\0000\\Bindings",
    "Enum\\Network\\MSTCP\\0000",
    "Enum\\Network\\MSTCP\\0001",
    "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000",
    "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001",
    "System\\CurrentControlSet\\Services\\VxD\\MSTCP",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\2",
    "System\\CurrentControlSet\\Services\\Card1",
    "System\\CurrentControlSet\\Services\\Card1\\Linkage",
    "System\\CurrentControlSet\\Services\\Card1\\Parameters\\TcpIp",
    "System\\CurrentControlSet\\Services\\TcpIp\\Parameters",
    "System\\CurrentControlSet\\Services\\TcpIp\\Parameters\\Transient",
    "System\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}",
    "System\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\0000",
    "System\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\0001",
    "System\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\0000\\Deeper",
    "System\\CurrentControlSet\\Services\\TcpIp\\Parameters\\Interfaces\\{A}",
    "System\\CurrentControlSet\\Services\\TcpIp\\Parameters\\Interfaces\\Card1",
    "SYSTEM\\CurrentControlSet\\Services\\VxD\\Ombrix",
    "SYSTEM\\CurrentControlSet\\Services\\Ombrix",
};

const char* const kNames[] = {
    "Class",      "DeviceDesc",     "MSTCP\\0000",    "MSTCP\\0001",        "Driver",      "IpAddress",
    "IpMask",     "DefaultGateway", "NameServer",     "Description",        "ServiceName", "Type",
    "Bind",       "IPAddress",      "SubnetMask",     "DHCPIpAddress",      "DriverDesc",  "NetCfgInstanceId",
    "EnableDhcp", "DhcpIpAddress",  "DhcpSubNetMask", "DhcpDefaultGateway", "SubNetMask",  "StaticVxD",
    "ImagePath",  "NETBEUI\\0000",
};

constexpr size_t kPathCount = sizeof(kPaths) / sizeof(kPaths[0]);
constexpr size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

// The tables as strings, made once: a command then costs no allocation of its own.
struct Strings {
    Strings()
    {
        for (size_t i = 0; i < kPathCount; ++i)
            paths[i] = kPaths[i];
        for (size_t i = 0; i < kNameCount; ++i)
            names[i] = kNames[i];
    }
    std::string paths[kPathCount];
    std::string names[kNameCount];
};

void CheckTable(const CAdapterTable& table)
{
    for (const AdapterRecord& record : table.Adapters()) {
        if (record.description.size() > kDescriptionMax || record.configKey.size() > kConfigKeyMax ||
            record.addresses.size() > 1 || record.dhcp < 0 || record.dhcp > 1)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Strings strings;
    CFuzzInput input(data, size);
    CFuzzRegistry registry;
    // Each path is walked (and its keys made) once per input, however many commands name it.
    CFuzzRegistry::KeyRef keys[kPathCount] = {};
    while (!input.Empty()) {
        const size_t path = input.Byte() % kPathCount;
        const std::string& name = strings.names[input.Byte() % kNameCount];
        const uint8_t type = input.Byte();
        size_t length = 0;
        const uint8_t* bytes = input.Take(input.Byte(), &length);
        if (keys[path] == nullptr)
            keys[path] = registry.MakeKey(RegRoot::LocalMachine, strings.paths[path]);
        if (type != 0xFF)
            registry.SetValue(keys[path], name, type % 8, bytes, length);
    }

    // The fakes only answer (the device counts its reads): built once.
    static CFakeVdhcpDevice vdhcp;
    static CFakeNetworkInfo network;
    if (vdhcp.reply.empty()) {
        vdhcp.reply = BuildVdhcpReply({{{0, 1, 2, 3, 4, 5}, 0, {Ip(10, 0, 0, 53)}}});
        network.hostAddresses = {Ip(10, 0, 0, 1), Ip(192, 168, 0, 1)};
        network.dnsServers = {"10.0.0.53"};
    }
    network.rasDevices = size % 2;
    CFakeTdiStack stack;
    for (OsType os : {Win98, WinNT4, Win2000}) {
        CAdapterTable table;
        CAdapterInventory(table, AuxSystem{registry, stack, vdhcp, network}).RefreshByRegistry(os);
        CheckTable(table);
        for (const AdapterRecord& record : std::vector<AdapterRecord>(table.Adapters())) {
            CAdapterSettings settings(registry, os, record.configKey);
            settings.SetSubnet(Ip(255, 255, 255, 0));
            settings.SetGateway(0);
            settings.SetFixedIp(Ip(10, 0, 0, 1));
            settings.SetDhcp();
        }
        IsDriverRegistered(registry, os);
        CDialupIdle(registry, os).Get("entry");
        if (registry.OpenHandles() != 0)
            std::abort();
    }
    return 0;
}
