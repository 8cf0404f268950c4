#include "ServiceIpc.h"

#include "IpcDispatcher.h"

namespace {
// Exit code carried by the quit message; the service's loop ignores it.
constexpr int kQuitCode = 0;
}  // namespace

void HandleIpcRequest(CIpcServer& server, IServiceControl& service, WPARAM code, LPARAM id)
{
    // A message the endpoint did not post (or posted once and has handled) names no waiting request.
    IpcRequestRecord* request = server.TakeRequest(code, id);
    if (!request) {
        return;
    }
    IpcDispatchResult result =
        CIpcDispatcher::Dispatch(service, request->code, request->payload, request->payloadLength);
    if (result.sendReply) {
        server.Reply(request, result.data.data(), static_cast<int>(result.data.size()));
    } else {
        CIpcServer::ReleaseRequest(request);
    }
    if (result.quitAfterReply) {
        PostQuitMessage(kQuitCode);
    }
}
