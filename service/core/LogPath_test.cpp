#include "LogPath.h"

#include <gtest/gtest.h>

TEST(LogPath, ReplacesTheProgramNameAfterTheLastBackslash)
{
    EXPECT_EQ("C:\\Ombrix\\OmbrixDaemon.log",
              BuildServiceLogPath("C:\\Ombrix\\OmbrixDaemon.exe", "C:\\WINDOWS\\SYSTEM"));
    EXPECT_EQ("C:\\a\\b\\OmbrixDaemon.log", BuildServiceLogPath("C:\\a\\b\\x.exe", "S"));
    EXPECT_EQ("C:\\dir\\OmbrixDaemon.log", BuildServiceLogPath("C:\\dir\\", "S"));
}

TEST(LogPath, WithoutBackslashUsesTheSystemDirectory)
{
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\OmbrixDaemon.log", BuildServiceLogPath("OmbrixDaemon.exe", "C:\\WINDOWS\\SYSTEM"));
    EXPECT_EQ("S\\OmbrixDaemon.log", BuildServiceLogPath("", "S"));
    // The first character is never looked at.
    EXPECT_EQ("S\\OmbrixDaemon.log", BuildServiceLogPath("\\x.exe", "S"));
}

TEST(LogPath, NetAlarmLogLiesBesideTheProgramByTheSameRule)
{
    EXPECT_EQ("C:\\Ombrix\\NetAlarm.log",
              BuildPathBesideProgram("C:\\Ombrix\\OmbrixDaemon.exe", "C:\\WINDOWS\\SYSTEM", kNetAlarmLogName));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\NetAlarm.log",
              BuildPathBesideProgram("OmbrixDaemon.exe", "C:\\WINDOWS\\SYSTEM", kNetAlarmLogName));
}
