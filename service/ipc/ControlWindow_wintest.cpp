// The control window under Wine: a CControlWindow with a real IPC endpoint on a thread of its own with a
// message loop, as the service runs it, a fake service behind the requests and a counter behind the tick.
#include "ControlWindow.h"

#include <gtest/gtest.h>

#include <atomic>

#include "FakeServiceControl.h"
#include "IpcWire.h"
#include "NetTestSupport.h"
#include "WineTestSupport.h"

namespace {

using nettest::LeWords;
using nettest::UdpPeer;

const std::vector<uint8_t> kAck = {0xB2, 0x9A, 0x65, 0xF4};
// Any timer message is a tick, whatever its id.
constexpr UINT_PTR kForeignTimerId = 7;
// The window's own timer fires once a second; give a busy machine room.
constexpr DWORD kOwnTickWaitMs = 3000;

class CountingTick : public IServiceTick {
public:
    std::atomic<int> ticks{0};
    void Tick() override { ++ticks; }
};

// The service-main thread: endpoint, control window, message loop until WM_QUIT.
class WindowThread {
public:
    WindowThread()
    {
        ready_ = CreateEventA(NULL, TRUE, FALSE, NULL);
        thread_ = CreateThread(NULL, 0, Main, this, 0, &threadId_);
        WaitForSingleObject(ready_, nettest::kPromptMs);
    }
    ~WindowThread()
    {
        if (!Ended(0)) {
            PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        }
        Ended(nettest::kPromptMs);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }

    bool Started() const { return started_; }
    unsigned short Port() const { return server_.Port(); }
    HWND Window() const { return window_.Handle(); }
    bool Ended(DWORD timeoutMs) { return WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0; }

    FakeServiceControl service;
    CountingTick tick;

private:
    static DWORD WINAPI Main(LPVOID parameter)
    {
        static_cast<WindowThread*>(parameter)->Run();
        return 0;
    }

    void Run()
    {
        started_ = server_.StartOn(0, 0) && window_.Create(GetModuleHandleA(NULL), &server_);
        if (started_) {
            server_.SetControlWindow(window_.Handle());
        }
        SetEvent(ready_);
        if (started_) {
            MSG msg;
            while (GetMessageA(&msg, NULL, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        window_.DetachIpcServer();
        server_.Stop();
        server_.Destroy();
        if (window_.Handle() != NULL) {
            DestroyWindow(window_.Handle());
        }
    }

    CIpcServer server_;
    CControlWindow window_{service, tick};
    HANDLE ready_ = NULL;
    HANDLE thread_ = NULL;
    DWORD threadId_ = 0;
    bool started_ = false;
};

class ControlWindowTest : public ::testing::Test {
protected:
    void SetUp() override { nettest::StartWinsock(); }
};

TEST_F(ControlWindowTest, IsTheHiddenServiceWindow)
{
    WindowThread thread;
    ASSERT_TRUE(thread.Started());
    char text[64] = {};
    ASSERT_GT(GetClassNameA(thread.Window(), text, sizeof text), 0);
    EXPECT_STREQ("OmbrixServiceWindow", text);
    ASSERT_GT(GetWindowTextA(thread.Window(), text, sizeof text), 0);
    EXPECT_STREQ("OmbrixService", text);
    EXPECT_FALSE(IsWindowVisible(thread.Window()));
}

TEST_F(ControlWindowTest, EveryTimerMessageIsATick)
{
    WindowThread thread;
    ASSERT_TRUE(thread.Started());
    const int before = thread.tick.ticks;
    ASSERT_TRUE(PostMessageA(thread.Window(), WM_TIMER, kForeignTimerId, 0));
    EXPECT_TRUE(winetest::WaitFor([&] { return thread.tick.ticks > before; }, nettest::kPromptMs))
        << "got " << thread.tick.ticks << " ticks";

    const int afterPosted = thread.tick.ticks;
    EXPECT_TRUE(winetest::WaitFor([&] { return thread.tick.ticks > afterPosted; }, kOwnTickWaitMs))
        << "the window's own timer did not tick within " << kOwnTickWaitMs << " ms";
}

TEST_F(ControlWindowTest, RequestIsCarriedOutAndAnswered)
{
    WindowThread thread;
    ASSERT_TRUE(thread.Started());
    UdpPeer console;
    ASSERT_TRUE(console.SendTo(thread.Port(), LeWords({IPC_SET_SHARING, 1, 1})));
    std::vector<uint8_t> answer;
    ASSERT_TRUE(console.Receive(&answer));
    EXPECT_EQ(kAck, answer);
    ASSERT_EQ(1u, thread.service.calls.size());
    EXPECT_EQ("SetDriverEnabled(1)", thread.service.calls[0]);
}

TEST_F(ControlWindowTest, StopServiceEndsTheLoopAfterItsAcknowledgement)
{
    WindowThread thread;
    ASSERT_TRUE(thread.Started());
    UdpPeer console;
    ASSERT_TRUE(console.SendTo(thread.Port(), LeWords({IPC_STOP_SERVICE, 0, 0})));
    std::vector<uint8_t> answer;
    ASSERT_TRUE(console.Receive(&answer));
    EXPECT_EQ(kAck, answer);
    EXPECT_TRUE(thread.Ended(nettest::kPromptMs)) << "the loop still runs after the stop request";
}

TEST_F(ControlWindowTest, MessageThatNamesNoRequestIsIgnored)
{
    WindowThread thread;
    ASSERT_TRUE(thread.Started());
    // Any program on the desktop can post this; it names nothing the endpoint waits on.
    ASSERT_TRUE(PostMessageA(thread.Window(), WM_IPC_REQUEST, IPC_STOP_SERVICE, 12345));
    UdpPeer console;
    ASSERT_TRUE(console.SendTo(thread.Port(), LeWords({IPC_PING})));
    std::vector<uint8_t> answer;
    ASSERT_TRUE(console.Receive(&answer)) << "the forged stop ended the service";
    EXPECT_EQ(kAck, answer);
    EXPECT_TRUE(thread.service.calls.empty());
}

}  // namespace
