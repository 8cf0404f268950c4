// wine_baseline [-service] DLL...: a Win32 program that does what every windowed, networked service does
// before its own work starts and then idles, so that its resident memory is what Wine costs such a program.
// It loads each DLL named on its command line (the bench passes the list of system modules mapped in the
// daemon, so both processes hold the same libraries), starts Winsock, opens a UDP socket tied to a hidden
// window and runs a message loop until it is stopped or killed. With -service it does that in the service
// main of a service started by the control manager, as the daemon does, so the control manager's own
// threads are counted on both sides. It prints "ready" (or, as a service, reports RUNNING) when it idles.
#include <winsock.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kWindowClass[] = "WineBaselineWindow";
constexpr UINT kSocketMessage = WM_USER + 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

char kServiceName[] = "WineBaseline";
SERVICE_STATUS_HANDLE g_status = nullptr;
int g_argc = 0;
char** g_argv = nullptr;
int g_firstDll = 1;

void Report(DWORD state)
{
    SERVICE_STATUS status;
    std::memset(&status, 0, sizeof status);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_status, &status);
}

DWORD g_mainThread = 0;

void WINAPI ControlHandler(DWORD control)
{
    if (control == SERVICE_CONTROL_STOP)
        PostThreadMessageA(g_mainThread, WM_QUIT, 0, 0);
}

int Idle(bool service);

void WINAPI ServiceMain(DWORD, LPSTR*)
{
    g_status = RegisterServiceCtrlHandlerA(kServiceName, ControlHandler);
    Idle(true);
    Report(SERVICE_STOPPED);
}

int Idle(bool service)
{
    g_mainThread = GetCurrentThreadId();
    int loaded = 0;
    for (int i = g_firstDll; i < g_argc; ++i) {
        if (LoadLibraryA(g_argv[i]) != nullptr)
            ++loaded;
        else
            std::fprintf(stderr, "wine_baseline: cannot load %s (error %lu)\n", g_argv[i], GetLastError());
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        std::fprintf(stderr, "wine_baseline: WSAStartup failed\n");
        return 1;
    }
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA(kWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, 0);
    if (window == nullptr || udp == INVALID_SOCKET) {
        std::fprintf(stderr, "wine_baseline: no window or socket\n");
        return 1;
    }
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address);
    WSAAsyncSelect(udp, window, kSocketMessage, FD_READ);
    SetTimer(window, 1, 1000, nullptr);
    if (service) {
        Report(SERVICE_RUNNING);
    } else {
        std::printf("ready loaded=%d of %d\n", loaded, g_argc - g_firstDll);
        std::fflush(stdout);
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    g_argc = argc;
    g_argv = argv;
    if (argc > 1 && std::strcmp(argv[1], "-service") == 0) {
        g_firstDll = 2;
        const SERVICE_TABLE_ENTRYA table[] = {{kServiceName, ServiceMain}, {nullptr, nullptr}};
        return StartServiceCtrlDispatcherA(table) ? 0 : 1;
    }
    return Idle(false);
}
