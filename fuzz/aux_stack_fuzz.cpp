// The stack method of Windows 95/98 against a stack whose every answer comes from the fuzzer: input is
// the DHCP client's lease table (u16 length, bytes), then one answer per query in the order the method
// asks (a control byte whose bit 0 fails the query, the u32 length the stack reports, u16 length and bytes
// of the reply). Whatever the answers, the method must stay inside its buffers and leave a sane table.
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

class CScriptedStack : public ITdiTransport {
 public:
  explicit CScriptedStack(CFuzzInput& input) : input_(input) {}
  bool Query(const TdiRequestBytes&, std::vector<uint8_t>& buffer, uint32_t& returned) override {
    if (input_.Empty()) return false;
    const uint8_t control = input_.Byte();
    const uint32_t reported = input_.U32();
    const std::vector<uint8_t> reply = input_.Bytes(input_.U16());
    if (control & 1) return false;
    const size_t copied = reply.size() < buffer.size() ? reply.size() : buffer.size();
    if (copied) std::memcpy(buffer.data(), reply.data(), copied);
    returned = reported;
    return true;
  }

 private:
  CFuzzInput& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CFuzzInput input(data, size);
  CFakeVdhcpDevice vdhcp;
  vdhcp.reply = input.Bytes(input.U16());
  vdhcp.present = !vdhcp.reply.empty();
  CFakeRegistry registry;
  registry.SetText(RegRoot::LocalMachine, kMstcpKey, "NameServer", "10.0.0.53,10.0.0.54");
  CScriptedStack stack(input);
  CAdapterTable table;
  const bool ok = CStackInventory(stack, vdhcp, registry).Run(table);
  if (!ok && (table.AdapterCount() != 0 || table.DnsServerCount() != 0)) std::abort();
  for (const AdapterRecord& record : table.Adapters()) {
    if (record.description.size() > kDescriptionMax || record.addresses.empty() || record.dhcp < 0 ||
        record.dhcp > 1 || !record.configKey.empty())
      std::abort();
  }
  return 0;
}
