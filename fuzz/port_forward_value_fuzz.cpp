// port_forward_value_fuzz: arbitrary text as a stored port forward value (section PortForward). The text
// sits in a heap block of exactly its length and terminator. Checks, against a plain reading of the same
// text (std::string split at commas, strtoll on each piece):
//   - the value is accepted exactly when six or more non-empty pieces are found;
//   - each field equals strtoll's number cut to 32 bits wherever strtoll read it without overflow;
//   - a refused value leaves the fields untouched;
//   - the driver record holds the fields' low 16 and 8 bits, first octet first, and encodes to 12 bytes that
//     decode to the same record.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PortForwardValue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    // The value ends at its first NUL, as the profile functions hand it over.
    const std::string value(text.get());

    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= value.size()) {
        size_t comma = value.find(',', start);
        if (comma == std::string::npos)
            comma = value.size();
        if (comma > start)
            pieces.push_back(value.substr(start, comma - start));
        start = comma + 1;
    }

    int32_t fields[kPortForwardFieldCount] = {7, 7, 7, 7, 7, 7};
    const bool accepted = ParsePortForwardValue(text.get(), fields);
    if (accepted != (pieces.size() >= kPortForwardFieldCount))
        abort();
    if (!accepted) {
        for (int32_t f : fields)
            if (f != 7)
                abort();
        return 0;
    }
    for (size_t i = 0; i < kPortForwardFieldCount; ++i) {
        errno = 0;
        const long long reference = std::strtoll(pieces[i].c_str(), nullptr, 10);
        if (errno == 0 && fields[i] != static_cast<int32_t>(static_cast<uint32_t>(reference)))
            abort();
    }

    const PortForwardRecord record = PortForwardFromFields(fields);
    if (record.protocol != static_cast<uint16_t>(fields[0]) || record.port != static_cast<uint16_t>(fields[1]) ||
        record.reserved != 0 || record.index != 0)
        abort();
    for (int octet = 0; octet < 4; ++octet)
        if (((record.inAddr >> (8 * octet)) & 0xFFu) != (static_cast<uint32_t>(fields[2 + octet]) & 0xFFu))
            abort();
    const PortForwardBytes bytes = EncodePortForward(record);
    PortForwardRecord back;
    if (!DecodePortForward(bytes.data(), bytes.size(), back) || back.protocol != record.protocol ||
        back.port != record.port || back.inAddr != record.inAddr)
        abort();
    return 0;
}
