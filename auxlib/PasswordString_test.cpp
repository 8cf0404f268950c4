#include "PasswordString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Encode(const std::string& text)
{
    std::vector<uint8_t> out(EncodedBufferSize(text.size()), 0xEE);
    const size_t n = EncodePasswordString(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out.data());
    EXPECT_LT(n, out.size());
    EXPECT_EQ(out[n], 0) << "NUL after the text";
    return std::string(reinterpret_cast<const char*>(out.data()), n);
}

std::string Decode(const std::string& text)
{
    std::vector<uint8_t> out(DecodedBufferSize(text.size()), 0xEE);
    const size_t n = DecodePasswordString(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out.data());
    EXPECT_LT(n, out.size());
    EXPECT_EQ(out[n], 0) << "NUL after the bytes";
    return std::string(reinterpret_cast<const char*>(out.data()), n);
}

struct Vector {
    const char* plain;
    const char* encoded;
};

// RFC 4648 section 10, which agrees with RFC 2045 for texts shorter than a line.
const Vector kVectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(PasswordString, StandardVectors)
{
    for (const Vector& v : kVectors) {
        EXPECT_EQ(Encode(v.plain), v.encoded) << v.plain;
        EXPECT_EQ(Decode(v.encoded), v.plain) << v.encoded;
    }
}

TEST(PasswordString, PaddingOfTheLastGroup)
{
    EXPECT_EQ(Encode("abc").size(), 4u);
    const std::string two = Encode("ab");
    ASSERT_EQ(two.size(), 4u);
    EXPECT_EQ(two[3], '=');
    EXPECT_NE(two[2], '=');
    const std::string one = Encode("a");
    ASSERT_EQ(one.size(), 4u);
    EXPECT_EQ(one.substr(2), "==");
}

TEST(PasswordString, EmptyTextAfterAnotherCall)
{
    EXPECT_EQ(Encode("ab"), "YWI=");
    EXPECT_EQ(Encode(""), "");
    EXPECT_EQ(Encode("ab"), "YWI=");  // no state is carried between calls
}

TEST(PasswordString, LineBreakAfterEverySeventySixCharacters)
{
    // 57 bytes make exactly one line of 76 characters, which then ends with CR LF.
    const std::string line(57, 'x');
    const std::string encoded = Encode(line);
    ASSERT_EQ(encoded.size(), 78u);
    EXPECT_EQ(encoded.substr(76), "\r\n");
    EXPECT_EQ(encoded.find('\r'), 76u);

    const std::string two = Encode(std::string(114, 'y'));
    ASSERT_EQ(two.size(), 156u);
    EXPECT_EQ(two.substr(76, 2), "\r\n");
    EXPECT_EQ(two.substr(154), "\r\n");

    // One byte more starts a second line with a padded group and no break after it.
    const std::string longer = Encode(std::string(58, 'x'));
    EXPECT_EQ(longer.size(), 78u + 4u);
    EXPECT_EQ(longer.substr(78), "eA==");
}

TEST(PasswordString, PaddingCountsTowardsTheLine)
{
    // 56 bytes: 18 full groups and a padded one make 76 characters, so the line ends there too.
    const std::string encoded = Encode(std::string(56, 'z'));
    ASSERT_EQ(encoded.size(), 78u);
    EXPECT_EQ(encoded.substr(72), "eno=\r\n");
}

TEST(PasswordString, BufferSizesHoldTheLongestOutput)
{
    for (size_t n = 0; n < 400; ++n) {
        std::string plain(n, '\x7f');
        std::vector<uint8_t> out(EncodedBufferSize(n));
        const size_t written = EncodePasswordString(reinterpret_cast<const uint8_t*>(plain.data()), n, out.data());
        EXPECT_EQ(written + 1, out.size()) << n;  // exactly what the caller was told to give
    }
}

TEST(PasswordString, DecoderSkipsLineBreaksAndNonAlphabet)
{
    EXPECT_EQ(Decode("Zm\r\n9v"), "foo");
    EXPECT_EQ(Decode("Z m*9\tv"), "foo");
    EXPECT_EQ(Decode("YW\nI="), "ab");
    const std::string text(100, 'q');
    EXPECT_EQ(Decode(Encode(text)), text);
}

TEST(PasswordString, DecoderDropsAShortLastGroup)
{
    EXPECT_EQ(Decode("Zm9vYm"), "foo");
    EXPECT_EQ(Decode("Zm9"), "");
    EXPECT_EQ(Decode("Zg="), "");
}

TEST(PasswordString, EachPadCharacterCostsOneByteOfItsGroup)
{
    EXPECT_EQ(Decode("Zg==").size(), 1u);
    EXPECT_EQ(Decode("Zm8=").size(), 2u);
    EXPECT_EQ(Decode("====").size(), 0u);
    // A pad in the middle of a group still counts as six zero bits.
    EXPECT_EQ(Decode("Z=8v"), std::string("\x64\x0f\x2f", 3).substr(0, 2));
    // Padding is per group: the next group decodes in full.
    EXPECT_EQ(Decode("Zg==Zm9v"), "ffoo");
}

TEST(PasswordString, AllByteValuesRoundTrip)
{
    std::string bytes;
    for (int i = 1; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    EXPECT_EQ(Decode(Encode(bytes)), bytes);
}

}  // namespace
