#include "ServiceIpc.h"

#include "IpcDispatcher.h"

namespace {
// Exit code carried by the quit message; the service's loop ignores it.
constexpr int kQuitCode = 0;
}  // namespace

void HandleIpcRequest(CIpcServer& server, IServiceControl& service, WPARAM code, LPARAM record)
{
    IpcRequestRecord* request = reinterpret_cast<IpcRequestRecord*>(record);
    if (!request) {
        return;
    }
    IpcDispatchResult result =
        CIpcDispatcher::Dispatch(service, static_cast<uint32_t>(code), request->payload, request->payloadLength);
    if (result.sendReply) {
        server.Reply(request, result.data.data(), static_cast<int>(result.data.size()));
    } else {
        CIpcServer::ReleaseRequest(request);
    }
    if (result.quitAfterReply) {
        PostQuitMessage(kQuitCode);
    }
}
