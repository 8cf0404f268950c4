// CFakeTdiStack: a TCP/IP stack of Windows 95/98 for the unit tests of the stack method, answering the
// WsControl queries from replies the test builds (or from captured ones). It logs every request, can make
// chosen queries fail, and answers a too small buffer the way the real stack does: the entity list and the
// route table report the full length (so the caller grows its buffer), the rest is cut.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "SystemQueries.h"
#include "TdiQuery.h"

struct FakeInterface {
    uint32_t index = 0;
    uint32_t type = 6;  // Ethernet
    std::vector<uint8_t> hardware;
    std::string description;
};

// Reply builders, laid out field by field as the stack does.
std::vector<uint8_t> BuildEntityList(const std::vector<TdiEntity>& entities);
std::vector<uint8_t> BuildInterfaceEntry(const FakeInterface& iface);
std::vector<uint8_t> BuildIpStatistics(uint32_t addresses, uint32_t routes);
std::vector<uint8_t> BuildAddressTable(const std::vector<TdiAddressEntry>& entries);
std::vector<uint8_t> BuildRouteTable(const std::vector<TdiRouteEntry>& routes);
uint32_t Ip(int a, int b, int c, int d);  // network order

class CFakeTdiStack : public ITdiTransport {
public:
    // The answer to one query, keyed by entity type, instance, class and identifier.
    void SetReply(const TdiRequest& request, const std::vector<uint8_t>& reply);
    // A stack with these interfaces (one interface entity each) and one IP entity holding the addresses and
    // routes; entities are listed in the order given, the IP entity last.
    void Build(const std::vector<FakeInterface>& interfaces, const std::vector<TdiAddressEntry>& addresses,
               const std::vector<TdiRouteEntry>& routes);
    void FailQuery(uint32_t entity, uint32_t infoClass, uint32_t id) { failing_.insert({entity, infoClass, id}); }
    const std::vector<TdiRequestBytes>& Requests() const { return requests_; }

    bool Query(const TdiRequestBytes& request, std::vector<uint8_t>& buffer, uint32_t& returned) override;

private:
    using Key = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>;
    std::map<Key, std::vector<uint8_t>> replies_;
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> failing_;
    std::vector<TdiRequestBytes> requests_;
};
