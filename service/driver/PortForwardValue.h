#pragma once
// A stored port forward: the value of a "PortForward%i" key of section PortForward, six comma-separated
// decimal numbers (protocol, incoming port, the four octets of the inside host), as the console writes them.
// The service reads them at start to push them to the driver; the console reads and writes the same values.
// No Windows headers.

#include <cstddef>
#include <cstdint>
#include <string>

#include "DriverRecords.h"

/// Name of the section that holds the stored forwards, and the pattern of its keys (index 0, 1, 2, ...).
constexpr char kPortForwardSection[] = "PortForward";
constexpr char kPortForwardKeyFormat[] = "PortForward%i";
/// The value is read into a buffer of this many characters, terminator included.
constexpr size_t kPortForwardValueBuffer = 256;
/// The numbers an entry needs: protocol, port, four octets.
constexpr size_t kPortForwardFieldCount = 6;

/// The key name of stored entry index ("PortForward0", ...).
std::string PortForwardKeyName(int index);

/// Reads one piece as a decimal number the way the value has always been read: leading blanks skipped, an
/// optional sign, digits up to the first other character; no digits give 0. Too many digits wrap, so the
/// low bits a field uses are those of the number written.
int32_t ParsePortForwardNumber(const char* piece, size_t length);

/// Splits value at commas (empty pieces skipped: "6,,80,..." loses its second field and the later numbers
/// move up) and converts the first six pieces. Returns false, fields untouched, when fewer than six pieces
/// are found; pieces after the sixth are ignored.
bool ParsePortForwardValue(const char* value, int32_t (&fields)[kPortForwardFieldCount]);

/// The driver record of request 56 for six fields: the protocol's and the port's low 16 bits, the octets'
/// low 8 bits, first octet first; reserved words and the index zero.
PortForwardRecord PortForwardFromFields(const int32_t (&fields)[kPortForwardFieldCount]);
