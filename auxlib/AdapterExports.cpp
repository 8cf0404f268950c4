// The adapter inventory exports: the tables are rebuilt from the system and read by index.
#include "AdapterInventory.h"
#include "AuxLibrary.h"
#include "DialupDescription.h"
#include "VdhcpDevice.h"
#include "Win32NetworkInfo.h"
#include "Win32Registry.h"
#include "WsControlTransport.h"
#include "ombrixaux.h"

namespace {

// Runs the inventory on the system's own registry, stack and network queries.
template <typename Method> int RunInventory(Method method)
{
    CWin32Registry registry;
    CWsControlTransport tdi;
    CVdhcpDevice vdhcp;
    CWin32NetworkInfo network;
    CAdapterInventory inventory(LibraryTable(), AuxSystem{registry, tdi, vdhcp, network});
    return method(inventory, GetOs());
}

}  // namespace

extern "C" void OMBRIXAUX_API ClearAdapterInfo(void)
{
    LibraryTable().Clear();
}

extern "C" int OMBRIXAUX_API Refresh(void)
{
    return Guarded(0, [] { return RunInventory([](CAdapterInventory& i, OsType os) { return i.Refresh(os); }); });
}

extern "C" int OMBRIXAUX_API RefreshByReg(void)
{
    return Guarded(
        0, [] { return RunInventory([](CAdapterInventory& i, OsType os) { return i.RefreshByRegistry(os); }); });
}

extern "C" int OMBRIXAUX_API GetAdapterCount(void)
{
    return LibraryTable().AdapterCount();
}

extern "C" int OMBRIXAUX_API GetAdapterName(int adapter, char* buffer, int size)
{
    return LibraryTable().CopyName(adapter, buffer, size);
}

extern "C" int OMBRIXAUX_API GetMacAddress(int adapter, char* buffer, int size)
{
    return LibraryTable().CopyHardwareAddress(adapter, buffer, size);
}

extern "C" int OMBRIXAUX_API IsDhcp(int adapter)
{
    return LibraryTable().IsDhcp(adapter);
}

extern "C" int OMBRIXAUX_API GetIpCount(int adapter)
{
    return LibraryTable().IpCount(adapter);
}

extern "C" unsigned long OMBRIXAUX_API GetIpAddress(int adapter, int n)
{
    return LibraryTable().IpAddress(adapter, n);
}

extern "C" unsigned long OMBRIXAUX_API GetSubnetMask(int adapter)
{
    return LibraryTable().SubnetMask(adapter);
}

extern "C" unsigned long OMBRIXAUX_API GetGateway(int adapter)
{
    return LibraryTable().Gateway(adapter);
}

extern "C" int OMBRIXAUX_API IsDialup(int adapter)
{
    const AdapterRecord* record = LibraryTable().Adapter(adapter);
    return record && IsDialupDescription(GetOs(), record->description) ? 1 : 0;
}

extern "C" int OMBRIXAUX_API GetDnsServerCount(void)
{
    return LibraryTable().DnsServerCount();
}

extern "C" unsigned long OMBRIXAUX_API GetDnsServer(int n)
{
    return LibraryTable().DnsServer(n);
}

extern "C" int OMBRIXAUX_API GetLocalIpAddress(unsigned long* addresses, int max)
{
    return LibraryTable().LocalAddresses(addresses, max);
}
