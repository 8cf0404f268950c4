#include "CLoadClient.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr uint64_t kS = 1000000;
constexpr uint8_t kMac[kEthernetAddressSize] = {0x02, 0xAB, 0xCD, 0x00, 0x00, 0x07};
constexpr uint32_t kServer = 0xC0A80001u;   // 192.168.0.1
constexpr uint32_t kOffered = 0xC0A80009u;  // 192.168.0.9

CLoadReply Reply(const CLoadClient& client, uint8_t type, uint32_t yiaddr = kOffered)
{
    CLoadReply r;
    r.type = type;
    r.xid = client.Xid();
    r.htype = kHardwareEthernet;
    r.hlen = kEthernetAddressSize;
    memcpy(r.chaddr, client.Mac(), kEthernetAddressSize);
    r.yiaddr = yiaddr;
    r.hasServerId = true;
    r.serverId = kServer;
    r.hasLeaseTime = type == kLoadAck;
    r.leaseTime = 900;
    return r;
}

LoadClientPolicy Retransmitting(uint32_t tries, uint32_t restarts = 3)
{
    LoadClientPolicy p;
    p.retransmit = true;
    p.tries = tries;
    p.maxRestarts = restarts;
    return p;
}

TEST(LoadClient, AnsweredAtOnceItRunsTheWholeExchange)
{
    CLoadRandom random(1);
    CLoadClient c(7, kMac, Retransmitting(5));
    EXPECT_EQ(c.Start(100 * kS, random), LoadClientAction::SendDiscover);
    EXPECT_EQ(c.State(), LoadClientState::Selecting);
    const uint32_t xid = c.Xid();

    EXPECT_EQ(c.OnReply(Reply(c, kLoadOffer), 100 * kS + 2000, random), LoadClientAction::SendRequest);
    EXPECT_EQ(c.State(), LoadClientState::Requesting);
    EXPECT_EQ(c.Xid(), xid) << "the REQUEST answers the OFFER under the DISCOVER's xid";
    EXPECT_EQ(c.Address(), kOffered);
    EXPECT_EQ(c.Server(), kServer);

    EXPECT_EQ(c.OnReply(Reply(c, kLoadAck), 100 * kS + 5000, random), LoadClientAction::None);
    EXPECT_EQ(c.State(), LoadClientState::Bound);
    EXPECT_EQ(c.OfferUs(), 2000u);
    EXPECT_EQ(c.AckUs(), 3000u);
    EXPECT_EQ(c.ExchangeUs(), 5000u);
    EXPECT_EQ(c.BoundUs(), 100 * kS + 5000);
    EXPECT_EQ(c.LeaseSeconds(), 900u);
    EXPECT_EQ(c.DiscoverRetransmits() + c.RequestRetransmits() + c.NakRestarts() + c.TimeoutRestarts(), 0u);
}

TEST(LoadClient, UnansweredDiscoverGoesOutAgainOnTheBackoffThenGivesUp)
{
    CLoadRandom random(2);
    CLoadClient c(0, kMac, Retransmitting(4));
    uint64_t now = 0;
    ASSERT_EQ(c.Start(now, random), LoadClientAction::SendDiscover);
    const uint32_t xid = c.Xid();
    const uint64_t base[] = {4, 8, 16, 32};
    for (int sent = 1; sent <= 4; ++sent) {
        const uint64_t wait = c.DeadlineUs() - now;
        EXPECT_GE(wait, (base[sent - 1] - 1) * kS) << "transmission " << sent;
        EXPECT_LE(wait, (base[sent - 1] + 1) * kS) << "transmission " << sent;
        // Not before its time.
        EXPECT_EQ(c.OnTimer(c.DeadlineUs() - 1, random), LoadClientAction::None);
        now = c.DeadlineUs();
        const LoadClientAction next = c.OnTimer(now, random);
        if (sent < 4) {
            EXPECT_EQ(next, LoadClientAction::SendDiscover);
            EXPECT_EQ(c.Xid(), xid) << "a retransmission keeps its xid";
        } else {
            EXPECT_EQ(next, LoadClientAction::None);
        }
    }
    EXPECT_EQ(c.State(), LoadClientState::Failed);
    EXPECT_EQ(c.FailReason(), LoadClientFailure::OfferTimeout);
    EXPECT_EQ(c.DiscoverRetransmits(), 3u);
}

TEST(LoadClient, AnOfferToARetransmittedDiscoverCountsFromTheFirst)
{
    CLoadRandom random(3);
    CLoadClient c(0, kMac, Retransmitting(5));
    c.Start(0, random);
    const uint64_t second = c.DeadlineUs();
    ASSERT_EQ(c.OnTimer(second, random), LoadClientAction::SendDiscover);
    ASSERT_EQ(c.OnReply(Reply(c, kLoadOffer), second + 1000, random), LoadClientAction::SendRequest);
    ASSERT_EQ(c.OnReply(Reply(c, kLoadAck), second + 1500, random), LoadClientAction::None);
    EXPECT_EQ(c.OfferUs(), second + 1000);
    EXPECT_EQ(c.ExchangeUs(), second + 1500);
    EXPECT_EQ(c.DiscoverRetransmits(), 1u);
}

TEST(LoadClient, UnansweredRequestIsRepeatedThenTheClientStartsOver)
{
    CLoadRandom random(4);
    CLoadClient c(0, kMac, Retransmitting(2, 1));
    c.Start(0, random);
    ASSERT_EQ(c.OnReply(Reply(c, kLoadOffer), 10, random), LoadClientAction::SendRequest);
    const uint32_t firstXid = c.Xid();
    EXPECT_EQ(c.OnTimer(c.DeadlineUs(), random), LoadClientAction::SendRequest);
    EXPECT_EQ(c.RequestRetransmits(), 1u);
    // Tries used up: back to a DISCOVER, in a new round with a new xid.
    EXPECT_EQ(c.OnTimer(c.DeadlineUs(), random), LoadClientAction::SendDiscover);
    EXPECT_EQ(c.State(), LoadClientState::Selecting);
    EXPECT_NE(c.Xid(), firstXid);
    EXPECT_EQ(c.TimeoutRestarts(), 1u);
    // The old round's ACK, arriving late, is not taken.
    CLoadReply late = Reply(c, kLoadAck);
    late.xid = firstXid;
    EXPECT_FALSE(c.Wants(late));
    // The restart bound (1) is reached at the next unanswered REQUEST round.
    ASSERT_EQ(c.OnReply(Reply(c, kLoadOffer), c.DeadlineUs() - 1, random), LoadClientAction::SendRequest);
    EXPECT_EQ(c.OnTimer(c.DeadlineUs(), random), LoadClientAction::SendRequest);
    EXPECT_EQ(c.OnTimer(c.DeadlineUs(), random), LoadClientAction::None);
    EXPECT_EQ(c.State(), LoadClientState::Failed);
    EXPECT_EQ(c.FailReason(), LoadClientFailure::AckTimeout);
}

TEST(LoadClient, NakSendsItBackToDiscoverWithinTheBound)
{
    CLoadRandom random(5);
    CLoadClient c(0, kMac, Retransmitting(3, 2));
    c.Start(0, random);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(c.OnReply(Reply(c, kLoadOffer), 1, random), LoadClientAction::SendRequest);
        EXPECT_EQ(c.OnReply(Reply(c, kLoadNak, 0), 2, random), LoadClientAction::SendDiscover);
    }
    EXPECT_EQ(c.NakRestarts(), 2u);
    ASSERT_EQ(c.OnReply(Reply(c, kLoadOffer), 3, random), LoadClientAction::SendRequest);
    EXPECT_EQ(c.OnReply(Reply(c, kLoadNak, 0), 4, random), LoadClientAction::None);
    EXPECT_EQ(c.State(), LoadClientState::Failed);
    EXPECT_EQ(c.FailReason(), LoadClientFailure::Nak);
}

TEST(LoadClient, TakesOnlyWhatItsStateWaitsFor)
{
    CLoadRandom random(6);
    CLoadClient c(0, kMac, Retransmitting(3));
    c.Start(0, random);
    EXPECT_FALSE(c.Wants(Reply(c, kLoadAck))) << "an ACK before any REQUEST";
    CLoadReply other = Reply(c, kLoadOffer);
    other.chaddr[5] ^= 1;
    EXPECT_FALSE(c.Wants(other)) << "another client's hardware address";
    other = Reply(c, kLoadOffer);
    other.xid ^= 1;
    EXPECT_FALSE(c.Wants(other)) << "another transaction";
    EXPECT_EQ(c.OnReply(other, 1, random), LoadClientAction::None);
    EXPECT_EQ(c.State(), LoadClientState::Selecting);

    ASSERT_EQ(c.OnReply(Reply(c, kLoadOffer), 1, random), LoadClientAction::SendRequest);
    EXPECT_FALSE(c.Wants(Reply(c, kLoadOffer))) << "a second OFFER, to a retransmitted DISCOVER";
    ASSERT_EQ(c.OnReply(Reply(c, kLoadAck), 2, random), LoadClientAction::None);
    EXPECT_FALSE(c.Wants(Reply(c, kLoadAck))) << "a bound client waits for nothing";
    EXPECT_FALSE(c.Wants(Reply(c, kLoadNak)));
}

TEST(LoadClient, WithoutRetransmissionOneWaitEndsEachMessage)
{
    LoadClientPolicy once;
    once.fixedWaitUs = 250000;
    CLoadRandom random(7);

    CLoadClient silent(0, kMac, once);
    silent.Start(1000, random);
    EXPECT_EQ(silent.DeadlineUs(), 251000u);
    EXPECT_EQ(silent.OnTimer(251000, random), LoadClientAction::None);
    EXPECT_EQ(silent.FailReason(), LoadClientFailure::OfferTimeout);
    EXPECT_EQ(silent.DiscoverRetransmits(), 0u);

    CLoadClient unacked(1, kMac, once);
    unacked.Start(0, random);
    ASSERT_EQ(unacked.OnReply(Reply(unacked, kLoadOffer), 10, random), LoadClientAction::SendRequest);
    EXPECT_EQ(unacked.OnTimer(unacked.DeadlineUs(), random), LoadClientAction::None);
    EXPECT_EQ(unacked.FailReason(), LoadClientFailure::AckTimeout);
    EXPECT_EQ(unacked.TimeoutRestarts(), 0u);
}

TEST(LoadClient, ASendErrorEndsIt)
{
    CLoadRandom random(8);
    CLoadClient c(0, kMac, Retransmitting(3));
    c.Start(0, random);
    c.OnSendError();
    EXPECT_FALSE(c.Waiting());
    EXPECT_EQ(c.FailReason(), LoadClientFailure::SendError);
    EXPECT_EQ(c.OnTimer(UINT64_MAX, random), LoadClientAction::None);
}

}  // namespace
