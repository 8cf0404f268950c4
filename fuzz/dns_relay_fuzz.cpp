// The DNS relay engine driven by a script of events: client queries, server answers (some built from the
// queries just forwarded, so that matching answers are reached), forged answers and clock steps with the
// expiry. Every datagram lies in a heap block of exactly its size, so a read past its end is a finding.
// Checked after every event: an answer goes only to the client that asked that very question, with that
// client's id, and the table keeps within its bound; every 64 events (while the table is small) and at the
// end, the table's maps and chain agree.
//
// Script: byte 0 picks the bound (1..64, or the full id space for 0); then events, each an opcode byte
// followed by its operands, until the input runs out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "CDnsRelayEngine.h"
#include "DnsQuestion.h"
#include "DnsWire.h"

namespace {

class ScriptClock : public IDnsClock {
public:
    uint32_t NowMs() override { return now; }
    uint32_t now = 0xFFFF0000u;  // wraps within the first minute of script time
};

constexpr uint32_t kServer = 0x0100630A;
constexpr uint32_t kClients[4] = {0xC700A8C0, 0xC800A8C0, 0xC900A8C0, 0x0100630A /* the server's address */};

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    /// Up to n bytes (fewer at the end of the input).
    std::vector<uint8_t> Bytes(size_t n)
    {
        const size_t take = n < size - at ? n : size - at;
        std::vector<uint8_t> v(data + at, data + at + take);
        at += take;
        return v;
    }
};

struct Sent {
    DnsPeer client;
    uint16_t clientId;
    std::vector<uint8_t> query;  ///< as forwarded
};

[[noreturn]] void Fail()
{
    abort();
}

char Fold(uint8_t c)
{
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

/// The reply repeats the question of `sent`: its header-following bytes, letters of the name in any case.
void CheckSameQuestion(const Sent& sent, const uint8_t* answer, size_t length)
{
    const DnsQuestion q = DnsQuestionOf(sent.query.data(), sent.query.size());
    const size_t span = q.bytes.size();
    if (length < kDnsHeaderSize + span)
        Fail();
    if (q.parsed) {
        if (DnsReadCount(answer, kDnsQdCountOffset) != 1)
            Fail();
        for (size_t i = 0; i < span; ++i)
            if (Fold(answer[kDnsHeaderSize + i]) != Fold(sent.query[kDnsHeaderSize + i]))
                Fail();
    } else if (span != 0 && std::memcmp(answer + kDnsHeaderSize, sent.query.data() + kDnsHeaderSize, span) != 0) {
        Fail();
    }
}

/// Hands data to the engine in an exact-size heap block and checks what it decided.
void Deliver(CDnsRelayEngine& engine, std::map<uint16_t, Sent>& sent, const std::vector<uint8_t>& datagram,
             const DnsPeer& from, std::vector<uint8_t>* lastForward)
{
    const size_t length = datagram.size();
    std::unique_ptr<uint8_t[]> block(new uint8_t[length ? length : 1]);
    if (length)
        std::memcpy(block.get(), datagram.data(), length);
    const uint16_t clientId = length >= 2 ? DnsReadId(block.get()) : 0;
    const DnsDecision d = engine.Handle(block.get(), length, from);
    switch (d.action) {
    case DnsAction::Forward: {
        if (engine.FromServer(from) || length < kDnsIdSize || d.to.address != kServer || d.to.port != kDnsPort ||
            DnsReadId(block.get()) != d.relayId)
            Fail();
        Sent& record = sent[d.relayId];
        record.client = from;
        record.clientId = clientId;
        record.query.assign(block.get(), block.get() + length);
        lastForward->assign(block.get(), block.get() + length);
        break;
    }
    case DnsAction::Reply: {
        const auto it = sent.find(d.relayId);
        if (!engine.FromServer(from) || from.port != kDnsPort || it == sent.end())
            Fail();
        if (d.to.address != it->second.client.address || d.to.port != it->second.client.port ||
            DnsReadId(block.get()) != it->second.clientId || (block[kDnsFlagsOffset] & kDnsResponseFlag) == 0)
            Fail();
        CheckSameQuestion(it->second, block.get(), length);
        sent.erase(it);
        break;
    }
    case DnsAction::Drop:
        if (d.reason == DnsDropReason::None)
            Fail();
        break;
    }
    if (engine.Pending() > engine.PendingLimit())
        Fail();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    const uint8_t bound = in.Byte();
    ScriptClock clock;
    CDnsRelayEngine engine(clock, bound == 0 ? kDnsDefaultPendingLimit : (bound % 64) + 1);
    engine.SetServer(kServer);
    std::map<uint16_t, Sent> sent;
    std::vector<uint8_t> lastForward;
    unsigned events = 0;
    while (in.More()) {
        const uint8_t op = in.Byte();
        switch (op % 5) {
        case 0: {  // a query: client, port, length, bytes
            const uint8_t who = in.Byte();
            const DnsPeer from{kClients[who % 3], static_cast<uint16_t>(1024 + (who >> 2))};
            Deliver(engine, sent, in.Bytes(in.Byte()), from, &lastForward);
            break;
        }
        case 1: {  // an answer from the server (or a wrong port): length, bytes
            const uint8_t how = in.Byte();
            const DnsPeer from{kServer, static_cast<uint16_t>(how & 1 ? 5353 : kDnsPort)};
            Deliver(engine, sent, in.Bytes(in.Byte()), from, &lastForward);
            break;
        }
        case 2: {  // the server answers the last forward: flip one byte (or none) and maybe append
            if (lastForward.empty())
                break;
            std::vector<uint8_t> answer = lastForward;
            if (answer.size() < kDnsHeaderSize)
                answer.resize(kDnsHeaderSize, 0);
            answer[kDnsFlagsOffset] |= kDnsResponseFlag;
            const uint8_t flip = in.Byte();
            const uint8_t at = in.Byte();
            if (flip != 0)
                answer[at % answer.size()] ^= flip;
            const std::vector<uint8_t> tail = in.Bytes(in.Byte() % 16);
            answer.insert(answer.end(), tail.begin(), tail.end());
            Deliver(engine, sent, answer, {kServer, kDnsPort}, &lastForward);
            break;
        }
        case 3: {  // many queries at once (a flood): count, then the same template from changing ids
            const uint8_t count = in.Byte();
            std::vector<uint8_t> query = in.Bytes(in.Byte());
            if (query.size() < kDnsIdSize)
                break;
            for (unsigned i = 0; i < count; ++i) {
                DnsWriteId(query.data(), static_cast<uint16_t>(i * 7919u));
                Deliver(engine, sent, query, {kClients[i % 3], 2000}, &lastForward);
            }
            break;
        }
        case 4:  // time passes, the tick expires
            clock.now += static_cast<uint32_t>(in.Byte()) * 250u;
            engine.Expire();
            break;
        }
        // The full check walks the table: often while it is small, and at the end whatever its size.
        if (++events % 64 == 0 && engine.Pending() <= 4096 && !engine.Consistent())
            Fail();
    }
    if (!engine.Consistent())
        Fail();
    return 0;
}
