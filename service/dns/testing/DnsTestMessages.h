#pragma once
// DnsTestMessages: DNS queries and answers built for the relay's tests, benchmark and fuzzer.
#include <cstdint>
#include <string>
#include <vector>

#include "DnsWire.h"

/// The wire form of a dotted name ("www.lab.test" -> 3www3lab4test0).
inline std::vector<uint8_t> DnsTestName(const std::string& dotted)
{
    std::vector<uint8_t> wire;
    size_t start = 0;
    while (start < dotted.size()) {
        size_t dot = dotted.find('.', start);
        if (dot == std::string::npos)
            dot = dotted.size();
        wire.push_back(static_cast<uint8_t>(dot - start));
        wire.insert(wire.end(), dotted.begin() + static_cast<long>(start), dotted.begin() + static_cast<long>(dot));
        start = dot + 1;
    }
    wire.push_back(0);
    return wire;
}

/// A message with `id` (first byte low, as the relay reads it), one question, and the QR flag when
/// `response`; an answer also carries one A record pointing at the question's name.
inline std::vector<uint8_t> DnsTestMessage(uint16_t id, const std::string& name, uint16_t type = 1, uint16_t qclass = 1,
                                           bool response = false)
{
    std::vector<uint8_t> m(kDnsHeaderSize, 0);
    m[0] = static_cast<uint8_t>(id & 0xFF);
    m[1] = static_cast<uint8_t>(id >> 8);
    m[kDnsFlagsOffset] = response ? (kDnsResponseFlag | 0x01) : 0x01;  // RD
    m[kDnsFlagsOffset + 1] = response ? 0x80 : 0x00;                   // RA
    m[kDnsQdCountOffset + 1] = 1;
    const std::vector<uint8_t> wire = DnsTestName(name);
    m.insert(m.end(), wire.begin(), wire.end());
    m.push_back(static_cast<uint8_t>(type >> 8));
    m.push_back(static_cast<uint8_t>(type & 0xFF));
    m.push_back(static_cast<uint8_t>(qclass >> 8));
    m.push_back(static_cast<uint8_t>(qclass & 0xFF));
    if (response) {
        m[kDnsAnCountOffset + 1] = 1;
        const uint8_t record[] = {0xC0, 0x0C, 0, 1, 0, 1, 0, 0, 0x0E, 0x10, 0, 4, 10, 99, 0, 80};
        m.insert(m.end(), record, record + sizeof record);
    }
    return m;
}

inline std::vector<uint8_t> DnsTestQuery(uint16_t id, const std::string& name, uint16_t type = 1)
{
    return DnsTestMessage(id, name, type, 1, false);
}

/// The answer the server gives to `query` as the relay forwarded it: same id and question, QR set.
inline std::vector<uint8_t> DnsTestAnswerTo(const std::vector<uint8_t>& forwarded, const std::string& name,
                                            uint16_t type = 1)
{
    std::vector<uint8_t> answer = DnsTestMessage(0, name, type, 1, true);
    answer[0] = forwarded[0];
    answer[1] = forwarded[1];
    return answer;
}
