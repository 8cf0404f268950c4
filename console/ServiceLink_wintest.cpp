// The console's service link under Wine: one request at a time. A scripted service on this thread answers
// the first request while its wait dispatches a timer that starts a second request; the reply belongs to
// the first. The raw IPC client is run through the same steps to show what the link prevents.
#include "ServiceLink.h"

#include <gtest/gtest.h>

#include <vector>

#include "IpcWire.h"
#include "NetTestSupport.h"
#include "WineTestSupport.h"

namespace {

nettest::UdpPeer* g_service = nullptr;
bool g_innerResult = false;
bool g_innerRan = false;
bool (*g_inner)() = nullptr;

/// During the outer wait: the service answers the outer request, then the inner request starts.
VOID CALLBACK AnswerThenAskAgain(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    std::vector<uint8_t> request;
    if (g_service->Receive(&request, 2000))
        g_service->Answer(IpcEncodeReply(nullptr, 0));
    g_innerResult = g_inner();
    g_innerRan = true;
}

class ServiceLinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service_.Bound());
        g_service = &service_;
        g_innerRan = false;
        ASSERT_TRUE(winetest::WriteIni("IPC", "ServerPort", std::to_string(service_.Port()).c_str()));
    }
    void TearDown() override
    {
        g_service = nullptr;
        winetest::RemoveIni();
    }
    /// Datagrams the service got after the first, within a short look.
    int FurtherRequests()
    {
        int n = 0;
        std::vector<uint8_t> request;
        while (service_.Receive(&request, 300))
            ++n;
        return n;
    }

    winetest::CIniFileSnapshot ini_;
    nettest::UdpPeer service_;
};

CServiceLink* g_link = nullptr;
CIpcClient* g_client = nullptr;

}  // namespace

TEST_F(ServiceLinkTest, ARequestStartedDuringAWaitIsRefusedAndTheWaitingOneKeepsItsReply)
{
    CServiceLink link;
    ASSERT_TRUE(link.Start());
    g_link = &link;
    g_inner = [] { return g_link->Ping(); };
    ASSERT_NE(0u, SetTimer(NULL, 0, 50, AnswerThenAskAgain));
    const bool outer = link.Ping();
    ASSERT_TRUE(g_innerRan) << "the timer never ran during the wait";
    EXPECT_TRUE(outer) << "the waiting request lost its reply";
    EXPECT_FALSE(g_innerResult);
    EXPECT_EQ(1ul, link.Refused());
    EXPECT_EQ(0, FurtherRequests()) << "the refused request was sent";
    EXPECT_FALSE(link.Busy());
    // Afterwards requests go out again.
    g_inner = nullptr;
    EXPECT_FALSE(link.Ping());  // silent service
    EXPECT_EQ(1, FurtherRequests()) << "the next request did not go out";
}

TEST_F(ServiceLinkTest, WithoutTheLinkTheNestedRequestTakesTheWaitingOnesReply)
{
    CIpcClient client;
    ASSERT_TRUE(client.StartWith(service_.Port(), nullptr));
    g_client = &client;
    g_inner = [] { return g_client->PingRequest(1124) != FALSE; };
    ASSERT_NE(0u, SetTimer(NULL, 0, 50, AnswerThenAskAgain));
    const bool outer = client.PingRequest(1124) != FALSE;
    ASSERT_TRUE(g_innerRan);
    EXPECT_TRUE(g_innerResult);
    EXPECT_FALSE(outer);
}
