// ini_number_fuzz: arbitrary text as an integer value of the settings file. The text sits in a heap block
// of exactly its length and terminator, so reading past the terminator is caught. Where the C library's
// conversion sees the same number (no leading blank, value within 64 bits), the result must be that number
// cut to 32 bits; whatever comes out must survive formatting and parsing again.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "IniNumber.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void CheckFormatted(int value)
{
    // One byte more than the writer may use, so that writing past its room shows as a changed guard.
    char text[kIniIntTextSize + 1];
    std::memset(text, 0x5A, sizeof text);
    const size_t length = FormatIniInt(value, text);
    Check(text[kIniIntTextSize] == 0x5A);
    Check(length > 0 && length < kIniIntTextSize && std::strlen(text) == length);
    Check(ParseIniInt(text) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';

    const int value = ParseIniInt(text.get());
    const char first = text[0];
    if (first != ' ' && (first < '\t' || first > '\r')) {
        errno = 0;
        char* end = nullptr;
        const long long reference = std::strtoll(text.get(), &end, 10);
        if (errno != ERANGE) {
            Check(value == static_cast<int>(static_cast<uint32_t>(reference)));
        }
    }
    CheckFormatted(value);

    if (size >= 4) {
        int raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckFormatted(raw);
    }
    return 0;
}
