#include "DhcpTraceDump.h"

#include <cstdio>

#include "DhcpAddressText.h"
#include "DhcpOptionNames.h"
#include "DhcpWire.h"

namespace {

// "%2d " for each of up to 255 codes, and the terminating zero.
constexpr size_t kCodeListBuffer = 255 * 4 + 1;
constexpr size_t kCodeTextLength = 4;

// The first four value bytes read little-endian; bytes the option does not have read as 0.
uint32_t ValueLe32(const uint8_t* value, uint8_t length)
{
    uint8_t word[4] = {};
    for (size_t i = 0; i < sizeof(word) && i < length; ++i) {
        word[i] = value[i];
    }
    return LoadLe32(word);
}

void TraceDottedValue(const CDhcpTrace& trace, const char* fmt, uint8_t code, const uint8_t* value, uint8_t length)
{
    const uint32_t address = ValueLe32(value, length);
    trace.Format(fmt, code, DhcpAddressOctet(address, 0), DhcpAddressOctet(address, 1), DhcpAddressOctet(address, 2),
                 DhcpAddressOctet(address, 3));
}

void TraceVendorOptions(const CDhcpTrace& trace, const uint8_t* value, uint8_t length)
{
    size_t at = 0;
    int index = 1;
    while (at + kDhcpOptionHeaderSize <= length) {
        const uint8_t subTag = value[at];
        const uint8_t subLength = value[at + 1];
        trace.Format("Option %d tag = %d; len = %d", index, subTag, subLength);
        ++index;
        at += kDhcpOptionHeaderSize + subLength;
    }
}

void TraceCodeList(const CDhcpTrace& trace, const uint8_t* value, uint8_t length)
{
    char line[kCodeListBuffer];
    size_t at = 0;
    for (size_t i = 0; i < length; ++i) {
        at += static_cast<size_t>(std::snprintf(line + at, kCodeTextLength + 1, "%2d ", value[i]));
    }
    line[at] = '\0';
    trace.Format("%s", line);
}

void TraceOption(const CDhcpTrace& trace, uint8_t code, const uint8_t* value, uint8_t length)
{
    char text[kHexBytesBuffer];
    switch (code) {
    case DHO_PAD:
        trace.Format("DHCP Option = %d - DHO_PAD", code);
        break;
    case DHO_SUBNET_MASK:
        trace.Format("DHCP Option = %d - DHO_SUBNET_MASK, %08x", code, ValueLe32(value, length));
        break;
    case DHO_ROUTERS:
        trace.Format("DHCP Option = %d - DHO_ROUTERS, %08x", code, ValueLe32(value, length));
        break;
    case DHO_NAME_SERVERS:
        trace.Format("DHCP Option = %d - DHO_NAME_SERVERS", code);
        break;
    case DHO_HOST_NAME:
        FormatHostName(value, length, text);
        trace.Format("DHCP Option = %d - DHO_HOST_NAME - %s", code, text);
        break;
    case DHO_DOMAIN_NAME:
        trace.Format("DHCP Option = %d - DHO_DOMAIN_NAME", code);
        break;
    case DHO_VENDOR_ENCAPSULATED_OPTIONS:
        trace.Format("DHCP Option = %d - DHO_VENDOR_ENCAPSULATED_OPTIONS", code);
        TraceVendorOptions(trace, value, length);
        break;
    case DHO_DHCP_REQUESTED_ADDRESS:
        TraceDottedValue(trace, "DHCP Option = %d - DHO_DHCP_REQUESTED_ADDRESS - %d.%d.%d.%d", code, value, length);
        break;
    case DHO_DHCP_LEASE_TIME:
        trace.Format("DHCP Option = %d - DHO_DHCP_LEASE_TIME: %08x seconds", code, ValueLe32(value, length));
        break;
    case DHO_DHCP_SERVER_IDENTIFIER:
        TraceDottedValue(trace, "DHCP Option = %d - DHO_DHCP_SERVER_IDENTIFIER - %d.%d.%d.%d", code, value, length);
        break;
    case DHO_DHCP_PARAMETER_REQUEST_LIST:
        trace.Format("DHCP Option = %d - DHO_DHCP_PARAMETER_REQUEST_LIST", code);
        TraceCodeList(trace, value, length);
        break;
    case DHO_DHCP_RENEWAL_TIME:
        trace.Format("DHCP Option = %d - DHO_DHCP_RENEWAL_TIME: %08x seconds", code, ValueLe32(value, length));
        break;
    case DHO_DHCP_CLIENT_IDENTIFIER:
        FormatHexBytes(value, length, true, text);
        trace.Format("DHCP Option = %d - DHO_DHCP_CLIENT_IDENTIFIER - %s", code, text);
        break;
    case DHO_END:
        trace.Format("DHCP Option = %d - DHO_END", code);
        break;
    default: {
        const char* name = DhcpDumpOptionName(code);
        trace.Format("DHCP Option = %d - %s", code, name != nullptr ? name : "UNKNOWN DHCP OPTION");
        break;
    }
    }
}

}  // namespace

void TraceDhcpMessage(const CDhcpTrace& trace, const uint8_t* message, size_t length)
{
    if (!trace.Enabled()) {
        return;
    }
    if (length > kDhcpMessageBufferSize) {
        length = kDhcpMessageBufferSize;
    }
    trace.Format("op = %X", message[kDhcpOpOffset]);
    trace.Format("xid = %X", LoadLe32(message + kDhcpXidOffset));
    trace.Format("flags = %X", LoadLe16(message + kDhcpFlagsOffset));
    trace.Format("ciaddr = %x", LoadLe32(message + kDhcpCiaddrOffset));
    trace.Format("yiaddr = %x", LoadLe32(message + kDhcpYiaddrOffset));
    trace.Format("siaddr = %x", LoadLe32(message + kDhcpSiaddrOffset));
    trace.Format("giaddr = %x", LoadLe32(message + kDhcpGiaddrOffset));
    char chaddr[kHexBytesBuffer];
    FormatHexBytes(message + kDhcpChaddrOffset, kDhcpChaddrSize, false, chaddr);
    trace.Format("chaddr = %s", chaddr);
    trace.Line(" ");

    if (message[kDhcpTypeTagOffset] != DHO_DHCP_MESSAGE_TYPE) {
        return;
    }
    const uint8_t type = message[kDhcpTypeValueOffset];
    trace.Format("DHCP Message Type = %d - %s", type, DhcpMessageTypeName(type));

    size_t position = kDhcpFirstSearchedOption;
    uint8_t tag = 0;
    uint8_t optionLength = 0;
    size_t value = 0;
    for (;;) {
        // END needs no length byte to end the dump: a message may stop right behind it.
        if (position < length && message[position] == DHO_END) {
            TraceOption(trace, DHO_END, nullptr, 0);
            break;
        }
        if (!DhcpNextOption(length, &position, &tag, &optionLength, &value, message)) {
            break;
        }
        TraceOption(trace, tag, message + value, optionLength);
    }
}
