// IniNumber: integers as Ombrix.Ini stores them, decimal text.
#pragma once

#include <cstddef>

// Room for any int in decimal, sign and terminating zero included.
constexpr size_t kIniIntTextSize = 12;

// The integer of a settings value: an optional sign and the decimal digits that follow, up to the first
// other character ("12abc" is 12, "abc" and "0x10" are 0). Digits beyond the range of int wrap, as the
// system's own conversion does. The text has already lost its surrounding blanks to the profile reader.
int ParseIniInt(const char* text);

// Writes value as decimal text into out (kIniIntTextSize bytes). Returns the text's length.
size_t FormatIniInt(int value, char* out);
