#include "PageFields.h"

#include <climits>
#include <cstdio>

std::string FormatPageAddress(uint32_t inAddr)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i.%i.%i.%i", static_cast<int>(inAddr & 0xFF),
                  static_cast<int>((inAddr >> 8) & 0xFF), static_cast<int>((inAddr >> 16) & 0xFF),
                  static_cast<int>((inAddr >> 24) & 0xFF));
    return text;
}

std::string FormatPagePrefix(uint32_t inAddr)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i.%i.%i.", static_cast<int>(inAddr & 0xFF),
                  static_cast<int>((inAddr >> 8) & 0xFF), static_cast<int>((inAddr >> 16) & 0xFF));
    return text;
}

bool ReadUnsignedField(const std::string& text, uint32_t* value)
{
    size_t at = 0;
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    uint64_t number = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
        number = number * 10 + static_cast<uint64_t>(text[at] - '0');
        if (number > UINT32_MAX) {
            return false;
        }
    }
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    if (digits == 0 || at != text.size()) {
        return false;
    }
    *value = static_cast<uint32_t>(number);
    return true;
}

int ReadLeadingSignedField(const std::string& text)
{
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    // Held one past INT_MAX at most, which is exactly INT_MIN's magnitude.
    const int64_t limit = static_cast<int64_t>(INT_MAX) + 1;
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

bool BuildPathBesideConsole(const std::string& modulePath, const char* fileName, std::string* out)
{
    const size_t slash = modulePath.rfind('\\');
    if (slash == std::string::npos) {
        return false;
    }
    *out = modulePath.substr(0, slash + 1) + fileName;
    return true;
}
