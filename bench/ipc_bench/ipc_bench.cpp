// ipc_bench: how much the service's request path costs. Three round trips, each made N times with the
// console's own IPC client and timed one by one:
//   echo  - a plain blocking UDP echo on a thread of its own (the floor: sockets, Wine, the client's wait);
//   ping  - IPC_PING through the IPC endpoint: socket window, endpoint, control window, dispatcher, reply;
//   list  - IPC_GET_CLIENTS with a table of 20 clients (a 2452-byte reply).
// The service side is an in-process CIpcServer on its own message-loop thread with a stand-in service, or,
// with --port P, whatever listens there (the real daemon): then only echo, ping and list against it run.
//
//   ipc_bench [--count N] [--port P]
// Prints one line per path: median and p99 in microseconds of the answered round trips, how many of the N
// got no answer within the client's deadline (lost), and the ratio of each median to the echo's; then the
// total lost. Exit status: 0 all answered, 2 some lost, 1 could not start.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ControlWindow.h"
#include "FakeServiceControl.h"
#include "IpcClient.h"
#include "IpcWire.h"

namespace {

constexpr int kDefaultCount = 2000;
constexpr int kMaxCount = 100000;
constexpr int kListedClients = 20;
constexpr DWORD kStartTimeoutMs = 5000;
constexpr char kWindowClass[] = "IpcBenchControlWindow";

// The service thread: the same control-window dispatch as the daemon's, with a stand-in service.
class BenchService {
public:
    BenchService()
    {
        for (int i = 0; i < kListedClients; ++i) {
            IpcClientEntry c;
            c.idHostname = "client-" + std::to_string(i);
            c.inAddr = 0x0000A8C0u | static_cast<uint32_t>(10 + i) << 24;
            service_.clients.push_back(c);
        }
        service_.dhcpExists = true;
        ready_ = CreateEventA(NULL, TRUE, FALSE, NULL);
        thread_ = CreateThread(NULL, 0, Main, this, 0, &threadId_);
        WaitForSingleObject(ready_, kStartTimeoutMs);
    }
    ~BenchService()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, kStartTimeoutMs);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    unsigned short Port() const { return port_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        BenchService* self = reinterpret_cast<BenchService*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_IPC_REQUEST && self) {
            CControlWindow::HandleIpcRequest(self->server_, self->service_, wParam, lParam);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static DWORD WINAPI Main(LPVOID self)
    {
        static_cast<BenchService*>(self)->Run();
        return 0;
    }
    void Run()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = kWindowClass;
        RegisterClassA(&wc);
        HWND window = CreateWindowA(kWindowClass, "", 0, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        server_.SetControlWindow(window);
        bool started = window && server_.StartOn(0, 0);
        port_ = started ? server_.Port() : 0;
        SetEvent(ready_);
        MSG msg;
        while (started && GetMessageA(&msg, NULL, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        server_.Stop();
        server_.Destroy();
        DestroyWindow(window);
    }

    FakeServiceControl service_;
    CIpcServer server_;
    HANDLE ready_ = NULL;
    HANDLE thread_ = NULL;
    DWORD threadId_ = 0;
    unsigned short port_ = 0;
};

// Sends back whatever arrives, until its socket is closed.
class Echo {
public:
    Echo()
    {
        s_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(s_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        int length = sizeof local;
        getsockname(s_, reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
        thread_ = CreateThread(NULL, 0, Main, this, 0, NULL);
    }
    ~Echo()
    {
        closesocket(s_);  // ends the blocking receive
        WaitForSingleObject(thread_, kStartTimeoutMs);
        CloseHandle(thread_);
    }
    unsigned short Port() const { return port_; }

private:
    static DWORD WINAPI Main(LPVOID self)
    {
        Echo* e = static_cast<Echo*>(self);
        std::vector<char> buffer(65536);
        for (;;) {
            sockaddr_in from = {};
            int fromLength = sizeof from;
            int n = recvfrom(e->s_, buffer.data(), static_cast<int>(buffer.size()), 0,
                             reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0) {
                return 0;
            }
            sendto(e->s_, buffer.data(), n, 0, reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    }
    SOCKET s_;
    unsigned short port_ = 0;
    HANDLE thread_;
};

struct Figures {
    double median = 0;
    double p99 = 0;
    int lost = 0;
};

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Trip> Figures Measure(int count, Trip trip)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    Figures f;
    for (int i = 0; i < count; ++i) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        bool ok = trip();
        QueryPerformanceCounter(&b);
        if (ok) {
            times.push_back(Microseconds(a, b, frequency));
        } else {
            ++f.lost;
        }
    }
    if (times.empty()) {
        return f;
    }
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.p99 = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    return f;
}

void Print(const char* name, const Figures& f, int count, double floor)
{
    printf("%-5s median_us=%.1f p99_us=%.1f lost=%d/%d ratio_to_echo=%.2f\n", name, f.median, f.p99, f.lost, count,
           floor > 0 ? f.median / floor : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    int count = kDefaultCount;
    long port = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--count") == 0) {
            count = std::max(1, std::min(kMaxCount, atoi(argv[i + 1])));
        } else if (strcmp(argv[i], "--port") == 0) {
            port = strtol(argv[i + 1], nullptr, 10);
        }
    }
    CIpcClient echoClient;  // constructed first: starts Windows Sockets for the helpers below
    Echo echo;
    BenchService* inProcess = port < 0 ? new BenchService : nullptr;
    unsigned short servicePort = inProcess ? inProcess->Port() : static_cast<unsigned short>(port);
    CIpcClient client;
    if (!servicePort || !client.StartWith(servicePort, "") || !echoClient.StartWith(echo.Port(), "")) {
        fprintf(stderr, "ipc_bench: could not start (service port %u)\n", servicePort);
        delete inProcess;
        return 1;
    }
    printf("ipc_bench count=%d service=%s port=%u\n", count, inProcess ? "in-process" : "external", servicePort);

    // An echo datagram that opens with the magic is a reply to the client, so the floor uses the same wait.
    std::vector<uint8_t> echoDatagram = IpcEncodeReply(nullptr, 0);
    std::vector<uint8_t> list(4000);
    Figures floor = Measure(count, [&] {
        return echoClient.RawRequest(echoDatagram.data(), static_cast<int>(echoDatagram.size()), kIpcPingTimeoutMs,
                                     nullptr, 0, nullptr) != FALSE;
    });
    Figures ping = Measure(count, [&] { return client.PingRequest(IPC_PING) != FALSE; });
    Figures clients = Measure(count, [&] {
        return client.QueryRequest(IPC_GET_CLIENTS, list.data(), static_cast<int>(list.size())) != FALSE;
    });
    Print("echo", floor, count, floor.median);
    Print("ping", ping, count, floor.median);
    Print("list", clients, count, floor.median);
    const int lost = floor.lost + ping.lost + clients.lost;
    printf("lost_total=%d of %d\n", lost, 3 * count);
    delete inProcess;
    return lost ? 2 : 0;
}
