#include "EventsPageModel.h"

#include <gtest/gtest.h>

TEST(EventsPageTest, TailOfTheLog)
{
    const struct {
        uint64_t size, offset, length;
    } cases[] = {
        {0, 0, 0},         {100, 0, 100},        {16384, 0, 16384},
        {16385, 1, 16384}, {20000, 3616, 16384}, {1ull << 33, (1ull << 33) - 16384, 16384},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const EventsTail tail = EventsTailFor(c.size);
        EXPECT_EQ(c.offset, tail.offset);
        EXPECT_EQ(c.length, tail.length);
    }
}

TEST(EventsPageTest, TextKeepsEveryByteAndShowsZerosAsBlanks)
{
    const uint8_t log[] = {'a', '\r', '\n', 0, 0, 'b', '\r', '\n'};
    EXPECT_EQ(std::string("a\r\n  b\r\n"), EventsTextFor(log, sizeof log));
    EXPECT_EQ("", EventsTextFor(log, 0));
    EXPECT_STREQ("Unable to locate OmbrixDaemon.log", kEventsNoFileText);
}
