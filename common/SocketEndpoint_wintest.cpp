// The socket layer under Wine with real sockets: event dispatch by message, the endpoint list, the socket
// window's life, and what a failed send does to an endpoint.
#include "SocketEndpoint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NetTestSupport.h"

namespace {

using nettest::PumpUntil;
using nettest::UdpPeer;

// Messages of two unrelated endpoints (those of the IPC endpoint and of the DHCP server).
constexpr UINT kMessageA = 0x491;
constexpr UINT kMessageB = 0x458;

// Records every event operation; reads each datagram so the next one is signalled again.
class RecordingEndpoint : public CSocketEndpoint {
public:
    std::vector<std::string> events;
    std::vector<int> errors;
    int received = 0;

    void OnReceive() override
    {
        events.push_back("receive");
        char buffer[64];
        unsigned long address = 0;
        unsigned short port = 0;
        if (ReceiveFrom(buffer, sizeof buffer, &address, &port) >= 0) {
            ++received;
        }
    }
    void OnAccept() override { events.push_back("accept"); }
    void OnSend() override { events.push_back("send"); }
    void OnConnect() override { events.push_back("connect"); }
    void OnClose() override
    {
        events.push_back("close");
        CSocketEndpoint::OnClose();
    }
    void OnError(int error) override
    {
        events.push_back("error");
        errors.push_back(error);
    }

    bool OpenOnLoopback(UINT message) { return Create(SOCK_DGRAM, FD_READ, message) && Bind(0, nettest::Loopback()); }
    unsigned short BoundPort() const
    {
        sockaddr_in local = {};
        int length = sizeof local;
        getsockname(Socket(), reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }
};

// Refuses the next send with a chosen Windows Sockets error, as a full system would.
class RefusingEndpoint : public RecordingEndpoint {
public:
    int refuseWith = 0;

protected:
    int SendDatagram(const char* data, int length, const sockaddr_in& to, int flags, int* error) override
    {
        if (refuseWith) {
            *error = refuseWith;
            refuseWith = 0;
            return SOCKET_ERROR;
        }
        return CSocketEndpoint::SendDatagram(data, length, to, flags, error);
    }
};

class SocketEndpointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, CSocketEndpoint::ListedEndpoints()) << "a test before this one leaked an endpoint";
        ASSERT_EQ(nullptr, CSocketEndpoint::SocketWindow());
    }
};

TEST_F(SocketEndpointTest, TwoEndpointsReceiveOnlyTheirOwnEvents)
{
    RecordingEndpoint a;
    RecordingEndpoint b;
    ASSERT_TRUE(a.OpenOnLoopback(kMessageA));
    ASSERT_TRUE(b.OpenOnLoopback(kMessageB));
    EXPECT_EQ(kMessageA, a.SocketMessage());
    EXPECT_EQ(2u, CSocketEndpoint::ListedEndpoints());
    UdpPeer peer;

    ASSERT_TRUE(peer.SendTo(a.BoundPort(), {1, 2, 3}));
    ASSERT_TRUE(PumpUntil([&] { return a.received == 1; }));
    ASSERT_TRUE(peer.SendTo(b.BoundPort(), {4}));
    ASSERT_TRUE(peer.SendTo(b.BoundPort(), {5}));
    ASSERT_TRUE(PumpUntil([&] { return b.received == 2; }));
    // Whatever was still queued for either has been dispatched by now.
    PumpUntil([] { return false; }, nettest::kSilenceMs);

    EXPECT_EQ(1, a.received);
    EXPECT_EQ(2, b.received);
    for (const std::string& e : a.events) {
        EXPECT_EQ("receive", e);
    }
    for (const std::string& e : b.events) {
        EXPECT_EQ("receive", e);
    }
}

TEST_F(SocketEndpointTest, EventsGoToTheirOperations)
{
    struct Case {
        WORD event;
        const char* operation;  // nullptr: no operation runs
        bool stillOpen;
    };
    const Case cases[] = {
        {FD_READ, "receive", true},    {FD_WRITE, "send", true},   {FD_ACCEPT, "accept", true},
        {FD_CONNECT, "connect", true}, {FD_CLOSE, "close", false}, {FD_OOB, nullptr, true},
        {0x0400, nullptr, true},
    };
    for (const Case& c : cases) {
        RecordingEndpoint endpoint;
        ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
        LRESULT result = SendMessageA(CSocketEndpoint::SocketWindow(), kMessageA,
                                      static_cast<WPARAM>(endpoint.Socket()), WSAMAKESELECTREPLY(c.event, 0));
        EXPECT_EQ(0, result);
        std::vector<std::string> expected;
        if (c.operation) {
            expected.push_back(c.operation);
        }
        EXPECT_EQ(expected, endpoint.events) << "event " << c.event;
        EXPECT_EQ(c.stillOpen, endpoint.IsRunning() != FALSE) << "event " << c.event;
    }
}

TEST_F(SocketEndpointTest, ErrorEventCallsOnErrorThenCloses)
{
    RecordingEndpoint endpoint;
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    SendMessageA(CSocketEndpoint::SocketWindow(), kMessageA, static_cast<WPARAM>(endpoint.Socket()),
                 WSAMAKESELECTREPLY(FD_READ, WSAECONNRESET));
    EXPECT_EQ(std::vector<std::string>{"error"}, endpoint.events) << "no receive with an error";
    EXPECT_EQ(std::vector<int>{WSAECONNRESET}, endpoint.errors);
    EXPECT_FALSE(endpoint.IsRunning());
    EXPECT_EQ(0u, CSocketEndpoint::ListedEndpoints());
}

TEST_F(SocketEndpointTest, MessageOfNoListedEndpointIsLeftToTheDefault)
{
    RecordingEndpoint endpoint;
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    SendMessageA(CSocketEndpoint::SocketWindow(), kMessageB, 0, WSAMAKESELECTREPLY(FD_READ, 0));
    // WM_USER itself is not an endpoint's message even if one were registered under it.
    SendMessageA(CSocketEndpoint::SocketWindow(), WM_USER, 0, WSAMAKESELECTREPLY(FD_READ, 0));
    EXPECT_TRUE(endpoint.events.empty());
    endpoint.Close();
    // A closed endpoint is off the list: its late events reach nobody.
    SendMessageA(CSocketEndpoint::SocketWindow(), kMessageA, 0, WSAMAKESELECTREPLY(FD_READ, 0));
    EXPECT_TRUE(endpoint.events.empty());
}

// An error event still queued for a socket that was closed meanwhile must not close the socket the endpoint
// opened after it.
TEST_F(SocketEndpointTest, StaleErrorEventLeavesTheSocketThatReplacedItsOwnOpen)
{
    RecordingEndpoint endpoint;
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    const SOCKET old = endpoint.Socket();
    endpoint.Close();
    // Holds the old handle's value, should the system hand it out again, so the new socket differs from it.
    SOCKET holder = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    ASSERT_NE(old, endpoint.Socket());

    PostMessageA(CSocketEndpoint::SocketWindow(), kMessageA, static_cast<WPARAM>(old),
                 WSAMAKESELECTREPLY(FD_READ, WSAECONNRESET));
    PostMessageA(CSocketEndpoint::SocketWindow(), kMessageA, static_cast<WPARAM>(holder),
                 WSAMAKESELECTREPLY(FD_CLOSE, 0));
    // A real datagram behind the stale events: once it is received, they have been dispatched.
    UdpPeer peer;
    ASSERT_TRUE(peer.SendTo(endpoint.BoundPort(), {1}));
    ASSERT_TRUE(PumpUntil([&] { return endpoint.received == 1; })) << "the endpoint went deaf";
    EXPECT_EQ(std::vector<std::string>{"receive"}, endpoint.events);
    EXPECT_TRUE(endpoint.errors.empty());
    EXPECT_TRUE(endpoint.IsRunning());
    EXPECT_EQ(1u, CSocketEndpoint::ListedEndpoints());
    closesocket(holder);
}

TEST_F(SocketEndpointTest, EndpointsSharingAMessageEachGetTheirOwnSocketsEvents)
{
    RecordingEndpoint a;
    RecordingEndpoint b;
    ASSERT_TRUE(a.OpenOnLoopback(kMessageA));
    ASSERT_TRUE(b.OpenOnLoopback(kMessageA));
    SendMessageA(CSocketEndpoint::SocketWindow(), kMessageA, static_cast<WPARAM>(b.Socket()),
                 WSAMAKESELECTREPLY(FD_READ, WSAECONNRESET));
    EXPECT_TRUE(a.events.empty()) << "the first endpoint on the list took another socket's error";
    EXPECT_TRUE(a.IsRunning());
    EXPECT_EQ(std::vector<std::string>{"error"}, b.events);
    EXPECT_FALSE(b.IsRunning());

    UdpPeer peer;
    ASSERT_TRUE(peer.SendTo(a.BoundPort(), {1}));
    ASSERT_TRUE(PumpUntil([&] { return a.received == 1; }));
}

TEST_F(SocketEndpointTest, ClosingTwiceIsHarmless)
{
    RecordingEndpoint endpoint;
    RecordingEndpoint other;
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    ASSERT_TRUE(other.OpenOnLoopback(kMessageB));
    endpoint.Close();
    EXPECT_FALSE(endpoint.IsRunning());
    EXPECT_EQ(INVALID_SOCKET, endpoint.Socket());
    EXPECT_EQ(1u, CSocketEndpoint::ListedEndpoints());
    endpoint.Close();
    EXPECT_EQ(1u, CSocketEndpoint::ListedEndpoints()) << "the second close took another endpoint off the list";
    EXPECT_TRUE(other.IsRunning());
    // Idle again: it can be created anew.
    EXPECT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    EXPECT_EQ(2u, CSocketEndpoint::ListedEndpoints());
}

TEST_F(SocketEndpointTest, CreateFailsWhileASocketIsOpen)
{
    RecordingEndpoint endpoint;
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    SOCKET first = endpoint.Socket();
    EXPECT_FALSE(endpoint.Create(SOCK_DGRAM, FD_READ, kMessageB));
    EXPECT_EQ(first, endpoint.Socket());
    EXPECT_EQ(kMessageA, endpoint.SocketMessage());
    EXPECT_EQ(1u, CSocketEndpoint::ListedEndpoints());
}

TEST_F(SocketEndpointTest, DestroyingTheLastEndpointDestroysTheSocketWindow)
{
    RecordingEndpoint* first = new RecordingEndpoint;
    RecordingEndpoint* second = new RecordingEndpoint;
    EXPECT_EQ(nullptr, CSocketEndpoint::SocketWindow()) << "made before any socket";
    ASSERT_TRUE(first->OpenOnLoopback(kMessageA));
    HWND window = CSocketEndpoint::SocketWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, FindWindowA(kSocketWindowClass, NULL));
    ASSERT_TRUE(second->OpenOnLoopback(kMessageB));
    EXPECT_EQ(window, CSocketEndpoint::SocketWindow()) << "one window for all endpoints";

    delete first;
    EXPECT_TRUE(IsWindow(window)) << "an endpoint is still listed";
    delete second;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, CSocketEndpoint::SocketWindow());
    EXPECT_EQ(nullptr, FindWindowA(kSocketWindowClass, NULL));

    RecordingEndpoint later;
    ASSERT_TRUE(later.OpenOnLoopback(kMessageA));
    HWND again = CSocketEndpoint::SocketWindow();
    ASSERT_NE(nullptr, again);
    EXPECT_TRUE(IsWindow(again));
    UdpPeer peer;
    ASSERT_TRUE(peer.SendTo(later.BoundPort(), {9}));
    EXPECT_TRUE(PumpUntil([&] { return later.received == 1; })) << "the new window delivers events";
}

TEST_F(SocketEndpointTest, CloseMessageClosesTheCreatorsSocket)
{
    RecordingEndpoint creator;
    ASSERT_TRUE(creator.OpenOnLoopback(kMessageA));
    HWND window = CSocketEndpoint::SocketWindow();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(creator.IsRunning());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, CSocketEndpoint::SocketWindow());
    ASSERT_TRUE(creator.OpenOnLoopback(kMessageA));
    EXPECT_TRUE(IsWindow(CSocketEndpoint::SocketWindow()));
}

TEST_F(SocketEndpointTest, ReceiveFromReportsTheSender)
{
    RecordingEndpoint endpoint;
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    UdpPeer peer;
    ASSERT_TRUE(peer.SendTo(endpoint.BoundPort(), {1, 2, 3, 4, 5}));
    // Read it straight from the socket, not from the event handler.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(endpoint.Socket(), &readable);
    timeval wait = {5, 0};
    ASSERT_EQ(1, select(0, &readable, nullptr, nullptr, &wait));
    char buffer[16];
    unsigned long address = 0;
    unsigned short port = 0;
    EXPECT_EQ(5, endpoint.ReceiveFrom(buffer, sizeof buffer, &address, &port));
    EXPECT_EQ(nettest::Loopback(), address);
    EXPECT_EQ(peer.Port(), port);

    address = 1;
    port = 1;
    EXPECT_EQ(-1, endpoint.ReceiveFrom(buffer, sizeof buffer, &address, &port)) << "nothing waiting";
    EXPECT_EQ(0u, address);
    EXPECT_EQ(0, port);
}

TEST_F(SocketEndpointTest, ASendRefusedForNoRoomOrForItsDestinationDropsTheDatagramAndKeepsTheSocket)
{
    for (int error :
         {WSAEWOULDBLOCK, WSAENOBUFS, WSAENETUNREACH, WSAEHOSTUNREACH, WSAECONNRESET, WSAEACCES, WSAENETDOWN}) {
        RefusingEndpoint endpoint;
        ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
        UdpPeer peer;
        endpoint.refuseWith = error;
        EXPECT_EQ(-1, endpoint.SendTo("x", 1, nettest::Loopback(), peer.Port(), 0));
        EXPECT_TRUE(endpoint.IsRunning()) << error;
        EXPECT_EQ(1u, endpoint.DroppedSends());
        EXPECT_EQ(error, endpoint.LastError());
        std::vector<uint8_t> got;
        EXPECT_FALSE(peer.Receive(&got, nettest::kSilenceMs)) << "the refused datagram went out";
        // The socket still works.
        EXPECT_EQ(2, endpoint.SendTo("ok", 2, nettest::Loopback(), peer.Port(), 0));
        ASSERT_TRUE(peer.Receive(&got));
        EXPECT_EQ((std::vector<uint8_t>{'o', 'k'}), got);
        EXPECT_EQ(1u, CSocketEndpoint::ListedEndpoints());
    }
}

TEST_F(SocketEndpointTest, ASendFailureOfTheSocketItselfClosesIt)
{
    for (int error : {WSAENOTSOCK, WSAEINVAL, WSAESHUTDOWN}) {
        RefusingEndpoint endpoint;
        ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
        endpoint.refuseWith = error;
        EXPECT_EQ(-1, endpoint.SendTo("x", 1, nettest::Loopback(), 9, 0));
        EXPECT_FALSE(endpoint.IsRunning()) << error;
        EXPECT_EQ(0u, endpoint.DroppedSends());
        EXPECT_EQ(0u, CSocketEndpoint::ListedEndpoints());
        EXPECT_EQ(-1, endpoint.SendTo("x", 1, nettest::Loopback(), 9, 0)) << "no socket any more";
    }
}

TEST_F(SocketEndpointTest, ARealBroadcastRefusalDropsOnlyThatDatagram)
{
    // The system refuses a broadcast from a socket that did not ask for it: that datagram is lost, the
    // socket is not.
    RecordingEndpoint endpoint;
    ASSERT_TRUE(endpoint.OpenOnLoopback(kMessageA));
    EXPECT_EQ(-1, endpoint.SendTo("x", 1, INADDR_BROADCAST, 9, 0));
    EXPECT_EQ(WSAEACCES, endpoint.LastError());
    EXPECT_TRUE(endpoint.IsRunning());
    EXPECT_EQ(1u, endpoint.DroppedSends());
}

}  // namespace
