// The shared helpers of the Wine tests, under Wine: what the other tests take their word for.
#include "WineTestSupport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using winetest::CScratchFolder;

const char kStamp[] = "01/02/2003  04:05:06.007 ";

TEST(WineTestSupport, LogMessagesAreToldApartByTheirStamps)
{
    const std::string stamp = kStamp;
    struct Case {
        const char* what;
        std::string text;
        Lines messages;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"one line", stamp + "Ombrix Service Starting\r\n", {"Ombrix Service Starting"}},
        {"two lines", stamp + "one\r\n" + stamp + "two\r\n", {"one", "two"}},
        {"a message with line breaks of its own",
         stamp + "Unable\r\n\tRe-install\r\n" + stamp + "next\r\n",
         {"Unable\r\n\tRe-install", "next"}},
        {"a last line without its end", stamp + "one\r\n" + stamp + "cut", {"one", "cut"}},
        {"an empty message", stamp + "\r\n", {""}},
        {"text before the first stamp is no message", "noise\r\n" + stamp + "one\r\n", {"one"}},
        {"a stamp inside a line starts nothing", stamp + "a " + stamp + "b\r\n", {"a " + stamp + "b"}},
    };
    CScratchFolder folder;
    ASSERT_TRUE(folder.Created());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(folder.Write("test.log", c.text));
        EXPECT_EQ(c.messages, winetest::LogMessages(folder.File("test.log")));
    }
    EXPECT_EQ(Lines{}, winetest::LogMessages(folder.File("missing.log")));
}

TEST(WineTestSupport, LinesAreSplitWithAndWithoutTheirEnds)
{
    struct Case {
        const char* text;
        Lines withoutEnds;
        Lines withEnds;
    };
    const Case cases[] = {
        {"", {}, {}},
        {"a\r\nb\r\n", {"a", "b"}, {"a\r\n", "b\r\n"}},
        {"a\r\nb", {"a", "b"}, {"a\r\n", "b"}},
        {"\r\n\r\n", {"", ""}, {"\r\n", "\r\n"}},
        {"a\nb\r\n", {"a\nb"}, {"a\n", "b\r\n"}},
    };
    CScratchFolder folder;
    ASSERT_TRUE(folder.Created());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(folder.Write("lines.txt", c.text));
        EXPECT_EQ(c.withoutEnds, winetest::ReadLines(folder.File("lines.txt")));
        EXPECT_EQ(c.withEnds, winetest::LinesWithTheirEnds(c.text));
    }
}

TEST(WineTestSupport, WholeFileRoundTripsEveryByte)
{
    CScratchFolder folder;
    ASSERT_TRUE(folder.Created());
    std::string bytes(9000, '\0');  // more than one read chunk
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(winetest::WriteWholeFile(folder.File("bytes"), bytes));
    EXPECT_EQ(bytes, winetest::ReadWholeFile(folder.File("bytes")));
    ASSERT_TRUE(winetest::WriteWholeFile(folder.File("bytes"), "short"));
    EXPECT_EQ("short", winetest::ReadWholeFile(folder.File("bytes"))) << "the file is replaced, not overwritten";
    EXPECT_EQ("", winetest::ReadWholeFile(folder.File("missing")));

    const testing::AssertionResult refused = winetest::WriteWholeFile(folder.File("no-such-folder\\x"), "x");
    EXPECT_FALSE(refused);
    EXPECT_NE(std::string::npos, std::string(refused.message()).find("no-such-folder\\x: error 3"))
        << refused.message();
}

TEST(WineTestSupport, ScratchFoldersAreNewEachTimeAndGoWithWhatTheyHold)
{
    std::string first;
    {
        CScratchFolder folder;
        ASSERT_TRUE(folder.Created());
        first = folder.Path();
        ASSERT_EQ('\\', first.back());
        EXPECT_TRUE(folder.Names().empty());
        ASSERT_TRUE(folder.Write("plain.txt", "x"));
        ASSERT_TRUE(folder.Write("readonly.txt", "x"));
        ASSERT_TRUE(SetFileAttributesA(folder.File("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(CreateDirectoryA(folder.File("inner").c_str(), nullptr));
        ASSERT_TRUE(winetest::WriteWholeFile(folder.File("inner\\deep.txt"), "x"));
        ASSERT_TRUE(folder.CopyIn(folder.File("plain.txt"), "copy.txt"));
        std::vector<std::string> names = folder.Names();
        std::sort(names.begin(), names.end());
        EXPECT_EQ((Lines{"copy.txt", "inner", "plain.txt", "readonly.txt"}), names);

        CScratchFolder second;
        ASSERT_TRUE(second.Created());
        EXPECT_NE(first, second.Path());
        const testing::AssertionResult missing = second.CopyIn(folder.File("absent"), "x");
        EXPECT_FALSE(missing);
        EXPECT_NE(std::string::npos, std::string(missing.message()).find("absent")) << missing.message();
    }
    EXPECT_FALSE(winetest::FileExists(first)) << first << " stayed";
}

TEST(WineTestSupport, WaitsSayHowLongTheyWaited)
{
    int checks = 0;
    EXPECT_TRUE(winetest::WaitFor([&] { return ++checks == 3; }, 5000));
    EXPECT_EQ(3, checks);

    const DWORD start = GetTickCount();
    const testing::AssertionResult never = winetest::WaitFor([] { return false; }, 100);
    EXPECT_GE(GetTickCount() - start, 100u);
    EXPECT_FALSE(never);
    EXPECT_NE(std::string::npos, std::string(never.message()).find("still not so after")) << never.message();
    EXPECT_NE(std::string::npos, std::string(never.message()).find("bound 100 ms")) << never.message();
}

TEST(WineTestSupport, PumpUntilDispatchesTheThreadsMessages)
{
    static int ticks = 0;
    ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
    ASSERT_NE(0u, timer);
    EXPECT_TRUE(winetest::PumpUntil([] { return ticks >= 2; }, 5000)) << ticks << " ticks";
    KillTimer(nullptr, timer);
    const int pumped = ticks;
    EXPECT_FALSE(winetest::WaitFor([&] { return ticks > pumped; }, 100)) << "WaitFor dispatched a timer message";
}

TEST(WineTestSupport, IniKeysArePutBackAsTheyWere)
{
    winetest::CIniFileSnapshot file;
    ASSERT_TRUE(winetest::WriteIni("SupportTest", "Kept", "before"));
    ASSERT_TRUE(winetest::WriteIni("SupportTest", "Absent", nullptr));
    {
        winetest::CIniKeys keys({{"SupportTest", "Kept"}, {"SupportTest", "Absent"}});
        ASSERT_TRUE(winetest::WriteIni("SupportTest", "Kept", "during"));
        ASSERT_TRUE(winetest::WriteIni("SupportTest", "Absent", "12"));
        EXPECT_EQ("during", winetest::ReadIni("SupportTest", "Kept", "(missing)"));
        EXPECT_EQ(12, winetest::ReadIniInt("SupportTest", "Absent", -1));
    }
    EXPECT_EQ("before", winetest::ReadIni("SupportTest", "Kept", "(missing)"));
    EXPECT_EQ("(missing)", winetest::ReadIni("SupportTest", "Absent", "(missing)"));
    EXPECT_EQ(-1, winetest::ReadIniInt("SupportTest", "Absent", -1));
}

TEST(WineTestSupport, TheIniFileSnapshotPutsBackTheWholeFile)
{
    winetest::CIniFileSnapshot asFound;
    ASSERT_TRUE(winetest::RemoveIni());
    {
        winetest::CIniFileSnapshot none;
        ASSERT_TRUE(winetest::WriteIni("SupportTest", "Key", "1"));
        EXPECT_TRUE(winetest::FileExists(winetest::IniPath()));
    }
    EXPECT_FALSE(winetest::FileExists(winetest::IniPath())) << "there was no file before";

    const std::string before = "[SupportTest]\r\nKey=before\r\n";
    ASSERT_TRUE(winetest::WriteWholeFile(winetest::IniPath(), before));
    {
        winetest::CIniFileSnapshot some;
        ASSERT_TRUE(winetest::WriteIni("SupportTest", "Key", "after"));
        ASSERT_TRUE(winetest::WriteIni("SupportTest", "Other", "added"));
    }
    EXPECT_EQ(before, winetest::ReadWholeFile(winetest::IniPath()));
    EXPECT_EQ("before", winetest::ReadIni("SupportTest", "Key", "(missing)")) << "the profile functions see it too";
    ASSERT_TRUE(winetest::RemoveIni());
    EXPECT_FALSE(winetest::FileExists(winetest::IniPath()));
    EXPECT_TRUE(winetest::RemoveIni()) << "a file that is not there is removed already";
}

TEST(WineTestSupport, RunCollectsWhatAProgramPrintsAndSaysWhyItDidNot)
{
    const winetest::ProcessResult echo = winetest::Run("cmd /c echo printed", 20000);
    ASSERT_TRUE(echo.RanToItsEnd());
    EXPECT_EQ(0u, echo.exitCode);
    EXPECT_EQ("printed\r\n", echo.output);

    const winetest::ProcessResult missing = winetest::Run("\"" + winetest::ProgramFolder() + "no-such-program.exe\"");
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), missing.startError);
    const testing::AssertionResult why = missing.RanToItsEnd();
    EXPECT_FALSE(why);
    EXPECT_EQ(std::string("did not start: error 2"), why.message());
}

TEST(WineTestSupport, TheProgramFolderHoldsThisProgram)
{
    const std::string folder = winetest::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ('\\', folder.back());
    EXPECT_TRUE(winetest::FileExists(folder + "wine_test_support_wine_test.exe")) << folder;
}

}  // namespace
