#pragma once
// The older name of the control window's request handling, kept for the IPC benchmark (bench/ipc_bench),
// which drives the same path from a window of its own. New code calls CControlWindow::HandleIpcRequest.
#include "ControlWindow.h"

inline void HandleIpcRequest(CIpcServer& server, IServiceControl& service, WPARAM code, LPARAM id)
{
    CControlWindow::HandleIpcRequest(server, service, code, id);
}
