// Random datagrams through the service's request path: the decoder drops what is too short, the dispatcher
// carries out the rest against a fake service. Any crash, leak or undefined behaviour is a finding; the
// checks below hold for every input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FakeServiceControl.h"
#include "IpcDispatcher.h"
#include "IpcWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IpcRequestView request;
    if (!IpcDecodeRequest(data, size, &request)) {
        return 0;
    }
    FakeServiceControl service;
    // The first payload byte picks the state of the servers, so every branch of the status replies is reached.
    uint8_t state = request.payloadLength ? request.payload[0] : 0;
    service.dhcpExists = state & 1;
    service.dhcpRunning = service.dhcpExists && (state & 2);
    service.dnsExists = state & 4;
    service.dnsRunning = service.dnsExists && (state & 8);
    service.switchesSucceed = !(state & 16);
    if (service.dhcpExists && (state & 32)) {
        service.clients.resize(request.payloadLength % 7);
    }

    IpcDispatchResult result = CIpcDispatcher::Dispatch(service, request.code, request.payload, request.payloadLength);
    bool known = CIpcDispatcher::IsKnownCode(request.code);
    if (result.sendReply != known || (!known && service.logLines.size() != 1)) {
        abort();
    }
    if (result.quitAfterReply != (request.code == IPC_STOP_SERVICE)) {
        abort();
    }
    std::vector<uint8_t> reply = IpcEncodeReply(result.data.data(), result.data.size());
    if (!IpcIsReply(reply.data(), reply.size()) || reply.size() > kIpcMaxDatagramSize) {
        abort();
    }
    if (request.code == IPC_GET_CLIENTS) {
        IpcClientList list;
        if (!IpcDecodeClientList(result.data.data(), result.data.size(), &list) || list.clients.size() != list.count) {
            abort();
        }
    }
    return 0;
}
