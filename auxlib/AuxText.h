// Text helpers of the adapter library: registry values as text, and the ASCII-only comparisons the system
// uses for key names, class names and adapter descriptions (no locale is involved).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace auxtext {

inline char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool EqualsIgnoreCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

inline bool StartsWithIgnoreCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

inline std::string UpperCase(std::string text)
{
    for (char& c : text)
        c = UpperAscii(c);
    return text;
}

// The first string of a registry value: its bytes up to the first NUL, or all of them when there is none.
// For a multi-string that is its first entry.
inline std::string FirstString(const uint8_t* data, size_t size)
{
    size_t n = 0;
    while (n < size && data[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(data), n);
}

}  // namespace auxtext
