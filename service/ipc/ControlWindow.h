#pragma once
// CControlWindow: the service's hidden window "OmbrixService" (class OmbrixServiceWindow). Console requests
// (WM_IPC_REQUEST, posted by the IPC endpoint) and the one-second tick (WM_TIMER) arrive here, on the
// service-main thread, between the socket events of the same thread, so all service work is serialised
// without locks.
#include <windows.h>

#include "IServiceControl.h"
#include "IServiceTick.h"
#include "IpcServer.h"

class CControlWindow {
public:
    /// Requests are carried out against `service`; every timer message is a tick of `tick`.
    CControlWindow(IServiceControl& service, IServiceTick& tick) : service_(service), tick_(tick) {}
    CControlWindow(const CControlWindow&) = delete;
    CControlWindow& operator=(const CControlWindow&) = delete;

    /// Registers the class, creates the window (never shown, the desktop as parent) and starts the tick's
    /// timer. Requests are taken from `ipcServer`. False when the window cannot be created.
    bool Create(HINSTANCE instance, CIpcServer* ipcServer);
    HWND Handle() const { return window_; }
    /// From now on requests are ignored: the endpoint is about to go.
    void DetachIpcServer() { ipcServer_ = nullptr; }

    /// One WM_IPC_REQUEST: takes the request that the message's code (wParam) and id (lParam) name from
    /// `server`, runs it against `service`, sends the answer through `server` and releases the record. A
    /// message that names no waiting request is ignored. After the acknowledgement of IPC_STOP_SERVICE it
    /// posts the quit message to the calling thread, which must be the control window's.
    static void HandleIpcRequest(CIpcServer& server, IServiceControl& service, WPARAM code, LPARAM id);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    IServiceControl& service_;
    IServiceTick& tick_;
    CIpcServer* ipcServer_ = nullptr;
    HWND window_ = nullptr;
};
