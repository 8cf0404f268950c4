// CServiceLog under Wine: one path for the whole process, nothing written while it is empty.
#include "ServiceLog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "WineTestSupport.h"

namespace {

using winetest::CScratchFolder;
using winetest::LinesWithTheirEnds;
using winetest::ReadWholeFile;

class ServiceLogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.Created()); }
    void TearDown() override { CServiceLog::SetPath(""); }
    CScratchFolder dir_;
};

TEST_F(ServiceLogTest, StartsOffAndWritesNothing)
{
    EXPECT_STREQ(CServiceLog::Path(), "");
    SetLastError(ERROR_INVALID_FUNCTION);
    CServiceLog::Write("nowhere");
    CServiceLog::WriteF("%s", "nowhere");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION)) << "a file function was called";
}

TEST_F(ServiceLogTest, WritesToThePathSet)
{
    std::string path = dir_.File("OmbrixDaemon.log");
    CServiceLog::SetPath(path.c_str());
    EXPECT_EQ(std::string(CServiceLog::Path()), path);
    CServiceLog::Write("Service started");
    CServiceLog::WriteF("IPC port %i", 63259);
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(25), "Service started\r\n");
    EXPECT_EQ(lines[1].substr(25), "IPC port 63259\r\n");
}

TEST_F(ServiceLogTest, WriteFCutsTheFormattedMessage)
{
    std::string path = dir_.File("OmbrixDaemon.log");
    CServiceLog::SetPath(path.c_str());
    std::string wide(700, 'z');
    CServiceLog::WriteF("%s!", wide.c_str());
    std::vector<std::string> lines = LinesWithTheirEnds(ReadWholeFile(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 199u);
    EXPECT_EQ(lines[0].substr(25), std::string(172, 'z') + "\r\n");
}

TEST_F(ServiceLogTest, EmptyPathTurnsItOffAgain)
{
    std::string path = dir_.File("OmbrixDaemon.log");
    CServiceLog::SetPath(path.c_str());
    CServiceLog::Write("on");
    CServiceLog::SetPath(nullptr);
    EXPECT_STREQ(CServiceLog::Path(), "");
    CServiceLog::Write("off");
    EXPECT_EQ(LinesWithTheirEnds(ReadWholeFile(path)).size(), 1u);
}

TEST_F(ServiceLogTest, PathIsKeptUpTo260Characters)
{
    std::string exact(kServiceLogPathLength, 'p');
    CServiceLog::SetPath(exact.c_str());
    EXPECT_EQ(std::string(CServiceLog::Path()), exact);
    std::string longer = exact + "tail";
    CServiceLog::SetPath(longer.c_str());
    EXPECT_EQ(std::string(CServiceLog::Path()), exact);
}

}  // namespace
