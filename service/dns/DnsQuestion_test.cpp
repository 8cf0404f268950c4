#include "DnsQuestion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DnsTestMessages.h"

namespace {

std::vector<uint8_t> WithQuestion(const std::vector<uint8_t>& question, uint16_t qdcount = 1)
{
    std::vector<uint8_t> m(kDnsHeaderSize, 0);
    m[kDnsQdCountOffset] = static_cast<uint8_t>(qdcount >> 8);
    m[kDnsQdCountOffset + 1] = static_cast<uint8_t>(qdcount & 0xFF);
    m.insert(m.end(), question.begin(), question.end());
    return m;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> v;
    for (int b : list)
        v.push_back(static_cast<uint8_t>(b));
    return v;
}

std::vector<uint8_t> LongName(size_t labels, size_t labelLength)
{
    std::vector<uint8_t> wire;
    for (size_t i = 0; i < labels; ++i) {
        wire.push_back(static_cast<uint8_t>(labelLength));
        wire.insert(wire.end(), labelLength, 'a');
    }
    wire.push_back(0);
    wire.insert(wire.end(), {0, 1, 0, 1});
    return wire;
}

TEST(DnsQuestion, ParsesOnlyOneWellFormedQuestion)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> message;
        bool parsed;
        std::string key;
    };
    const std::string wwwA = std::string("\3www\3lab\4test\0", 14) + std::string("\0\1\0\1", 4);
    const std::vector<Case> cases = {
        {"a plain A query", DnsTestQuery(7, "www.lab.test"), true, wwwA},
        {"capitals are folded", DnsTestQuery(7, "WwW.LAB.Test"), true, wwwA},
        {"the root name", WithQuestion(Bytes({0, 0, 2, 0, 1})), true, std::string("\0\0\2\0\1", 5)},
        {"no question", WithQuestion(Bytes({0, 0, 1, 0, 1}), 0), false, ""},
        {"two questions", WithQuestion(Bytes({0, 0, 1, 0, 1}), 2), false, ""},
        {"a pointer in the name", WithQuestion(Bytes({0xC0, 0x0C, 0, 1, 0, 1})), false, ""},
        {"a reserved label kind", WithQuestion(Bytes({0x40, 'a', 0, 0, 1, 0, 1})), false, ""},
        {"a label of 64", WithQuestion(LongName(1, 64)), false, ""},
        {"a label of 63", WithQuestion(LongName(1, 63)), true, ""},
        {"a name of 255", WithQuestion(LongName(4, 62)), true, ""},  // 4*63 + 1 = 253 ... fits
        {"a name over 255", WithQuestion(LongName(5, 63)), false, ""},
        {"the label runs past the end", WithQuestion(Bytes({5, 'a', 'b'})), false, ""},
        {"the name never ends", WithQuestion(Bytes({1, 'a', 1, 'b'})), false, ""},
        {"type and class cut short", WithQuestion(Bytes({1, 'a', 0, 0, 1, 0})), false, ""},
        {"only a header", WithQuestion({}), false, ""},
        {"shorter than a header", Bytes({1, 2, 3, 4, 0, 1}), false, ""},
        {"empty", {}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An exact-size copy, so that a read past the end is caught by the sanitizer.
        std::vector<uint8_t> exact(c.message);
        std::string key;
        EXPECT_EQ(DnsParseQuestion(exact.data(), exact.size(), &key), c.parsed);
        if (c.parsed && !c.key.empty()) {
            EXPECT_EQ(key, c.key);
        }
    }
}

TEST(DnsQuestion, AnswerMatchesItsQuery)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> query;
        std::vector<uint8_t> answer;
        bool matches;
    };
    const std::vector<uint8_t> unparsed = WithQuestion(Bytes({0xC0, 0x0C, 0, 1, 0, 1}));
    std::vector<uint8_t> unparsedAnswer = unparsed;
    unparsedAnswer.insert(unparsedAnswer.end(), {9, 9, 9});
    const std::vector<Case> cases = {
        {"same question", DnsTestQuery(1, "www.lab.test"), DnsTestMessage(1, "www.lab.test", 1, 1, true), true},
        {"other case in the answer", DnsTestQuery(1, "www.lab.test"), DnsTestMessage(1, "WWW.lab.TEST", 1, 1, true),
         true},
        {"other name", DnsTestQuery(1, "www.lab.test"), DnsTestMessage(1, "ftp.lab.test", 1, 1, true), false},
        {"other type", DnsTestQuery(1, "www.lab.test"), DnsTestMessage(1, "www.lab.test", 28, 1, true), false},
        {"other class", DnsTestQuery(1, "www.lab.test"), DnsTestMessage(1, "www.lab.test", 1, 3, true), false},
        {"answer without question", DnsTestQuery(1, "www.lab.test"), WithQuestion({}, 0), false},
        {"unparsed query, answer repeats its bytes", unparsed, unparsedAnswer, true},
        {"unparsed query, answer cut short", unparsed, std::vector<uint8_t>(unparsed.begin(), unparsed.end() - 1),
         false},
        {"unparsed query, answer differs", unparsed, WithQuestion(Bytes({0xC0, 0x0C, 0, 1, 0, 2})), false},
        {"query of only an id, any header answers", Bytes({1, 2}), WithQuestion({}), true},
        {"query of only an id, answer shorter than a header", Bytes({1, 2}), Bytes({1, 2, 0x80}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DnsQuestion question = DnsQuestionOf(c.query.data(), c.query.size());
        std::vector<uint8_t> exact(c.answer);
        EXPECT_EQ(DnsAnswerMatches(question, exact.data(), exact.size()), c.matches);
    }
}

}  // namespace
