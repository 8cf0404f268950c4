// The text form in which the system stores the dial-up password: MIME Base64 (RFC 2045), with a line break
// (CR LF) after every 76 characters. There is no key; it only keeps the password from being read at a
// glance.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kBase64LineLength = 76;

// Room EncodePasswordString needs for length input bytes, its NUL included.
size_t EncodedBufferSize(size_t length);
// Room DecodePasswordString needs for length input characters, its NUL included.
size_t DecodedBufferSize(size_t length);

// Encodes length bytes into out (EncodedBufferSize(length) bytes) and NUL-terminates it; returns the
// length of the text. A last group of one or two bytes is padded with "=" to four characters, and a CR LF
// follows every 76th character of the output, padding included.
size_t EncodePasswordString(const uint8_t* in, size_t length, uint8_t* out);

// Decodes length characters into out (DecodedBufferSize(length) bytes) and NUL-terminates it; returns the
// number of bytes. Characters outside the alphabet (line breaks included) are skipped; each "=" is a
// padding character worth six zero bits; each group of four counted characters gives three bytes less one
// per padding character in it. A last group of fewer than four is dropped.
size_t DecodePasswordString(const uint8_t* in, size_t length, uint8_t* out);
