#include "AdapterSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "RegistryPaths.h"
#include "testing/FakeRegistry.h"
#include "testing/FakeTdiStack.h"

namespace {

constexpr RegRoot kLm = RegRoot::LocalMachine;

using Bytes = std::vector<uint8_t>;
Bytes B(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}
Bytes Dword(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

struct Expected {
    const char* name;
    uint32_t type;
    Bytes data;
};

class AdapterSettingsTest : public ::testing::Test {
protected:
    const std::string k9xKey = std::string(k9xClassKey) + "NetTrans\\0000";
    const std::string kNt4Key = std::string(kServicesKey) + "Elnk31\\Parameters\\TcpIp";
    const std::string k2000Key = std::string(k2000InterfacesKey) + "{A}";

    void SetUp() override
    {
        registry_.SetText(kLm, k9xKey, "IpAddress", "10.0.0.1");
        registry_.CreateKey(kLm, kNt4Key);
        registry_.CreateKey(kLm, k2000Key);
    }

    CAdapterSettings For(OsType os)
    {
        const char* key = os == WinNT4 ? "Elnk31" : os == Win2000 ? "{A}" : "NetTrans\\0000";
        return CAdapterSettings(registry_, os, key);
    }

    // The writes made, in order, with their exact bytes.
    void ExpectWrites(const std::vector<Expected>& expected)
    {
        const auto& writes = registry_.Writes();
        ASSERT_EQ(writes.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(writes[i].name, expected[i].name) << i;
            EXPECT_EQ(writes[i].type, expected[i].type) << expected[i].name;
            EXPECT_EQ(writes[i].data, expected[i].data) << expected[i].name;
        }
        EXPECT_EQ(registry_.OpenHandles(), 0);
    }

    CFakeRegistry registry_;
};

const uint32_t kAddress = Ip(192, 168, 0, 1);
const Bytes kZeroMulti = {'0', '.', '0', '.', '0', '.', '0', 0, 0};

TEST_F(AdapterSettingsTest, FixedIpPerFamily)
{
    EXPECT_TRUE(For(Win98).SetFixedIp(kAddress));
    ExpectWrites({{"IpAddress", kRegSz, B("192.168.0.1")}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(WinNT4).SetFixedIp(kAddress));
    ExpectWrites({{"IpAddress", kRegSz, B("192.168.0.1")}, {"EnableDhcp", kRegDword, Dword(0)}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(Win2000).SetFixedIp(kAddress));
    ExpectWrites(
        {{"IpAddress", kRegMultiSz, B(std::string("192.168.0.1\0\0", 13))}, {"EnableDhcp", kRegDword, Dword(0)}});
    EXPECT_EQ(registry_.Writes()[0].key, "HKLM\\" + k2000Key);
}

TEST_F(AdapterSettingsTest, DhcpPerFamily)
{
    EXPECT_TRUE(For(Win95).SetDhcp());
    ExpectWrites({{"IpAddress", kRegSz, B(std::string("0.0.0.0\0", 8))},
                  {"IpMask", kRegSz, B(std::string("0.0.0.0\0", 8))},
                  {"DefaultGateway", kRegSz, Bytes{0}}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(WinNT4).SetDhcp());
    ExpectWrites({{"IpAddress", kRegMultiSz, kZeroMulti},
                  {"SubnetMask", kRegMultiSz, kZeroMulti},
                  {"DefaultGateway", kRegMultiSz, Bytes{0}},
                  {"EnableDhcp", kRegDword, Dword(1)}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(Win2000).SetDhcp());
    ExpectWrites({{"IpAddress", kRegMultiSz, kZeroMulti},
                  {"SubnetMask", kRegMultiSz, kZeroMulti},
                  {"DefaultGateway", kRegMultiSz, Bytes{0, 0}},
                  {"EnableDhcp", kRegDword, Dword(1)}});
}

TEST_F(AdapterSettingsTest, SubnetPerFamily)
{
    const uint32_t mask = Ip(255, 255, 255, 0);
    EXPECT_TRUE(For(Win98).SetSubnet(mask));
    ExpectWrites({{"IpMask", kRegSz, B("255.255.255.0")}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(WinNT4).SetSubnet(mask));
    ExpectWrites({{"SubnetMask", kRegSz, B("255.255.255.0")}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(Win2000).SetSubnet(mask));
    ExpectWrites({{"SubnetMask", kRegMultiSz, B(std::string("255.255.255.0\0\0", 15))}});
}

TEST_F(AdapterSettingsTest, GatewayPerFamilyAndNoGateway)
{
    const uint32_t gateway = Ip(10, 0, 0, 254);
    EXPECT_TRUE(For(Win98).SetGateway(gateway));
    EXPECT_TRUE(For(Win98).SetGateway(0));
    ExpectWrites({{"DefaultGateway", kRegSz, B("10.0.0.254")}, {"DefaultGateway", kRegSz, Bytes{0}}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(WinNT4).SetGateway(gateway));
    EXPECT_TRUE(For(WinNT4).SetGateway(0));
    ExpectWrites({{"DefaultGateway", kRegSz, B("10.0.0.254")}, {"DefaultGateway", kRegSz, B("0.0.0.0")}});
    registry_.ClearWrites();
    EXPECT_TRUE(For(Win2000).SetGateway(gateway));
    EXPECT_TRUE(For(Win2000).SetGateway(0));
    ExpectWrites({{"DefaultGateway", kRegMultiSz, B(std::string("10.0.0.254\0\0", 12))},
                  {"DefaultGateway", kRegMultiSz, kZeroMulti}});
}

TEST_F(AdapterSettingsTest, EmptyConfigKeyOrUnknownFamilyWritesNothing)
{
    for (OsType os : {Win95, Win98, WinNT4, Win2000}) {
        CAdapterSettings settings(registry_, os, "");
        EXPECT_FALSE(settings.SetFixedIp(kAddress));
        EXPECT_FALSE(settings.SetDhcp());
        EXPECT_FALSE(settings.SetSubnet(kAddress));
        EXPECT_FALSE(settings.SetGateway(kAddress));
    }
    CAdapterSettings unknown(registry_, OsUnknown, "NetTrans\\0000");
    EXPECT_FALSE(unknown.SetFixedIp(kAddress));
    EXPECT_FALSE(unknown.SetDhcp());
    EXPECT_TRUE(registry_.Writes().empty());
    EXPECT_EQ(registry_.OpensSoFar(), 0);
}

TEST_F(AdapterSettingsTest, Windows9xNeedsAnExistingIpAddress)
{
    registry_.DeleteValue(kLm, k9xKey, "IpAddress");
    EXPECT_FALSE(For(Win98).SetFixedIp(kAddress));
    EXPECT_FALSE(For(Win98).SetDhcp());
    EXPECT_FALSE(For(Win98).SetSubnet(kAddress));
    EXPECT_FALSE(For(Win98).SetGateway(kAddress));
    EXPECT_TRUE(registry_.Writes().empty());
    // One that does not fit the 20-byte buffer counts as missing.
    registry_.SetText(kLm, k9xKey, "IpAddress", std::string(20, '1'));
    EXPECT_FALSE(For(Win98).SetFixedIp(kAddress));
    EXPECT_TRUE(registry_.Writes().empty());
}

TEST_F(AdapterSettingsTest, MissingKeysFail)
{
    CAdapterSettings nt4(registry_, WinNT4, "Absent");
    EXPECT_FALSE(nt4.SetFixedIp(kAddress));
    registry_.CreateKey(kLm, std::string(kServicesKey) + "NoTcpip");
    CAdapterSettings bare(registry_, WinNT4, "NoTcpip");
    EXPECT_FALSE(bare.SetDhcp());
    CAdapterSettings w2k(registry_, Win2000, "{Absent}");
    EXPECT_FALSE(w2k.SetGateway(0));
    EXPECT_TRUE(registry_.Writes().empty());
    EXPECT_EQ(registry_.OpenHandles(), 0);
}

TEST_F(AdapterSettingsTest, FailedWriteStopsTheRest)
{
    registry_.FailWritesOf("SubnetMask");
    EXPECT_FALSE(For(WinNT4).SetDhcp());
    ExpectWrites({{"IpAddress", kRegMultiSz, kZeroMulti}});
    registry_.ClearWrites();
    EXPECT_FALSE(For(Win2000).SetDhcp());
    ExpectWrites({{"IpAddress", kRegMultiSz, kZeroMulti}});
    registry_.ClearWrites();
    registry_.FailWritesOf("IpAddress");
    EXPECT_FALSE(For(Win2000).SetFixedIp(kAddress));
    EXPECT_TRUE(registry_.Writes().empty());
}

TEST_F(AdapterSettingsTest, Windows9xDhcpStopsOnAddressOrMaskAndReportsTheGateway)
{
    registry_.FailWritesOf("IpMask");
    EXPECT_FALSE(For(Win98).SetDhcp());
    ExpectWrites({{"IpAddress", kRegSz, B(std::string("0.0.0.0\0", 8))}});

    CFakeRegistry other;
    other.SetText(kLm, k9xKey, "IpAddress", "10.0.0.1");
    other.FailWritesOf("DefaultGateway");
    EXPECT_FALSE(CAdapterSettings(other, Win98, "NetTrans\\0000").SetDhcp());
    EXPECT_EQ(other.Writes().size(), 2u);
}

}  // namespace
