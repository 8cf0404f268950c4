// CFuzzInput: reads a fuzzer's bytes as the answers of a scripted system, running out into zeros and
// failures rather than past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CFuzzInput {
public:
    CFuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
    // At most n bytes, fewer where the input runs out; taken in one copy, since a scripted reply may be long.
    std::vector<uint8_t> Bytes(size_t n)
    {
        const size_t left = at_ < size_ ? size_ - at_ : 0;
        if (n > left)
            n = left;
        std::vector<uint8_t> out(data_ + at_, data_ + at_ + n);
        at_ += n;
        return out;
    }
    // At most n bytes, fewer where the input runs out, left where they are: `*length` of them at the result.
    const uint8_t* Take(size_t n, size_t* length)
    {
        const size_t left = at_ < size_ ? size_ - at_ : 0;
        if (n > left)
            n = left;
        const uint8_t* at = data_ + at_;
        at_ += n;
        *length = n;
        return at;
    }
    std::string Text(size_t n)
    {
        const std::vector<uint8_t> bytes = Bytes(n);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
