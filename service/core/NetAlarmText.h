#pragma once
// The text NetAlarm.log holds for each blocked attempt the driver reports. The console shows the file as it
// is, so the text is fixed: no time stamp, a headline by kind, the two addresses with their ports, and a
// separator of 70 "=" without a line end, after which the next entry's headline follows on the same line.
#include <array>
#include <string>

#include "DriverRecords.h"

constexpr char kNetAlarmUdpHeadline[] = "NetAlarm - UDP\r\n";
constexpr char kNetAlarmPacketHeadline[] = "NetAlarm blocked an packet from:\r\n";
constexpr char kNetAlarmConnectionHeadline[] = "NetAlarm blocked a connection request from:\r\n";
constexpr size_t kNetAlarmSeparatorLength = 70;

/// The four pieces of one entry, in the order they are written (one write each).
using NetAlarmEntry = std::array<std::string, 4>;

/// The entry for record: the UDP headline when its protocol word is 0 (whatever its kind), otherwise the
/// packet or connection-request headline by its kind; ports printed as signed 16-bit numbers, so one above
/// 32767 shows negative.
NetAlarmEntry FormatNetAlarmEntry(const AlarmRecord& record);
