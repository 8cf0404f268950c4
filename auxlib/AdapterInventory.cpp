#include "AdapterInventory.h"

#include "AdapterPrune.h"
#include "RegistryInventory2000.h"
#include "RegistryInventory9x.h"
#include "RegistryInventoryNt4.h"
#include "StackInventory.h"

int CAdapterInventory::Refresh(OsType os)
{
    if (os != Win95 && os != Win98)
        return RefreshByRegistry(os);
    table_.Clear();
    CStackInventory stack(system_.tdi, system_.vdhcp, system_.registry);
    if (!stack.Run(table_))
        table_.Clear();
    return table_.AdapterCount();
}

int CAdapterInventory::RefreshByRegistry(OsType os)
{
    table_.Clear();
    switch (os) {
    case Win95:
    case Win98:
        CRegistryInventory9x(system_.registry, system_.vdhcp).Run(table_);
        break;
    case WinNT4:
        CRegistryInventoryNt4(system_.registry).Run(table_);
        break;
    case Win2000:
        CRegistryInventory2000(system_.registry, system_.network).Run(table_);
        break;
    default:
        break;
    }
    PruneUnboundAdapters(table_, os, system_.network);
    return table_.AdapterCount();
}
