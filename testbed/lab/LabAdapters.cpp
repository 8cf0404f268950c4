#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "LabAdapters.h"
#include "LabHost.h"
#include "LabText.h"

namespace lab {
namespace {

constexpr char kClassRoot[] = "System\\CurrentControlSet\\Control\\Class";
constexpr char kInterfacesRoot[] = "System\\CurrentControlSet\\Services\\TcpIp\\Parameters\\Interfaces\\";
constexpr char kNetClass[] = "Net";
constexpr char kDialupPrefix[] = "Dial-up ";  // how Windows 2000 names its RAS adapters
// Buffer sizes of the Windows 2000 walk: subkey names, and each TCP/IP value.
constexpr DWORD kSubkeyNameSize = 256;
constexpr DWORD kValueSize = 256;
// At most this many characters of digits and dots make a dotted address.
constexpr size_t kDottedMax = 24;
constexpr int kModeCount = 3;
// RASDEVINFOA as Windows 2000 sizes it: a 32-bit size, a 17-byte type and a 129-byte name, padded.
constexpr DWORD kRasDevInfoSize = 152;
constexpr size_t kRasDevInfoSizeOffset = 0;
constexpr char kDialupAdapterName[] = "Dial-up Networking Adapter";

bool EqualsNoCase(const char* a, const char* b)
{
    return lstrcmpiA(a, b) == 0;
}

bool ReadString(HKEY key, const char* name, std::string* out, DWORD* type = nullptr)
{
    char buffer[kValueSize] = "";
    DWORD size = sizeof buffer - 1;
    DWORD valueType = 0;
    if (RegQueryValueExA(key, name, nullptr, &valueType, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        return false;
    }
    buffer[std::min<DWORD>(size, sizeof buffer - 1)] = 0;
    *out = std::string(buffer, strnlen(buffer, size));
    if (type) {
        *type = valueType;
    }
    return true;
}

bool ReadDword(HKEY key, const char* name, DWORD* out)
{
    DWORD size = sizeof *out;
    DWORD type = 0;
    return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

// The registry holds dotted text, in a multi-string the first entry counts: skip to the first digit, take
// the run of digits and dots.
uint32_t DottedValue(const std::string& text)
{
    size_t start = 0;
    while (start < text.size() && !isdigit(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    size_t end = start;
    while (end < text.size() && end - start < kDottedMax &&
           (isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) {
        ++end;
    }
    if (end == start) {
        return 0;
    }
    uint32_t value = inet_addr(text.substr(start, end - start).c_str());
    return value == INADDR_NONE ? 0 : value;
}

void ReadInterface(const std::string& configKey, LabAdapter* adapter, bool* opens)
{
    HKEY key;
    *opens =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kInterfacesRoot + configKey).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!*opens) {
        return;
    }
    DWORD dhcp = 0;
    adapter->dhcp = ReadDword(key, "EnableDhcp", &dhcp) ? static_cast<int>(dhcp) : 0;
    const char* addressName = adapter->dhcp ? "DhcpIpAddress" : "IpAddress";
    const char* maskName = adapter->dhcp ? "DhcpSubNetMask" : "SubNetMask";
    const char* gatewayName = adapter->dhcp ? "DhcpDefaultGateway" : "DefaultGateway";
    std::string text;
    DWORD type = 0;
    if (ReadString(key, addressName, &text, &type)) {
        adapter->hasAddress = true;
        adapter->address = DottedValue(text);
        adapter->addressType = type;
    }
    if (ReadString(key, maskName, &text)) {
        adapter->subnetMask = DottedValue(text);
    }
    if (ReadString(key, gatewayName, &text)) {
        adapter->gateway = DottedValue(text);
    }
    RegCloseKey(key);
}

void ReadNetClass(HKEY classKey, std::vector<LabAdapter>* out)
{
    char name[kSubkeyNameSize];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(classKey, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
        HKEY device;
        if (RegOpenKeyExA(classKey, name, 0, KEY_READ, &device) != ERROR_SUCCESS) {
            continue;
        }
        LabAdapter adapter;
        bool described = ReadString(device, "DriverDesc", &adapter.description);
        bool keyed = described && ReadString(device, "NetCfgInstanceId", &adapter.configKey);
        RegCloseKey(device);
        if (!keyed) {
            if (described) {
                Line("dropped subkey=%s reason=no-NetCfgInstanceId", name);
            }
            continue;
        }
        bool opens = false;
        ReadInterface(adapter.configKey, &adapter, &opens);
        if (!opens) {
            Line("dropped subkey=%s reason=no-interface-key key=%s", name, adapter.configKey.c_str());
            continue;
        }
        out->push_back(adapter);
    }
}

void WalkClasses(HKEY key, std::vector<LabAdapter>* out)
{
    std::string className;
    if (ReadString(key, "Class", &className) && className.size() > 1 && EqualsNoCase(className.c_str(), kNetClass)) {
        ReadNetClass(key, out);
    }
    char name[kSubkeyNameSize];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
        HKEY child;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            WalkClasses(child, out);
            RegCloseKey(child);
        }
    }
}

bool IsDialup(const std::string& description)
{
    return _strnicmp(description.c_str(), kDialupPrefix, strlen(kDialupPrefix)) == 0;
}

// Which address each sharing mode binds the DHCP server to: 0 any adapter with an address, 1 the one with
// a gateway, 2 the one without.
bool PickByMode(const std::vector<LabAdapter>& adapters, int mode, uint32_t* address)
{
    for (const LabAdapter& a : adapters) {
        if (IsDialup(a.description) || a.address == 0) {
            continue;
        }
        if ((mode == 1 && a.gateway == 0) || (mode == 2 && a.gateway != 0)) {
            continue;
        }
        *address = a.address;
        return true;
    }
    return false;
}

// ombrixaux's inventory, when this build of it has one; its exports are stdcall functions by plain name.
struct AuxInventory {
    HMODULE module = nullptr;
    int(WINAPI* refreshByReg)() = nullptr;
    int(WINAPI* getAdapterCount)() = nullptr;
    int(WINAPI* getAdapterName)(int, char*, int) = nullptr;
    unsigned(WINAPI* getIpAddress)(int, int) = nullptr;
    unsigned(WINAPI* getSubnetMask)(int) = nullptr;
    unsigned(WINAPI* getGateway)(int) = nullptr;
    int(WINAPI* isDhcp)(int) = nullptr;
};

template <typename Fn> bool Find(HMODULE module, const char* name, Fn* fn)
{
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *fn != nullptr;
}

bool LoadAux(AuxInventory* aux)
{
    aux->module = LoadLibraryA("ombrixaux.dll");
    if (!aux->module) {
        return false;
    }
    return Find(aux->module, "RefreshByReg", &aux->refreshByReg) &&
           Find(aux->module, "GetAdapterCount", &aux->getAdapterCount) &&
           Find(aux->module, "GetAdapterName", &aux->getAdapterName) &&
           Find(aux->module, "GetIpAddress", &aux->getIpAddress) &&
           Find(aux->module, "GetSubnetMask", &aux->getSubnetMask) &&
           Find(aux->module, "GetGateway", &aux->getGateway) && Find(aux->module, "IsDhcp", &aux->isDhcp);
}

// 0 agrees, 1 differs, -1 no inventory in this ombrixaux.
int CompareWithAux(const std::vector<LabAdapter>& kept)
{
    AuxInventory aux;
    if (!LoadAux(&aux)) {
        Line("ombrixaux=absent");
        if (aux.module) {
            FreeLibrary(aux.module);
        }
        return -1;
    }
    aux.refreshByReg();
    int count = aux.getAdapterCount();
    bool same = count == static_cast<int>(kept.size());
    for (int i = 0; i < count; ++i) {
        char name[128] = "";
        aux.getAdapterName(i, name, sizeof name);
        uint32_t ip = aux.getIpAddress(i, 0);
        uint32_t mask = aux.getSubnetMask(i);
        uint32_t gateway = aux.getGateway(i);
        int dhcp = aux.isDhcp(i);
        Line("ombrixaux index=%d ip=%s mask=%s gateway=%s dhcp=%d desc=\"%s\"", i, Dotted(ip).c_str(),
             Dotted(mask).c_str(), Dotted(gateway).c_str(), dhcp, name);
        if (same) {
            const LabAdapter& a = kept[i];
            same = a.description == name && a.address == ip && a.subnetMask == mask && a.gateway == gateway &&
                   a.dhcp == dhcp;
        }
    }
    Line(same ? "ombrixaux=agrees" : "ombrixaux=differs");
    FreeLibrary(aux.module);
    return same ? 0 : 1;
}

using RasEnumDevicesFn = DWORD(WINAPI*)(void*, DWORD*, DWORD*);

// The Windows 2000 inventory ends with a dial-up pseudo adapter when RAS reports any device.
bool RasHasDevice()
{
    HMODULE ras = LoadLibraryA("RASAPI32.DLL");
    if (!ras) {
        Line("ras=absent");
        return false;
    }
    auto enumDevices =
        reinterpret_cast<RasEnumDevicesFn>(reinterpret_cast<void*>(GetProcAddress(ras, "RasEnumDevicesA")));
    bool any = false;
    if (enumDevices) {
        DWORD size = 0;
        DWORD count = 0;
        DWORD first = enumDevices(nullptr, &size, &count);
        DWORD second = ERROR_INVALID_PARAMETER;
        if (size >= kRasDevInfoSize) {
            std::vector<uint8_t> buffer(size, 0);
            DWORD entrySize = kRasDevInfoSize;
            memcpy(&buffer[kRasDevInfoSizeOffset], &entrySize, sizeof entrySize);
            second = enumDevices(buffer.data(), &size, &count);
            any = second == 0 && count > 0;
        }
        Line("ras first=%lu size=%lu second=%lu devices=%lu", first, size, second, count);
    }
    FreeLibrary(ras);
    return any;
}

}  // namespace

std::vector<LabAdapter> ReadAdapterRegistry()
{
    std::vector<LabAdapter> adapters;
    HKEY root;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClassRoot, 0, KEY_READ, &root) == ERROR_SUCCESS) {
        WalkClasses(root, &adapters);
        RegCloseKey(root);
    }
    return adapters;
}

int ReportAdapters()
{
    std::vector<LabAdapter> adapters = ReadAdapterRegistry();
    if (RasHasDevice()) {
        LabAdapter dialup;
        dialup.description = kDialupAdapterName;
        dialup.dhcp = 1;
        dialup.hasAddress = true;
        adapters.push_back(dialup);
    }
    HostNameInfo host = ReadHostName();
    Line("hostname=%s resolved=%d addresses=%u", host.name.c_str(), host.resolved ? 1 : 0,
         static_cast<unsigned>(host.addresses.size()));

    std::vector<LabAdapter> kept;
    for (size_t i = 0; i < adapters.size(); ++i) {
        const LabAdapter& a = adapters[i];
        bool bound = std::find(host.addresses.begin(), host.addresses.end(), a.address) != host.addresses.end();
        // The prune leaves DHCP and dial-up adapters alone, and does nothing when the name does not resolve.
        bool keep = !host.resolved || a.dhcp || IsDialup(a.description) || (a.hasAddress && bound);
        Line("adapter index=%u key=%s dhcp=%d ip=%s ip_type=%lu mask=%s gateway=%s kept=%d desc=\"%s\"",
             static_cast<unsigned>(i), a.configKey.c_str(), a.dhcp, Dotted(a.address).c_str(), a.addressType,
             Dotted(a.subnetMask).c_str(), Dotted(a.gateway).c_str(), keep ? 1 : 0, a.description.c_str());
        if (keep) {
            kept.push_back(a);
        }
    }
    Line("registry_adapters=%u kept=%u", static_cast<unsigned>(adapters.size()), static_cast<unsigned>(kept.size()));

    bool everyModePicks = true;
    for (int mode = 0; mode < kModeCount; ++mode) {
        uint32_t address = 0;
        bool found = PickByMode(kept, mode, &address);
        everyModePicks = everyModePicks && found;
        Line("pick mode=%d address=%s", mode, found ? Dotted(address).c_str() : "none");
    }
    int aux = CompareWithAux(kept);
    bool ok = !adapters.empty() && kept.size() == adapters.size() && everyModePicks && aux != 1;
    return ok ? 0 : 1;
}

}  // namespace lab
