// CPacketDriver against the stand-in driver, loaded by Wine's winedevice in the test's own prefix. Each
// request goes through the real DeviceIoControl path; the stand-in's private codes show what arrived.

#include "PacketDriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "StandInCodes.h"
#include "StandInDriver.h"

namespace {

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    const uint8_t octets[4] = {a, b, c, d};
    uint32_t v;
    std::memcpy(&v, octets, sizeof v);
    return v;
}

PortForwardRecord Forward(uint16_t protocol, uint16_t port, uint32_t addr)
{
    PortForwardRecord r;
    r.protocol = protocol;
    r.port = port;
    r.inAddr = addr;
    return r;
}

AlarmRecord Alarm(uint32_t n)
{
    AlarmRecord r;
    r.srcAddr = Address(198, 51, 100, static_cast<uint8_t>(n));
    r.srcPort = static_cast<uint16_t>(40000 + n);
    r.dstPort = static_cast<uint16_t>(n);
    r.dstAddr = Address(192, 168, 0, 1);
    r.kind = n % 2;
    r.protocol = n % 3 == 0 ? 0 : 6;
    return r;
}

constexpr uint16_t kTcp = 1;
constexpr uint16_t kUdp = 0;

class PacketDriverWine : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        standIn_ = new CStandInDriver;
        const std::string sys = CStandInDriver::FileBesideProgram();
        setUpOk_ = standIn_->Install(sys) && standIn_->Start();
        if (!setUpOk_)
            setUpError_ = standIn_->LastError();
    }

    static void TearDownTestSuite()
    {
        const bool stopped = standIn_->Stop();
        const bool removed = standIn_->Uninstall();
        EXPECT_TRUE(stopped && removed) << standIn_->LastError();
        EXPECT_FALSE(CStandInDriver::DeviceOpens());
        delete standIn_;
        standIn_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(setUpOk_) << "stand-in driver not running: " << setUpError_;
        ASSERT_TRUE(standIn_->Reset()) << standIn_->LastError();
        ASSERT_TRUE(driver_.Open()) << "CreateFile \\\\.\\OMBRIX error " << GetLastError();
    }

    StandInRequestCounts Counts()
    {
        StandInRequestCounts c;
        EXPECT_TRUE(standIn_->GetRequestCounts(c)) << standIn_->LastError();
        return c;
    }

    std::vector<PortForwardRecord> Table()
    {
        std::vector<PortForwardRecord> t;
        EXPECT_TRUE(standIn_->GetForwards(t)) << standIn_->LastError();
        return t;
    }

    uint32_t PeekBits()
    {
        uint32_t bits = 0, queued = 0;
        EXPECT_TRUE(standIn_->PeekState(bits, queued)) << standIn_->LastError();
        return bits;
    }

    // Request 51 from index 0 up to the first failure, as the console lists forwards.
    std::vector<PortForwardRecord> Walk()
    {
        std::vector<PortForwardRecord> seen;
        PortForwardRecord r;
        while (seen.size() <= OMBRIX_STANDIN_MAX_FORWARDS && driver_.GetForward(static_cast<uint16_t>(seen.size()), r))
            seen.push_back(r);
        return seen;
    }

    static CStandInDriver* standIn_;
    static bool setUpOk_;
    static std::string setUpError_;
    CPacketDriver driver_;
};

CStandInDriver* PacketDriverWine::standIn_ = nullptr;
bool PacketDriverWine::setUpOk_ = false;
std::string PacketDriverWine::setUpError_;

void ExpectSameForward(const PortForwardRecord& want, const PortForwardRecord& got)
{
    EXPECT_EQ(want.protocol, got.protocol);
    EXPECT_EQ(want.inAddr, got.inAddr);
    EXPECT_EQ(want.port, got.port);
}

void ExpectSameAlarm(const AlarmRecord& want, const AlarmRecord& got)
{
    EXPECT_EQ(want.srcAddr, got.srcAddr);
    EXPECT_EQ(want.srcPort, got.srcPort);
    EXPECT_EQ(want.dstPort, got.dstPort);
    EXPECT_EQ(want.dstAddr, got.dstAddr);
    EXPECT_EQ(want.kind, got.kind);
    EXPECT_EQ(want.protocol, got.protocol);
}

}  // namespace

TEST_F(PacketDriverWine, OpenCloseAndReopen)
{
    EXPECT_TRUE(driver_.IsOpen());
    driver_.Close();
    EXPECT_FALSE(driver_.IsOpen());
    EXPECT_TRUE(driver_.Open());
    EXPECT_TRUE(driver_.Open());  // reopening replaces the handle
    EXPECT_TRUE(driver_.IsOpen());
}

TEST_F(PacketDriverWine, ClosedHandleSendsNothing)
{
    driver_.Close();
    uint32_t status = 0x55;
    PortForwardRecord r;
    std::vector<AlarmRecord> alarms(1);
    EXPECT_FALSE(driver_.SetSharing(true));
    EXPECT_FALSE(driver_.GetStatus(status));
    EXPECT_FALSE(driver_.GetForward(0, r));
    EXPECT_FALSE(driver_.AddForward(Forward(kTcp, 80, Address(192, 168, 0, 2))));
    EXPECT_FALSE(driver_.RemoveForward(Forward(kTcp, 80, Address(192, 168, 0, 2))));
    EXPECT_FALSE(driver_.SetAlarm(true));
    EXPECT_FALSE(driver_.GetAlarms(alarms));
    EXPECT_EQ(0x55u, status);
    EXPECT_TRUE(alarms.empty());
    const StandInRequestCounts c = Counts();
    EXPECT_EQ(0u,
              c.setSharing + c.getStatus + c.getForward + c.addForward + c.removeForward + c.setAlarm + c.getAlarms);
}

TEST_F(PacketDriverWine, SharingSwitch)
{
    const bool steps[] = {true, false, true, true, false};
    for (bool on : steps) {
        ASSERT_TRUE(driver_.SetSharing(on)) << GetLastError();
        uint32_t flag = 0xFF;
        ASSERT_TRUE(standIn_->GetSharing(flag)) << standIn_->LastError();
        EXPECT_EQ(on ? 1u : 0u, flag);
    }
    const StandInRequestCounts c = Counts();
    EXPECT_EQ(5u, c.setSharing);
    EXPECT_EQ(0u, c.setAlarm);
    EXPECT_EQ(0u, c.getStatus);
}

TEST_F(PacketDriverWine, AlarmSwitch)
{
    const bool steps[] = {true, true, false};
    for (bool on : steps) {
        ASSERT_TRUE(driver_.SetAlarm(on)) << GetLastError();
        uint32_t flag = 0xFF;
        ASSERT_TRUE(standIn_->GetAlarmSwitch(flag)) << standIn_->LastError();
        EXPECT_EQ(on ? 1u : 0u, flag);
    }
    uint32_t sharing = 0xFF;
    ASSERT_TRUE(standIn_->GetSharing(sharing));
    EXPECT_EQ(0u, sharing);  // the two switches are separate
    EXPECT_EQ(3u, Counts().setAlarm);
    EXPECT_EQ(0u, Counts().setSharing);
}

TEST_F(PacketDriverWine, StatusBitsReadBack)
{
    const uint32_t cases[] = {0x0,
                              kDriverStatusDialNeeded,
                              kDriverStatusCloseDns,
                              kDriverStatusAlarms,
                              kDriverStatusDialNeeded | kDriverStatusCloseDns | kDriverStatusAlarms,
                              0xFFFFFFFFu};
    uint32_t reads = 0;
    for (uint32_t bits : cases) {
        ASSERT_TRUE(standIn_->ClearStatusBits(0xFFFFFFFFu));
        ASSERT_TRUE(standIn_->SetStatusBits(bits));
        for (int twice = 0; twice < 2; ++twice) {  // reading does not clear anything
            uint32_t status = ~bits;
            ASSERT_TRUE(driver_.GetStatus(status)) << GetLastError();
            EXPECT_EQ(bits, status);
            ++reads;
        }
    }
    ASSERT_TRUE(standIn_->ClearStatusBits(kDriverStatusCloseDns));
    uint32_t status = 0;
    ASSERT_TRUE(driver_.GetStatus(status));
    EXPECT_EQ(0xFFFFFFFFu & ~kDriverStatusCloseDns, status);
    EXPECT_EQ(reads + 1, Counts().getStatus);
}

TEST_F(PacketDriverWine, EveryRequestReportsTheDriversRefusal)
{
    struct Case {
        const char* what;
        int index;
        std::function<bool(CPacketDriver&)> call;
    };
    uint32_t status = 0x1234;
    PortForwardRecord rec;
    std::vector<AlarmRecord> alarms;
    const PortForwardRecord f = Forward(kTcp, 21, Address(192, 168, 0, 3));
    const Case cases[] = {
        {"5", OMBRIX_STANDIN_REQ_SET_SHARING, [](CPacketDriver& d) { return d.SetSharing(true); }},
        {"19", OMBRIX_STANDIN_REQ_GET_STATUS, [&](CPacketDriver& d) { return d.GetStatus(status); }},
        {"51", OMBRIX_STANDIN_REQ_GET_FORWARD, [&](CPacketDriver& d) { return d.GetForward(0, rec); }},
        {"56", OMBRIX_STANDIN_REQ_ADD_FORWARD, [&](CPacketDriver& d) { return d.AddForward(f); }},
        {"60", OMBRIX_STANDIN_REQ_REMOVE_FORWARD, [&](CPacketDriver& d) { return d.RemoveForward(f); }},
        {"65", OMBRIX_STANDIN_REQ_SET_ALARM, [](CPacketDriver& d) { return d.SetAlarm(true); }},
        {"67", OMBRIX_STANDIN_REQ_GET_ALARMS, [&](CPacketDriver& d) { return d.GetAlarms(alarms); }},
    };
    // With a forward in place and bits set, each request would succeed but for the fail mask.
    ASSERT_TRUE(driver_.AddForward(f));
    ASSERT_TRUE(standIn_->SetStatusBits(kDriverStatusAlarms));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(standIn_->SetFailMask(1u << c.index));
        EXPECT_FALSE(c.call(driver_));
        ASSERT_TRUE(standIn_->SetFailMask(0));
        EXPECT_TRUE(c.call(driver_));
        ASSERT_TRUE(driver_.AddForward(f));  // request 60 took it away
    }
    EXPECT_EQ(1u, Table().size());
    EXPECT_EQ(2u, Counts().setSharing);
}

TEST_F(PacketDriverWine, FailedStatusReadLeavesTheCallersValue)
{
    ASSERT_TRUE(standIn_->SetStatusBits(kDriverStatusDialNeeded));
    ASSERT_TRUE(standIn_->SetFailMask(1u << OMBRIX_STANDIN_REQ_GET_STATUS));
    uint32_t status = 0xABCD;
    EXPECT_FALSE(driver_.GetStatus(status));
    EXPECT_EQ(0xABCDu, status);
}

TEST_F(PacketDriverWine, ForwardAddReplaceRemoveAndIndexWalk)
{
    const PortForwardRecord web = Forward(kTcp, 80, Address(192, 168, 0, 10));
    const PortForwardRecord dns = Forward(kUdp, 53, Address(192, 168, 0, 11));
    const PortForwardRecord dnsTcp = Forward(kTcp, 53, Address(192, 168, 0, 12));  // same port, other protocol
    const PortForwardRecord webMoved = Forward(kTcp, 80, Address(192, 168, 0, 20));

    EXPECT_TRUE(Walk().empty());  // an empty table fails at index 0
    for (const PortForwardRecord& f : {web, dns, dnsTcp})
        ASSERT_TRUE(driver_.AddForward(f)) << GetLastError();
    ASSERT_TRUE(driver_.AddForward(webMoved));

    std::vector<PortForwardRecord> table = Table();
    ASSERT_EQ(3u, table.size());
    ExpectSameForward(webMoved, table[0]);  // replaced in place
    ExpectSameForward(dns, table[1]);
    ExpectSameForward(dnsTcp, table[2]);

    std::vector<PortForwardRecord> walked = Walk();
    ASSERT_EQ(table.size(), walked.size());
    for (size_t i = 0; i < walked.size(); ++i) {
        ExpectSameForward(table[i], walked[i]);
        EXPECT_EQ(i, walked[i].index);
    }
    PortForwardRecord past;
    EXPECT_FALSE(driver_.GetForward(3, past));
    EXPECT_FALSE(driver_.GetForward(0xFFFF, past));

    // Removal goes by protocol and port; the address in the request does not matter.
    ASSERT_TRUE(driver_.RemoveForward(Forward(kUdp, 53, Address(0, 0, 0, 0))));
    EXPECT_FALSE(driver_.RemoveForward(dns));  // no longer there
    walked = Walk();
    ASSERT_EQ(2u, walked.size());
    ExpectSameForward(webMoved, walked[0]);
    ExpectSameForward(dnsTcp, walked[1]);
    EXPECT_EQ(1u, walked[1].index);

    const StandInRequestCounts c = Counts();
    EXPECT_EQ(4u, c.addForward);
    EXPECT_EQ(2u, c.removeForward);
    EXPECT_EQ(1u + 4u + 2u + 3u, c.getForward);  // empty walk, full walk, two past the end, short walk
    EXPECT_EQ(0u, c.setSharing);
}

TEST_F(PacketDriverWine, FullForwardTableRefusesAnotherButStillReplaces)
{
    for (uint16_t port = 1; port <= OMBRIX_STANDIN_MAX_FORWARDS; ++port)
        ASSERT_TRUE(driver_.AddForward(Forward(kTcp, port, Address(192, 168, 0, 2)))) << port;
    EXPECT_FALSE(driver_.AddForward(Forward(kUdp, 1, Address(192, 168, 0, 3))));
    EXPECT_TRUE(driver_.AddForward(Forward(kTcp, 1, Address(192, 168, 0, 3))));
    EXPECT_EQ(static_cast<size_t>(OMBRIX_STANDIN_MAX_FORWARDS), Walk().size());
}

TEST_F(PacketDriverWine, AlarmBlockWithNoRecords)
{
    std::vector<AlarmRecord> got(2);
    ASSERT_TRUE(driver_.GetAlarms(got)) << GetLastError();
    EXPECT_TRUE(got.empty());
    // A 0x8 set by hand goes away once a read finds the queue empty.
    ASSERT_TRUE(standIn_->SetStatusBits(kDriverStatusAlarms | kDriverStatusDialNeeded));
    ASSERT_TRUE(driver_.GetAlarms(got));
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(kDriverStatusDialNeeded, PeekBits());
    EXPECT_EQ(2u, Counts().getAlarms);
}

TEST_F(PacketDriverWine, AlarmBlockWithOneRecord)
{
    const AlarmRecord one = Alarm(9);
    ASSERT_TRUE(standIn_->QueueAlarm(one)) << standIn_->LastError();
    uint32_t status = 0;
    ASSERT_TRUE(driver_.GetStatus(status));
    EXPECT_EQ(kDriverStatusAlarms, status);

    std::vector<AlarmRecord> got;
    ASSERT_TRUE(driver_.GetAlarms(got)) << GetLastError();
    ASSERT_EQ(1u, got.size());
    ExpectSameAlarm(one, got[0]);
    ASSERT_TRUE(driver_.GetStatus(status));
    EXPECT_EQ(0u, status);
    ASSERT_TRUE(driver_.GetAlarms(got));  // taken records are gone
    EXPECT_TRUE(got.empty());
}

TEST_F(PacketDriverWine, AlarmBlocksHoldAtMost71InQueueOrder)
{
    const uint32_t queued = 2 * static_cast<uint32_t>(kMaxAlarmRecords) + 8;  // 150: two full reads and a rest
    std::vector<AlarmRecord> in;
    for (uint32_t i = 0; i < queued; ++i)
        in.push_back(Alarm(i));
    uint32_t taken = 0;
    ASSERT_TRUE(standIn_->QueueAlarms(in, &taken)) << standIn_->LastError();
    ASSERT_EQ(queued, taken);

    const size_t expectedReads[] = {kMaxAlarmRecords, kMaxAlarmRecords, 8, 0};
    size_t next = 0;
    for (size_t want : expectedReads) {
        uint32_t status = 0;
        ASSERT_TRUE(driver_.GetStatus(status));
        EXPECT_EQ(next < queued ? kDriverStatusAlarms : 0u, status & kDriverStatusAlarms) << "before record " << next;
        std::vector<AlarmRecord> got;
        ASSERT_TRUE(driver_.GetAlarms(got)) << GetLastError();
        ASSERT_EQ(want, got.size());
        for (const AlarmRecord& r : got)
            ExpectSameAlarm(in[next++], r);
    }
    EXPECT_EQ(0u, PeekBits());
}

TEST_F(PacketDriverWine, AlarmQueueDropsWhatDoesNotFit)
{
    std::vector<AlarmRecord> in(OMBRIX_STANDIN_MAX_QUEUED_ALARMS + 5, Alarm(1));
    uint32_t taken = 0;
    ASSERT_TRUE(standIn_->QueueAlarms(in, &taken)) << standIn_->LastError();
    EXPECT_EQ(static_cast<uint32_t>(OMBRIX_STANDIN_MAX_QUEUED_ALARMS), taken);
    uint32_t bits = 0, waiting = 0;
    ASSERT_TRUE(standIn_->PeekState(bits, waiting));
    EXPECT_EQ(static_cast<uint32_t>(OMBRIX_STANDIN_MAX_QUEUED_ALARMS), waiting);
    EXPECT_EQ(kDriverStatusAlarms, bits);
}

namespace {
// Reports a byte count of its choice for whatever the real driver answered, as a faulty driver might.
class MisreportingDriver : public CPacketDriver {
public:
    DWORD reportAs = 0;

protected:
    bool Control(uint32_t code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned) override
    {
        if (!CPacketDriver::Control(code, in, inSize, out, outSize, returned))
            return false;
        returned = reportAs;
        return true;
    }
};
}  // namespace

TEST_F(PacketDriverWine, ByteCountBeyondTheBufferIsCutToTheBuffer)
{
    // Claims that reach past each request's buffer: the alarm block's 2000 bytes included.
    ASSERT_TRUE(standIn_->SetOverreport(4096)) << standIn_->LastError();
    const AlarmRecord one = Alarm(3);
    ASSERT_TRUE(standIn_->QueueAlarm(one));
    ASSERT_TRUE(driver_.AddForward(Forward(kTcp, 80, Address(192, 168, 0, 2))));

    uint32_t status = 0;
    ASSERT_TRUE(driver_.GetStatus(status));
    EXPECT_EQ(kDriverStatusAlarms, status);
    EXPECT_EQ(kDriverStatusSize, driver_.LastOutputBytes());

    PortForwardRecord forward;
    ASSERT_TRUE(driver_.GetForward(0, forward));
    ExpectSameForward(Forward(kTcp, 80, Address(192, 168, 0, 2)), forward);
    EXPECT_EQ(kPortForwardRecordSize, driver_.LastOutputBytes());

    std::vector<AlarmRecord> got;
    ASSERT_TRUE(driver_.GetAlarms(got));
    EXPECT_EQ(kAlarmBufferSize, driver_.LastOutputBytes());
    ASSERT_EQ(1u, got.size());
    ExpectSameAlarm(one, got[0]);

    ASSERT_TRUE(standIn_->SetOverreport(0));
    ASSERT_TRUE(driver_.GetAlarms(got));
    EXPECT_EQ(kAlarmHeaderSize, driver_.LastOutputBytes()) << "an honest count is kept as it is";
}

TEST_F(PacketDriverWine, AnyClaimedByteCountStaysWithinTheBuffer)
{
    MisreportingDriver driver;
    ASSERT_TRUE(driver.Open());
    ASSERT_TRUE(standIn_->QueueAlarm(Alarm(5)));
    const DWORD claims[] = {kAlarmBufferSize + 1, 0x7FFFFFFF, 0xFFFFFFFF};
    for (DWORD claim : claims) {
        driver.reportAs = claim;
        std::vector<AlarmRecord> got;
        ASSERT_TRUE(driver.GetAlarms(got)) << claim;
        EXPECT_EQ(kAlarmBufferSize, driver.LastOutputBytes()) << claim;
        uint32_t status = 0;
        ASSERT_TRUE(driver.GetStatus(status)) << claim;
        EXPECT_EQ(kDriverStatusSize, driver.LastOutputBytes()) << claim;
    }
    // A count within the buffer is taken as it is.
    driver.reportAs = kAlarmHeaderSize + kAlarmRecordSize;
    std::vector<AlarmRecord> got;
    ASSERT_TRUE(driver.GetAlarms(got));
    EXPECT_EQ(kAlarmHeaderSize + kAlarmRecordSize, driver.LastOutputBytes());
    // Without an output buffer there are no output bytes, whatever is claimed.
    ASSERT_TRUE(driver.SetSharing(true));
    EXPECT_EQ(0u, driver.LastOutputBytes());
}
