// The daemon's dial-out against the stand-in dial-up library (testbed/rasapi32), loaded instead of Wine's
// own through the DLL override ctest sets (rasapi32=n) from the daemon's folder. The daemon runs as the 9x
// family runs it, a background process of the test, so it inherits the stand-in's file locations. The
// stand-in's journal shows every call the service made.
#include <winsock.h>

#include <cstring>
#include <string>

#include "DaemonConsoleFixture.h"

using nettest::LeWords;

namespace {
const std::vector<uint8_t>& kAck = kDaemonAck;
constexpr char kPassword[] = "Pw-s3cret-77";
/// kPassword as the settings keep it (MIME Base64, what MakePWString writes).
constexpr char kScrambledPassword[] = "UHctczNjcmV0LTc3";

const char kFixture[] = "[entry LabISP]\r\n"
                        "user = alice\r\n"
                        "password = Pw-s3cret-77\r\n"
                        "authenticate = yes\r\n"
                        "outcome = connected\r\n"
                        "delay = 100\r\n"
                        "[entry Busy]\r\n"
                        "outcome = error 678\r\n"
                        "delay = 100\r\n"
                        "[entry Quick]\r\n"
                        "outcome = connected\r\n"
                        "delay = 0\r\n"
                        "[entry QuickFail]\r\n"
                        "outcome = error 691\r\n"
                        "delay = 0\r\n"
                        "handle = late\r\n"
                        "[entry Refuses]\r\n"
                        "outcome = refused 633\r\n";

size_t CountOf(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

class DaemonDialOutTest : public DaemonConsoleTest {
protected:
    DaemonDialOutTest() : DaemonConsoleTest(47303) {}

    void TearDown() override
    {
        DaemonConsoleTest::TearDown();
        SetEnvironmentVariableA("WINEDLLOVERRIDES", savedOverrides_.empty() ? nullptr : savedOverrides_.c_str());
    }

    /// Stages the daemon with the stand-in beside it (or without it), its fixture, and the dial settings.
    void Prepare(const char* entry, bool withLibrary = true)
    {
        DaemonDriverTest::Prepare("win98");
        char overrides[512] = {};
        GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
        savedOverrides_ = overrides;
        if (withLibrary) {
            ASSERT_TRUE(
                CopyFileA((winetest::ProgramFolder() + "RASAPI32.DLL").c_str(), (dir_ + "RASAPI32.DLL").c_str(), FALSE))
                << "the stand-in RASAPI32.DLL is not beside the test: " << GetLastError();
        } else {
            // Neither the stand-in nor Wine's own: the library is missing, as on a machine without dial-up.
            SetEnvironmentVariableA("WINEDLLOVERRIDES", "mscoree,mshtml=;rasapi32=");
        }
        journal_ = dir_ + "rasjournal.txt";
        const std::string fixture = dir_ + "rasfixture.ini";
        ASSERT_TRUE(winetest::WriteWholeFile(fixture, kFixture));
        SetEnvironmentVariableA("OMBRIX_RAS_FIXTURE", fixture.c_str());
        SetEnvironmentVariableA("OMBRIX_RAS_JOURNAL", journal_.c_str());
        SetEnvironmentVariableA("OMBRIX_RAS_STATE", (dir_ + "rasstate.txt").c_str());
        winetest::WriteIni("DialUp", "PhoneBookEntry", entry);
        winetest::WriteIni("DialUp", "Username", "alice");
        winetest::WriteIni("DialUp", "Password", kScrambledPassword);
    }

    void Dial() { ASSERT_EQ(kAck, Ask(LeWords({IPC_DIAL}))); }
    void HangUp() { ASSERT_EQ(kAck, Ask(LeWords({IPC_HANG_UP}))); }

    std::string Journal() const { return winetest::ReadWholeFile(journal_); }
    /// Calls of function in the journal, whose lines start with the function's name and a blank.
    size_t Calls(const char* function) const
    {
        size_t n = 0;
        for (const std::string& line : winetest::ReadLines(journal_))
            n += line.compare(0, std::strlen(function) + 1, std::string(function) + " ") == 0;
        return n;
    }
    size_t LogCount(const std::string& line)
    {
        size_t n = 0;
        for (const std::string& l : Log())
            n += l == line;
        return n;
    }
    bool WaitForLog(const std::string& line, size_t count = 1)
    {
        return winetest::WaitFor([&] { return LogCount(line) >= count; }, kTickWaitMs);
    }

    std::string journal_;
    std::string savedOverrides_;
};
}  // namespace

TEST_F(DaemonDialOutTest, TheTickDialsOnceForAClientAndTheConsoleHangsUp)
{
    Prepare("LabISP");
    winetest::WriteIni("Dialup", "AutoDial", "1");
    Start();
    ASSERT_TRUE(driver_->SetStatusBits(kDriverStatusDialNeeded));
    ASSERT_TRUE(WaitForLog("Dial-out successfull")) << Journal();
    // The bit stays set: later ticks find the connection up and neither dial nor log.
    const uint32_t polled = Counts().getStatus;
    ASSERT_TRUE(winetest::WaitFor([&] { return Counts().getStatus >= polled + 2; }, kTickWaitMs));
    ASSERT_TRUE(driver_->ClearStatusBits(kDriverStatusDialNeeded));
    EXPECT_EQ(1u, Calls("RasDialA"));
    EXPECT_EQ(1u, LogCount("Attempting to dial-out: Phonebook: LabISP, Username: alice"));
    EXPECT_NE(std::string::npos, Journal().find("alice"));

    HangUp();
    ASSERT_TRUE(WaitForLog("Connection disconnected"));
    EXPECT_EQ(1u, Calls("RasHangUpA"));
    Stop();

    const std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), kStartLines.size());
    const std::vector<std::string> dialLines(log.begin() + kStartLines.size(), log.end());
    const std::vector<std::string> expected = {
        "Ombrix Driver Enabled",   "Attempting to load Ras library RASAPI32.DLL",
        "Ras library loaded",      "Attempting to dial-out: Phonebook: LabISP, Username: alice",
        "Dial-out successfull",    "Attempting to Hang-up connection",
        "Connection disconnected", "Ombrix Service Stopping"};
    EXPECT_EQ(expected, dialLines);
    // The password reached the library (the entry authenticates only the stored user and password) and
    // nothing else: no log, trace or journal holds it. The phonebook fixture is the library's own store.
    for (const std::string& file : FilesIn(dir_)) {
        if (file == "rasfixture.ini")
            continue;
        SCOPED_TRACE(file);
        EXPECT_EQ(std::string::npos, winetest::ReadWholeFile(dir_ + file).find(kPassword));
    }
}

TEST_F(DaemonDialOutTest, AutoDialOffInTheSettingsKeepsTheConsolesDialFromDialling)
{
    Prepare("LabISP");
    winetest::WriteIni("Dialup", "AutoDial", "0");
    Start();
    Dial();
    Stop();
    EXPECT_EQ(0u, Calls("RasDialA"));
    EXPECT_EQ(0u, LogCount("Attempting to dial-out: Phonebook: LabISP, Username: alice"));
    EXPECT_EQ(0u, LogCount("Attempting to load Ras library RASAPI32.DLL")) << "not even loaded";
}

TEST_F(DaemonDialOutTest, WithoutTheLibraryTheFirstDialLogsTheLoadAndLaterOnesNothing)
{
    Prepare("LabISP", false);
    Start();
    Dial();
    Dial();
    HangUp();
    Dial();
    Stop();
    EXPECT_EQ(1u, LogCount("Attempting to load Ras library RASAPI32.DLL"));
    EXPECT_EQ(1u, LogCount("Unable to load RASAPI32.DLL, Auto-Dial option disabled"));
    EXPECT_EQ(0u, LogCount("Attempting to dial-out: Phonebook: LabISP, Username: alice"));
    EXPECT_TRUE(Journal().empty()) << "the stand-in was loaded after all";
}

TEST_F(DaemonDialOutTest, ADialThatFailsAfterItStartedIsHungUpAndTheNextDialGoesOut)
{
    Prepare("Busy");
    Start();
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out failed, Error code: 678")) << Journal();
    ASSERT_TRUE(winetest::WaitFor([&] { return Calls("RasHangUpA") == 1; }, kTickWaitMs)) << Journal();
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out failed, Error code: 678", 2)) << "the dialling flag was left set";
    EXPECT_EQ(2u, Calls("RasDialA"));
    Stop();
}

TEST_F(DaemonDialOutTest, ADialRefusedAtItsStartIsHungUpAndLogged)
{
    Prepare("Refuses");
    Start();
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out failed, Error Code: 633")) << Journal();
    EXPECT_EQ(1u, Calls("RasHangUpA")) << "the handle the refused start gave back was not hung up";
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out failed, Error Code: 633", 2));
    Stop();
}

// The library may report from its own thread before RasDialA has returned. A connection reported that
// early must leave the dialling flag clear, or no dial would ever be made again.
TEST_F(DaemonDialOutTest, AConnectionReportedBeforeTheDialReturnsLeavesTheFlagClear)
{
    Prepare("Quick");
    Start();
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out successfull")) << Journal();
    HangUp();
    ASSERT_TRUE(WaitForLog("Connection disconnected")) << Journal();
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out successfull", 2)) << "no second dial: the flag stayed set\n" << Journal();
    EXPECT_EQ(2u, Calls("RasDialA"));
    Stop();
}

// A failure reported before the caller holds the handle: it is logged, the handle the start returns is hung
// up all the same, and the next dial goes out.
TEST_F(DaemonDialOutTest, AFailureReportedBeforeTheHandleIsHeldIsLoggedAndHungUp)
{
    Prepare("QuickFail");
    Start();
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out failed, Error code: 691")) << Journal();
    ASSERT_TRUE(winetest::WaitFor([&] { return Calls("RasHangUpA") == 1; }, kTickWaitMs)) << Journal();
    Dial();
    ASSERT_TRUE(WaitForLog("Dial-out failed, Error code: 691", 2)) << Journal();
    Stop();
}
