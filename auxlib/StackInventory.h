// CStackInventory: the adapter inventory of Windows 95/98 from the running TCP/IP stack. The stack lists
// its entities; each interface entity gives one interface, each IP entity the address and route tables;
// the DHCP client's lease table tells which interfaces use DHCP and which DNS servers they were given,
// the MSTCP key the DNS servers of the static ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "AdapterTable.h"
#include "RegistryAccess.h"
#include "SystemQueries.h"

// A stack has far fewer table entries, and never needs a reply this large; they bound what a broken or
// hostile answer could make the method allocate.
constexpr uint32_t kTdiMaxEntries = 4096;
constexpr uint32_t kTdiMaxReply = 0x40000;
// Growing a buffer to the length the stack asks for settles at the second try; more tries mean a stack
// that keeps asking for more.
constexpr int kTdiMaxTries = 8;

class CStackInventory {
public:
    CStackInventory(ITdiTransport& transport, IVdhcpDevice& vdhcp, IRegistry& registry)
        : transport_(transport), vdhcp_(vdhcp), registry_(registry)
    {}

    // Appends the adapters and their DNS servers to table. Any failing query leaves the table as it was and
    // returns false.
    bool Run(CAdapterTable& table);

private:
    struct Interface {
        TdiInterface entry;
        std::vector<TdiAddressEntry> addresses;  // address and mask, nonzero addresses only
        std::vector<uint32_t> gateways;          // next hops of default routes
    };

    bool Query(const TdiRequest& request, std::vector<uint8_t>& buffer, uint32_t& returned);
    // A query whose buffer grows to the length the stack asks for (rounded down to a multiple of multiple).
    bool QueryGrowing(const TdiRequest& request, size_t initialSize, size_t multiple, std::vector<uint8_t>& buffer,
                      size_t& length);
    bool ListEntities(std::vector<TdiEntity>& entities);
    bool EntityKind(const TdiEntity& entity, uint32_t& kind);
    bool ReadInterface(const TdiEntity& entity, std::vector<Interface>& interfaces);
    bool ReadIpTables(const TdiEntity& entity, std::vector<Interface>& interfaces);
    void AddAdapters(const std::vector<Interface>& interfaces, CAdapterTable& table);

    ITdiTransport& transport_;
    IVdhcpDevice& vdhcp_;
    IRegistry& registry_;
};
