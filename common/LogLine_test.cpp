#include "LogLine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const LogTime kStampExample = {2001, 4, 17, 17, 16, 34, 27};

std::string Line(const LogTime& time, const char* message)
{
    char out[kLogLineBufferSize];
    size_t n = FormatLogLine(time, message, out);
    EXPECT_EQ(n, std::string(out).size()) << "returned length must be the text's length";
    return std::string(out, n);
}

struct StampCase {
    LogTime time;
    const char* expected;
};

TEST(FormatLogLine, StampIsMonthDayFullYearThenTimeWithMilliseconds)
{
    const StampCase cases[] = {
        {kStampExample, "04/17/2001  17:16:34.027 msg\r\n"},
        {{2001, 1, 2, 3, 4, 5, 6}, "01/02/2001  03:04:05.006 msg\r\n"},
        {{1999, 12, 31, 23, 59, 59, 999}, "12/31/1999  23:59:59.999 msg\r\n"},
        {{2026, 10, 9, 0, 0, 0, 0}, "10/09/2026  00:00:00.000 msg\r\n"},
    };
    for (const StampCase& c : cases) {
        EXPECT_EQ(Line(c.time, "msg"), c.expected);
    }
}

TEST(FormatLogLine, StampHasItsFixedLength)
{
    std::string line = Line(kStampExample, "");
    EXPECT_EQ(line.size(), kLogStampLength + kLogLineEndLength);
    EXPECT_EQ(line, "04/17/2001  17:16:34.027 \r\n");
}

TEST(FormatLogLine, NullMessageIsAnEmptyMessage)
{
    EXPECT_EQ(Line(kStampExample, nullptr), Line(kStampExample, ""));
}

struct LengthCase {
    size_t messageLength;
    size_t lineLength;
    size_t messageKept;
};

TEST(FormatLogLine, LongMessageIsCutAndKeepsTheLineEnd)
{
    const size_t room = kLogLineBufferSize - 1 - kLogStampLength - kLogLineEndLength;
    ASSERT_EQ(room, 172u);
    const LengthCase cases[] = {
        {0, 27, 0}, {1, 28, 1}, {171, 198, 171}, {172, 199, 172}, {173, 199, 172}, {300, 199, 172}, {5000, 199, 172},
    };
    for (const LengthCase& c : cases) {
        std::string message;
        for (size_t i = 0; i < c.messageLength; ++i) {
            message += static_cast<char>('a' + i % 26);
        }
        std::string line = Line(kStampExample, message.c_str());
        EXPECT_EQ(line.size(), c.lineLength) << "message of " << c.messageLength;
        EXPECT_EQ(line.substr(line.size() - 2), "\r\n") << "message of " << c.messageLength;
        EXPECT_EQ(line.substr(kLogStampLength, line.size() - kLogStampLength - 2), message.substr(0, c.messageKept))
            << "message of " << c.messageLength;
    }
}

TEST(FormatLogLine, NeverWritesPastTheBuffer)
{
    char out[kLogLineBufferSize + 16];
    memset(out, 'X', sizeof(out));
    std::string message(1000, 'm');
    EXPECT_EQ(FormatLogLine(kStampExample, message.c_str(), out), kLogLineBufferSize - 1);
    EXPECT_EQ(out[kLogLineBufferSize - 1], '\0');
    for (size_t i = kLogLineBufferSize; i < sizeof(out); ++i) {
        EXPECT_EQ(out[i], 'X') << "byte " << i << " beyond the buffer was touched";
    }
}

TEST(FormatLogMessage, FormatsWithArguments)
{
    char out[kFormattedMessageSize];
    EXPECT_EQ(FormatLogMessage(out, "%s %i.%i.%i.%i:%u", "bound", 192, 168, 0, 1, 67u), 20u);
    EXPECT_STREQ(out, "bound 192.168.0.1:67");
}

TEST(FormatLogMessage, CutsAtTheBufferAndTerminates)
{
    const size_t lengths[] = {
        0,   1, kFormattedMessageSize - 2, kFormattedMessageSize - 1, kFormattedMessageSize, kFormattedMessageSize + 1,
        3000};
    for (size_t length : lengths) {
        std::string text(length, 'q');
        char out[kFormattedMessageSize + 8];
        memset(out, 'X', sizeof(out));
        size_t n = FormatLogMessage(out, "%s", text.c_str());
        size_t expected = length < kFormattedMessageSize ? length : kFormattedMessageSize - 1;
        EXPECT_EQ(n, expected) << "text of " << length;
        EXPECT_EQ(std::string(out), text.substr(0, expected)) << "text of " << length;
        for (size_t i = kFormattedMessageSize; i < sizeof(out); ++i) {
            EXPECT_EQ(out[i], 'X') << "text of " << length << ": byte " << i << " touched";
        }
    }
}

TEST(FormatLogMessage, FormattedMessageBecomesACutLine)
{
    char message[kFormattedMessageSize];
    FormatLogMessage(message, "%0300d", 7);
    std::string line = Line(kStampExample, message);
    EXPECT_EQ(line.size(), kLogLineBufferSize - 1);
    EXPECT_EQ(line.substr(kLogStampLength, 172), std::string(172, '0'));
}

}  // namespace

TEST(LogText, ControlCharactersAreReplaced)
{
    // A client's host name "pc\r\n01/01/2001  00:00:00.000 forged" must stay inside one line of a log.
    char text[] = "hostname: pc\r\n01/01/2001  00:00:00.000 forged\t\x1b[2J\x7f";
    EXPECT_TRUE(HasControlCharacters(text));
    ReplaceControlCharacters(text);
    EXPECT_STREQ(text, "hostname: pc??01/01/2001  00:00:00.000 forged?\?[2J?");
    EXPECT_FALSE(HasControlCharacters(text));
    EXPECT_FALSE(HasControlCharacters("plain text, with \xe9 kept"));
    EXPECT_FALSE(HasControlCharacters(nullptr));
}
