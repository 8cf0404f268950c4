#include "PasswordString.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';
constexpr size_t kGroupBytes = 3;
constexpr size_t kGroupChars = 4;
constexpr int kBitsPerChar = 6;
constexpr int kNotInAlphabet = -1;
constexpr int kPadding = -2;

int ValueOf(uint8_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    if (c == kPad)
        return kPadding;
    return kNotInAlphabet;
}

}  // namespace

size_t EncodedBufferSize(size_t length)
{
    const size_t chars = (length + kGroupBytes - 1) / kGroupBytes * kGroupChars;
    return chars + 2 * (chars / kBase64LineLength) + 1;
}

size_t DecodedBufferSize(size_t length)
{
    return length / kGroupChars * kGroupBytes + 1;
}

size_t EncodePasswordString(const uint8_t* in, size_t length, uint8_t* out)
{
    size_t written = 0;
    size_t lineChars = 0;
    for (size_t at = 0; at < length; at += kGroupBytes) {
        const size_t take = length - at < kGroupBytes ? length - at : kGroupBytes;
        uint32_t group = 0;
        for (size_t i = 0; i < kGroupBytes; ++i)
            group = (group << 8) | (i < take ? in[at + i] : 0);
        for (size_t i = 0; i < kGroupChars; ++i) {
            // One byte makes two characters, two make three; the rest of the group is padding.
            const bool pad = i > take;
            out[written++] = static_cast<uint8_t>(pad ? kPad : kAlphabet[(group >> (18 - kBitsPerChar * i)) & 0x3F]);
            if (++lineChars == kBase64LineLength) {
                out[written++] = '\r';
                out[written++] = '\n';
                lineChars = 0;
            }
        }
    }
    out[written] = 0;
    return written;
}

size_t DecodePasswordString(const uint8_t* in, size_t length, uint8_t* out)
{
    size_t written = 0;
    uint32_t group = 0;
    size_t counted = 0;
    size_t padding = 0;
    for (size_t at = 0; at < length; ++at) {
        const int value = ValueOf(in[at]);
        if (value == kNotInAlphabet)
            continue;
        if (value == kPadding)
            ++padding;
        group = (group << kBitsPerChar) | static_cast<uint32_t>(value == kPadding ? 0 : value);
        if (++counted < kGroupChars)
            continue;
        const size_t bytes = padding < kGroupBytes ? kGroupBytes - padding : 0;
        for (size_t i = 0; i < bytes; ++i)
            out[written++] = static_cast<uint8_t>(group >> (16 - 8 * i));
        group = 0;
        counted = 0;
        padding = 0;
    }
    out[written] = 0;
    return written;
}
