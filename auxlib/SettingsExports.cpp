// The adapter IP configuration exports: they write the stored settings of an adapter of the table.
#include "AdapterSettings.h"
#include "AuxLibrary.h"
#include "Win32Registry.h"
#include "ombrixaux.h"

namespace {

// Runs change on the adapter's settings; 0 for a bad index (an empty key is refused by the settings).
template <typename Change> int ChangeSettings(int adapter, Change change)
{
    return Guarded(0, [&] {
        const AdapterRecord* record = LibraryTable().Adapter(adapter);
        if (!record)
            return 0;
        CWin32Registry registry;
        CAdapterSettings settings(registry, GetOs(), record->configKey);
        return change(settings) ? 1 : 0;
    });
}

}  // namespace

extern "C" int OMBRIXAUX_API SetFixedIp(int adapter, unsigned long address)
{
    return ChangeSettings(adapter, [&](CAdapterSettings& s) { return s.SetFixedIp(static_cast<uint32_t>(address)); });
}

extern "C" int OMBRIXAUX_API SetDhcp(int adapter)
{
    return ChangeSettings(adapter, [](CAdapterSettings& s) { return s.SetDhcp(); });
}

extern "C" int OMBRIXAUX_API SetSubnet(int adapter, unsigned long mask)
{
    return ChangeSettings(adapter, [&](CAdapterSettings& s) { return s.SetSubnet(static_cast<uint32_t>(mask)); });
}

extern "C" int OMBRIXAUX_API SetGateway(int adapter, unsigned long gateway)
{
    return ChangeSettings(adapter, [&](CAdapterSettings& s) { return s.SetGateway(static_cast<uint32_t>(gateway)); });
}
