#pragma once
// The lab's check of the ICMP echo the DHCP server's address probe uses: "Icmp.dll" loaded at run time,
// IcmpSendEcho with "AAAAAA", a 100-byte reply buffer and the given time-out.
#include <cstdint>

namespace lab {

/// Prints "ping addr=… replies=… status=… elapsed_ms=…"; returns 0 when an echo reply came back, 1 when
/// none did, 2 when the ICMP facility is missing.
int RunIcmpCheck(uint32_t address, unsigned timeoutMs);

}  // namespace lab
