// The registry's text forms: dotted addresses (converted from the first run of digits and dots), lists of
// them and first strings of multi-strings. A valid address must survive formatting and parsing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "AuxText.h"
#include "DottedAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    ConvertDottedAddress(text, size);
    ParseDottedQuad(text, size);
    for (char separator : {',', ' '}) {
        if (ConvertAddressList(text, size, separator, 10).size() > 10)
            std::abort();
    }
    if (auxtext::FirstString(data, size).size() > size)
        std::abort();
    if (size >= 4) {
        const uint32_t address = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                                 (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
        const std::string dotted = FormatDottedAddress(address);
        if (ParseDottedQuad(dotted.data(), dotted.size()) != address)
            std::abort();
        if (ConvertDottedAddress(dotted.data(), dotted.size()) != address)
            std::abort();
    }
    return 0;
}
