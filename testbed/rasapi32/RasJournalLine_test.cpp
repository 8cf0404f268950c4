#include "RasJournalLine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct QuoteCase {
    std::string text;
    std::string quoted;
};

TEST(RasJournalLine, QuotesKeepALineOneLine)
{
    const QuoteCase cases[] = {
        {"", "\"\""},
        {"Provider One", "\"Provider One\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\pbk", "\"C:\\\\pbk\""},
        {"a\r\nb", "\"a\\x0D\\x0Ab\""},
        {std::string("\xE9t\xE9", 3), "\"\\xE9t\\xE9\""},
        {std::string("nul\0x", 5), "\"nul\\x00x\""},
    };
    for (const QuoteCase& c : cases) {
        SCOPED_TRACE(c.quoted);
        EXPECT_EQ(RasJournalQuote(c.text), c.quoted);
    }
}

TEST(RasJournalLine, BuildsTheCallAndItsAnswer)
{
    const std::string line = CRasJournalLine("RasDialA")
                                 .Null("extensions")
                                 .Word("phonebook", "<default>")
                                 .Number("paramsSize", 1052)
                                 .Text("user", "alice")
                                 .Secret("password", "s3cret")
                                 .Secret("callbackPassword", "")
                                 .Hex("notifierType", 0xFFFFFFFF)
                                 .Result(0)
                                 .Hex("handle", 0x4000ABC0)
                                 .Line();
    EXPECT_EQ(line, "RasDialA extensions=<null> phonebook=<default> paramsSize=1052 user=\"alice\" password=<set> "
                    "callbackPassword=<empty> notifierType=0xFFFFFFFF -> 0 handle=0x4000ABC0\r\n");
    EXPECT_EQ(line.find("s3cret"), std::string::npos);
}

}  // namespace
