// The byte forms in which the adapter settings are written. A dotted text as a plain string goes without
// its NUL (the length is the number of characters); as a multi-string it is followed by two NULs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline std::vector<uint8_t> TextWithoutNul(const std::string& text)
{
    return {text.begin(), text.end()};
}

inline std::vector<uint8_t> TextWithNul(const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// The text, its NUL and the NUL that closes the list.
inline std::vector<uint8_t> MultiStringOf(const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

// An empty multi-string: NT 4 takes a single NUL, Windows 2000 two.
inline std::vector<uint8_t> EmptyMultiString(size_t nuls)
{
    return std::vector<uint8_t>(nuls, 0);
}
