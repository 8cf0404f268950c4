// The stored password form: decoding any text stays inside the buffer the callers are told to give, and
// any text without NULs comes back unchanged from encoding and decoding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "PasswordString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> decoded(DecodedBufferSize(size));
    const size_t n = DecodePasswordString(data, size, decoded.data());
    if (n + 1 > decoded.size() || decoded[n] != 0)
        std::abort();

    size_t plain = 0;
    while (plain < size && data[plain] != 0)
        ++plain;  // the exports see the text up to its NUL
    std::vector<uint8_t> encoded(EncodedBufferSize(plain));
    const size_t length = EncodePasswordString(data, plain, encoded.data());
    if (length + 1 != encoded.size() || encoded[length] != 0)
        std::abort();
    std::vector<uint8_t> back(DecodedBufferSize(length));
    const size_t again = DecodePasswordString(encoded.data(), length, back.data());
    if (again != plain || std::memcmp(back.data(), data, plain) != 0)
        std::abort();
    return 0;
}
