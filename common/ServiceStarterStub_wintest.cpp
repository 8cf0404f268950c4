// Stands in for OmbrixDaemon in the service starter's tests. Run plainly it leaves "stub-ran.txt" beside
// itself and ends; run with "--service" it is a service of its own process that stays RUNNING until the
// service control manager stops it.
#include <windows.h>

#include <cstring>

namespace {

constexpr char kServiceName[] = "OmbrixInternetSharing";
constexpr char kMarkName[] = "stub-ran.txt";

SERVICE_STATUS_HANDLE g_status = NULL;
HANDLE g_stopped = NULL;

void Report(DWORD state)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_status, &status);
}

void WINAPI Handler(DWORD control)
{
    if (control == SERVICE_CONTROL_STOP) {
        SetEvent(g_stopped);
    }
}

void WINAPI ServiceMain(DWORD, LPSTR*)
{
    g_status = RegisterServiceCtrlHandlerA(kServiceName, Handler);
    g_stopped = CreateEventA(NULL, TRUE, FALSE, NULL);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stopped, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "--service") == 0) {
        SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kServiceName), ServiceMain}, {NULL, NULL}};
        return StartServiceCtrlDispatcherA(table) ? 0 : 1;
    }
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (n == 0 || !slash) {
        return 1;
    }
    strcpy(slash + 1, kMarkName);
    HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (mark == INVALID_HANDLE_VALUE) {
        return 1;
    }
    CloseHandle(mark);
    return 0;
}
