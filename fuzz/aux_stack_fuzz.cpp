// The stack method of Windows 95/98 against a stack whose every answer comes from the fuzzer: input is
// the DHCP client's lease table (u16 length, bytes), then one answer per query in the order the method
// asks (a control byte whose bit 0 fails the query, the u32 length the stack reports, u16 length and bytes
// of the reply). Whatever the answers, the method must stay inside its buffers and leave a sane table.
//
// A length the method would grow its buffer to (above the buffer offered, up to kTdiMaxReply) is reported
// cut to kScriptedGrowLimit, four times the longest input of a run (-max_len 4096): no reply can hold
// more than the input, so every reply byte still reaches the parsers, and the grow loop keeps each of its
// ways out (fits, fits but for a partial entry, grows again, runs out of tries, refuses a length above
// kTdiMaxReply, which is reported as it is), but it zero-fills at most 16 KB a query instead of up to
// 256 KB, which cost more than everything else the method does. The replies are read in place.
//
// Likewise the address and route counts of the IP statistics reply, which size the two tables the method
// asks for next (zero-filled, up to 96 and 192 KB): they are cut to kScriptedTableLimit, more entries than
// a reply of the longest input can fill, except for one input in eight (`size % 8 == 0`), which keeps the
// counts it gives, so that the method's own cut at kTdiMaxEntries is still taken.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "MstcpNameServers.h"
#include "RegistryPaths.h"
#include "StackInventory.h"
#include "aux_fuzz_input.h"
#include "testing/FakeRegistry.h"
#include "testing/FakeSystem.h"

namespace {

constexpr uint32_t kScriptedGrowLimit = 0x4000;
constexpr uint32_t kScriptedTableLimit = 256;

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Cuts the address and route counts of an IP statistics reply in `buffer` to kScriptedTableLimit.
void BoundTableCounts(const TdiRequestBytes& request, std::vector<uint8_t>& buffer)
{
    if (Le32(&request[kTdiRequestClass]) != kProtocolClass || Le32(&request[kTdiRequestId]) != kIpStatisticsId ||
        buffer.size() < kIpStatisticsSize)
        return;
    for (const size_t at : {kIpStatisticsAddressCount, kIpStatisticsRouteCount}) {
        if (Le32(&buffer[at]) > kScriptedTableLimit) {
            buffer[at] = static_cast<uint8_t>(kScriptedTableLimit & 0xFF);
            buffer[at + 1] = static_cast<uint8_t>(kScriptedTableLimit >> 8);
            buffer[at + 2] = 0;
            buffer[at + 3] = 0;
        }
    }
}

// What the scripted stack says it holds, for a buffer of `offered` bytes (see above).
uint32_t Reported(uint32_t reported, size_t offered)
{
    if (reported <= offered || reported > kTdiMaxReply)
        return reported;
    return reported < kScriptedGrowLimit ? reported : kScriptedGrowLimit;
}

class CScriptedStack : public ITdiTransport {
public:
    CScriptedStack(CFuzzInput& input, bool boundTables) : input_(input), boundTables_(boundTables) {}
    bool Query(const TdiRequestBytes& request, std::vector<uint8_t>& buffer, uint32_t& returned) override
    {
        if (input_.Empty())
            return false;
        const uint8_t control = input_.Byte();
        const uint32_t reported = input_.U32();
        size_t length = 0;
        const uint8_t* reply = input_.Take(input_.U16(), &length);
        if (control & 1)
            return false;
        const size_t copied = length < buffer.size() ? length : buffer.size();
        if (copied)
            std::memcpy(buffer.data(), reply, copied);
        if (boundTables_)
            BoundTableCounts(request, buffer);
        returned = Reported(reported, buffer.size());
        return true;
    }

private:
    CFuzzInput& input_;
    bool boundTables_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzInput input(data, size);
    CFakeVdhcpDevice vdhcp;
    vdhcp.reply = input.Bytes(input.U16());
    vdhcp.present = !vdhcp.reply.empty();
    CFakeRegistry registry;
    registry.SetText(RegRoot::LocalMachine, kMstcpKey, "NameServer", "10.0.0.53,10.0.0.54");
    CScriptedStack stack(input, size % 8 != 0);
    CAdapterTable table;
    const bool ok = CStackInventory(stack, vdhcp, registry).Run(table);
    if (!ok && (table.AdapterCount() != 0 || table.DnsServerCount() != 0))
        std::abort();
    for (const AdapterRecord& record : table.Adapters()) {
        if (record.description.size() > kDescriptionMax || record.addresses.empty() || record.dhcp < 0 ||
            record.dhcp > 1 || !record.configKey.empty())
            std::abort();
    }
    return 0;
}
