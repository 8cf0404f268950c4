#pragma once
// DhcpTraceDump: the dump of one message that the component log gets for every message received and sent.
#include <cstddef>
#include <cstdint>

#include "CDhcpTrace.h"

/// Writes the dump of `message` (a whole message buffer of kDhcpMessageBufferSize bytes) whose first
/// `length` bytes are the message: the header fields, chaddr, a blank line, then, when the first option is
/// the message type, its name and one line per option up to `length`, ending after END. Nothing is
/// formatted while the log is off.
void TraceDhcpMessage(const CDhcpTrace& trace, const uint8_t* message, size_t length);
