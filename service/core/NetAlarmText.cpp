#include "NetAlarmText.h"

#include <cstdint>
#include <cstdio>

namespace {
std::string AddressLine(const char* format, uint32_t address, uint16_t port)
{
    // The address is in network order in memory: its first octet is the lowest byte.
    char line[96];
    std::snprintf(line, sizeof line, format, static_cast<int>(address & 0xFFu),
                  static_cast<int>((address >> 8) & 0xFFu), static_cast<int>((address >> 16) & 0xFFu),
                  static_cast<int>(address >> 24), static_cast<int>(static_cast<int16_t>(port)));
    return line;
}
}  // namespace

NetAlarmEntry FormatNetAlarmEntry(const AlarmRecord& record)
{
    NetAlarmEntry entry;
    if (record.protocol == 0)
        entry[0] = kNetAlarmUdpHeadline;
    else if (record.kind != 0)
        entry[0] = kNetAlarmPacketHeadline;
    else
        entry[0] = kNetAlarmConnectionHeadline;
    entry[1] = AddressLine("SourceIP: %i.%i.%i.%i Source Port: %i\r\n", record.srcAddr, record.srcPort);
    entry[2] = AddressLine("DestinationIP: %i.%i.%i.%i Destination Port: %i\r\n", record.dstAddr, record.dstPort);
    entry[3] = std::string(kNetAlarmSeparatorLength, '=');
    return entry;
}
