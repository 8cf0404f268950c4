// dhcp_load_reply_fuzz: datagrams through the load generator's reply parser. Every read must stay inside
// the datagram (the sanitizers watch that), and what the parser accepts must be self-consistent: a type,
// and a well-formed reply again when parsed a second time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "CLoadReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that a read one byte past the datagram is caught.
    std::vector<uint8_t> datagram(data, data + size);
    CLoadReply reply;
    const LoadReplyStatus status = reply.Parse(datagram.data(), datagram.size());
    if (status == LoadReplyStatus::Ok) {
        if (reply.type == 0 || size < kLoadOptionsOffset) {
            abort();
        }
        CLoadReply again;
        if (again.Parse(datagram.data(), datagram.size()) != LoadReplyStatus::Ok || again.type != reply.type ||
            again.xid != reply.xid || again.serverId != reply.serverId) {
            abort();
        }
    }
    return 0;
}
