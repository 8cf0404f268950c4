// Each reply parser of the TCP/IP stack queries on the same bytes: nothing may be read beyond the length,
// and what comes back stays inside the bounds the parsers promise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "TdiQuery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (ParseEntityList(data, size).size() != size / kEntityRecordSize)
        std::abort();
    TdiInterface iface;
    if (ParseInterfaceEntry(data, size, iface)) {
        if (iface.hardwareLength > kInterfaceHardwareMax || iface.description.size() > kInterfaceDescriptionTaken ||
            iface.description.size() > size - kInterfaceDescription)
            std::abort();
    } else if (size >= kInterfaceDescription) {
        std::abort();
    }
    TdiIpCounts counts;
    if (ParseIpStatistics(data, size, counts) != (size == kIpStatisticsSize))
        std::abort();
    const size_t maxEntries = size ? data[0] : 0;
    if (ParseAddressTable(data, size, maxEntries).size() > maxEntries)
        std::abort();
    if (ParseRouteTable(data, size).size() != size / kRouteEntrySize)
        std::abort();
    return 0;
}
