// DISCOVERs answered side by side, each waiting for its own address probe: the runtime's probe threads
// do this, and the core must keep every address for one client while it does.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "CDhcpServerCore.h"
#include "DhcpTableInvariants.h"
#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

class MutexLock : public IDhcpLock {
public:
    void Lock() override { mutex_.lock(); }
    void Unlock() override { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

/// A probe that answers at once for the addresses in `answering` and holds the probes of silent ones in
/// rounds: a round ends when `width` probes are inside at once (or a bound passes), so every silent probe
/// of a round overlaps every other, as a second-long ICMP echo to a silent address does.
class OverlappingProbe : public IDhcpAddressProbe {
public:
    OverlappingProbe(int width, int boundMs) : width_(width), boundMs_(boundMs) {}
    bool Answers(uint32_t address) override
    {
        std::unique_lock<std::mutex> hold(mutex_);
        if (answering.count(address) != 0) {
            return true;
        }
        const int round = round_;
        ++silentProbes_;
        ++inside_;
        if (inside_ > widest_) {
            widest_ = inside_;
        }
        if (inside_ >= width_) {
            ++round_;
            changed_.notify_all();
        } else {
            changed_.wait_for(hold, std::chrono::milliseconds(boundMs_), [this, round] { return round_ != round; });
        }
        --inside_;
        return false;
    }
    int SilentProbes()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return silentProbes_;
    }
    int Widest()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return widest_;
    }

    std::set<uint32_t> answering;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int width_;
    int boundMs_;
    int inside_ = 0;
    int widest_ = 0;
    int round_ = 0;
    int silentProbes_ = 0;
};

class LockedSender : public IDhcpReplySender {
public:
    bool SendReply(uint32_t, uint16_t, const uint8_t* bytes, size_t length) override
    {
        std::lock_guard<std::mutex> hold(mutex_);
        sent.emplace_back(bytes, bytes + length);
        return true;
    }
    std::vector<std::vector<uint8_t>> Sent()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return sent;
    }

private:
    std::mutex mutex_;
    std::vector<std::vector<uint8_t>> sent;
};

struct ParallelRig {
    explicit ParallelRig(int width, int boundMs = 5000) : probe(width, boundMs)
    {
        DhcpCollaborators c;
        c.clock = &clock;
        c.probe = &probe;
        c.sender = &sender;
        c.trace = &trace;
        c.files = &files;
        c.lock = &lock;
        c.saveLock = &saveLock;
        c.computerName = "BASE";
        c.databasePath = "/db/Ombrix.dhcp";
        core.reset(new CDhcpServerCore(c));
        DhcpSettings s;
        s.serverAddress = Ip(192, 168, 0, 1);
        s.network = Ip(192, 168, 0, 0);
        s.lowAddress = 2;
        s.highAddress = 254;
        s.leaseAddrTimeout = 900;
        s.offerAddrTimeout = 180;
        core->Configure(s);
        trace.enabled = false;  // the fake trace keeps no lock of its own
    }

    /// Each message handled on a thread of its own, all at once.
    void HandleAtOnce(const std::vector<std::vector<uint8_t>>& messages)
    {
        std::vector<std::thread> threads;
        for (const auto& m : messages) {
            threads.emplace_back([this, &m] { core->HandleDatagram(m.data(), m.size()); });
        }
        for (std::thread& t : threads) {
            t.join();
        }
    }

    MutexLock lock;
    MutexLock saveLock;
    FakeClock clock;
    OverlappingProbe probe;
    LockedSender sender;
    FakeTrace trace;
    MemoryFileSystem files;
    std::unique_ptr<CDhcpServerCore> core;
};

std::vector<uint8_t> Discover(int client)
{
    const uint8_t last = static_cast<uint8_t>(client);
    return MessageBuilder(DHCPDISCOVER).MacByte(last).ClientId({1, 0, 0x11, 0x22, 0x33, 0x44, last}).Build();
}

TEST(DhcpParallelReservations, ClientsProbingAtOnceAreOfferedAddressesOfTheirOwn)
{
    // .2 and .3 answer: every reservation probes them first, side by side, and must still part ways.
    constexpr int kClients = 12;
    ParallelRig rig(kClients, 2000);
    rig.probe.answering = {Ip(192, 168, 0, 2), Ip(192, 168, 0, 3)};
    std::vector<std::vector<uint8_t>> messages;
    for (int i = 0; i < kClients; ++i) {
        messages.push_back(Discover(0x10 + i));
    }
    rig.HandleAtOnce(messages);

    EXPECT_EQ(kClients, rig.probe.Widest()) << "the probes did not run side by side";
    EXPECT_EQ(kClients, rig.probe.SilentProbes()) << "an address was probed by two reservations at once";
    const std::vector<std::vector<uint8_t>> sent = rig.sender.Sent();
    ASSERT_EQ(static_cast<size_t>(kClients), sent.size());
    std::set<uint32_t> offered;
    for (const auto& reply : sent) {
        EXPECT_EQ(DHCPOFFER, reply[kDhcpTypeValueOffset]);
        offered.insert(ReplyWord(reply, kDhcpYiaddrOffset));
    }
    EXPECT_EQ(static_cast<size_t>(kClients), offered.size()) << "two clients were offered one address";
    EXPECT_EQ(0u, offered.count(Ip(192, 168, 0, 2)));
    EXPECT_EQ(0u, offered.count(Ip(192, 168, 0, 3)));
    EXPECT_EQ("", DhcpAddressClash(rig.core->ClientEntries(), rig.core->OfferEntries()));
    EXPECT_EQ(0u, rig.core->ProbingCount()) << "a reservation was left behind";
}

TEST(DhcpParallelReservations, AClientAsksTwiceWhileItsFirstDiscoverIsProbed)
{
    ParallelRig rig(2, 300);
    rig.HandleAtOnce({Discover(0x20), Discover(0x20)});
    // One of the two is dropped without a probe, so the probe never sees two at once; its bound ends it.
    EXPECT_EQ(1u, rig.sender.Sent().size());
    EXPECT_EQ(1u, rig.core->OfferEntries().size());
    EXPECT_EQ(0u, rig.core->ProbingCount());
}

TEST(DhcpParallelReservations, TheLastAddressGoesToOneOfTwoClientsAskingAtOnce)
{
    // A's lease ended and the pool is full. A asks again while a newcomer asks: whichever reserves the one
    // address first is offered it, the other nothing; never both.
    ParallelRig rig(2, 300);
    rig.core->Configure([&] {
        DhcpSettings s = rig.core->Settings();
        s.lowAddress = 2;
        s.highAddress = 3;  // one address
        return s;
    }());
    DhcpClientEntry a;
    const uint8_t id[] = {1, 0, 0x11, 0x22, 0x33, 0x44, 0x30};
    a.idId.Assign(id, sizeof(id));
    a.hdwrAddr.chType = 1;
    a.hdwrAddr.chLen = 6;
    const uint8_t mac[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x30};
    std::memcpy(a.hdwrAddr.bytes, mac, sizeof(mac));
    a.inAddr = Ip(192, 168, 0, 2);
    ASSERT_TRUE(rig.core->AddClientEntry(a));
    rig.HandleAtOnce({Discover(0x30), Discover(0x31)});
    const std::vector<std::vector<uint8_t>> sent = rig.sender.Sent();
    ASSERT_EQ(1u, sent.size()) << "both were offered the one address";
    EXPECT_EQ("", DhcpAddressClash(rig.core->ClientEntries(), rig.core->OfferEntries()));
}

}  // namespace
