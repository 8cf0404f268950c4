#include "DottedAddress.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <winsock.h>  // the Winsock 1.1 conversion itself, under Wine
#else
#include <arpa/inet.h>
#endif

#include <cstring>
#include <string>

namespace {

uint32_t Ip(int a, int b, int c, int d)
{
    return static_cast<uint32_t>(a) | (static_cast<uint32_t>(b) << 8) | (static_cast<uint32_t>(c) << 16) |
           (static_cast<uint32_t>(d) << 24);
}

struct ParseCase {
    const char* text;
    uint32_t expected;
};

TEST(ParseDottedQuad, WinsockForms)
{
    const ParseCase cases[] = {
        {"192.168.0.1", Ip(192, 168, 0, 1)},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFFu},
        {"10.1", Ip(10, 0, 0, 1)},  // the last part fills the rest
        {"10.1.258", Ip(10, 1, 1, 2)},
        {"1.16777215", Ip(1, 255, 255, 255)},
        {"3232235521", Ip(192, 168, 0, 1)},  // one 32-bit part
        {"010.0.0.1", Ip(8, 0, 0, 1)},       // a leading 0 is octal
        {"0", 0},
        {"", 0},  // empty text is "any" on 95..2000
        {"256.1.1.1", kAddressNone},
        {"1.2.3.256", kAddressNone},
        {"1.2.65536", kAddressNone},
        {"1.2.3.4.5", kAddressNone},
        {"1.2.3.4.", kAddressNone},
        {"1..2", kAddressNone},
        {"..", kAddressNone},
        {"08.1.1.1", kAddressNone},  // 8 is no octal digit
        {"4294967296", kAddressNone},
        {"99999999999999999999999", kAddressNone},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(ParseDottedQuad(c.text, std::strlen(c.text)), c.expected) << '"' << c.text << '"';
    }
}

// The system's conversion is the reference (the C library's natively, Winsock's under Wine); on digits and
// dots the two agree, apart from the empty text, which older Windows read as 0.
TEST(ParseDottedQuad, AgreesWithTheCLibrary)
{
    const char* texts[] = {"1.2.3.4",     "127.1", "0.0",    "00.00.00.00",     "0377.0377.0377.0377",
                           "1.2.3.4.",    "9.",    "012.34", "255.255.255.255", "255.255.255.256",
                           "19.168.0.1.", "007",   "08",     "4294967295"};
    for (const char* text : texts) {
        EXPECT_EQ(ParseDottedQuad(text, std::strlen(text)), inet_addr(text)) << '"' << text << '"';
    }
}

struct ConvertCase {
    std::string text;
    uint32_t expected;
};

TEST(ConvertDottedAddress, FirstRunOfDigitsAndDots)
{
    const ConvertCase cases[] = {
        {"192.168.0.1", Ip(192, 168, 0, 1)},
        {std::string("10.0.0.1\0"
                     "10.0.0.2\0",
                     18),
         Ip(10, 0, 0, 1)},  // a multi-string: its first entry
        {"  ip=172.16.1.2,rest", Ip(172, 16, 1, 2)},
        {"10.0.0.1 10.0.0.2", Ip(10, 0, 0, 1)},
        {"none", 0},
        {"", 0},
        {"1.2.3.4.", kAddressNone},
        // The run stops after 24 characters; here it would otherwise be longer than an address.
        {"1.2.3.4000000000000000000000", kAddressNone},
        {"000000000000000000001.2.3.4", kAddressNone},
    };
    for (const ConvertCase& c : cases) {
        EXPECT_EQ(ConvertDottedAddress(c.text.data(), c.text.size()), c.expected) << '"' << c.text << '"';
    }
}

TEST(ConvertDottedAddress, RunIsCutAtTwentyFourCharacters)
{
    // 24 characters make a valid one-part address; the 25th digit is not read.
    const std::string text = "000000000000000000000001"
                             "9";
    EXPECT_EQ(ConvertDottedAddress(text.data(), text.size()), Ip(0, 0, 0, 1));
}

TEST(ConvertDottedAddress, StopsAtSizeAndAtNul)
{
    const char text[] = "10.20.30.40";
    EXPECT_EQ(ConvertDottedAddress(text, 5), Ip(10, 0, 0, 20));
    const char withNul[] = {'1', '.', '2', '\0', '3', '4'};
    EXPECT_EQ(ConvertDottedAddress(withNul, sizeof withNul), Ip(1, 0, 0, 2));
}

TEST(FormatDottedAddress, BytesInMemoryOrder)
{
    EXPECT_EQ(FormatDottedAddress(Ip(192, 168, 0, 1)), "192.168.0.1");
    EXPECT_EQ(FormatDottedAddress(0), "0.0.0.0");
    EXPECT_EQ(FormatDottedAddress(0xFFFFFFFFu), "255.255.255.255");
}

TEST(ConvertAddressList, SkipsZeroAndKeepsAtMostMax)
{
    const std::string text = "10.0.0.1,0.0.0.0,, 10.0.0.2 ,junk,10.0.0.3";
    EXPECT_EQ(ConvertAddressList(text.data(), text.size(), ',', 10),
              (std::vector<uint32_t>{Ip(10, 0, 0, 1), Ip(10, 0, 0, 2), Ip(10, 0, 0, 3)}));
    EXPECT_EQ(ConvertAddressList(text.data(), text.size(), ',', 2),
              (std::vector<uint32_t>{Ip(10, 0, 0, 1), Ip(10, 0, 0, 2)}));
    const std::string spaced = "192.0.2.53 192.0.2.54";
    EXPECT_EQ(ConvertAddressList(spaced.data(), spaced.size(), ' ', 10),
              (std::vector<uint32_t>{Ip(192, 0, 2, 53), Ip(192, 0, 2, 54)}));
    EXPECT_TRUE(ConvertAddressList("", 0, ',', 10).empty());
}

TEST(ConvertAddressList, MalformedEntryIsKeptAsTheSystemWouldConvertIt)
{
    const std::string text = "1.2.3.4.,10.0.0.1";
    EXPECT_EQ(ConvertAddressList(text.data(), text.size(), ',', 10),
              (std::vector<uint32_t>{kAddressNone, Ip(10, 0, 0, 1)}));
}

}  // namespace
