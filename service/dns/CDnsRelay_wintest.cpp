// CDnsRelay under Wine: the real socket layer and settings file, the relay between a client peer and a DNS
// server peer. Wine binds a UDP socket to its address's interface, so a socket on 127.0.0.1 reaches the
// machine's own address but not the other way round, and every 127.x address sends as 127.0.0.1. Hence the
// LAN side and the clients are on the machine's own first address outside 127/8, the Internet side and the
// server on 127.0.0.1, and the two sides use two ports (one port on both interfaces clashes under Wine;
// the lab binds both to 53 on real adapters). Single NIC mode, one socket that must reach both, is the
// lab's. The adapter table, the dial-up connection, the host's addresses and the clock are stand-ins.
#include "CDnsRelay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "DnsTestMessages.h"
#include "ServiceLog.h"
#include "WineTestSupport.h"

namespace {

uint32_t Ip(int a, int b, int c, int d)
{
    return static_cast<uint32_t>(a | (b << 8) | (c << 16) | (d << 24));
}
const uint32_t kGateway = Ip(10, 254, 254, 1);

/// The machine's first address outside 127/8, as a lookup of its own name gives it; 0 when it has none.
uint32_t OwnAddress()
{
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    const hostent* host = gethostbyname(name);
    for (char** a = host ? host->h_addr_list : nullptr; a != nullptr && *a != nullptr; ++a) {
        uint32_t address;
        memcpy(&address, *a, sizeof address);
        if ((address & 0xFF) != 127)
            return address;
    }
    return 0;
}
const uint32_t kLan = OwnAddress();
const uint32_t kServer = Ip(127, 0, 0, 1);
const uint32_t kWan = kServer;
constexpr DWORD kPromptMs = 5000;
constexpr DWORD kSilenceMs = 300;

/// A non-blocking UDP socket on `address`, at a port the system picks unless one is given.
class Peer {
public:
    explicit Peer(uint32_t address, unsigned short port = 0)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        s_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = address;
        local.sin_port = htons(port);
        bound_ = bind(s_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        int length = sizeof local;
        getsockname(s_, reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
        u_long on = 1;
        ioctlsocket(s_, FIONBIO, &on);
    }
    ~Peer() { closesocket(s_); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool Bound() const { return bound_; }
    unsigned short Port() const { return port_; }
    bool SendTo(uint32_t address, unsigned short port, const std::vector<uint8_t>& data)
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = address;
        to.sin_port = htons(port);
        return sendto(s_, reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()), 0,
                      reinterpret_cast<sockaddr*>(&to), sizeof to) == static_cast<int>(data.size());
    }
    /// One datagram when one waits.
    bool TryReceive()
    {
        char buffer[4096];
        sockaddr_in from = {};
        int length = sizeof from;
        const int n = recvfrom(s_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0)
            return false;
        last.assign(buffer, buffer + n);
        lastFrom = from.sin_addr.s_addr;
        lastFromPort = ntohs(from.sin_port);
        return true;
    }
    /// Waits (dispatching the relay's socket events) for a datagram.
    bool Receive(DWORD timeoutMs = kPromptMs)
    {
        return static_cast<bool>(winetest::PumpUntil([this] { return TryReceive(); }, timeoutMs));
    }
    /// True when nothing arrives for a while.
    bool Silent()
    {
        return !winetest::PumpUntil([this] { return TryReceive(); }, kSilenceMs);
    }

    std::vector<uint8_t> last;
    uint32_t lastFrom = 0;
    unsigned short lastFromPort = 0;

private:
    SOCKET s_;
    bool bound_ = false;
    unsigned short port_ = 0;
};

/// A port free on the loopback addresses just now, for the relay's two sockets.
unsigned short FreePort(uint32_t address)
{
    Peer probe(address);
    return probe.Port();
}

class FakeAdapters : public IDnsAdapterSource {
public:
    void Refresh() override { ++refreshes; }
    std::vector<DnsAdapterView> Adapters() override { return adapters; }
    uint32_t FirstDnsServer() override { return dnsServer; }
    std::vector<DnsAdapterView> adapters;
    uint32_t dnsServer = kServer;
    int refreshes = 0;
};

class FakeConnection : public IDnsInternetConnection {
public:
    bool ConnectionUp() override { return up; }
    int Dial() override
    {
        ++dials;
        return 0;
    }
    bool up = false;
    int dials = 0;
};

class FakeHost : public IDnsHostAddresses {
public:
    std::vector<uint32_t> Addresses() override
    {
        ++lookups;
        return addresses;
    }
    std::vector<uint32_t> addresses{kLan, kWan};
    int lookups = 0;
};

class FakeClock : public IDnsClock {
public:
    uint32_t NowMs() override { return now; }
    uint32_t now = 50000;
};

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}
std::string Dotted(uint32_t a)
{
    char text[20];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a & 0xFF, (a >> 8) & 0xFF, (a >> 16) & 0xFF, a >> 24);
    return text;
}

size_t Count(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

class DnsRelayWine : public testing::Test {
protected:
    void SetUp() override
    {
        // A machine with only a loopback interface cannot hold a server that is not the client.
        ASSERT_NE(kLan, 0u) << "no address outside 127/8 on this machine";
        ASSERT_TRUE(scratch_.Created());
        CServiceLog::SetPath(ServiceLogPath().c_str());
        ASSERT_TRUE(server_.Bound());
        ASSERT_TRUE(client_.Bound());
        // The lab's layout: the WAN adapter with the gateway first, the LAN one after it.
        adapters_.adapters = {{false, kGateway, kWan}, {false, 0, kLan}};
        ASSERT_TRUE(winetest::WriteIni("DnsRelay", "LogFile", TracePath().c_str()));
    }
    void TearDown() override
    {
        if (!HasFailure())
            return;
        for (const std::string& line : ServiceLog())
            std::printf("service log: %s\n", line.c_str());
        for (const std::string& line : Trace())
            std::printf("trace: %s\n", line.c_str());
    }
    std::string ServiceLogPath() { return scratch_.File("OmbrixDaemon.log"); }
    std::string TracePath() { return scratch_.File("DnsRelay.log"); }
    std::vector<std::string> ServiceLog() { return winetest::LogMessages(ServiceLogPath()); }
    std::vector<std::string> Trace() { return winetest::LogMessages(TracePath()); }

    std::unique_ptr<CDnsRelay> MakeRelay(int mode, DnsRelayConfig config = DnsRelayConfig())
    {
        config.listenPort = port_;
        config.internetPort = internetPort_;
        config.serverPort = server_.Port();
        DnsRelayParts parts;
        parts.adapters = &adapters_;
        parts.internet = &connection_;
        parts.hostAddresses = &host_;
        parts.clock = &clock_;
        return std::unique_ptr<CDnsRelay>(new CDnsRelay(mode, config, parts));
    }
    /// A query from the client, as the server receives it (empty when it does not arrive).
    std::vector<uint8_t> QueryThrough(uint16_t id, const std::string& name, Peer& client)
    {
        if (!client.SendTo(kLan, port_, DnsTestQuery(id, name)) || !server_.Receive())
            return {};
        return server_.last;
    }

    winetest::CScratchFolder scratch_;
    winetest::CIniKeys ini_{{"DnsRelay", "LogFile"}};
    unsigned short port_ = FreePort(kLan);
    unsigned short internetPort_ = FreePort(kWan);
    Peer server_{kServer};
    Peer client_{kLan};
    FakeAdapters adapters_;
    FakeConnection connection_;
    FakeHost host_;
    FakeClock clock_;
};

TEST_F(DnsRelayWine, DualNicForwardsThroughTheInternetSideAndAnswersTheClient)
{
    auto relay = MakeRelay(kDnsModeDualNic);
    ASSERT_TRUE(relay->Start());
    EXPECT_TRUE(relay->IsRunning());
    EXPECT_TRUE(relay->InternetSideOpen());
    EXPECT_EQ(relay->LanAddress(), kLan);
    EXPECT_EQ(relay->InternetAddress(), kWan);

    const auto forwarded = QueryThrough(0x1234, "www.lab.test", client_);
    ASSERT_FALSE(forwarded.empty());
    EXPECT_EQ(server_.lastFrom, kWan);
    EXPECT_EQ(server_.lastFromPort, internetPort_);
    EXPECT_EQ(forwarded[0], 1);  // relay id 1, low byte first
    EXPECT_EQ(forwarded[1], 0);
    ASSERT_TRUE(server_.SendTo(kWan, internetPort_, DnsTestAnswerTo(forwarded, "www.lab.test")));
    ASSERT_TRUE(client_.Receive());
    EXPECT_EQ(client_.lastFrom, kLan);
    EXPECT_EQ(client_.lastFromPort, port_);
    EXPECT_EQ(DnsReadId(client_.last.data()), 0x1234);
    EXPECT_EQ(client_.last.size(), DnsTestAnswerTo(forwarded, "www.lab.test").size());

    const auto log = ServiceLog();
    EXPECT_EQ(Count(log, "Using DNS Server: " + Dotted(kServer)), 1u);
    const auto trace = Trace();
    struct Line {
        std::string text;
    };
    const std::vector<Line> lines = {
        {"Internal DNS Server LocalAddress: " + Hex(kLan)},
        {"External DNS Server LocalAddress: 100007f"},
        {"DNS Server IP: 100007f"},
        {"Receive Request from: " + Dotted(kLan) + " \3www\3lab\4te"},
        {"Forwarding Request to: 127.0.0.1"},
        {"Receive Response from: 127.0.0.1"},
        {"Sending Reply to: " + Dotted(kLan)},
    };
    for (const Line& l : lines) {
        SCOPED_TRACE(l.text);
        EXPECT_EQ(Count(trace, l.text), 1u);
    }
    EXPECT_TRUE(relay->Stop());
    EXPECT_FALSE(relay->IsRunning());
    EXPECT_FALSE(relay->InternetSideOpen());
}

TEST_F(DnsRelayWine, ARepeatFromANewPortIsAnsweredThere)
{
    // Two clients with one id are the engine's tests' and the lab's: here every client is 127.0.0.1.
    auto relay = MakeRelay(kDnsModeDualNic);
    ASSERT_TRUE(relay->Start());
    const auto a = QueryThrough(0x1234, "www.lab.test", client_);
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(DnsReadId(a.data()), 1);
    Peer again(kLan);
    const auto a2 = QueryThrough(0x1234, "www.lab.test", again);
    ASSERT_FALSE(a2.empty());
    EXPECT_EQ(DnsReadId(a2.data()), 1);
    const auto b = QueryThrough(0x1235, "mail.lab.test", client_);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(DnsReadId(b.data()), 2);

    ASSERT_TRUE(server_.SendTo(kWan, internetPort_, DnsTestAnswerTo(b, "mail.lab.test")));
    ASSERT_TRUE(client_.Receive());
    EXPECT_EQ(DnsReadId(client_.last.data()), 0x1235);
    ASSERT_TRUE(server_.SendTo(kWan, internetPort_, DnsTestAnswerTo(a2, "www.lab.test")));
    ASSERT_TRUE(again.Receive());
    EXPECT_EQ(DnsReadId(again.last.data()), 0x1234);
    EXPECT_TRUE(client_.Silent());
    EXPECT_EQ(relay->Engine().Pending(), 0u);
}

TEST_F(DnsRelayWine, ForgedLateAndStrayAnswersAreDropped)
{
    auto relay = MakeRelay(kDnsModeDualNic);
    ASSERT_TRUE(relay->Start());
    Peer otherPort(kServer);
    const auto f = QueryThrough(0x2222, "www.lab.test", client_);
    ASSERT_FALSE(f.empty());
    struct Case {
        const char* what;
        Peer* from;
        std::vector<uint8_t> answer;
    };
    const std::vector<Case> cases = {
        {"from another port of the server", &otherPort, DnsTestAnswerTo(f, "www.lab.test")},
        {"another question", &server_, DnsTestAnswerTo(f, "evil.lab.test")},
        {"another type", &server_, DnsTestAnswerTo(f, "www.lab.test", 16)},
        {"not a response", &server_, DnsTestQuery(DnsReadId(f.data()), "www.lab.test")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.from->SendTo(kWan, internetPort_, c.answer));
        EXPECT_TRUE(client_.Silent());
    }
    // The query still waits, and its true answer gets through.
    ASSERT_TRUE(server_.SendTo(kWan, internetPort_, DnsTestAnswerTo(f, "WWW.LAB.TEST")));
    ASSERT_TRUE(client_.Receive());
    EXPECT_EQ(DnsReadId(client_.last.data()), 0x2222);
    EXPECT_EQ(relay->Engine().Dropped(DnsDropReason::AnswerWrongPort), 1u);
    EXPECT_EQ(relay->Engine().Dropped(DnsDropReason::AnswerWrongQuestion), 2u);
    EXPECT_EQ(relay->Engine().Dropped(DnsDropReason::AnswerNotResponse), 1u);

    // A late answer: the tick after 15 s has forgotten the query.
    const auto late = QueryThrough(0x3333, "ftp.lab.test", client_);
    ASSERT_FALSE(late.empty());
    clock_.now += kDnsQueryLifetimeMs + 1;
    relay->ExpireQueries();
    ASSERT_TRUE(server_.SendTo(kWan, internetPort_, DnsTestAnswerTo(late, "ftp.lab.test")));
    EXPECT_TRUE(client_.Silent());
    EXPECT_EQ(relay->Engine().Dropped(DnsDropReason::AnswerUnknownId), 1u);
}

TEST_F(DnsRelayWine, ModemModeDialsOnAQueryAndOpensTheInternetSideOnceConnected)
{
    auto relay = MakeRelay(kDnsModeModem);
    ASSERT_TRUE(relay->Start());
    EXPECT_TRUE(relay->IsRunning());
    EXPECT_FALSE(relay->InternetSideOpen());
    // No connection: the query asks for a dial and is dropped.
    ASSERT_TRUE(client_.SendTo(kLan, port_, DnsTestQuery(0x0101, "www.lab.test")));
    EXPECT_TRUE(server_.Silent());
    EXPECT_EQ(connection_.dials, 1);

    // Connected: the next query opens the Internet side on the host's other address and is forwarded.
    connection_.up = true;
    const auto f = QueryThrough(0x0102, "www.lab.test", client_);
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(relay->InternetSideOpen());
    EXPECT_EQ(server_.lastFrom, kWan);
    EXPECT_EQ(connection_.dials, 1);
    ASSERT_TRUE(server_.SendTo(kWan, internetPort_, DnsTestAnswerTo(f, "www.lab.test")));
    ASSERT_TRUE(client_.Receive());

    // The driver's notice closes the Internet side; the next query finds a connection again, looks the
    // addresses up anew (a new connection brings its own) and opens it.
    relay->CloseInternetSocket();
    EXPECT_FALSE(relay->InternetSideOpen());
    const int lookupsBefore = host_.lookups;
    const int refreshesBefore = adapters_.refreshes;
    const auto g = QueryThrough(0x0103, "www.lab.test", client_);
    ASSERT_FALSE(g.empty());
    EXPECT_EQ(host_.lookups, lookupsBefore + 1);
    EXPECT_GT(adapters_.refreshes, refreshesBefore);
    EXPECT_EQ(server_.lastFrom, kWan);
    EXPECT_TRUE(relay->InternetSideOpen());
    ASSERT_TRUE(server_.SendTo(kWan, internetPort_, DnsTestAnswerTo(g, "www.lab.test")));
    ASSERT_TRUE(client_.Receive());
    EXPECT_EQ(DnsReadId(client_.last.data()), 0x0103);
}

TEST_F(DnsRelayWine, NoDnsServerWritesItsLineEveryFifthQuery)
{
    adapters_.dnsServer = 0;
    auto relay = MakeRelay(kDnsModeDualNic);
    ASSERT_TRUE(relay->Start());
    EXPECT_EQ(Count(ServiceLog(), "Unable to determine DNS Server Address, will try again."), 1u);
    for (int i = 0; i < 11; ++i)
        ASSERT_TRUE(client_.SendTo(kLan, port_, DnsTestQuery(static_cast<uint16_t>(i), "www.lab.test")));
    EXPECT_TRUE(server_.Silent());
    EXPECT_EQ(Count(ServiceLog(), kDnsNoServerRepeatedText), 2u);
    // Found at last: the next query goes out.
    adapters_.dnsServer = kServer;
    EXPECT_FALSE(QueryThrough(0x0505, "www.lab.test", client_).empty());
    EXPECT_EQ(Count(ServiceLog(), "Using DNS Server: " + Dotted(kServer)), 1u);
}

TEST_F(DnsRelayWine, StartFailuresSayWhy)
{
    struct Case {
        const char* what;
        int mode;
        std::vector<DnsAdapterView> adapters;
        bool wanPortTaken;
        const char* line;
        bool running;
    };
    const std::vector<Case> cases = {
        {"single NIC without a gateway adapter",
         kDnsModeSingleNic,
         {{false, 0, kLan}},
         false,
         kDnsSingleNoAddressText,
         false},
        {"dual NIC without a LAN adapter",
         kDnsModeDualNic,
         {{false, kGateway, kWan}},
         false,
         kDnsInternalNoAddressText,
         false},
        {"dual NIC without a WAN adapter", kDnsModeDualNic, {{false, 0, kLan}}, false, kDnsInternetNoAddressText, true},
        {"dual NIC, the Internet side's port is taken",
         kDnsModeDualNic,
         {{false, kGateway, kWan}, {false, 0, kLan}},
         true,
         kDnsSocketText,
         true},
        {"modem mode without a LAN adapter", kDnsModeModem, {{true, 0, 0}}, false, kDnsInternalNoAddressText, false},
        {"a mode the wizard never set", 7, {{false, 0, kLan}}, false, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        adapters_.adapters = c.adapters;
        std::unique_ptr<Peer> blocker(c.wanPortTaken ? new Peer(kWan, internetPort_) : nullptr);
        const size_t linesBefore = ServiceLog().size();
        auto relay = MakeRelay(c.mode);
        EXPECT_FALSE(relay->Start());
        EXPECT_EQ(relay->IsRunning(), c.running);
        const auto log = ServiceLog();
        if (c.line == nullptr) {
            EXPECT_EQ(log.size(), linesBefore);
            continue;
        }
        ASSERT_EQ(log.size(), linesBefore + 1);
        EXPECT_EQ(log.back(), c.line);
    }
}

}  // namespace
