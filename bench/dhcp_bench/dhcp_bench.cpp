// dhcp_bench: what one message costs the DHCP server core, without sockets, threads or a real probe:
//   Renewal        REQUEST without server identifier -> ACK, the lease extended and the client database
//                  saved crash-safely (new file, fsync, rename) to a directory on a real disk (the build
//                  tree's, or OMBRIX_DHCP_BENCH_DIR): on tmpfs an fsync costs nothing and the figure would
//                  hide the one cost that matters; 253-entry table.
//                  Variants: component log on (every line formatted into a sink that drops it) and the
//                  database in memory (the save's file calls left out).
//   Discover*      DISCOVER -> OFFER with an instant probe: a known client (its own address again); a new
//                  client with half the pool taken; a new client when only the last pool address is free
//                  (the whole first pass). The offer is expired again after each message.
//   ExpiryRound    the packet thread's round between messages: expire leases and offers, 253 entries.
// Every figure is wall time (UseRealTime): a renewal spends most of its time waiting for the disk, which
// CPU time does not count.
// There is no peer figure to print beside these: a peer server (dnsmasq) cannot be driven without its
// sockets and lease-file code, so no like-for-like number exists for the bare logic. The lab's DORA
// figures for peers are in the platform notes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

#include "CDhcpServerCore.h"
#include "CPosixDhcpFileSystem.h"
#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

constexpr uint32_t kServer = Ip(192, 168, 0, 254);
constexpr unsigned kPoolHosts = 253;  // host numbers 1 .. 253

class CountingSender : public IDhcpReplySender {
public:
    bool SendReply(uint32_t, uint16_t, const uint8_t* bytes, size_t length) override
    {
        benchmark::DoNotOptimize(bytes[length - 1]);
        ++sent;
        return true;
    }
    size_t sent = 0;
};

class DroppingTrace : public IDhcpTraceSink {
public:
    explicit DroppingTrace(bool on) : on_(on) {}
    bool TraceEnabled() const override { return on_; }
    void TraceLine(const char* message) override { benchmark::DoNotOptimize(message[0]); }

private:
    bool on_;
};

class InstantProbe : public IDhcpAddressProbe {
public:
    bool Answers(uint32_t) override { return false; }
};

// Where the database is saved: OMBRIX_DHCP_BENCH_DIR, else the build tree, which is on the disk the
// service's own files would be on.
std::string ScratchRoot()
{
    const char* dir = getenv("OMBRIX_DHCP_BENCH_DIR");
    return dir != nullptr && *dir != '\0' ? dir : DHCP_BENCH_SCRATCH_ROOT;
}

// tmpfs and ramfs have no disk behind them: fsync returns at once there.
bool InMemoryFileSystem(const std::string& path)
{
    struct statfs fs {};
    if (statfs(path.c_str(), &fs) != 0) {
        return false;
    }
    constexpr long kTmpfsMagic = 0x01021994;
    constexpr long kRamfsMagic = 0x858458f6;
    return fs.f_type == kTmpfsMagic || fs.f_type == kRamfsMagic;
}

// A directory of its own for the database, removed at the end.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::string pattern = ScratchRoot() + "/ombrix-dhcp-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) != nullptr) {
            path_ = name.data();
        }
    }
    ~ScratchDirectory()
    {
        if (!path_.empty()) {
            unlink((path_ + "/" + kDhcpDatabaseFileName).c_str());
            rmdir(path_.c_str());
        }
    }
    bool Made() const { return !path_.empty(); }
    std::string Database() const { return path_ + "/" + kDhcpDatabaseFileName; }

private:
    std::string path_;
};

DhcpClientEntry Entry(unsigned host, uint32_t now)
{
    DhcpClientEntry e;
    const uint8_t id[] = {1, 0x02, 0x00, 0x00, 0x01, static_cast<uint8_t>(host >> 8), static_cast<uint8_t>(host)};
    e.idId.Assign(id, sizeof(id));
    const std::string name = "client-" + std::to_string(host);
    e.idHostname.Assign(reinterpret_cast<const uint8_t*>(name.data()), name.size());
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    std::memcpy(e.hdwrAddr.bytes, id + 1, 6);
    e.inAddr = Ip(192, 168, 0, host);
    e.leaseStart = now;
    e.leaseTime = 900;
    return e;
}

MessageBuilder ClientMessage(uint8_t type, unsigned host)
{
    MessageBuilder m(type);
    m.Mac({0x02, 0x00, 0x00, 0x01, static_cast<int>(host >> 8 & 0xFF), static_cast<int>(host & 0xFF)});
    m.ClientId({1, 0x02, 0x00, 0x00, 0x01, static_cast<int>(host >> 8 & 0xFF), static_cast<int>(host & 0xFF)});
    m.Params({1, 3, 6, 15, 51});
    return m;
}

struct Server {
    Server(bool trace, IDhcpFileSystem* files, const std::string& path, unsigned entries) : sink(trace)
    {
        DhcpCollaborators c;
        c.clock = &clock;
        c.probe = &probe;
        c.sender = &sender;
        c.trace = &sink;
        c.files = files;
        c.lock = &lock;
        c.computerName = "BASE";
        c.databasePath = path;
        core.reset(new CDhcpServerCore(c));
        DhcpSettings s;
        s.serverAddress = kServer;
        s.network = Ip(192, 168, 0, 0);
        s.lowAddress = 1;
        s.highAddress = kPoolHosts + 1;
        s.leaseAddrTimeout = 900;
        s.offerAddrTimeout = 0;  // every offer is gone at the next expiry
        core->Configure(s);
        for (unsigned h = 1; h <= entries; ++h) {
            core->AddClientEntry(Entry(h, clock.now));
        }
    }

    FakeClock clock;
    InstantProbe probe;
    CountingSender sender;
    DroppingTrace sink;
    FakeLock lock;
    std::unique_ptr<CDhcpServerCore> core;
};

void Renewal(benchmark::State& state)
{
    const bool trace = state.range(0) != 0;
    const bool disk = state.range(1) != 0;
    ScratchDirectory dir;
    if (disk && !dir.Made()) {
        state.SkipWithError(("cannot make a directory under " + ScratchRoot()).c_str());
        return;
    }
    CPosixDhcpFileSystem posix;
    MemoryFileSystem memory;
    Server server(trace, disk ? static_cast<IDhcpFileSystem*>(&posix) : &memory, dir.Database(), kPoolHosts);
    std::vector<std::vector<uint8_t>> requests;
    for (unsigned h = 1; h <= kPoolHosts; ++h) {
        requests.push_back(ClientMessage(DHCPREQUEST, h).Ciaddr(Ip(192, 168, 0, h)).Build());
    }
    size_t i = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& r = requests[i++ % requests.size()];
        server.core->HandleDatagram(r.data(), r.size());
    }
    if (server.sender.sent != static_cast<size_t>(state.iterations())) {
        state.SkipWithError("not every renewal was answered");
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["table"] = kPoolHosts;
}
BENCHMARK(Renewal)->ArgNames({"trace", "disk"})->Args({0, 1})->Args({1, 1})->Args({0, 0})->UseRealTime();

// DISCOVER from `host`'s client against a table of `entries`, then the offer expires again.
void Discover(benchmark::State& state, unsigned entries, unsigned firstClient, unsigned clients)
{
    MemoryFileSystem memory;
    Server server(false, &memory, "Ombrix.dhcp", entries);
    std::vector<std::vector<uint8_t>> discovers;
    for (unsigned n = 0; n < clients; ++n) {
        discovers.push_back(ClientMessage(DHCPDISCOVER, firstClient + n).Build());
    }
    size_t i = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& d = discovers[i++ % discovers.size()];
        server.core->HandleDatagram(d.data(), d.size());
        server.core->ExpireOffers();
    }
    if (server.sender.sent != static_cast<size_t>(state.iterations())) {
        state.SkipWithError("not every DISCOVER was answered");
    }
    state.SetItemsProcessed(state.iterations());
}

void DiscoverKnownClient(benchmark::State& state)
{
    Discover(state, kPoolHosts, 1, kPoolHosts);
}
BENCHMARK(DiscoverKnownClient)->UseRealTime();

void DiscoverNewClientHalfPool(benchmark::State& state)
{
    Discover(state, kPoolHosts / 2, 1000, 64);
}
BENCHMARK(DiscoverNewClientHalfPool)->UseRealTime();

void DiscoverNewClientLastAddress(benchmark::State& state)
{
    Discover(state, kPoolHosts - 1, 1000, 64);
}
BENCHMARK(DiscoverNewClientLastAddress)->UseRealTime();

void ExpiryRound(benchmark::State& state)
{
    MemoryFileSystem memory;
    Server server(false, &memory, "Ombrix.dhcp", kPoolHosts);
    for (auto _ : state) {
        server.core->ExpireLeases();
        server.core->ExpireOffers();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ExpiryRound)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    benchmark::AddCustomContext("peer", "none: no like-for-like figure exists for the bare logic (see the header)");
    benchmark::AddCustomContext("build", "core at -O2 without sanitizer instrumentation");
    benchmark::AddCustomContext("time", "wall clock (the renewal waits for its fsync)");
    const std::string root = ScratchRoot();
    benchmark::AddCustomContext("database_dir",
                                root + (InMemoryFileSystem(root) ? " (in memory: fsync is free here)" : ""));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
