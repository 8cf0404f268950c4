// CDhcpServer under Wine: the real socket layer, threads, events and settings file, with the server bound
// to the loopback address. The adapter table and the address probe are stand-ins (the lab tests the real
// ones), and the replies are caught where the socket would send them, so broadcasts stay in the test.
#include "CDhcpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "CDhcpClientDatabase.h"
#include "DhcpTestSupport.h"
#include "DhcpSettings.h"
#include "NetTestSupport.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"
#include "WineTestSupport.h"

using dhcptest::Ip;
using dhcptest::MessageBuilder;
using nettest::PumpUntil;

namespace {

const uint32_t kLoopback = Ip(127, 0, 0, 1);
// A second address of the loopback interface, for the adapter that faces the Internet.
const uint32_t kOuter = Ip(127, 0, 0, 2);
const uint32_t kGateway = Ip(10, 254, 254, 1);
// Generous bound for what the packet thread does at once on an idle machine.
constexpr DWORD kPromptMs = 10000;

size_t CountOf(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

/// Position of the first `line` at or after `from`, or npos.
size_t Find(const std::vector<std::string>& lines, const std::string& line, size_t from = 0)
{
    for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i] == line) {
            return i;
        }
    }
    return std::string::npos;
}

/// The adapter table as a test sets it.
class FakeAdapters : public IDhcpAdapterSource {
public:
    void Refresh() override { ++refreshes; }
    std::vector<DhcpAdapterView> Adapters() override { return adapters; }

    std::vector<DhcpAdapterView> adapters;
    int refreshes = 0;
};

DhcpAdapterView Adapter(uint32_t address, uint32_t gateway, bool dialup = false)
{
    DhcpAdapterView view;
    view.address = address;
    view.gateway = gateway;
    view.dialup = dialup;
    return view;
}

/// A probe the packet thread calls: answers for chosen addresses, and can be held inside a call until the
/// test lets it go (bounded, so a failing test cannot hang the run).
class GatedProbe : public IDhcpAddressProbe {
public:
    GatedProbe()
    {
        InitializeCriticalSection(&lock_);
        open_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        entered_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~GatedProbe() override
    {
        CloseHandle(open_);
        CloseHandle(entered_);
        DeleteCriticalSection(&lock_);
    }

    bool Answers(uint32_t address) override
    {
        EnterCriticalSection(&lock_);
        ++calls_;
        const bool answers = answering_.count(address) != 0;
        LeaveCriticalSection(&lock_);
        SetEvent(entered_);
        WaitForSingleObject(open_, kHoldLimitMs);
        return answers;
    }

    void Hold() { ResetEvent(entered_), ResetEvent(open_); }
    void Open() { SetEvent(open_); }
    bool WaitEntered(DWORD ms) { return WaitForSingleObject(entered_, ms) == WAIT_OBJECT_0; }
    void Answer(uint32_t address)
    {
        EnterCriticalSection(&lock_);
        answering_.insert(address);
        LeaveCriticalSection(&lock_);
    }
    int Calls()
    {
        EnterCriticalSection(&lock_);
        const int calls = calls_;
        LeaveCriticalSection(&lock_);
        return calls;
    }

    static constexpr DWORD kHoldLimitMs = 30000;

private:
    CRITICAL_SECTION lock_;
    HANDLE open_;
    HANDLE entered_;
    std::set<uint32_t> answering_;
    int calls_ = 0;
};

struct Sent {
    uint32_t address;
    unsigned short port;
    int flags;
    DWORD thread;
    std::vector<uint8_t> bytes;
};

/// What would go out of the server's socket, recorded instead; a send can be made to fail with a chosen
/// Windows Sockets error.
class Catcher : public IDhcpDatagramOut {
public:
    Catcher() { InitializeCriticalSection(&lock_); }
    ~Catcher() override { DeleteCriticalSection(&lock_); }

    int SendTo(SOCKET, const char* data, int length, const sockaddr_in& to, int flags, int* error) override
    {
        EnterCriticalSection(&lock_);
        const int fail = failWith_;
        if (fail == 0) {
            sent_.push_back({to.sin_addr.s_addr, ntohs(to.sin_port), flags, GetCurrentThreadId(),
                             std::vector<uint8_t>(data, data + length)});
        }
        LeaveCriticalSection(&lock_);
        if (fail != 0) {
            *error = fail;
            return SOCKET_ERROR;
        }
        return length;
    }

    std::vector<Sent> SentSoFar()
    {
        EnterCriticalSection(&lock_);
        std::vector<Sent> copy = sent_;
        LeaveCriticalSection(&lock_);
        return copy;
    }
    void FailSendsWith(int error)
    {
        EnterCriticalSection(&lock_);
        failWith_ = error;
        LeaveCriticalSection(&lock_);
    }

private:
    CRITICAL_SECTION lock_;
    std::vector<Sent> sent_;
    int failWith_ = 0;
};

DhcpServerHost WithCatcher(DhcpServerHost host, Catcher* catcher)
{
    host.datagramOut = catcher;
    return host;
}

/// The server with its sends caught. The catcher is made first and outlives the server.
class CaughtServer : private Catcher, public CDhcpServer {
public:
    CaughtServer(int mode, const DhcpServerHost& host, IDhcpAccessProvider* provider = nullptr)
        : Catcher(), CDhcpServer(mode, provider, WithCatcher(host, this))
    {}

    using Catcher::FailSendsWith;
    using Catcher::SentSoFar;
    size_t SentCount() { return SentSoFar().size(); }
    unsigned short BoundPort() const
    {
        sockaddr_in local = {};
        int length = sizeof(local);
        getsockname(Socket(), reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }
};

/// A plug-in's callbacks as the packet thread makes them: refuses one hardware address, counts the calls.
class CountingProvider : public IDhcpAccessProvider {
public:
    explicit CountingProvider(uint8_t refusedLast) : refusedLast_(refusedLast) {}
    bool Authorise(const uint8_t* hardwareAddress, int length) override
    {
        InterlockedIncrement(&authorised);
        return !(length == 6 && hardwareAddress[5] == refusedLast_);
    }
    void Lease(const uint8_t*, int, uint32_t) override { InterlockedIncrement(&leases); }
    void Release(const uint8_t*, int) override { InterlockedIncrement(&releases); }

    volatile LONG authorised = 0;
    volatile LONG leases = 0;
    volatile LONG releases = 0;

private:
    uint8_t refusedLast_;
};

// A client as udhcpc is one: option 61 of type 1 and its MAC, a host name, the usual parameter list.
MessageBuilder Client(uint8_t type, uint8_t macLast)
{
    MessageBuilder m(type);
    m.MacByte(macLast).ClientId({1, 0x00, 0x11, 0x22, 0x33, 0x44, macLast}).Params({1, 3, 6, 15, 51});
    m.Option(DHO_HOST_NAME, {'p', 'c', macLast});
    return m;
}

uint32_t Yiaddr(const std::vector<uint8_t>& reply)
{
    return LoadLe32(&reply[kDhcpYiaddrOffset]);
}

uint8_t TypeOf(const std::vector<uint8_t>& reply)
{
    return reply.size() > kDhcpTypeValueOffset ? reply[kDhcpTypeValueOffset] : 0;
}

class DhcpServerWineTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.Created());
        serviceLog_ = Dir("OmbrixDaemon.log");
        componentLog_ = Dir("DhcpServer.log");
        database_ = Dir("Ombrix.dhcp");
        ASSERT_TRUE(winetest::RemoveIni());
        CServiceLog::SetPath(serviceLog_.c_str());
        port_ = nettest::UnusedPort();
        Ini("ServerPort", std::to_string(port_));
        Ini("LocalAddress", "127.0.0.1");
        Ini("AssignedIp", "127.0.0.0");
        Ini("LogFile", componentLog_);
        adapters_.adapters = {Adapter(kLoopback, 0)};
        host_.adapters = &adapters_;
        host_.probe = &probe_;
        host_.databasePath = database_;
    }
    void TearDown() override
    {
        probe_.Open();
        CServiceLog::SetPath("");
        winetest::RemoveIni();
    }

    void Ini(const char* key, const std::string& value)
    {
        COmbrixIni::WriteString(kIniSectionDhcp, key, value.c_str());
    }
    /// A file of the test's own folder.
    std::string Dir(const char* name) const { return folder_.File(name); }
    std::vector<std::string> Trace() const { return winetest::LogMessages(componentLog_); }
    std::vector<std::string> ServiceLines() const { return winetest::LogMessages(serviceLog_); }

    /// Sends a client message to the server and waits until it has been taken off the socket. The count only
    /// grows: a DISCOVER that moves on to a held probe thread leaves both queues before its trace is written.
    void Send(CaughtServer& server, const std::vector<uint8_t>& bytes)
    {
        const uint64_t before = server.ReceivedPackets();
        ASSERT_TRUE(client_.SendTo(server.BoundPort(), bytes));
        ASSERT_TRUE(PumpUntil([&] { return server.ReceivedPackets() > before; }, kPromptMs));
    }
    /// Messages the packet thread has taken so far (each starts with this trace line).
    uint64_t Taken() const
    {
        uint64_t n = 0;
        for (const std::string& line : Trace()) {
            n += line.compare(0, 36, "=========== Received Packet Length: ") == 0 ? 1 : 0;
        }
        return n;
    }
    /// Waits until the server has sent `count` replies.
    testing::AssertionResult WaitSent(CaughtServer& server, size_t count)
    {
        return PumpUntil([&] { return server.SentCount() >= count; }, kPromptMs);
    }
    /// DISCOVER and REQUEST: the client holds a lease on the returned address.
    uint32_t Lease(CaughtServer& server, uint8_t macLast)
    {
        const size_t before = server.SentCount();
        Send(server, Client(DHCPDISCOVER, macLast).Build());
        EXPECT_TRUE(WaitSent(server, before + 1));
        const uint32_t offered = Yiaddr(server.SentSoFar().back().bytes);
        Send(server, Client(DHCPREQUEST, macLast)
                         .Address(DHO_DHCP_SERVER_IDENTIFIER, server.ServerAddress())
                         .Address(DHO_DHCP_REQUESTED_ADDRESS, offered)
                         .Build());
        EXPECT_TRUE(WaitSent(server, before + 2));
        EXPECT_EQ(DHCPACK, TypeOf(server.SentSoFar().back().bytes));
        return offered;
    }

    winetest::CScratchFolder folder_;
    std::string serviceLog_;
    std::string componentLog_;
    std::string database_;
    unsigned short port_ = 0;
    FakeAdapters adapters_;
    GatedProbe probe_;
    DhcpServerHost host_;
    nettest::UdpPeer client_;
};

TEST_F(DhcpServerWineTest, StartsInOrderThenAnswersADiscoverByBroadcastToPort68WithoutRouting)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(server.IsRunning());
    EXPECT_TRUE(server.PacketThreadOutstanding());
    EXPECT_EQ(kLoopback, server.ServerAddress());
    EXPECT_EQ(port_, server.BoundPort());
    EXPECT_EQ(1, adapters_.refreshes);

    const std::vector<std::string> trace = Trace();
    const char* const order[] = {"Attempting to start DHCP Server", "CDhcpServer::LoadClientList()",
                                 "Unable to open client database file", "DHCP Server Started OK",
                                 "DHCP Server using IP: 100007f"};
    size_t at = 0;
    for (const char* line : order) {
        at = Find(trace, line, at);
        EXPECT_NE(std::string::npos, at) << "missing or out of order: " << line;
        if (at == std::string::npos) {
            break;
        }
    }
    // A probe was given: the server has no ICMP facility of its own to load.
    EXPECT_EQ(0u, CountOf(trace, "Can't find ICMP.dll"));
    EXPECT_TRUE(ServiceLines().empty()) << "the server writes the service log only when it fails";

    Send(server, Client(DHCPDISCOVER, 0x01).Build());
    ASSERT_TRUE(WaitSent(server, 1));
    const Sent offer = server.SentSoFar()[0];
    EXPECT_EQ(DHCPOFFER, TypeOf(offer.bytes));
    EXPECT_EQ(kDhcpBroadcastAddress, offer.address);
    EXPECT_EQ(kDhcpClientPort, offer.port);
    EXPECT_EQ(MSG_DONTROUTE, offer.flags);
    EXPECT_NE(GetCurrentThreadId(), offer.thread) << "replies go out from the packet thread";
    EXPECT_EQ(Ip(127, 0, 0, 2), Yiaddr(offer.bytes));
    EXPECT_TRUE(PumpUntil([&] { return Find(Trace(), "Sending Response to ffffffff") != std::string::npos; }));
}

TEST_F(DhcpServerWineTest, StartWhileRunningReturnsTrueAndChangesNothing)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    const size_t traced = Trace().size();
    const uint32_t poolLow = server.PoolLow();
    Ini("ServerPort", std::to_string(nettest::UnusedPort()));
    Ini("LogFile", Dir("Other.log"));
    Ini("LowAddress", "40");

    EXPECT_TRUE(server.Start());
    EXPECT_EQ(port_, server.BoundPort());
    EXPECT_EQ(1, adapters_.refreshes);
    EXPECT_EQ(poolLow, server.PoolLow());
    EXPECT_EQ(traced, Trace().size());
    EXPECT_TRUE(winetest::LogMessages(Dir("Other.log")).empty());
}

struct PickCase {
    const char* name;
    int mode;
    std::vector<DhcpAdapterView> adapters;
    bool starts;
    uint32_t bound;
    const char* serviceLine;  // null: none
};

class DhcpServerPickTest : public DhcpServerWineTest, public testing::WithParamInterface<PickCase> {};

TEST_P(DhcpServerPickTest, BindsTheAddressOfTheAdapterTheModePicks)
{
    const PickCase& c = GetParam();
    Ini("LocalAddress", "");
    adapters_.adapters = c.adapters;
    CaughtServer server(c.mode, host_);
    EXPECT_EQ(c.starts, server.Start()) << c.name;
    EXPECT_EQ(c.starts, server.IsRunning());
    if (c.starts) {
        EXPECT_EQ(c.bound, server.ServerAddress());
        EXPECT_TRUE(ServiceLines().empty());
    } else {
        EXPECT_EQ(std::vector<std::string>({c.serviceLine}), ServiceLines()) << c.name;
        EXPECT_FALSE(server.PacketThreadOutstanding());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DhcpServerPickTest,
    testing::Values(PickCase{"dual NIC: the adapter without gateway, behind one with",
                             kSharingModeDualNic,
                             {Adapter(kOuter, kGateway), Adapter(kLoopback, 0)},
                             true,
                             kLoopback,
                             nullptr},
                    PickCase{"single NIC: the adapter with the gateway",
                             kSharingModeSingleNic,
                             {Adapter(kLoopback, 0), Adapter(kOuter, kGateway)},
                             true,
                             kOuter,
                             nullptr},
                    PickCase{"modem: the dial-up adapter is passed over",
                             kSharingModeModem,
                             {Adapter(kOuter, kGateway, true), Adapter(kLoopback, 0)},
                             true,
                             kLoopback,
                             nullptr},
                    PickCase{"dual NIC: every adapter has a gateway",
                             kSharingModeDualNic,
                             {Adapter(kOuter, kGateway), Adapter(kLoopback, kGateway)},
                             false,
                             0,
                             kDhcpNoAddressText},
                    PickCase{"no adapters at all", kSharingModeModem, {}, false, 0, kDhcpNoAddressText}),
    [](const testing::TestParamInfo<PickCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(DhcpServerWineTest, APortThatCannotBeBoundFailsTheStartWithTheServiceLogLine)
{
    nettest::UdpPeer holder;
    Ini("ServerPort", std::to_string(holder.Port()));
    CaughtServer server(kSharingModeDualNic, host_);
    EXPECT_FALSE(server.Start());
    EXPECT_FALSE(server.IsRunning());
    EXPECT_FALSE(server.PacketThreadOutstanding());
    EXPECT_EQ(std::vector<std::string>({kDhcpSocketFailureText}), ServiceLines());
    EXPECT_EQ(std::string::npos, Find(Trace(), "DHCP Server Started OK"));
}

struct LowAddressCase {
    int mode;
    const char* written;  // LowAddress in the file after the start
    uint32_t poolLow;
};

class DhcpServerLowAddressTest : public DhcpServerWineTest, public testing::WithParamInterface<LowAddressCase> {};

TEST_P(DhcpServerLowAddressTest, ServerOnHostOneMovesThePoolBehindItOutsideSingleNicMode)
{
    const LowAddressCase& c = GetParam();
    Ini("LowAddress", "1");
    CaughtServer server(c.mode, host_);
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(c.written, winetest::ReadIni(kIniDhcpLowAddress.section, kIniDhcpLowAddress.key, "<missing>"))
        << "mode " << c.mode;
    EXPECT_EQ(c.poolLow, server.PoolLow());
    // Either way the first client gets host 2: in single NIC mode host 1 is the server's and skipped.
    Send(server, Client(DHCPDISCOVER, 0x07).Build());
    ASSERT_TRUE(WaitSent(server, 1));
    EXPECT_EQ(Ip(127, 0, 0, 2), Yiaddr(server.SentSoFar()[0].bytes));
}

INSTANTIATE_TEST_SUITE_P(Modes, DhcpServerLowAddressTest,
                         testing::Values(LowAddressCase{kSharingModeModem, "2", 2},
                                         LowAddressCase{kSharingModeSingleNic, "1", 1},
                                         LowAddressCase{kSharingModeDualNic, "2", 2}));

TEST_F(DhcpServerWineTest, ALeaseThatRanOutWhileStoppedEndsWithAnExpiryNakRightAfterStart)
{
    // Two clients in the database: one whose lease ended while the service was down, one still running.
    CDhcpClientTable table;
    const uint8_t macs[2] = {0x21, 0x22};
    const uint32_t startedAgo[2] = {2000, 10};
    const uint32_t now = CWin32DhcpClock().Now();
    for (int i = 0; i < 2; ++i) {
        DhcpClientEntry e;
        const uint8_t id[] = {1, 0x00, 0x11, 0x22, 0x33, 0x44, macs[i]};
        e.idId.Assign(id, sizeof(id));
        e.hdwrAddr.chType = 1;
        e.hdwrAddr.chLen = 6;
        const uint8_t mac[] = {0x00, 0x11, 0x22, 0x33, 0x44, macs[i]};
        std::memcpy(e.hdwrAddr.bytes, mac, sizeof(mac));
        e.inAddr = Ip(127, 0, 0, 10 + i);
        e.leaseStart = now - startedAgo[i];
        e.leaseTime = 900;
        ASSERT_TRUE(table.Append(e));
    }
    const std::vector<uint8_t> file = CDhcpClientDatabase::Encode(table);
    ASSERT_TRUE(winetest::WriteWholeFile(database_, std::string(file.begin(), file.end())));

    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    // Sent by the start itself, before it returned, from the thread that ran it.
    const std::vector<Sent> sent = server.SentSoFar();
    ASSERT_EQ(1u, sent.size());
    const Sent& nak = sent[0];
    EXPECT_EQ(GetCurrentThreadId(), nak.thread);
    EXPECT_EQ(DHCPNAK, TypeOf(nak.bytes));
    EXPECT_EQ(kDhcpBroadcastAddress, nak.address);
    EXPECT_EQ(macs[0], nak.bytes[kDhcpChaddrOffset + 5]);
    EXPECT_EQ(1u, CountOf(Trace(), "------ NackIt Client Lease -------"));

    const std::vector<DhcpClientEntry> entries = server.Core().ClientEntries();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(0u, entries[0].leaseStart);
    EXPECT_EQ(Ip(127, 0, 0, 10), entries[0].inAddr) << "the address stays with its client";
    EXPECT_EQ(now - startedAgo[1], entries[1].leaseStart);
    EXPECT_EQ(1u, server.Clients().size());
}

TEST_F(DhcpServerWineTest, StopEndsTheThreadThenSavesAndEmptiesTheTable)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    const uint32_t leased = Lease(server, 0x31);
    ASSERT_EQ(1u, server.Clients().size());
    EXPECT_EQ("pc1", server.Clients()[0].idHostname);

    const DWORD t0 = GetTickCount();
    EXPECT_TRUE(server.Stop());
    EXPECT_LT(GetTickCount() - t0, 1000u) << "an idle thread ends at once";
    EXPECT_FALSE(server.IsRunning());
    EXPECT_FALSE(server.PacketThreadOutstanding());
    EXPECT_TRUE(server.Clients().empty());
    const std::vector<std::string> trace = Trace();
    const size_t done = Find(trace, "Process Packet Thread Done");
    ASSERT_NE(std::string::npos, done);
    EXPECT_NE(std::string::npos, Find(trace, "CDhcpServer::SaveClientList()", done)) << "saved after the thread ended";

    // The next start reads the saved lease back.
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(1u, server.Clients().size());
    EXPECT_EQ(leased, server.Clients()[0].inAddr);
}

TEST_F(DhcpServerWineTest, StopWaitsNoLongerThanFiveSecondsForABusyThread)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    Lease(server, 0x41);
    probe_.Hold();
    Send(server, Client(DHCPDISCOVER, 0x42).Build());
    ASSERT_TRUE(probe_.WaitEntered(kPromptMs));

    const DWORD t0 = GetTickCount();
    EXPECT_TRUE(server.Stop());
    const DWORD waited = GetTickCount() - t0;
    EXPECT_GE(waited, kDhcpStopWaitMs - 100);
    EXPECT_LT(waited, kDhcpStopWaitMs + 1500);
    EXPECT_FALSE(server.IsRunning());
    EXPECT_TRUE(server.PacketThreadOutstanding()) << "the thread was still inside the probe";
    EXPECT_TRUE(server.Clients().empty());

    // Let go, the thread gives up the rest of its reservation at once and ends; a start waits for that.
    const int calls = probe_.Calls();
    probe_.Open();
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(1u, CountOf(Trace(), "Process Packet Thread Done"));
    EXPECT_EQ(calls, probe_.Calls()) << "no further probe once a stop was asked for";
    EXPECT_EQ(1u, server.Clients().size()) << "the lease saved at the stop";
}

TEST_F(DhcpServerWineTest, DestroyingTheServerUnderABusyThreadLeavesTheTablesToTheThread)
{
    {
        CaughtServer server(kSharingModeDualNic, host_);
        ASSERT_TRUE(server.Start());
        Lease(server, 0x51);
        // The held candidate answers: the reservation goes on after the release, on a stopping thread.
        probe_.Answer(Ip(127, 0, 0, 3));
        probe_.Hold();
        Send(server, Client(DHCPDISCOVER, 0x52).Build());
        ASSERT_TRUE(probe_.WaitEntered(kPromptMs));
        // The destructor stops (giving up after 5 s) and lets go of its reference.
    }
    EXPECT_EQ(0u, CountOf(Trace(), "Process Packet Thread Done"));
    probe_.Open();
    // The thread finishes its message on tables that are still there, then frees them.
    EXPECT_TRUE(PumpUntil([&] { return CountOf(Trace(), "Process Packet Thread Done") == 1; }, kPromptMs));
    const std::vector<std::string> trace = Trace();
    EXPECT_NE(std::string::npos, Find(trace, "Unable to reserve address for DHCPOFFER!"))
        << "a stopping thread counts every candidate as taken";
}

// A DISCOVER from a client told apart by its two last MAC bytes, so that more than 256 can be made.
std::vector<uint8_t> NumberedDiscover(size_t n)
{
    const int hi = static_cast<int>(n >> 8 & 0xFF);
    const int lo = static_cast<int>(n & 0xFF);
    return MessageBuilder(DHCPDISCOVER).Mac({0x02, 0x00, 0x00, 0x5A, hi, lo}).Build();
}

TEST_F(DhcpServerWineTest, DiscoversAreAnsweredSideBySideAndTheirQueueIsBoundedWithDropsTracedOnce)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    probe_.Hold();
    // Every probe thread is held inside its probe: the pool grows to its limit and no further.
    size_t n = 0;
    for (; n < static_cast<size_t>(kDhcpProbeThreadLimit); ++n) {
        Send(server, NumberedDiscover(n));
    }
    ASSERT_TRUE(PumpUntil([&] { return server.ProbeThreads() == kDhcpProbeThreadLimit; }, kPromptMs));
    ASSERT_TRUE(PumpUntil([&] { return server.QueuedPackets() == 0; }, kPromptMs));

    // A renewal is not kept waiting behind them.
    const uint32_t sentBefore = static_cast<uint32_t>(server.SentCount());
    Send(server, Client(DHCPREQUEST, 0x7E).Ciaddr(Ip(127, 0, 0, 9)).Build());
    EXPECT_TRUE(WaitSent(server, sentBefore + 1)) << "the NAK to an unknown client waited for the probes";

    const size_t extra = 20;
    for (size_t i = 0; i < kDhcpPacketQueueLimit + extra; ++i) {
        Send(server, NumberedDiscover(n++));
    }
    // The last ones received may still be on their way from the packet thread's queue to the pool's,
    // where the drops are counted: wait for that hand-over before reading the two queues together.
    EXPECT_TRUE(PumpUntil([&] { return server.DroppedPackets() >= extra; }, kPromptMs));
    EXPECT_EQ(kDhcpPacketQueueLimit, server.QueuedPackets());
    EXPECT_EQ(extra, server.DroppedPackets());
    EXPECT_EQ(kDhcpProbeThreadLimit, server.ProbeThreads());
    EXPECT_EQ(1u, CountOf(Trace(), "DhcpServer: probe queue full (256 waiting), dropping DISCOVERs"));

    probe_.Open();
    EXPECT_TRUE(PumpUntil([&] { return server.QueuedPackets() == 0; }, 60000));
    Send(server, NumberedDiscover(n++));
    EXPECT_TRUE(
        PumpUntil([&] { return CountOf(Trace(), "DhcpServer: probe queue has room again, 20 DISCOVERs dropped") == 1; },
                  kPromptMs));
    EXPECT_EQ(extra, server.DroppedPackets());
}

TEST_F(DhcpServerWineTest, AFailedSendClosesTheSocketOnTheMainThreadAndTheServerCanStartAgain)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    // A socket the system no longer knows: nothing more can be sent on it.
    server.FailSendsWith(WSAENOTSOCK);
    Send(server, Client(DHCPDISCOVER, 0x71).Build());
    EXPECT_TRUE(PumpUntil([&] { return !server.CSocketEndpoint::IsRunning(); }, kPromptMs));
    EXPECT_FALSE(server.IsRunning());
    EXPECT_NE(std::string::npos, Find(Trace(), "Error sending DHCP Reply"));

    server.FailSendsWith(0);
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(server.IsRunning());
    Send(server, Client(DHCPDISCOVER, 0x71).Build());
    EXPECT_TRUE(WaitSent(server, 1));
}

TEST_F(DhcpServerWineTest, AReplyRefusedForLackOfRoomOrForItsDestinationIsDroppedAndTheSocketKept)
{
    // No room at the moment, or a destination the LAN cannot reach (no route while the dial-up link is
    // down, a foreign ciaddr): that one reply is lost, the server goes on serving.
    for (int error : {WSAEWOULDBLOCK, WSAENETUNREACH, WSAEHOSTUNREACH, WSAENETDOWN}) {
        CaughtServer server(kSharingModeDualNic, host_);
        ASSERT_TRUE(server.Start());
        server.FailSendsWith(error);
        Send(server, Client(DHCPDISCOVER, 0x72).Build());
        EXPECT_TRUE(PumpUntil([&] { return server.DroppedReplies() == 1; }, kPromptMs)) << error;
        EXPECT_TRUE(server.IsRunning()) << error;
        server.FailSendsWith(0);
        Send(server, Client(DHCPDISCOVER, 0x72).Build());
        EXPECT_TRUE(WaitSent(server, 1)) << error;
        server.Stop();
    }
}

TEST_F(DhcpServerWineTest, AStartWhoseExpiryNakBreaksTheSocketFails)
{
    CDhcpClientTable table;
    DhcpClientEntry e;
    const uint8_t id[] = {1, 0x00, 0x11, 0x22, 0x33, 0x44, 0x23};
    e.idId.Assign(id, sizeof(id));
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    e.inAddr = Ip(127, 0, 0, 12);
    e.leaseStart = CWin32DhcpClock().Now() - 2000;
    e.leaseTime = 900;
    ASSERT_TRUE(table.Append(e));
    const std::vector<uint8_t> file = CDhcpClientDatabase::Encode(table);
    ASSERT_TRUE(winetest::WriteWholeFile(database_, std::string(file.begin(), file.end())));

    CaughtServer server(kSharingModeDualNic, host_);
    server.FailSendsWith(WSAENOTSOCK);
    EXPECT_FALSE(server.Start()) << "a server without a socket was reported started";
    EXPECT_FALSE(server.IsRunning());
    server.FailSendsWith(0);
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(server.IsRunning());
}

TEST_F(DhcpServerWineTest, AnEmptyOrOversizedDatagramIsTracedAndDropped)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(client_.SendTo(server.BoundPort(), {}));
    ASSERT_TRUE(client_.SendTo(server.BoundPort(), std::vector<uint8_t>(kDhcpReceiveSize + 1, 0)));
    EXPECT_TRUE(PumpUntil([&] { return CountOf(Trace(), "DhcpServer: Recv Error or 0 bytes") == 2; }, kPromptMs));
    EXPECT_EQ(0u, server.QueuedPackets());
    EXPECT_TRUE(server.IsRunning());
}

TEST_F(DhcpServerWineTest, ThePlugInsCallbacksAreCalledFromThePacketThread)
{
    CountingProvider provider(0xB2);
    CaughtServer server(kSharingModeDualNic, host_, &provider);
    ASSERT_TRUE(server.Start());
    Lease(server, 0xB1);
    EXPECT_TRUE(PumpUntil([&] { return provider.leases == 1; }, kPromptMs)) << "told of the ACK";
    EXPECT_EQ(1, provider.authorised);

    Send(server, Client(DHCPDISCOVER, 0xB2).Build());
    ASSERT_TRUE(WaitSent(server, 3));
    EXPECT_EQ(DHCPNAK, TypeOf(server.SentSoFar()[2].bytes)) << "a refused client is answered with a NAK";
    EXPECT_TRUE(server.Core().OfferEntries().empty());
}

TEST_F(DhcpServerWineTest, ANewPoolTakesEffectForTheNextReservation)
{
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    server.SetPool(50, 60);
    EXPECT_EQ(50u, server.PoolLow());
    EXPECT_EQ(60u, server.PoolHigh());
    EXPECT_EQ(Ip(127, 0, 0, 0), server.Network());
    probe_.Answer(Ip(127, 0, 0, 50));
    Send(server, Client(DHCPDISCOVER, 0x81).Build());
    ASSERT_TRUE(WaitSent(server, 1));
    EXPECT_EQ(Ip(127, 0, 0, 51), Yiaddr(server.SentSoFar()[0].bytes)) << "host 50 answered the probe";
}

TEST_F(DhcpServerWineTest, WithoutTrafficTheThreadStillWakesForTheExpiryRound)
{
    // The packet event's time-out, not a datagram, must bring the expiry round: nothing is sent after the
    // DISCOVER. The wait is shortened here; the service's is kDhcpPacketWaitMs, one minute.
    host_.packetWaitMs = 1500;
    // Two seconds: the offer cannot run out in the round of its own DISCOVER.
    Ini("OfferAddrTimeout", "2");
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    Send(server, Client(DHCPDISCOVER, 0x91).Build());
    ASSERT_TRUE(WaitSent(server, 1));
    ASSERT_TRUE(PumpUntil([&] { return Taken() == 1; }));
    EXPECT_EQ(1u, server.Core().OfferEntries().size());
    const DWORD t0 = GetTickCount();
    EXPECT_TRUE(PumpUntil([&] { return server.Core().OfferEntries().empty(); }, kPromptMs));
    EXPECT_GE(GetTickCount() - t0, 900u) << "the offer was removed by a later round, not by the DISCOVER's";
}

TEST_F(DhcpServerWineTest, TheRealProbeGoesThroughIcmpDll)
{
    host_.probe = nullptr;
    // Every address of 127/8 answers on the loopback interface: all three candidates count as taken.
    Ini("LowAddress", "2");
    Ini("HighAddress", "5");
    CaughtServer server(kSharingModeDualNic, host_);
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(0u, CountOf(Trace(), "Can't find ICMP.dll")) << "Wine has Icmp.dll";
    server.Stop();
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(2u, CountOf(Trace(), "DHCP Server Started OK"));
    Send(server, Client(DHCPDISCOVER, 0xA1).Build());
    EXPECT_TRUE(PumpUntil(
        [&] { return Find(Trace(), "Unable to reserve address for DHCPOFFER!") != std::string::npos; }, kPromptMs));
    EXPECT_EQ(0u, server.SentCount());
}

}  // namespace
