// The console's IPC client under Wine against a scripted service: a blocking UDP socket on another thread
// that answers (or not) as each test needs.
#include "IpcClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "IpcWire.h"
#include "NetTestSupport.h"
#include "WineTestSupport.h"

namespace {

using nettest::LeWords;
using nettest::PumpUntil;
using nettest::UdpPeer;

std::vector<uint8_t> Reply(const std::vector<uint8_t>& data)
{
    return IpcEncodeReply(data.data(), data.size());
}

// Collects what the client would have shown the user.
struct Shown {
    std::vector<std::string> texts;
    static void Handler(void* context, const char* text) { static_cast<Shown*>(context)->texts.push_back(text); }
};

// Answers each request it receives with the datagrams `answer` returns for it (none: silence).
class ScriptedService {
public:
    using Script = std::function<std::vector<std::vector<uint8_t>>(const std::vector<uint8_t>& request, int index)>;

    explicit ScriptedService(Script script, int requests = 1) : script_(std::move(script)), requests_(requests)
    {
        thread_ = std::thread([this] { Run(); });
    }
    ~ScriptedService()
    {
        stop_ = true;
        thread_.join();
    }
    unsigned short Port() const { return peer_.Port(); }
    bool Bound() const { return peer_.Bound(); }
    int Received() const { return received_; }
    std::vector<uint8_t> Request(int i) const { return log_[static_cast<size_t>(i)]; }

private:
    void Run()
    {
        for (int i = 0; i < requests_ && !stop_;) {
            std::vector<uint8_t> request;
            if (!peer_.Receive(&request, 50)) {
                continue;
            }
            log_.push_back(request);
            for (const std::vector<uint8_t>& answer : script_(request, i)) {
                peer_.Answer(answer);
            }
            ++i;
            ++received_;
        }
    }

    UdpPeer peer_;
    Script script_;
    int requests_;
    std::vector<std::vector<uint8_t>> log_;
    std::atomic<bool> stop_{false};
    std::atomic<int> received_{0};
    std::thread thread_;
};

class IpcClientTest : public ::testing::Test {
protected:
    void SetUp() override { client_.SetFailureHandler(Shown::Handler, &shown_); }
    CIpcClient client_;
    Shown shown_;
};

// Counts the timer ticks that arrive while a request waits, and whether the client was busy then.
struct TickProbe {
    static CIpcClient* client;
    static int ticks;
    static int busyTicks;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ++ticks;
        if (client && client->Busy()) {
            ++busyTicks;
        }
    }
};
CIpcClient* TickProbe::client = nullptr;
int TickProbe::ticks = 0;
int TickProbe::busyTicks = 0;

TEST_F(IpcClientTest, PingToNoServiceFailsAfterASecondWithoutShowingAnything)
{
    ASSERT_TRUE(client_.StartWith(nettest::UnusedPort(), ""));
    TickProbe::client = &client_;
    TickProbe::ticks = TickProbe::busyTicks = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 50, TickProbe::Tick);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(client_.PingRequest(IPC_PING));
    const DWORD elapsed = GetTickCount() - start;
    KillTimer(NULL, timer);
    TickProbe::client = nullptr;

    EXPECT_GE(elapsed, 990u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_TRUE(shown_.texts.empty());
    EXPECT_EQ(nullptr, FindWindowA("#32770", NULL)) << "a message box is up";
    EXPECT_EQ(0, client_.Busy());
    // The wait kept the thread's messages flowing.
    EXPECT_GE(TickProbe::busyTicks, 5) << TickProbe::ticks << " ticks";
    EXPECT_TRUE(client_.IsRunning()) << "a lost reply is no reason to close";
}

TEST_F(IpcClientTest, CommandToNoServiceReportsTheCommunicationTextAfterThreeSeconds)
{
    ASSERT_TRUE(client_.StartWith(nettest::UnusedPort(), ""));
    const DWORD start = GetTickCount();
    EXPECT_FALSE(client_.CommandRequest(IPC_DIAL, 0, 0));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 2990u);
    EXPECT_LT(elapsed, 4500u);
    EXPECT_EQ(std::vector<std::string>{"There was an error communicating with the Ombrix Service"}, shown_.texts);
}

// CPU time the calling thread has used so far, user and kernel, in milliseconds.
double ThreadCpuMs()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) {
        return -1;
    }
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return static_cast<double>(k.QuadPart + u.QuadPart) / 10000.0;  // 100-ns units
}

// The console waits for a silent service in the foreground for seconds at a time: the wait must sleep
// until something arrives, not poll the socket and the queue for its whole length.
TEST_F(IpcClientTest, WaitingForASilentServiceUsesNoProcessorTime)
{
    UdpPeer service;  // bound, never answers
    ASSERT_TRUE(client_.StartWith(service.Port(), ""));
    const double cpuBefore = ThreadCpuMs();
    ASSERT_GE(cpuBefore, 0) << GetLastError();
    const DWORD start = GetTickCount();
    EXPECT_FALSE(client_.CommandRequest(IPC_DIAL, 0, 0));
    const DWORD elapsed = GetTickCount() - start;
    const double cpu = ThreadCpuMs() - cpuBefore;
    RecordProperty("wait_cpu_ms", std::to_string(cpu));
    EXPECT_GE(elapsed, 2990u);
    EXPECT_LT(elapsed, 4500u);
    // A spinning wait costs about the whole 3000 ms; a sleeping one only its few wake-ups.
    EXPECT_LT(cpu, 300.0) << "the waiting thread used " << cpu << " ms of CPU in " << elapsed << " ms";
    std::vector<uint8_t> request;
    EXPECT_TRUE(service.Receive(&request));
    EXPECT_EQ(LeWords({IPC_DIAL, 0, 0}), request);
}

TEST_F(IpcClientTest, EachRequestKindSendsItsDatagram)
{
    ScriptedService service(
        [](const std::vector<uint8_t>&, int) { return std::vector<std::vector<uint8_t>>{Reply({})}; }, 4);
    ASSERT_TRUE(client_.StartWith(service.Port(), ""));
    const uint8_t block[] = {20, 0, 0, 0, 1, 0, 0, 0, 10, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0};
    uint8_t buffer[20];
    EXPECT_TRUE(client_.PingRequest(IPC_PING));
    EXPECT_TRUE(client_.CommandRequest(IPC_SET_SHARING, 1, 1));
    EXPECT_TRUE(client_.QueryRequest(IPC_GET_DHCP_STATUS, buffer, sizeof buffer));
    EXPECT_TRUE(client_.SettingsRequest(IPC_SET_DHCP, block, sizeof block));
    ASSERT_TRUE(PumpUntil([&] { return service.Received() == 4; }));
    EXPECT_EQ(LeWords({IPC_PING}), service.Request(0));
    EXPECT_EQ(LeWords({IPC_SET_SHARING, 1, 1}), service.Request(1));
    EXPECT_EQ(LeWords({IPC_GET_DHCP_STATUS}), service.Request(2));
    std::vector<uint8_t> settings = LeWords({IPC_SET_DHCP});
    settings.insert(settings.end(), block, block + sizeof block);
    EXPECT_EQ(settings, service.Request(3));
    EXPECT_TRUE(shown_.texts.empty());
}

TEST_F(IpcClientTest, LateReplyIsDrainedAndNeverAnswersTheNextRequest)
{
    HANDLE gaveUp = CreateEventA(NULL, TRUE, FALSE, NULL);
    UdpPeer service;
    ASSERT_TRUE(client_.StartWith(service.Port(), ""));
    // The service answers the first ping only after the client stopped waiting, and the second not at all.
    std::thread slow([&] {
        std::vector<uint8_t> request;
        if (!service.Receive(&request)) {
            return;
        }
        if (WaitForSingleObject(gaveUp, nettest::kPromptMs) != WAIT_OBJECT_0) {
            return;
        }
        service.Answer(Reply({'L', 'A', 'T', 'E'}));
    });
    EXPECT_FALSE(client_.PingRequest(IPC_PING));
    SetEvent(gaveUp);
    slow.join();
    CloseHandle(gaveUp);
    ASSERT_TRUE(PumpUntil([&] { return client_.DiscardedDatagrams() == 1; })) << "the idle handler never ran";

    EXPECT_FALSE(client_.PingRequest(IPC_PING)) << "the stale reply answered a later request";
    std::vector<uint8_t> second;
    EXPECT_TRUE(service.Receive(&second));
    EXPECT_EQ(LeWords({IPC_PING}), second);
}

TEST_F(IpcClientTest, QueryCopiesNoMoreThanTheReplyHoldsNorTheBufferTakes)
{
    struct Case {
        size_t payload;
        size_t copied;
    };
    const Case cases[] = {{16, 16}, {20, 20}, {24, 20}, {0, 0}, {3000, 20}};
    for (const Case& c : cases) {
        std::vector<uint8_t> payload(c.payload);
        for (size_t i = 0; i < payload.size(); ++i) {
            payload[i] = static_cast<uint8_t>(i + 1);
        }
        ScriptedService service(
            [&](const std::vector<uint8_t>&, int) { return std::vector<std::vector<uint8_t>>{Reply(payload)}; });
        CIpcClient client;
        ASSERT_TRUE(client.StartWith(service.Port(), ""));
        uint8_t buffer[20];
        memset(buffer, 0xEE, sizeof buffer);
        ASSERT_TRUE(client.QueryRequest(IPC_GET_DNS_STATUS, buffer, sizeof buffer))
            << c.payload << " error " << client.LastError();
        for (size_t i = 0; i < sizeof buffer; ++i) {
            uint8_t expected = i < c.copied ? static_cast<uint8_t>(i + 1) : 0xEE;
            EXPECT_EQ(expected, buffer[i]) << "payload " << c.payload << " byte " << i;
        }
    }
}

TEST_F(IpcClientTest, OnlyADatagramOpeningWithTheMagicIsAReply)
{
    struct Case {
        const char* name;
        std::vector<std::vector<uint8_t>> answers;
        bool pingSucceeds;
    };
    const std::vector<uint8_t> wrongMagic = LeWords({0xB29A65F4});
    const Case cases[] = {
        {"magic", {Reply({})}, true},
        {"noise first, then the reply", {{1, 2}, wrongMagic, {}, Reply({7})}, true},
        {"shorter than the magic", {{0xB2, 0x9A, 0x65}}, false},
        {"byte-swapped magic", {wrongMagic}, false},
        {"empty datagram", {{}}, false},
        // A ping reads into 20 bytes: a longer reply is lost.
        {"reply longer than 20 bytes", {Reply(std::vector<uint8_t>(17))}, false},
        {"reply of exactly 20 bytes", {Reply(std::vector<uint8_t>(16))}, true},
    };
    for (const Case& c : cases) {
        ScriptedService service([&](const std::vector<uint8_t>&, int) { return c.answers; });
        CIpcClient client;
        ASSERT_TRUE(client.StartWith(service.Port(), ""));
        EXPECT_EQ(c.pingSucceeds, client.PingRequest(IPC_PING) != FALSE) << c.name;
    }
}

// A UDP socket bound to a loopback address of the test's choice, sending to the client's port.
class Impostor {
public:
    Impostor(const char* address, unsigned short port)
    {
        nettest::StartWinsock();
        s_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = inet_addr(address);
        local.sin_port = htons(port);
        bound_ = s_ != INVALID_SOCKET && bind(s_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }
    ~Impostor() { closesocket(s_); }
    Impostor(const Impostor&) = delete;
    Impostor& operator=(const Impostor&) = delete;
    bool Bound() const { return bound_; }
    bool SendTo(unsigned short port, const std::vector<uint8_t>& data)
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = nettest::Loopback();
        to.sin_port = htons(port);
        return sendto(s_, reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()), 0,
                      reinterpret_cast<sockaddr*>(&to), sizeof to) == static_cast<int>(data.size());
    }

private:
    SOCKET s_ = INVALID_SOCKET;
    bool bound_ = false;
};

unsigned short BoundPort(SOCKET s)
{
    sockaddr_in local = {};
    int length = sizeof local;
    getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

// Another program that sends the magic first, from another port on 127.0.0.1 or from another loopback
// address, must not be taken for the service. (Wine refuses the service's own port on 127.0.0.2 while the
// service holds it on 127.0.0.1, so the other address comes with a port of its own.)
TEST_F(IpcClientTest, OnlyTheServicesPortOnLoopbackCanReply)
{
    struct Case {
        const char* what;
        const char* address;
    };
    const Case cases[] = {
        {"another port on 127.0.0.1", "127.0.0.1"},
        {"127.0.0.2", "127.0.0.2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Impostor> impostor;
        std::atomic<unsigned short> clientPort{0};
        ScriptedService service([&](const std::vector<uint8_t>&, int) {
            // Sent before the service's answer, so it is read first.
            impostor->SendTo(clientPort, Reply({'F', 'A', 'K', 'E'}));
            return std::vector<std::vector<uint8_t>>{Reply({'R', 'E', 'A', 'L'})};
        });
        ASSERT_TRUE(service.Bound());
        impostor.reset(new Impostor(c.address, 0));
        ASSERT_TRUE(impostor->Bound()) << WSAGetLastError();
        CIpcClient client;
        ASSERT_TRUE(client.StartWith(service.Port(), ""));
        clientPort = BoundPort(client.Socket());
        uint8_t buffer[4] = {};
        ASSERT_TRUE(client.QueryRequest(IPC_GET_DNS_STATUS, buffer, sizeof buffer));
        EXPECT_EQ(0, memcmp(buffer, "REAL", sizeof buffer)) << "the impostor's datagram was taken for the reply";
        EXPECT_EQ(1u, client.ForeignDatagrams());
    }
}

TEST_F(IpcClientTest, ImpostorAloneNeverSatisfiesAPing)
{
    Impostor impostor("127.0.0.1", 0);
    ASSERT_TRUE(impostor.Bound());
    UdpPeer service;  // silent
    ASSERT_TRUE(client_.StartWith(service.Port(), ""));
    std::thread forger([&] {
        std::vector<uint8_t> request;
        if (service.Receive(&request)) {
            impostor.SendTo(BoundPort(client_.Socket()), Reply({}));
        }
    });
    EXPECT_FALSE(client_.PingRequest(IPC_PING));
    forger.join();
    EXPECT_EQ(1u, client_.ForeignDatagrams());
}

TEST_F(IpcClientTest, QueryReadsALongReplyWhole)
{
    std::vector<uint8_t> list = IpcEncodeClientList(0, std::vector<IpcClientEntry>(30));
    ScriptedService service(
        [&](const std::vector<uint8_t>&, int) { return std::vector<std::vector<uint8_t>>{Reply(list)}; });
    ASSERT_TRUE(client_.StartWith(service.Port(), ""));
    std::vector<uint8_t> buffer(4000, 0xEE);
    ASSERT_TRUE(client_.QueryRequest(IPC_GET_CLIENTS, buffer.data(), static_cast<int>(buffer.size())));
    EXPECT_TRUE(std::equal(list.begin(), list.end(), buffer.begin()));
    EXPECT_EQ(0xEE, buffer[list.size()]);
}

TEST_F(IpcClientTest, QuitMessageTakenDuringAWaitIsPostedAgain)
{
    ASSERT_TRUE(client_.StartWith(nettest::UnusedPort(), ""));
    PostQuitMessage(7);
    EXPECT_FALSE(client_.PingRequest(IPC_PING));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

TEST_F(IpcClientTest, ServerPortComesFromTheSettingsFile)
{
    winetest::CIniKeys keep({{"IPC", "ServerPort"}, {"IPC", "LocalAddress"}});
    winetest::WriteIni("IPC", "LocalAddress", nullptr);
    ScriptedService service(
        [](const std::vector<uint8_t>&, int) { return std::vector<std::vector<uint8_t>>{Reply({})}; });
    winetest::WriteIni("IPC", "ServerPort", std::to_string(service.Port()).c_str());
    ASSERT_TRUE(client_.Start());
    EXPECT_EQ(service.Port(), client_.ServerPort());
    EXPECT_EQ(static_cast<unsigned long>(INADDR_ANY), client_.LocalAddress());
    EXPECT_TRUE(client_.PingRequest(IPC_PING));
    EXPECT_EQ(1, service.Received());
}

TEST_F(IpcClientTest, ServerPortDefaultsAndKeepsItsLow16Bits)
{
    winetest::CIniKeys keep({{"IPC", "ServerPort"}, {"IPC", "LocalAddress"}});
    winetest::WriteIni("IPC", "LocalAddress", nullptr);
    struct Case {
        const char* text;  // nullptr: no key
        unsigned short expected;
    };
    const Case cases[] = {{nullptr, 63259}, {"65536", 0}, {"70000", 4464}, {"1234", 1234}};
    for (const Case& c : cases) {
        winetest::WriteIni("IPC", "ServerPort", c.text);
        CIpcClient client;
        ASSERT_TRUE(client.Start()) << (c.text ? c.text : "no key");
        EXPECT_EQ(c.expected, client.ServerPort()) << (c.text ? c.text : "no key");
    }
}

TEST_F(IpcClientTest, LocalAddressIsCheckedButTheSocketBindsToLoopback)
{
    winetest::CIniKeys keep({{"IPC", "ServerPort"}, {"IPC", "LocalAddress"}});
    winetest::WriteIni("IPC", "ServerPort", nullptr);
    struct Case {
        const char* text;
        bool starts;
        unsigned long expected;
    };
    const Case cases[] = {
        {"127.0.0.1", true, htonl(INADDR_LOOPBACK)}, {"10.1.2.3", true, inet_addr("10.1.2.3")}, {"", true, INADDR_ANY},
        {"localhost", false, INADDR_NONE},           {"not an address", false, INADDR_NONE},
    };
    for (const Case& c : cases) {
        winetest::WriteIni("IPC", "LocalAddress", c.text);
        CIpcClient client;
        EXPECT_EQ(c.starts, client.Start() != FALSE) << c.text << " error " << client.LastError();
        EXPECT_EQ(c.expected, client.LocalAddress()) << c.text;
        EXPECT_EQ(c.starts, client.IsRunning() != FALSE) << c.text;
        if (c.starts) {
            sockaddr_in local = {};
            int length = sizeof local;
            ASSERT_EQ(0, getsockname(client.Socket(), reinterpret_cast<sockaddr*>(&local), &length));
            EXPECT_EQ(htonl(INADDR_LOOPBACK), local.sin_addr.s_addr) << c.text << ": only loopback is bound to";
            EXPECT_NE(0, local.sin_port) << "the system chooses the client's port";
        }
    }
}

TEST_F(IpcClientTest, StartFailsWhenTheClientAlreadyHasASocket)
{
    ASSERT_TRUE(client_.StartWith(nettest::UnusedPort(), ""));
    SOCKET first = client_.Socket();
    EXPECT_FALSE(client_.StartWith(nettest::UnusedPort(), ""));
    EXPECT_EQ(first, client_.Socket());
}

TEST_F(IpcClientTest, RequestWithoutASocketFailsAtOnce)
{
    ASSERT_TRUE(client_.StartWith(nettest::UnusedPort(), ""));
    client_.Close();  // as after a failed send
    const DWORD start = GetTickCount();
    EXPECT_FALSE(client_.PingRequest(IPC_PING));
    EXPECT_FALSE(client_.CommandRequest(IPC_DIAL, 0, 0));
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_EQ(std::vector<std::string>{kIpcCommandFailureText}, shown_.texts);
}

}  // namespace
