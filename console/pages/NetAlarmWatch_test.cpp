#include "NetAlarmWatch.h"

#include <gtest/gtest.h>

namespace {
const NetAlarmLogState kAbsent{false, 0, 0};
NetAlarmLogState Log(uint64_t size, uint64_t time)
{
    return {true, size, time};
}
}  // namespace

TEST(NetAlarmWatchTest, ALogPresentAtStartDoesNotWarnAChangeDoes)
{
    CNetAlarmWatch watch;
    EXPECT_FALSE(watch.Look(Log(100, 5)));
    EXPECT_FALSE(watch.Look(Log(100, 5)));
    // A line appended within the same file-time tick still grows the log.
    EXPECT_TRUE(watch.Look(Log(150, 5)));
    EXPECT_FALSE(watch.WantsLook());
    EXPECT_FALSE(watch.Look(Log(200, 6)));
    watch.WarningClosed();
    EXPECT_TRUE(watch.WantsLook());
    // The line written while the warning was up warns once more.
    EXPECT_TRUE(watch.Look(Log(200, 6)));
    watch.WarningClosed();
    EXPECT_FALSE(watch.Look(Log(200, 6)));
    // Rewritten to the same size, with a new time.
    EXPECT_TRUE(watch.Look(Log(200, 7)));
}

TEST(NetAlarmWatchTest, ClearThenTheNextAlarmWarnsAgain)
{
    CNetAlarmWatch watch;
    EXPECT_FALSE(watch.Look(kAbsent));
    EXPECT_TRUE(watch.Look(Log(60, 1)));  // created after start-up
    // "C&lear" deleted the file while the warning was up.
    watch.WarningClosed();
    EXPECT_FALSE(watch.Look(kAbsent));
    EXPECT_FALSE(watch.Look(kAbsent));
    EXPECT_TRUE(watch.Look(Log(60, 1)));  // the same size and even the same time: still a new log
    watch.WarningClosed();
    EXPECT_FALSE(watch.Look(Log(60, 1)));
}

TEST(NetAlarmWatchTest, ClosingWithoutAWarningChangesNothing)
{
    CNetAlarmWatch watch;
    watch.WarningClosed();
    EXPECT_TRUE(watch.WantsLook());
    EXPECT_FALSE(watch.Look(Log(10, 1)));
    watch.WarningClosed();
    EXPECT_FALSE(watch.Look(Log(10, 1)));
}

TEST(NetAlarmWatchTest, NotepadGetsTheQuotedPath)
{
    EXPECT_EQ("Notepad.exe \"C:\\Program Files\\Ombrix\\NetAlarm.log\"",
              NetAlarmViewCommandLine("C:\\Program Files\\Ombrix\\NetAlarm.log"));
    EXPECT_EQ("Notepad.exe \"NetAlarm.log\"", NetAlarmViewCommandLine("NetAlarm.log"));
}
