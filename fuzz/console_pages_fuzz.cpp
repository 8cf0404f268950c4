// console_pages_fuzz: arbitrary bytes through the console pages' readers. The first byte picks the reader,
// the rest is its input:
//   0 the client list as the Clients page's 4000-byte buffer holds it: at most 34 rows, sorted by name
//     without regard to case, each address and hardware text in its fixed form;
//   1 the DHCP range fields (low and high text split at the first newline): each decision agrees with a
//     plain reading of the two numbers, and a block is sent only for a range the checks allow;
//   2 the port field of the port forward dialog: accepted exactly when a saturating strtoll of the text
//     gives 1 to 65535, and the record then holds that port;
//   3 the service log's bytes: the box's text has every byte but zeros, which show as blanks;
//   4 port forward records as the driver answers them, 12 bytes each: the rows, newest on top, and the
//     section built from them, whose values the service's reader turns back into the same records;
//   5 reply data of the DHCP, DNS and NetAlarm status queries: the texts shown read back to the words.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ClientsPageModel.h"
#include "DhcpPageModel.h"
#include "DnsPageModel.h"
#include "EventsPageModel.h"
#include "NetAlarmPageModel.h"
#include "PageFields.h"
#include "PortForwardPageModel.h"
#include "PortForwardValue.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool IsHexPair(const std::string& text, size_t at)
{
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    return hex(text[at]) && hex(text[at + 1]);
}

/// "%i.%i.%i.%i" of an address, read back.
uint32_t ReadAddress(const std::string& text)
{
    unsigned a = 256, b = 256, c = 256, d = 256;
    char tail = 0;
    Check(std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4);
    Check(a < 256 && b < 256 && c < 256 && d < 256);
    return a | (b << 8) | (c << 16) | (d << 24);
}

void Clients(const uint8_t* data, size_t size)
{
    uint8_t buffer[kClientsReplyBufferSize];
    CClientsPageModel::PrepareBuffer(buffer);
    std::memcpy(buffer, data, std::min(size, sizeof buffer));
    CClientsPageModel page;
    Check(page.Load(true, buffer) == nullptr);
    const uint32_t count = IpcGetWord(buffer + kIpcClientListWordCount * kIpcWordSize);
    Check(page.Rows().size() == std::min<size_t>(count, kClientsMaxRows));
    for (size_t i = 0; i < page.Rows().size(); ++i) {
        const ClientRow& row = page.Rows()[i];
        Check(row.name.size() <= kIpcClientHostNameSize && row.name.find('\0') == std::string::npos);
        Check(row.image == kClientsImageAccess || row.image == kClientsImageNoAccess);
        ReadAddress(row.address);
        Check(row.hardware.size() == 17);
        for (size_t pair = 0; pair < 6; ++pair) {
            Check(IsHexPair(row.hardware, 3 * pair));
            Check(pair == 5 || row.hardware[3 * pair + 2] == ' ');
        }
        if (i > 0) {
            const std::string& a = page.Rows()[i - 1].name;
            const std::string& b = row.name;
            Check(!std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
            }));
        }
    }
    // A failed load keeps them.
    const size_t before = page.Rows().size();
    Check(std::strcmp(page.Load(false, buffer), kClientsLoadFailureText) == 0 && page.Rows().size() == before);
}

/// The plain reading of an unsigned field: blanks, digits, blanks, and no more than 32 bits.
bool PlainUnsigned(const std::string& text, uint32_t* value)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return false;
    }
    const size_t last = text.find_last_not_of(' ');
    const std::string digits = text.substr(first, last - first + 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    const unsigned long long n = std::strtoull(digits.c_str(), nullptr, 10);
    if (errno != 0 || n > UINT32_MAX) {
        return false;
    }
    *value = static_cast<uint32_t>(n);
    return true;
}

void Dhcp(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t split = text.find('\n');
    DhcpInputs in;
    in.useDhcp = true;
    in.lowText = text.substr(0, split);
    in.highText = split == std::string::npos ? std::string() : text.substr(split + 1);

    uint32_t low = 0, high = 0;
    const bool lowOk = PlainUnsigned(in.lowText, &low);
    const bool highOk = PlainUnsigned(in.highText, &high);
    uint32_t check = 0;
    Check(ReadUnsignedField(in.lowText, &check) == lowOk && (!lowOk || check == low));

    CDhcpPageModel page;
    page.MarkChanged();
    DhcpApplyDecision d = page.Apply(in);
    const bool valid = lowOk && highOk && low >= 1 && low <= 254 && high >= 1 && high <= 254 && low < high;
    if (!valid) {
        Check(d.step == DhcpApplyStep::Refuse && d.message != nullptr && d.focus != DhcpField::None);
        Check(page.Changed());
        return;
    }
    if (high - low <= 4) {
        Check(d.step == DhcpApplyStep::Confirm);
        d = page.Confirmed(true);
    }
    Check(d.step == DhcpApplyStep::Send);
    const IpcDhcpBlock block = IpcDecodeDhcpBlock(d.block, sizeof d.block);
    Check(block.size == kIpcDhcpBlockSize && block.useOrRunning == 1 && block.lowAddress == low &&
          block.highAddress == high && block.network == 0);
}

void Port(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // strtoll stops at a zero byte, where the field's text would end too.
    errno = 0;
    long long reference = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || reference > INT_MAX) {
        reference = reference < 0 ? INT_MIN : INT_MAX;
    }
    if (reference < INT_MIN) {
        reference = INT_MIN;
    }
    // strtoll also skips newlines and other blanks; the field reading skips blanks and tabs only.
    const size_t first = text.find_first_not_of(" \t");
    const bool otherSpace = first != std::string::npos && std::isspace(static_cast<unsigned char>(text[first]));
    const int port = ReadLeadingSignedField(text.c_str());
    if (!otherSpace) {
        Check(port == reference);
    }

    CPortForwardPageModel page;
    PortForwardDialogInputs in;
    in.portText = text.c_str();
    const PortForwardDialogCheck result = page.CheckDialog(in, false);
    Check(result.ok == (port >= 1 && port <= 65535));
    if (result.ok) {
        Check(result.record.port == port && result.record.protocol == 1);
    } else {
        Check(result.focusPort && std::strcmp(result.message, kPortForwardPortRangeText) == 0);
    }
}

void Log(const uint8_t* data, size_t size)
{
    const std::string text = EventsTextFor(data, size);
    Check(text.size() == size);
    for (size_t i = 0; i < size; ++i) {
        Check(text[i] == (data[i] == 0 ? ' ' : static_cast<char>(data[i])));
    }
    uint64_t fileSize = 0;
    std::memcpy(&fileSize, data, std::min<size_t>(size, sizeof fileSize));
    const EventsTail tail = EventsTailFor(fileSize);
    Check(tail.length == std::min<uint64_t>(fileSize, kEventsTailBytes) && tail.offset + tail.length == fileSize);
}

void DriverRecords(const uint8_t* data, size_t size)
{
    CPortForwardPageModel page;
    size_t at = 0;
    for (; at + kPortForwardRecordSize <= size; at += kPortForwardRecordSize) {
        Check(page.LoadRecord(data + at, kPortForwardRecordSize));
    }
    Check(!page.LoadRecord(data + at, size - at));
    const size_t count = size / kPortForwardRecordSize;
    Check(page.Rows().size() == count);
    std::string section;
    if (!page.BuildSection(&section)) {
        return;
    }
    Check(section.size() <= kPortForwardSectionBuffer && !section.empty() && section.back() == '\0');
    size_t line = 0, index = 0;
    while (line < section.size() && section[line] != '\0') {
        const size_t end = section.find('\0', line);
        Check(end != std::string::npos && index < count);
        const std::string text = section.substr(line, end - line);
        const std::string key = PortForwardKeyName(static_cast<int>(index)) + " = ";
        Check(text.compare(0, key.size(), key) == 0);
        int32_t fields[kPortForwardFieldCount];
        Check(ParsePortForwardValue(text.c_str() + key.size(), fields));
        // The rows are the driver's records newest on top: row index is record count - 1 - index.
        PortForwardRecord original;
        Check(DecodePortForward(data + (count - 1 - index) * kPortForwardRecordSize, kPortForwardRecordSize, original));
        const PortForwardRecord back = PortForwardFromFields(fields);
        Check(back.protocol == original.protocol && back.port == original.port && back.inAddr == original.inAddr);
        const PortForwardRowTexts texts = CPortForwardPageModel::TextsFor(page.Rows()[index]);
        Check(ReadAddress(texts.destination) == original.inAddr);
        Check(texts.protocol == (original.protocol != 0 ? "Tcp" : "Udp"));
        line = end + 1;
        ++index;
    }
    Check(index == count && line + 1 == section.size());
}

void Replies(const uint8_t* data, size_t size)
{
    CDhcpPageModel dhcp;
    const IpcDhcpBlock status = IpcDecodeDhcpBlock(data, size);
    const DhcpPageView view = dhcp.Load(true, data, size);
    Check(view.lowText == std::to_string(static_cast<int32_t>(status.lowAddress)));
    Check(view.highText == std::to_string(static_cast<int32_t>(status.highAddress)));
    Check(view.rangeEnabled == (status.useOrRunning != 0) && view.useDhcp == view.rangeEnabled);
    Check((ReadAddress(view.prefix + "0") & 0x00FFFFFFu) == (status.network & 0x00FFFFFFu));

    CDnsPageModel dns;
    const IpcDnsStatus dnsStatus = IpcDecodeDnsStatus(data, size);
    const DnsPageView dnsView = dns.Load(true, data, size);
    Check(dnsView.lineShown == (dnsStatus.relayRunning != 0) && dnsView.boxEnabled == (dnsStatus.dhcpRunning == 0));
    const std::string prefix = "Client DNS Server Address: ";
    if (dnsView.lineText != kDnsLineTemplate) {
        Check(dnsView.lineText.compare(0, prefix.size(), prefix) == 0);
        Check(ReadAddress(dnsView.lineText.substr(prefix.size())) == dnsStatus.lanAddress);
    }

    CNetAlarmPageModel alarm;
    const IpcNetAlarmSettings settings = IpcDecodeNetAlarm(data, size);
    const NetAlarmPageView alarmView = alarm.Load(true, data, size);
    Check(alarmView.delayText == std::to_string(static_cast<int32_t>(settings.delayTime)));
    Check(alarmView.enabled.delay == (settings.enable != 0 && settings.messageBox != 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const uint8_t* data = input + 1;
    const size_t length = size - 1;
    switch (input[0] % 6) {
    case 0:
        Clients(data, length);
        break;
    case 1:
        Dhcp(data, length);
        break;
    case 2:
        Port(data, length);
        break;
    case 3:
        Log(data, length);
        break;
    case 4:
        DriverRecords(data, length);
        break;
    default:
        Replies(data, length);
        break;
    }
    return 0;
}
