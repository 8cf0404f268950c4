#include "ControlWindow.h"

#include "IpcDispatcher.h"
#include "ServiceNames.h"

namespace {
constexpr UINT_PTR kTickTimerId = 85;
constexpr UINT kTickPeriodMs = 1000;
// Exit code carried by the quit message; the service's loop ignores it.
constexpr int kQuitCode = 0;
}  // namespace

bool CControlWindow::Create(HINSTANCE instance, CIpcServer* ipcServer)
{
    ipcServer_ = ipcServer;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kControlWindowClass;
    RegisterClassA(&windowClass);
    window_ = CreateWindowA(kControlWindowClass, kControlWindowTitle, 0, 0, 0, 0, 0, GetDesktopWindow(), nullptr,
                            instance, this);
    if (window_ == nullptr)
        return false;
    SetTimer(window_, kTickTimerId, kTickPeriodMs, nullptr);
    return true;
}

LRESULT CALLBACK CControlWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    CControlWindow* self = reinterpret_cast<CControlWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr)
        self->OnMessage(message, wParam, lParam);
    // Handled or not, every message also gets the default handling, whose result is the window's answer.
    return DefWindowProcA(window, message, wParam, lParam);
}

void CControlWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_IPC_REQUEST && ipcServer_ != nullptr)
        HandleIpcRequest(*ipcServer_, service_, wParam, lParam);
    else if (message == WM_TIMER)
        tick_.Tick();
}

void CControlWindow::HandleIpcRequest(CIpcServer& server, IServiceControl& service, WPARAM code, LPARAM id)
{
    // A message the endpoint did not post (or posted once and has handled) names no waiting request.
    IpcRequestRecord* request = server.TakeRequest(code, id);
    if (!request)
        return;
    IpcDispatchResult result =
        CIpcDispatcher::Dispatch(service, request->code, request->payload, request->payloadLength);
    if (result.sendReply)
        server.Reply(request, result.data.data(), static_cast<int>(result.data.size()));
    else
        CIpcServer::ReleaseRequest(request);
    if (result.quitAfterReply)
        PostQuitMessage(kQuitCode);
}
