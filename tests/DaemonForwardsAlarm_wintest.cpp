// The daemon with the stand-in packet driver: the stored port forwards pushed at start, and NetAlarm
// switched from the console and its records appended to NetAlarm.log by the tick.
#include <winsock.h>

#include <string>

#include "DaemonConsoleFixture.h"
#include "StandInCodes.h"

using nettest::LeWords;

namespace {
const std::vector<uint8_t>& kAck = kDaemonAck;
const std::string kSeparator(70, '=');

uint32_t Word(const std::vector<uint8_t>& reply, size_t index)
{
    const size_t at = kIpcReplyDataOffset + index * kIpcWordSize;
    if (reply.size() < at + kIpcWordSize)
        return 0xDEADBEEF;
    return reply[at] | reply[at + 1] << 8 | reply[at + 2] << 16 | static_cast<uint32_t>(reply[at + 3]) << 24;
}

AlarmRecord Alarm(uint32_t srcAddr, uint16_t srcPort, uint16_t dstPort, uint32_t kind, uint32_t protocol)
{
    AlarmRecord r;
    r.srcAddr = srcAddr;
    r.srcPort = srcPort;
    r.dstPort = dstPort;
    r.dstAddr = 0x0100A8C0u;  // 192.168.0.1
    r.kind = kind;
    r.protocol = protocol;
    return r;
}

size_t CountOf(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

class DaemonComponentsTest : public DaemonConsoleTest {
protected:
    DaemonComponentsTest() : DaemonConsoleTest(47302) {}

    void SetNetAlarm(uint32_t enable) { EXPECT_EQ(kAck, Ask(LeWords({IPC_SET_NETALARM, 20, enable, 0, 300, 1}))); }

    std::string AlarmLogPath() const { return dir_ + "NetAlarm.log"; }
    std::string AlarmLog() const { return winetest::ReadWholeFile(AlarmLogPath()); }

    /// Waits until the driver has no alarm records queued and the tick has read them.
    bool AlarmsTaken()
    {
        return winetest::WaitFor(
            [&] {
                uint32_t status = 0, queued = 1;
                return driver_->PeekState(status, queued) && queued == 0;
            },
            kTickWaitMs);
    }
};
}  // namespace

TEST_F(DaemonComponentsTest, StoredForwardsAreSentUpToTheFirstGapWithTheLowBitsOfEachField)
{
    Prepare("win98");
    winetest::WriteIni("PortForward", "PortForward0", "1, 80, 192, 168, 0, 5");
    winetest::WriteIni("PortForward", "PortForward1", "TCP, 70000, 192, 168, 0, 6");  // UDP, port 4464
    winetest::WriteIni("PortForward", "PortForward2", "1,,21,192,168,0");             // five numbers: skipped
    winetest::WriteIni("PortForward", "PortForward3", "1, 22, 192, 168, 0, 8");
    winetest::WriteIni("PortForward", "PortForward5", "1, 23, 192, 168, 0, 9");  // after the gap at 4
    Start();
    Stop();

    std::vector<PortForwardRecord> forwards;
    ASSERT_TRUE(driver_->GetForwards(forwards)) << driver_->LastError();
    ASSERT_EQ(3u, forwards.size());
    EXPECT_EQ(1, forwards[0].protocol);
    EXPECT_EQ(80, forwards[0].port);
    EXPECT_EQ(0x0500A8C0u, forwards[0].inAddr);
    EXPECT_EQ(0, forwards[1].protocol) << "text in the protocol field reads 0: UDP";
    EXPECT_EQ(70000 & 0xFFFF, forwards[1].port);
    EXPECT_EQ(0x0600A8C0u, forwards[1].inAddr);
    EXPECT_EQ(22, forwards[2].port);
    EXPECT_EQ(3u, Counts().addForward);
    for (const std::string& line : Log())
        EXPECT_EQ(std::string::npos, line.find("orward")) << "a forward was logged: " << line;
}

TEST_F(DaemonComponentsTest, ARefusedForwardEndsThePassAndWithoutTheDriverNothingIsLogged)
{
    Prepare("win98");
    winetest::WriteIni("PortForward", "PortForward0", "1, 80, 192, 168, 0, 5");
    winetest::WriteIni("PortForward", "PortForward1", "1, 81, 192, 168, 0, 6");
    ASSERT_TRUE(driver_->SetFailMask(1u << OMBRIX_STANDIN_REQ_ADD_FORWARD));
    Start();
    Stop();
    ASSERT_TRUE(driver_->SetFailMask(0));
    EXPECT_EQ(1u, Counts().addForward) << "the refused first entry ended the pass";

    // Without the driver the service ends after its driver line: the stored forwards add nothing to the log.
    ASSERT_TRUE(driver_->Stop()) << driver_->LastError();
    winetest::RemoveIni();
    Prepare("win98");
    winetest::WriteIni("PortForward", "PortForward0", "1, 80, 192, 168, 0, 5");
    const auto run = RunDaemon("");
    ASSERT_TRUE(driver_->Start()) << driver_->LastError();
    ASSERT_TRUE(run.RanToItsEnd());
    std::vector<std::string> expected = kStartLines;
    expected.push_back(kNoDriverLine);
    EXPECT_EQ(expected, Log());
}

TEST_F(DaemonComponentsTest, AlarmRecordsBecomeTheLogTextAndEarlierOnesAreDropped)
{
    Prepare("win98");
    Start();
    // Before any enable the log has no path: the tick fetches the records and drops them.
    ASSERT_TRUE(driver_->QueueAlarm(Alarm(0x0A03020Bu, 1, 2, 0, 6)));
    ASSERT_TRUE(AlarmsTaken());
    EXPECT_GE(Counts().getAlarms, 1u);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(AlarmLogPath().c_str()));

    SetNetAlarm(1);
    uint32_t alarmSwitch = 0;
    ASSERT_TRUE(driver_->GetAlarmSwitch(alarmSwitch));
    EXPECT_EQ(1u, alarmSwitch);
    // UDP (protocol 0) even with the packet flag set; then a blocked packet of TCP, ports above 32767.
    ASSERT_TRUE(driver_->QueueAlarms({Alarm(0x0A03020Bu, 8080, 53, 1, 0), Alarm(0x04030201u, 40000, 65535, 1, 6)}));
    ASSERT_TRUE(AlarmsTaken());
    const std::string expected = "NetAlarm - UDP\r\n"
                                 "SourceIP: 11.2.3.10 Source Port: 8080\r\n"
                                 "DestinationIP: 192.168.0.1 Destination Port: 53\r\n" +
                                 kSeparator +
                                 "NetAlarm blocked an packet from:\r\n"
                                 "SourceIP: 1.2.3.4 Source Port: -25536\r\n"
                                 "DestinationIP: 192.168.0.1 Destination Port: -1\r\n" +
                                 kSeparator;
    EXPECT_TRUE(winetest::WaitFor([&] { return AlarmLog() == expected; }, kTickWaitMs)) << AlarmLog();

    // Disabled: the file stays; enabled again: the next entry is appended to it.
    SetNetAlarm(0);
    ASSERT_TRUE(driver_->GetAlarmSwitch(alarmSwitch));
    EXPECT_EQ(0u, alarmSwitch);
    EXPECT_EQ(expected, AlarmLog());
    SetNetAlarm(1);
    ASSERT_TRUE(driver_->QueueAlarm(Alarm(0x0A03020Bu, 3, 4, 0, 6)));
    ASSERT_TRUE(AlarmsTaken());
    EXPECT_TRUE(winetest::WaitFor(
        [&] {
            return AlarmLog() == expected +
                                     "NetAlarm blocked a connection request from:\r\n"
                                     "SourceIP: 11.2.3.10 Source Port: 3\r\n"
                                     "DestinationIP: 192.168.0.1 Destination Port: 4\r\n" +
                                     kSeparator;
        },
        kTickWaitMs))
        << AlarmLog();
    Stop();
    EXPECT_TRUE(LogHas("NetAlarm Enabled"));
    EXPECT_TRUE(LogHas("NetAlarm Disabled"));
}

TEST_F(DaemonComponentsTest, OneReadTakesAtMost71Records)
{
    Prepare("win98");
    winetest::WriteIni("NetAlarm", "Enable", "1");
    Start();
    EXPECT_TRUE(LogHas("NetAlarm Enabled")) << "the flag from the settings enables it at start";
    std::vector<AlarmRecord> many;
    for (uint16_t i = 0; i < 100; ++i)
        many.push_back(Alarm(0x0A03020Bu, i, 80, 0, 6));
    const uint32_t readsBefore = Counts().getAlarms;
    ASSERT_TRUE(driver_->QueueAlarms(many));
    ASSERT_TRUE(AlarmsTaken());
    EXPECT_TRUE(winetest::WaitFor([&] { return CountOf(AlarmLog(), kSeparator) == 100; }, kTickWaitMs))
        << CountOf(AlarmLog(), kSeparator) << " entries";
    EXPECT_GE(Counts().getAlarms - readsBefore, 2u) << "100 records cannot come in one read of 71";
    EXPECT_EQ(1u, CountOf(AlarmLog(), "Source Port: 99\r\n"));
    Stop();
}

TEST_F(DaemonComponentsTest, AFailingEnableIsLoggedAndTheConsoleIsToldTheFlagItSet)
{
    Prepare("win98");
    Start();
    ASSERT_TRUE(driver_->SetFailMask(1u << OMBRIX_STANDIN_REQ_SET_ALARM));
    SetNetAlarm(1);
    const std::vector<uint8_t> alarm = Ask(LeWords({IPC_GET_NETALARM}));
    ASSERT_EQ(4 + kIpcNetAlarmSize, alarm.size());
    EXPECT_EQ(1u, Word(alarm, 1)) << "the flag as the console set it, not the driver's state";
    ASSERT_TRUE(driver_->SetFailMask(0));
    Stop();
    EXPECT_TRUE(LogHas("Error Unable to Enable NetAlarm"));
    EXPECT_FALSE(LogHas("NetAlarm Enabled"));
}
