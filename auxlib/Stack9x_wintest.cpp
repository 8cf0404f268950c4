// The stack method of ombrixaux under Wine reporting Windows 98: Wine's own WsControl answers the TCP/IP
// queries, the stand-in of the DHCP client device (testbed/vdhcp) the lease table. Runs as win98
// (WineVersionMain).
//
// The tests of the suite Stack9xLab need the interfaces that stack_netns_test.sh makes in a network namespace of
// its own (it sets OMBRIX_AUX_LAB); elsewhere they are skipped.
#include <gtest/gtest.h>

#include <cstring>

#include "TdiQuery.h"
#include "VdhcpStandIn.h"
#include "WsControlTransport.h"
#include "ombrixaux.h"
#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"
#include "testing/RegistryFixture.h"
#include "testing/WineAuxSupport.h"

namespace {

const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const uint32_t kNameServerA = Ip(10, 77, 0, 53);
const uint32_t kNameServerB = Ip(10, 77, 0, 54);
const std::vector<uint8_t> kStrangerMac = {0x02, 0x00, 0x00, 0xBB, 0x00, 0x09};

struct ListedInterface {
    std::string description;
    std::vector<uint8_t> hardware;
};

// The non-loopback interfaces WsControl lists, asked directly, in the order the stack method gives them
// (the reverse of the entity list).
std::vector<ListedInterface> ListedInterfaces()
{
    CWsControlTransport tdi;
    std::vector<uint8_t> buffer(kEntityListInitialSize);
    uint32_t returned = 0;
    TdiRequest list;
    list.infoClass = kGenericClass;
    list.infoType = kProviderType;
    std::vector<ListedInterface> found;
    if (!tdi.Query(EncodeTdiRequest(list), buffer, returned))
        return found;
    for (const TdiEntity& entity :
         ParseEntityList(buffer.data(), returned < buffer.size() ? returned : buffer.size())) {
        if (entity.type != kInterfaceEntity)
            continue;
        std::vector<uint8_t> entry(kInterfaceEntrySize);
        TdiRequest request{entity.type, entity.instance, kProtocolClass, kProviderType, kInterfaceEntryId};
        TdiInterface iface;
        if (!tdi.Query(EncodeTdiRequest(request), entry, returned) ||
            !ParseInterfaceEntry(entry.data(), returned, iface) || iface.type == kSoftwareLoopbackType)
            continue;
        found.insert(found.begin(),
                     {iface.description,
                      std::vector<uint8_t>(iface.hardware.begin(), iface.hardware.begin() + iface.hardwareLength)});
    }
    return found;
}

std::vector<uint8_t> Mac(int adapter)
{
    char mac[6] = {};
    GetMacAddress(adapter, mac, sizeof mac);
    return std::vector<uint8_t>(mac, mac + 6);
}

class Stack9xTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        device_ = new CVdhcpStandIn;
        installed_ = device_->Install(CVdhcpStandIn::FileBesideProgram()) && device_->Start();
    }
    static void TearDownTestSuite()
    {
        if (installed_) {
            device_->Stop();
            device_->Uninstall();
        }
        delete device_;
        device_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_EQ(GetOs(), Win98);
        ASSERT_TRUE(installed_) << device_->LastError();
        ASSERT_TRUE(device_->Reset()) << device_->LastError();
        ASSERT_TRUE(winsock_.ok());
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kMstcp, "NameServer", "10.77.0.53,10.77.0.54"));
    }
    void TearDown() override
    {
        ClearAdapterInfo();
        fixture_.Restore();
    }

    static CVdhcpStandIn* device_;
    static bool installed_;
    CWinsockSession winsock_;
    CRegistryFixture fixture_;
};

CVdhcpStandIn* Stack9xTest::device_ = nullptr;
bool Stack9xTest::installed_ = false;

TEST_F(Stack9xTest, TableIsWhatWsControlLists)
{
    const std::vector<ListedInterface> listed = ListedInterfaces();
    ASSERT_FALSE(listed.empty()) << "Wine's WsControl lists an interface besides the loopback";
    ASSERT_TRUE(device_->LoadTable(BuildVdhcpReply({{kStrangerMac, Ip(10, 9, 9, 9), {Ip(9, 9, 9, 9)}}})));
    EXPECT_EQ(Refresh(), static_cast<int>(listed.size()));
    ASSERT_EQ(GetAdapterCount(), static_cast<int>(listed.size()));
    for (int i = 0; i < GetAdapterCount(); ++i) {
        EXPECT_EQ(AdapterNames()[i], listed[i].description) << i;
        std::vector<uint8_t> expected = listed[i].hardware;
        expected.resize(6);
        EXPECT_EQ(Mac(i), expected) << i;
        EXPECT_GE(GetIpCount(i), 1) << "every adapter of the stack reports an address";
        EXPECT_EQ(IsDhcp(i), 0) << "no lease has its hardware address";
    }
}

TEST_F(Stack9xTest, DhcpFlagByHardwareAddress)
{
    const std::vector<ListedInterface> listed = ListedInterfaces();
    ASSERT_FALSE(listed.empty());
    const ListedInterface& chosen = listed.back();
    ASSERT_TRUE(device_->LoadTable(BuildVdhcpReply({{kStrangerMac, Ip(10, 9, 9, 9), {}}, {chosen.hardware, 0, {}}})));
    Refresh();
    ASSERT_EQ(GetAdapterCount(), static_cast<int>(listed.size()));
    const int last = GetAdapterCount() - 1;
    EXPECT_EQ(IsDhcp(last), 1);
    for (int i = 0; i < last; ++i) {
        if (listed[i].hardware != chosen.hardware) {
            EXPECT_EQ(IsDhcp(i), 0) << i;
        }
    }
}

TEST_F(Stack9xTest, StackAdaptersHaveNoSettingsKey)
{
    ASSERT_TRUE(device_->LoadTable(BuildVdhcpReply({})));
    Refresh();
    ASSERT_GT(GetAdapterCount(), 0);
    EXPECT_EQ(SetFixedIp(0, Ip(192, 168, 0, 1)), 0);
    EXPECT_EQ(SetDhcp(0), 0);
    EXPECT_EQ(SetSubnet(0, Ip(255, 255, 255, 0)), 0);
    EXPECT_EQ(SetGateway(0, 0), 0);
}

// The lab of stack_netns_test.sh: the loopback and bridges aux1 ... aux7 (hardware addresses
// 02:00:00:aa:00:0N); aux1 has 10.77.1.1/24, aux3 10.77.3.1/24 and the default route via 10.77.3.254, the
// others no address. Wine's entity list names interfaces 1 to 4 of them (lo, aux1, aux2, aux3).
class Stack9xLab : public Stack9xTest {
protected:
    void SetUp() override
    {
        char flag[4];
        if (GetEnvironmentVariableA("OMBRIX_AUX_LAB", flag, sizeof flag) == 0)
            GTEST_SKIP() << "not in the lab";
        Stack9xTest::SetUp();
        if (HasFatalFailure())
            return;
        // aux1 took its address from DHCP; the lease of a stranger is there too.
        ASSERT_TRUE(
            device_->LoadTable(BuildVdhcpReply({{kStrangerMac, Ip(10, 9, 9, 9), {Ip(9, 9, 9, 9)}},
                                                {kAux1, Ip(10, 77, 1, 1), {Ip(10, 77, 1, 53), Ip(10, 77, 1, 54)}}})));
    }
    const std::vector<uint8_t> kAux1 = {0x02, 0x00, 0x00, 0xAA, 0x00, 0x01};
    const std::vector<uint8_t> kAux2 = {0x02, 0x00, 0x00, 0xAA, 0x00, 0x02};
    const std::vector<uint8_t> kAux3 = {0x02, 0x00, 0x00, 0xAA, 0x00, 0x03};
};

TEST_F(Stack9xLab, InterfacesInReverseOrder)
{
    EXPECT_EQ(Refresh(), 3);
    EXPECT_EQ(AdapterNames(), (std::vector<std::string>{"aux3", "aux2", "aux1"}));
    EXPECT_EQ(Mac(0), kAux3);
    EXPECT_EQ(Mac(1), kAux2);
    EXPECT_EQ(Mac(2), kAux1);
}

TEST_F(Stack9xLab, AddressesMasksAndGateway)
{
    Refresh();
    ASSERT_EQ(GetAdapterCount(), 3);
    EXPECT_EQ(GetIpCount(0), 1);
    EXPECT_EQ(GetIpAddress(0, 0), Ip(10, 77, 3, 1));
    EXPECT_EQ(GetSubnetMask(0), Ip(255, 255, 255, 0));
    EXPECT_EQ(GetGateway(0), Ip(10, 77, 3, 254));
    EXPECT_EQ(GetIpAddress(2, 0), Ip(10, 77, 1, 1));
    EXPECT_EQ(GetGateway(2), 0u) << "the route to 10.77.1.0 is not a default route";
}

TEST_F(Stack9xLab, InterfaceWithoutAddressReportsTheAddressZero)
{
    Refresh();
    ASSERT_EQ(GetAdapterCount(), 3);
    EXPECT_EQ(GetIpCount(1), 1);
    EXPECT_EQ(GetIpAddress(1, 0), 0u);
    EXPECT_EQ(GetSubnetMask(1), 0u);
    EXPECT_EQ(GetGateway(1), 0u);
    unsigned long local[3] = {};
    EXPECT_EQ(GetLocalIpAddress(local, 3), 2);
    EXPECT_EQ(local[0], Ip(10, 77, 3, 1));
    EXPECT_EQ(local[1], Ip(10, 77, 1, 1));
}

TEST_F(Stack9xLab, DhcpByLeaseAndServersPerAdapter)
{
    VdhcpStandInCounts before, after;
    ASSERT_TRUE(device_->GetCounts(before));
    Refresh();
    ASSERT_TRUE(device_->GetCounts(after));
    EXPECT_EQ(IsDhcp(0), 0);
    EXPECT_EQ(IsDhcp(1), 0);
    EXPECT_EQ(IsDhcp(2), 1);
    // The two static adapters each bring the configured servers; aux1 those of its lease.
    EXPECT_EQ(DnsServers(), (std::vector<uint32_t>{kNameServerA, kNameServerB, kNameServerA, kNameServerB,
                                                   Ip(10, 77, 1, 53), Ip(10, 77, 1, 54)}));
    // One read of the table per interface for its flag and one for aux1's servers, each probed first, each
    // on a handle of its own that is closed again.
    EXPECT_EQ(after.sizeProbes - before.sizeProbes, 4u);
    EXPECT_EQ(after.tables - before.tables, 4u);
    EXPECT_EQ(after.opens - before.opens, after.closes - before.closes);
}

TEST_F(Stack9xLab, RegistryMethodListsTheConfiguredServersOnce)
{
    // Two static cards bound to the lab's addresses and one whose address is nowhere.
    const struct {
        const char* instance;
        const char* description;
        const char* address;
    } cards[] = {
        {"0000", "Lab card 3", "10.77.3.1"}, {"0001", "Lab card 1", "10.77.1.1"}, {"0002", "Gone", "10.66.6.6"}};
    for (const auto& card : cards) {
        const std::string device = std::string("Enum\\PCI\\LAB\\") + card.instance;
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, device, "Class", "Net"));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, device, "DeviceDesc", card.description));
        ASSERT_TRUE(
            fixture_.SetText(HKEY_LOCAL_MACHINE, device + "\\Bindings", std::string("MSTCP\\") + card.instance, ""));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, std::string("Enum\\Network\\MSTCP\\") + card.instance,
                                     "Driver", std::string("NetTrans\\") + card.instance));
        ASSERT_TRUE(fixture_.SetText(
            HKEY_LOCAL_MACHINE, std::string("System\\CurrentControlSet\\Services\\Class\\NetTrans\\") + card.instance,
            "IpAddress", card.address));
    }
    EXPECT_EQ(RefreshByReg(), 2);
    EXPECT_EQ(AdapterNames(), (std::vector<std::string>{"Lab card 3", "Lab card 1"}));
    EXPECT_EQ(DnsServers(), (std::vector<uint32_t>{kNameServerA, kNameServerB}));
    fixture_.Restore();
    EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, "Enum"));
}

}  // namespace
