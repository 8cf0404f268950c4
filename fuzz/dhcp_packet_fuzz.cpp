// dhcp_packet_fuzz: datagrams through the DHCP server core's checks, message handling and reply building,
// against a server whose client table is already filled (leases running, run out, never ending, a DECLINE
// placeholder, a client without identifier), with a fake probe and clock.
//
// The input is one datagram, or several separated by "#NEXT", handled in order (so that a DISCOVER can be
// followed by the REQUEST that takes its offer). After each, the clock moves on and leases and offers
// expire. Every reply must be a well-formed message within the buffer, the table lock is free after every
// message, and no two computers may hold one address among the running leases and open offers (checked
// after every message or after the last, see below).
//
// Cost per input is kept to the core's own work, so that a run reaches millions of inputs: the filled table
// holds each kind of entry the core treats apart and no more (every copy, expiry scan and save costs in
// proportion to it, see BuildTable), is built once and copied in, the files live in reused slots, and the
// dearer checks go by the input's length, each on a fraction that still runs it hundreds of times a second:
// one input in 32 formats every trace line (so the formatting is fuzzed too, the others skip it as a server
// without log file does; a traced input costs over twice as much as an untraced one), one in 13 saves the
// table, loads it back and compares, and one in three checks the clash rule after every message, the others
// after their last one only (the check copies the whole table; expiry only removes holders, so a clash that a
// message makes and no later one undoes is still seen at the end). The clash check compares every pair of
// holders, so it runs only where two holders share a host octet, other than a lease and an offer to the same
// hardware address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CDhcpServerCore.h"
#include "DhcpTableInvariants.h"
#include "DhcpTestSupport.h"
#include "dhcp_fuzz_fakes.h"

using namespace dhcptest;
using namespace dhcpfuzz;

namespace {

constexpr char kSeparator[] = "#NEXT";
constexpr size_t kSeparatorLength = sizeof(kSeparator) - 1;

// Answers for addresses whose last octet is a multiple of 3, so that both passes of a reservation run.
class PatternProbe : public IDhcpAddressProbe {
public:
    bool Answers(uint32_t address) override { return DhcpAddressOctet(address, 3) % 3 == 0; }
};

// Refuses one hardware address.
class PickyProvider : public IDhcpAccessProvider {
public:
    bool Authorise(const uint8_t* hw, int length) override { return length == 6 && hw[5] != 0xEE; }
    void Lease(const uint8_t*, int length, uint32_t) override { Check(length); }
    void Release(const uint8_t*, int length) override { Check(length); }

private:
    static void Check(int length)
    {
        if (length != 6) {
            std::abort();
        }
    }
};

// Checks each reply as it goes out.
class CheckingSender : public IDhcpReplySender {
public:
    bool SendReply(uint32_t, uint16_t port, const uint8_t* bytes, size_t length) override
    {
        if (port != kDhcpClientPort || length < kDhcpMinimumReplySize || length > kDhcpMessageBufferSize ||
            bytes[kDhcpOpOffset] != kBootReply || std::memcmp(bytes + kDhcpCookieOffset, kDhcpMagicCookie, 4) != 0 ||
            bytes[kDhcpTypeTagOffset] != DHO_DHCP_MESSAGE_TYPE || bytes[kDhcpTypeLengthOffset] != 1) {
            std::abort();
        }
        const uint8_t type = bytes[kDhcpTypeValueOffset];
        if (type != DHCPOFFER && type != DHCPACK && type != DHCPNAK) {
            std::abort();
        }
        // The options behind the type are whole and end in END.
        size_t at = kDhcpFirstSearchedOption;
        while (at < length && bytes[at] != DHO_END) {
            if (at + 1 >= length) {
                std::abort();
            }
            at += 2 + bytes[at + 1];
        }
        if (at >= length) {
            std::abort();
        }
        return true;
    }
};

DhcpClientEntry Entry(uint8_t n, uint32_t address, uint32_t start, uint32_t time)
{
    DhcpClientEntry e;
    const uint8_t id[] = {1, 0x02, 0x00, 0x00, 0x77, 0x00, n};
    e.idId.Assign(id, sizeof(id));
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    const uint8_t mac[] = {0x02, 0x00, 0x00, 0x77, 0x00, n};
    std::memcpy(e.hdwrAddr.bytes, mac, sizeof(mac));
    e.inAddr = address;
    e.leaseStart = start;
    e.leaseTime = time;
    return e;
}

// The table every input starts from, built once: 16 entries in a pool of 17 addresses, so that one new
// client takes the last free address. Each entry is made as Entry(n) with n its hardware address's last
// byte: a lease that started 10 n seconds ago, running for 300 seconds, none (no lease) where n is a
// multiple of 4, never ending where n is a multiple of 5. The seeds' clients (hardware addresses ending in
// 0x11 to 0x15) and the addresses they ask for (.2 to .4) are in it; two leases ran out before the first
// message, two run out after the second and the fifth; then a client without identifier and a DECLINE
// placeholder.
std::vector<DhcpClientEntry> BuildTable(uint32_t now)
{
    struct Place {
        uint8_t host;
        uint8_t n;
    };
    static const Place kPlaces[] = {{2, 2},    {3, 3},     {4, 4},   {5, 5},   {6, 0x11}, {7, 0x12}, {8, 0x13},
                                    {9, 0x14}, {10, 0x15}, {11, 29}, {12, 30}, {13, 31},  {14, 33},  {15, 27}};
    std::vector<DhcpClientEntry> table;
    for (const Place& place : kPlaces) {
        const uint8_t n = place.n;
        const uint32_t start = n % 4 == 0 ? 0 : now - n * 10;
        table.push_back(Entry(n, Ip(10, 77, 0, place.host), start, n % 5 == 0 ? kDhcpInfiniteLease : 300));
    }
    DhcpClientEntry anonymous = Entry(0x40, Ip(10, 77, 0, 16), now, 300);
    anonymous.idId.chLen = 0;
    table.push_back(anonymous);
    DhcpClientEntry placeholder;
    const uint8_t declined[] = {1, 0};
    placeholder.idId.Assign(declined, 2);
    placeholder.inAddr = Ip(10, 77, 0, 17);
    placeholder.leaseStart = now;
    placeholder.leaseTime = 300;
    table.push_back(placeholder);
    return table;
}

DhcpSettings BuildSettings()
{
    DhcpSettings s;
    s.serverAddress = Ip(10, 77, 0, 1);
    s.network = Ip(10, 77, 0, 0);
    s.lowAddress = 2;
    s.highAddress = 18;
    s.leaseAddrTimeout = 300;
    s.offerAddrTimeout = 60;
    s.numDomainNameServers = 5;
    return s;
}

// False when the clash check cannot find anything, so that it (a comparison of every pair of holders) need
// not run; same holders as it takes. Holders are sorted by their host octet (two holders of one address
// share it); a second holder of an octet is let through only where it is the one pair the check accepts
// without looking further: a lease and an offer of one address to the same hardware address (a client
// that holds a lease and asks again, which the seeds do all the time). Anything else goes to the check.
bool MayClash(const std::vector<DhcpClientEntry>& clients, const std::vector<DhcpOfferEntry>& offers)
{
    struct Octet {
        const DhcpClientEntry* lease;
        const DhcpOfferEntry* offer;
    };
    Octet seen[256] = {};
    for (const DhcpClientEntry& e : clients) {
        if (e.leaseStart == 0 || e.inAddr == 0) {
            continue;
        }
        Octet& octet = seen[DhcpAddressOctet(e.inAddr, 3)];
        if (octet.lease != nullptr) {
            return true;
        }
        octet.lease = &e;
    }
    for (const DhcpOfferEntry& o : offers) {
        Octet& octet = seen[DhcpAddressOctet(o.inAddr, 3)];
        if (octet.offer != nullptr || (octet.lease != nullptr && (octet.lease->inAddr != o.inAddr ||
                                                                  !octet.lease->hdwrAddr.Equals(o.hdwrAddr)))) {
            return true;
        }
        octet.offer = &o;
    }
    return false;
}

// True when two computers hold one address among the running leases and the open offers.
bool Clashes(const CDhcpServerCore& core)
{
    const std::vector<DhcpClientEntry> clients = core.ClientEntries();
    const std::vector<DhcpOfferEntry> offers = core.OfferEntries();
    return MayClash(clients, offers) && !DhcpAddressClash(clients, offers).empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FakeClock startClock;
    static const std::vector<DhcpClientEntry> table = BuildTable(startClock.now);
    static const DhcpSettings settings = BuildSettings();
    static SlotFileSystem files;
    files.Reset();

    FakeClock clock;
    PatternProbe probe;
    CheckingSender sender;
    DiscardingTrace trace;
    trace.enabled = size % 32 == 0;
    const bool roundTrip = size % 13 == 0;
    const bool clashAfterEach = size % 3 == 0;
    PickyProvider provider;
    FakeLock lock;
    DhcpCollaborators c;
    c.clock = &clock;
    c.probe = &probe;
    c.sender = &sender;
    c.trace = &trace;
    c.files = &files;
    c.accessProvider = &provider;
    c.lock = &lock;
    c.computerName = "FUZZ";
    c.databasePath = "Ombrix.dhcp";
    CDhcpServerCore core(c);
    core.Configure(settings);
    for (const DhcpClientEntry& entry : table) {
        core.AddClientEntry(entry);
    }

    size_t start = 0;
    while (start <= size) {
        const uint8_t* found =
            static_cast<const uint8_t*>(memmem(data + start, size - start, kSeparator, kSeparatorLength));
        const size_t end = found != nullptr ? static_cast<size_t>(found - data) : size;
        core.HandleDatagram(data + start, end - start);
        clock.now += 7;
        core.ExpireLeases();
        core.ExpireOffers();
        if (lock.held || ((clashAfterEach || found == nullptr) && Clashes(core))) {
            std::abort();
        }
        if (found == nullptr) {
            break;
        }
        start = end + kSeparatorLength;
    }
    if (lock.held || lock.recursiveLocks != 0) {
        std::abort();
    }
    if (!roundTrip) {
        return 0;
    }
    // Whatever the messages did to the table, it goes to disk and comes back the same.
    core.SaveClientList();
    const std::vector<IpcClientEntry> before = core.Snapshot();
    core.LoadClientList();
    const std::vector<IpcClientEntry> after = core.Snapshot();
    if (before.size() != after.size() || lock.held) {
        std::abort();
    }
    return 0;
}
