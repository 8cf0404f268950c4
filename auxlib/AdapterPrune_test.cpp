#include "AdapterPrune.h"

#include <gtest/gtest.h>

#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"

namespace {

AdapterRecord Record(const std::string& description, std::vector<uint32_t> addresses, int dhcp)
{
    AdapterRecord record;
    record.SetDescription(description);
    record.addresses = addresses;
    record.dhcp = dhcp;
    return record;
}

std::vector<std::string> Names(const CAdapterTable& table)
{
    std::vector<std::string> names;
    for (const AdapterRecord& record : table.Adapters())
        names.push_back(record.description);
    return names;
}

class AdapterPruneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        network_.hostAddresses = {Ip(192, 168, 0, 1), Ip(10, 0, 0, 7)};
        table_.AddAdapter(Record("Gone", {Ip(192, 168, 9, 9)}, 0));
        table_.AddAdapter(Record("Bound", {Ip(192, 168, 0, 1)}, 0));
        table_.AddAdapter(Record("Dhcp", {0}, 1));
        table_.AddAdapter(Record("Dial-up Networking Adapter", {0}, 0));
        table_.AddAdapter(Record("No address", {}, 0));
        table_.AddAdapter(Record("Second bound", {Ip(10, 0, 0, 7), Ip(1, 1, 1, 1)}, 0));
        table_.AddAdapter(Record("Bound later", {Ip(1, 1, 1, 1), Ip(10, 0, 0, 7)}, 0));
    }
    CFakeNetworkInfo network_;
    CAdapterTable table_;
};

TEST_F(AdapterPruneTest, StaticAdaptersNotBoundNowAreRemoved)
{
    PruneUnboundAdapters(table_, Win2000, network_);
    EXPECT_EQ(Names(table_), (std::vector<std::string>{"Bound", "Dhcp", "Dial-up Networking Adapter", "Second bound"}));
}

TEST_F(AdapterPruneTest, DialupIsToldByTheFamily)
{
    // On NT 4 "Dial-up " is no dial-up name: the static one without a bound address goes.
    PruneUnboundAdapters(table_, WinNT4, network_);
    EXPECT_EQ(Names(table_), (std::vector<std::string>{"Bound", "Dhcp", "Second bound"}));
}

TEST_F(AdapterPruneTest, NothingIsRemovedWhenTheNameDoesNotResolve)
{
    network_.resolves = false;
    PruneUnboundAdapters(table_, Win2000, network_);
    EXPECT_EQ(table_.AdapterCount(), 7);
}

TEST_F(AdapterPruneTest, EmptyResolutionRemovesEveryStaticAdapter)
{
    network_.hostAddresses.clear();
    PruneUnboundAdapters(table_, Win98, network_);
    EXPECT_EQ(Names(table_), (std::vector<std::string>{"Dhcp", "Dial-up Networking Adapter"}));
}

}  // namespace
