#include "CProcessMemory.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const char kStatus[] = "Name:\tOmbrixDaemon.ex\n"
                       "VmPeak:\t 2703600 kB\n"
                       "VmHWM:\t   41236 kB\n"
                       "VmRSS:\t   39104 kB\n"
                       "RssAnon:\t    9032 kB\n"
                       "Threads:\t9\n";

TEST(ProcessMemory, ReadsRssAndPeak)
{
    CProcessMemory memory;
    ASSERT_TRUE(memory.Parse(kStatus));
    EXPECT_EQ(memory.rssKb, 39104u);
    EXPECT_EQ(memory.hwmKb, 41236u);
}

TEST(ProcessMemory, AProcessWithoutResidentSizeIsRefused)
{
    CProcessMemory memory;
    EXPECT_FALSE(memory.Parse("Name:\tkthreadd\nState:\tS (sleeping)\nThreads:\t1\n"));
    EXPECT_FALSE(memory.Parse(""));
}

TEST(ProcessMemory, AKeyIsMatchedWholeAtTheStartOfALine)
{
    CProcessMemory memory;
    // "RssAnon" and a "VmRSSx" key must not be taken for VmRSS.
    EXPECT_FALSE(memory.Parse("RssAnon:\t 10 kB\nVmRSSx:\t 20 kB\n"));
}

TEST(ProcessMemory, ThisProcessHasAResidentSize)
{
    CProcessMemory memory;
    ASSERT_TRUE(memory.Read(getpid()));
    EXPECT_GT(memory.rssKb, 0u);
    EXPECT_GE(memory.hwmKb, memory.rssKb);
}

TEST(ProcessMemory, AProcessThatIsGoneIsRefused)
{
    CProcessMemory memory;
    EXPECT_FALSE(memory.Read(0));
}

}  // namespace
