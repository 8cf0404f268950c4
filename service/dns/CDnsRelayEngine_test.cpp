#include "CDnsRelayEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DnsTestMessages.h"

namespace {

class FakeClock : public IDnsClock {
public:
    uint32_t NowMs() override { return now; }
    uint32_t now = 1000;
};

constexpr uint32_t kServer = 0x0100630A;   // 10.99.0.1
constexpr uint32_t kClientA = 0xC700A8C0;  // 192.168.0.199
constexpr uint32_t kClientB = 0xC800A8C0;  // 192.168.0.200
const DnsPeer kFromServer{kServer, kDnsPort};

struct Relay {
    FakeClock clock;
    CDnsRelayEngine engine;
    explicit Relay(size_t limit = kDnsDefaultPendingLimit) : engine(clock, limit) { engine.SetServer(kServer); }

    /// Forwards `query` from `client`; returns the datagram as it would leave.
    std::vector<uint8_t> Forward(std::vector<uint8_t> query, DnsPeer client, DnsDecision* out = nullptr)
    {
        const DnsDecision d = engine.HandleQuery(query.data(), query.size(), client);
        if (out != nullptr)
            *out = d;
        return query;
    }
    DnsDecision Answer(std::vector<uint8_t>& answer, DnsPeer from = kFromServer)
    {
        return engine.Handle(answer.data(), answer.size(), from);
    }
};

TEST(DnsRelayEngine, TwoClientsWithTheSameIdEachGetTheirOwnAnswer)
{
    Relay r;
    DnsDecision da, db;
    const auto fa = r.Forward(DnsTestQuery(0x1234, "www.lab.test"), {kClientA, 5000}, &da);
    const auto fb = r.Forward(DnsTestQuery(0x1234, "ftp.lab.test"), {kClientB, 5000}, &db);
    ASSERT_EQ(da.action, DnsAction::Forward);
    ASSERT_EQ(db.action, DnsAction::Forward);
    EXPECT_EQ(da.relayId, 1);
    EXPECT_EQ(db.relayId, 2);
    EXPECT_EQ(da.to.address, kServer);
    EXPECT_EQ(da.to.port, kDnsPort);
    // Low byte first.
    EXPECT_EQ(fa[0], 1);
    EXPECT_EQ(fa[1], 0);
    EXPECT_EQ(fb[0], 2);

    struct Case {
        const char* what;
        std::vector<uint8_t> answer;
        uint32_t client;
    };
    const std::vector<Case> cases = {
        {"B's answer first", DnsTestAnswerTo(fb, "ftp.lab.test"), kClientB},
        {"then A's", DnsTestAnswerTo(fa, "www.lab.test"), kClientA},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.what);
        const DnsDecision d = r.Answer(c.answer);
        ASSERT_EQ(d.action, DnsAction::Reply);
        EXPECT_EQ(d.to.address, c.client);
        EXPECT_EQ(d.to.port, 5000);
        EXPECT_EQ(DnsReadId(c.answer.data()), 0x1234);
    }
    EXPECT_EQ(r.engine.Pending(), 0u);
    EXPECT_TRUE(r.engine.Consistent());
}

TEST(DnsRelayEngine, ARepeatedQueryReusesItsEntryAndTheAnswerGoesToTheNewPort)
{
    Relay r;
    DnsDecision first, again;
    r.Forward(DnsTestQuery(0x4242, "www.lab.test"), {kClientA, 5000}, &first);
    r.clock.now += 3000;
    const auto f = r.Forward(DnsTestQuery(0x4242, "www.lab.test"), {kClientA, 6000}, &again);
    EXPECT_TRUE(first.newEntry);
    EXPECT_FALSE(again.newEntry);
    EXPECT_EQ(again.relayId, first.relayId);
    EXPECT_EQ(r.engine.Counter(), 1);
    EXPECT_EQ(r.engine.Pending(), 1u);
    // The repeat counts from its own forward: 15 s after the first it is still pending.
    r.clock.now += 13000;
    EXPECT_EQ(r.engine.Expire(), 0u);
    auto answer = DnsTestAnswerTo(f, "www.lab.test");
    const DnsDecision d = r.Answer(answer);
    ASSERT_EQ(d.action, DnsAction::Reply);
    EXPECT_EQ(d.to.port, 6000);
}

TEST(DnsRelayEngine, ExpiryAfterFifteenSecondsWithTheUnsignedDifference)
{
    struct Case {
        const char* what;
        uint32_t forwardedAt;
        uint32_t waited;
        bool expired;
    };
    const std::vector<Case> cases = {
        {"15000 ms is not yet too old", 1000, 15000, false},
        {"15001 ms is", 1000, 15001, true},
        {"a late answer after 16 s", 1000, 16000, true},
        {"the count wraps between forward and tick", 0xFFFFF000u, 15001, true},
        {"the count wraps, still young", 0xFFFFF000u, 5000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Relay r;
        r.clock.now = c.forwardedAt;
        const auto f = r.Forward(DnsTestQuery(9, "www.lab.test"), {kClientA, 5000});
        r.clock.now = c.forwardedAt + c.waited;
        EXPECT_EQ(r.engine.Expire(), c.expired ? 1u : 0u);
        auto answer = DnsTestAnswerTo(f, "www.lab.test");
        const DnsDecision d = r.Answer(answer);
        EXPECT_EQ(d.action, c.expired ? DnsAction::Drop : DnsAction::Reply);
        if (c.expired) {
            EXPECT_EQ(d.reason, DnsDropReason::AnswerUnknownId);
        }
    }
}

TEST(DnsRelayEngine, ExpiryDropsOnlyTheOldOnes)
{
    Relay r;
    for (uint16_t i = 0; i < 10; ++i) {
        r.Forward(DnsTestQuery(i, "www.lab.test"), {kClientA, 5000});
        r.clock.now += 1000;
    }
    // Now = start + 10 s; at start + 20.5 s the first five (0..4 s) are more than 15 s old.
    r.clock.now += 10500;
    EXPECT_EQ(r.engine.Expire(), 6u);
    EXPECT_EQ(r.engine.Pending(), 4u);
    EXPECT_EQ(r.engine.Expired(), 6u);
    EXPECT_TRUE(r.engine.Consistent());
}

TEST(DnsRelayEngine, TheCounterWrapsAndAnIdStillHeldIsGivenUp)
{
    Relay r;
    // The first query keeps relay id 1 pending while 65 535 others come and are answered.
    const auto held = r.Forward(DnsTestQuery(0xAAAA, "www.lab.test"), {kClientA, 5000});
    ASSERT_EQ(DnsReadId(held.data()), 1);
    for (uint32_t i = 0; i < 65534; ++i) {
        const auto f = r.Forward(DnsTestQuery(static_cast<uint16_t>(i), "ftp.lab.test"), {kClientB, 5000});
        auto answer = DnsTestAnswerTo(f, "ftp.lab.test");
        ASSERT_EQ(r.Answer(answer).action, DnsAction::Reply);
    }
    EXPECT_EQ(r.engine.Counter(), 65535);
    DnsDecision wrapped, onto;
    r.Forward(DnsTestQuery(0x0101, "mail.lab.test"), {kClientB, 5001}, &wrapped);
    EXPECT_EQ(wrapped.relayId, 0);
    EXPECT_EQ(r.engine.EvictedByWrap(), 0u);
    const auto f = r.Forward(DnsTestQuery(0x0102, "mail.lab.test"), {kClientB, 5001}, &onto);
    EXPECT_EQ(onto.relayId, 1);
    EXPECT_EQ(r.engine.EvictedByWrap(), 1u);
    EXPECT_FALSE(r.engine.FindByClient(kClientA, 0xAAAA, nullptr));
    // The old server answer for relay id 1 (A's question) now finds B's query and is refused by its question.
    auto stale = DnsTestAnswerTo(held, "www.lab.test");
    const DnsDecision d = r.Answer(stale);
    EXPECT_EQ(d.action, DnsAction::Drop);
    EXPECT_EQ(d.reason, DnsDropReason::AnswerWrongQuestion);
    auto answer = DnsTestAnswerTo(f, "mail.lab.test");
    const DnsDecision ok = r.Answer(answer);
    ASSERT_EQ(ok.action, DnsAction::Reply);
    EXPECT_EQ(ok.to.address, kClientB);
    EXPECT_EQ(DnsReadId(answer.data()), 0x0102);
    EXPECT_TRUE(r.engine.Consistent());
}

TEST(DnsRelayEngine, TheBoundDropsTheOldestFirst)
{
    Relay r(3);
    for (uint16_t id = 1; id <= 5; ++id) {
        r.Forward(DnsTestQuery(id, "www.lab.test"), {kClientA, 5000});
        r.clock.now += 10;
    }
    EXPECT_EQ(r.engine.Pending(), 3u);
    EXPECT_EQ(r.engine.EvictedByBound(), 2u);
    struct Case {
        uint16_t clientId;
        bool pending;
    };
    const std::vector<Case> cases = {{1, false}, {2, false}, {3, true}, {4, true}, {5, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clientId);
        EXPECT_EQ(r.engine.FindByClient(kClientA, c.clientId, nullptr), c.pending);
    }
    // A repeat makes a query the youngest again: the next new one pushes out 4, not 3.
    r.Forward(DnsTestQuery(3, "www.lab.test"), {kClientA, 5000});
    r.Forward(DnsTestQuery(6, "www.lab.test"), {kClientA, 5000});
    EXPECT_TRUE(r.engine.FindByClient(kClientA, 3, nullptr));
    EXPECT_FALSE(r.engine.FindByClient(kClientA, 4, nullptr));
    EXPECT_TRUE(r.engine.Consistent());
}

TEST(DnsRelayEngine, QueriesTheRelayDoesNotForward)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> query;
        uint32_t server;
        DnsDropReason reason;
    };
    const std::vector<Case> cases = {
        {"empty", {}, kServer, DnsDropReason::ShortQuery},
        {"one byte", {0x12}, kServer, DnsDropReason::ShortQuery},
        {"bigger than 2048 bytes", std::vector<uint8_t>(kDnsMaxDatagram + 1, 0), kServer, DnsDropReason::Oversize},
        {"no DNS server known", DnsTestQuery(1, "www.lab.test"), 0, DnsDropReason::NoServer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Relay r;
        r.engine.SetServer(c.server);
        std::vector<uint8_t> exact(c.query);
        const DnsDecision d = r.engine.HandleQuery(exact.data(), exact.size(), {kClientA, 5000});
        EXPECT_EQ(d.action, DnsAction::Drop);
        EXPECT_EQ(d.reason, c.reason);
        EXPECT_EQ(r.engine.Dropped(c.reason), 1u);
        EXPECT_EQ(r.engine.Pending(), 0u);
    }
}

TEST(DnsRelayEngine, ShortAndOddQueriesAreStillForwarded)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> query;
    };
    std::vector<uint8_t> full(kDnsMaxDatagram, 0x55);
    full[0] = 0x34;
    full[1] = 0x12;
    const std::vector<Case> cases = {
        {"only the id", {0x34, 0x12}},
        {"half a header", {0x34, 0x12, 1, 0, 0, 1}},
        {"2048 bytes", full},
        {"a question with a pointer", {0x34, 0x12, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xC0, 0x0C, 0, 1, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Relay r;
        std::vector<uint8_t> exact(c.query);
        const DnsDecision d = r.engine.HandleQuery(exact.data(), exact.size(), {kClientA, 5000});
        ASSERT_EQ(d.action, DnsAction::Forward);
        EXPECT_EQ(exact.size(), c.query.size());
        // Only the id changed.
        EXPECT_TRUE(std::equal(exact.begin() + 2, exact.end(), c.query.begin() + 2));
        // The answer must repeat the bytes after the header.
        std::vector<uint8_t> answer(std::max(exact.size(), kDnsHeaderSize), 0);
        std::copy(exact.begin(), exact.end(), answer.begin());
        answer[kDnsFlagsOffset] |= kDnsResponseFlag;
        EXPECT_EQ(r.Answer(answer).action, DnsAction::Reply);
        EXPECT_EQ(DnsReadId(answer.data()), 0x1234);
    }
}

TEST(DnsRelayEngine, ForgedAndStrayAnswersAreDroppedAndTheQueryWaitsOn)
{
    struct Case {
        const char* what;
        DnsPeer from;
        std::vector<uint8_t> (*make)(const std::vector<uint8_t>& forwarded);
        DnsDropReason reason;
    };
    const std::vector<Case> cases = {
        {"from another port of the server",
         {kServer, 5353},
         [](const std::vector<uint8_t>& f) { return DnsTestAnswerTo(f, "www.lab.test"); },
         DnsDropReason::AnswerWrongPort},
        {"not a response", kFromServer,
         [](const std::vector<uint8_t>& f) {
             auto a = DnsTestAnswerTo(f, "www.lab.test");
             a[kDnsFlagsOffset] &= static_cast<uint8_t>(~kDnsResponseFlag);
             return a;
         },
         DnsDropReason::AnswerNotResponse},
        {"shorter than a header", kFromServer,
         [](const std::vector<uint8_t>& f) {
             return std::vector<uint8_t>{f[0], f[1], 0x80};
         },
         DnsDropReason::AnswerShort},
        {"the wrong name", kFromServer,
         [](const std::vector<uint8_t>& f) { return DnsTestAnswerTo(f, "evil.lab.test"); },
         DnsDropReason::AnswerWrongQuestion},
        {"the wrong type", kFromServer,
         [](const std::vector<uint8_t>& f) { return DnsTestAnswerTo(f, "www.lab.test", 28); },
         DnsDropReason::AnswerWrongQuestion},
        {"an id nobody holds", kFromServer,
         [](const std::vector<uint8_t>& f) {
             auto a = DnsTestAnswerTo(f, "www.lab.test");
             a[0] ^= 0x40;
             return a;
         },
         DnsDropReason::AnswerUnknownId},
        {"bigger than 2048 bytes", kFromServer,
         [](const std::vector<uint8_t>& f) {
             auto a = DnsTestAnswerTo(f, "www.lab.test");
             a.resize(kDnsMaxDatagram + 1);
             return a;
         },
         DnsDropReason::Oversize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Relay r;
        const auto f = r.Forward(DnsTestQuery(0x7777, "WWW.lab.test"), {kClientA, 5000});
        auto forged = c.make(f);
        const DnsDecision d = r.engine.HandleAnswer(forged.data(), forged.size(), c.from);
        EXPECT_EQ(d.action, DnsAction::Drop);
        EXPECT_EQ(d.reason, c.reason);
        EXPECT_EQ(r.engine.Dropped(c.reason), 1u);
        // The true answer still gets through, names compared without regard to case.
        auto real = DnsTestAnswerTo(f, "www.LAB.test");
        const DnsDecision ok = r.Answer(real);
        ASSERT_EQ(ok.action, DnsAction::Reply);
        EXPECT_EQ(ok.to.address, kClientA);
        EXPECT_EQ(DnsReadId(real.data()), 0x7777);
    }
}

TEST(DnsRelayEngine, DispatchBySourceAddress)
{
    Relay r;
    std::vector<uint8_t> query = DnsTestQuery(5, "www.lab.test");
    // A query from the server's own address is taken for an answer, and has no pending query.
    DnsDecision d = r.engine.Handle(query.data(), query.size(), {kServer, 40000});
    EXPECT_EQ(d.action, DnsAction::Drop);
    EXPECT_EQ(d.reason, DnsDropReason::AnswerWrongPort);
    d = r.engine.Handle(query.data(), query.size(), {kClientA, 40000});
    EXPECT_EQ(d.action, DnsAction::Forward);
}

}  // namespace
