#pragma once
// The control window's handling of WM_IPC_REQUEST: one console request carried out, answered and released.
#include <windows.h>

#include "IServiceControl.h"
#include "IpcServer.h"

/// Takes the request that the message's code (wParam) and id (lParam) name from server, runs it against the
/// service, sends the answer through server and releases the record. A message that names no waiting
/// request is ignored. After the acknowledgement of IPC_STOP_SERVICE it posts the quit message to the
/// calling thread, which must be the control window's.
void HandleIpcRequest(CIpcServer& server, IServiceControl& service, WPARAM code, LPARAM id);
