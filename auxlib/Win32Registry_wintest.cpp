// The registry layer on Wine's registry: what the walks rely on (enumeration, the buffer limits, access),
// and the settings writes of every family with the exact byte counts handed to RegSetValueExA next to what
// the registry then holds.
#include <gtest/gtest.h>

#include "AdapterSettings.h"
#include "RegistryPaths.h"
#include "Win32Registry.h"
#include "testing/FakeTdiStack.h"
#include "testing/RecordingRegistry.h"
#include "testing/RegistryFixture.h"
#include "testing/WineAuxSupport.h"

namespace {

const char kScratch[] = "Software\\OmbrixAuxRegistryTest";

class Win32RegistryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        fixture_.Restore();
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_CURRENT_USER, kScratch));
    }
    CWin32Registry registry_;
    CRegistryFixture fixture_;
};

TEST_F(Win32RegistryTest, EnumerationLimitsAndReads)
{
    ASSERT_TRUE(fixture_.SetText(HKEY_CURRENT_USER, std::string(kScratch) + "\\short", "v", "x"));
    ASSERT_TRUE(fixture_.CreateKey(HKEY_CURRENT_USER, std::string(kScratch) + "\\" + std::string(60, 'L')));
    ASSERT_TRUE(fixture_.SetText(HKEY_CURRENT_USER, kScratch, "Ten bytes", "123456789"));
    ASSERT_TRUE(fixture_.SetText(HKEY_CURRENT_USER, kScratch, std::string(60, 'V'), "long name"));

    CRegKey key = CRegKey::Open(registry_, RegRoot::CurrentUser, kScratch, RegAccess::Read);
    ASSERT_TRUE(key.IsOpen());
    EXPECT_EQ(key.SubkeyNames(50), std::vector<std::string>{"short"});
    EXPECT_EQ(key.SubkeyNames(60).size(), 2u);
    EXPECT_EQ(key.ValueNames(50), std::vector<std::string>{"Ten bytes"});
    std::string text;
    EXPECT_TRUE(key.ReadText("Ten bytes", 10, text));
    EXPECT_EQ(text, "123456789");
    EXPECT_FALSE(key.ReadText("Ten bytes", 9, text)) << "a value that does not fit counts as missing";
    EXPECT_FALSE(key.ReadText("absent", 50, text));
    uint32_t dword = 0;
    EXPECT_FALSE(key.ReadDword("Ten bytes", dword));
    EXPECT_FALSE(key.Write("new", kRegSz, TextBytes("x", true))) << "opened for reading";
    EXPECT_FALSE(key.OpenSub("missing", RegAccess::Read).IsOpen());
}

struct FamilyCase {
    OsType os;
    const char* configKey;
    std::string keyPath;
};

// The 9x transport key, the NT 4 service's TCP/IP key and the 2000 interface key.
class SettingsOnWineRegistry : public Win32RegistryTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, k9x, "IpAddress", "10.0.0.1"));
        ASSERT_TRUE(fixture_.CreateKey(HKEY_LOCAL_MACHINE, kNt4));
        ASSERT_TRUE(fixture_.CreateKey(HKEY_LOCAL_MACHINE, k2000));
    }
    void TearDown() override
    {
        Win32RegistryTest::TearDown();
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, std::string(k9xClassKey) + "NetTrans"));
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + "OmbrixAuxCard"));
    }

    const std::string k9x = std::string(k9xClassKey) + "NetTrans\\0000";
    const std::string kNt4 = std::string(kServicesKey) + "OmbrixAuxCard\\Parameters\\TcpIp";
    const std::string k2000 = std::string(k2000InterfacesKey) + "{OMBRIX-AUX-TEST}";
};

struct WriteExpectation {
    const char* name;
    uint32_t type;
    size_t passed;  // bytes handed to the registry
    std::vector<uint8_t> stored;
};

void ExpectWrites(const CRecordingRegistry& recording, const std::string& key,
                  const std::vector<WriteExpectation>& expected)
{
    ASSERT_EQ(recording.Writes().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& write = recording.Writes()[i];
        EXPECT_TRUE(write.succeeded) << expected[i].name;
        EXPECT_EQ(write.name, expected[i].name);
        EXPECT_EQ(write.type, expected[i].type) << expected[i].name;
        EXPECT_EQ(write.data.size(), expected[i].passed) << expected[i].name;
        const StoredValue stored = CRegistryFixture::Read(HKEY_LOCAL_MACHINE, key, expected[i].name);
        EXPECT_EQ(stored.type, expected[i].type) << expected[i].name;
        // The last write of a name is what the registry holds.
        bool last = true;
        for (size_t j = i + 1; j < expected.size(); ++j)
            last = last && std::string(expected[j].name) != expected[i].name;
        if (last)
            EXPECT_EQ(stored.data, expected[i].stored) << expected[i].name;
    }
}

TEST_F(SettingsOnWineRegistry, Windows9xTextsWithoutAndWithNul)
{
    CRecordingRegistry recording(registry_);
    CAdapterSettings settings(recording, Win98, "NetTrans\\0000");
    ASSERT_TRUE(settings.SetFixedIp(Ip(192, 168, 0, 1)));
    ASSERT_TRUE(settings.SetSubnet(Ip(255, 255, 255, 0)));
    ASSERT_TRUE(settings.SetGateway(0));
    // Passed without the NUL; Wine (like NT) stores it, Windows 95/98 would not.
    ExpectWrites(recording, k9x,
                 {{"IpAddress", kRegSz, 11, TextBytes("192.168.0.1", true)},
                  {"IpMask", kRegSz, 13, TextBytes("255.255.255.0", true)},
                  {"DefaultGateway", kRegSz, 1, TextBytes("", true)}});
    recording.ClearWrites();
    ASSERT_TRUE(settings.SetDhcp());
    ExpectWrites(recording, k9x,
                 {{"IpAddress", kRegSz, 8, TextBytes("0.0.0.0", true)},
                  {"IpMask", kRegSz, 8, TextBytes("0.0.0.0", true)},
                  {"DefaultGateway", kRegSz, 1, TextBytes("", true)}});
}

TEST_F(SettingsOnWineRegistry, Nt4StringsAndMultiStrings)
{
    CRecordingRegistry recording(registry_);
    CAdapterSettings settings(recording, WinNT4, "OmbrixAuxCard");
    ASSERT_TRUE(settings.SetFixedIp(Ip(192, 168, 0, 1)));
    ASSERT_TRUE(settings.SetGateway(0));
    ExpectWrites(recording, kNt4,
                 {{"IpAddress", kRegSz, 11, TextBytes("192.168.0.1", true)},
                  {"EnableDhcp", kRegDword, 4, DwordBytes(0)},
                  {"DefaultGateway", kRegSz, 7, TextBytes("0.0.0.0", true)}});
    recording.ClearWrites();
    ASSERT_TRUE(settings.SetDhcp());
    ExpectWrites(recording, kNt4,
                 {{"IpAddress", kRegMultiSz, 9, MultiBytes("0.0.0.0")},
                  {"SubnetMask", kRegMultiSz, 9, MultiBytes("0.0.0.0")},
                  {"DefaultGateway", kRegMultiSz, 1, std::vector<uint8_t>(1, 0)},
                  {"EnableDhcp", kRegDword, 4, DwordBytes(1)}});
}

TEST_F(SettingsOnWineRegistry, Windows2000MultiStrings)
{
    CRecordingRegistry recording(registry_);
    CAdapterSettings settings(recording, Win2000, "{OMBRIX-AUX-TEST}");
    ASSERT_TRUE(settings.SetFixedIp(Ip(192, 168, 0, 1)));
    ASSERT_TRUE(settings.SetSubnet(Ip(255, 255, 0, 0)));
    ExpectWrites(recording, k2000,
                 {{"IpAddress", kRegMultiSz, 13, MultiBytes("192.168.0.1")},
                  {"EnableDhcp", kRegDword, 4, DwordBytes(0)},
                  {"SubnetMask", kRegMultiSz, 13, MultiBytes("255.255.0.0")}});
    recording.ClearWrites();
    ASSERT_TRUE(settings.SetDhcp());
    ExpectWrites(recording, k2000,
                 {{"IpAddress", kRegMultiSz, 9, MultiBytes("0.0.0.0")},
                  {"SubnetMask", kRegMultiSz, 9, MultiBytes("0.0.0.0")},
                  {"DefaultGateway", kRegMultiSz, 2, std::vector<uint8_t>(2, 0)},
                  {"EnableDhcp", kRegDword, 4, DwordBytes(1)}});
}

}  // namespace
