// The DNS relay engine's work per query: the query forwarded (pending entry made, id rewritten, question
// kept) and its answer handed back (found by relay id, question checked, entry freed), with N other queries
// waiting meanwhile. The waiting ones are answered oldest first, so the table stays at N. The id space
// holds 65 536 queries; a flood of queries that are never answered (100 000 and more in flight) keeps the
// table full, and each new query pushes the oldest out. No sockets, no trace: the logic alone, one core.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "CDnsRelayEngine.h"
#include "DnsTestMessages.h"

namespace {

class BenchClock : public IDnsClock {
public:
    uint32_t NowMs() override { return now; }
    uint32_t now = 0;
};

constexpr uint32_t kServer = 0x0100630A;
constexpr uint32_t kClientBase = 0x0000A8C0;  // 192.168.0.0, clients .1 to .250

struct Flow {
    BenchClock clock;
    CDnsRelayEngine engine{clock};
    std::vector<uint8_t> query = DnsTestQuery(0, "www.bench.lab.test");
    std::vector<uint8_t> answer = DnsTestMessage(0, "www.bench.lab.test", 1, 1, true);
    std::vector<uint8_t> buffer;
    std::deque<uint16_t> waiting;  ///< relay ids, oldest first
    uint32_t sequence = 0;

    Flow() { engine.SetServer(kServer); }

    void Send()
    {
        const uint32_t n = sequence++;
        buffer = query;
        DnsWriteId(buffer.data(), static_cast<uint16_t>(n));
        const DnsPeer client{kClientBase | ((1 + (n >> 16) % 250) << 24), 1024};
        const DnsDecision d = engine.HandleQuery(buffer.data(), buffer.size(), client);
        waiting.push_back(d.relayId);
    }
    bool AnswerOldest()
    {
        buffer = answer;
        DnsWriteId(buffer.data(), waiting.front());
        waiting.pop_front();
        return engine.HandleAnswer(buffer.data(), buffer.size(), {kServer, kDnsPort}).action == DnsAction::Reply;
    }
};

void BM_QueryAndAnswer(benchmark::State& state)
{
    const size_t inFlight = static_cast<size_t>(state.range(0));
    Flow flow;
    for (size_t i = 0; i < inFlight; ++i)
        flow.Send();
    uint64_t replies = 0;
    for (auto _ : state) {
        flow.Send();
        replies += flow.AnswerOldest() ? 1 : 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pending"] = static_cast<double>(flow.engine.Pending());
    state.counters["replied_pct"] = 100.0 * static_cast<double>(replies) / static_cast<double>(state.iterations());
    state.counters["ns_per_query"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_QueryAndAnswer)->Arg(0)->Arg(1000)->Arg(10000)->Arg(50000)->Arg(65535);

void BM_FloodUnanswered(benchmark::State& state)
{
    // `range` queries sent before timing starts, none answered; then each one timed is another.
    const size_t inFlight = static_cast<size_t>(state.range(0));
    Flow flow;
    for (size_t i = 0; i < inFlight; ++i)
        flow.Send();
    for (auto _ : state) {
        flow.Send();
        flow.waiting.pop_front();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pending"] = static_cast<double>(flow.engine.Pending());
    state.counters["evicted"] = static_cast<double>(flow.engine.EvictedByWrap() + flow.engine.EvictedByBound());
    state.counters["ns_per_query"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FloodUnanswered)->Arg(1000)->Arg(65535)->Arg(100000);

void BM_Expire(benchmark::State& state)
{
    // One tick that finds `range` queries past their 15 s and drops them all.
    const size_t expired = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Flow flow;
        for (size_t i = 0; i < expired; ++i)
            flow.Send();
        flow.clock.now = kDnsQueryLifetimeMs + 1;
        state.ResumeTiming();
        benchmark::DoNotOptimize(flow.engine.Expire());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(expired));
}
BENCHMARK(BM_Expire)->Arg(1000)->Arg(65535);

}  // namespace

BENCHMARK_MAIN();
