// The access provider plug-in under Wine: each test bed plug-in (testbed/plugins) is copied into a folder of
// the test's own, loaded, started, called through the DHCP server's adapter, and stopped; what it was asked
// to do is read back from the journal it keeps beside itself.
#include "AccessProvider.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "AccessProviderAdapter.h"
#include "ServiceLog.h"
#include "WineTestSupport.h"

using winetest::CIniFileSnapshot;
using winetest::CScratchFolder;
using winetest::FileExists;
using winetest::LogMessages;
using winetest::ProgramFolder;
using winetest::ReadLines;
using winetest::WaitFor;

namespace {
using Lines = std::vector<std::string>;

constexpr DWORD kJournalTimeoutMs = 10000;
const uint8_t kRefusedMac[kProviderHardwareLength] = {0x02, 0x0c, 0x00, 0x00, 0x00, 0x01};
const uint8_t kServedMac[kProviderHardwareLength] = {0x02, 0x0c, 0x00, 0x00, 0x00, 0x02};
const char kRefusedMacText[] = "02:0c:00:00:00:01";
const char kServedMacText[] = "02:0c:00:00:00:02";
const char kRegistered[] = "register size=136";

constexpr uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return a | (b << 8) | (c << 16) | (d << 24);
}

bool IsLoaded(const std::string& path)
{
    return GetModuleHandleA(path.c_str()) != nullptr;
}

class AccessProviderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.Created()); }
    void TearDown() override { CServiceLog::SetPath(nullptr); }

    /// Copies the test bed plug-in `name` into the test's folder; returns the copy's path.
    std::string Stage(const std::string& name)
    {
        const std::string from = ProgramFolder() + name + ".dll";
        EXPECT_TRUE(FileExists(from)) << from << " is missing: build the test_providers target";
        EXPECT_TRUE(folder_.CopyIn(from, name + ".dll"));
        return folder_.File(name + ".dll");
    }
    Lines Journal(const std::string& name) const { return ReadLines(folder_.Path() + name + ".calls"); }
    void Refuse(const std::string& name, const std::string& macs) const
    {
        ASSERT_TRUE(folder_.Write(name + ".refuse", macs));
    }

    CScratchFolder folder_;
};

struct LoadCase {
    const char* plugin;
    bool retained;
    Lines afterLoad;  ///< the journal once Load has returned
    Lines afterStop;  ///< the journal once Start and StopAndUnload have run
};

const LoadCase kLoadCases[] = {
    {"provider_journal", true, {kRegistered, "initialise"}, {kRegistered, "initialise", "start", "stop"}},
    // Start and stop are optional: a plug-in without them is still started and stopped without harm.
    {"provider_minimal", true, {kRegistered, "initialise"}, {kRegistered, "initialise"}},
    {"provider_retainslot", true, {kRegistered, "initialise"}, {kRegistered, "initialise"}},
    // Turned away before its initialise is called: it is never told to set itself up.
    {"provider_resize", false, {kRegistered}, {kRegistered}},
    {"provider_declines", false, {kRegistered}, {kRegistered}},
    {"provider_noauthorise", false, {kRegistered}, {kRegistered}},
    {"provider_noinitialise", false, {kRegistered}, {kRegistered}},
    // Initialised but failed: unloaded, neither started nor stopped.
    {"provider_initfails", false, {kRegistered, "initialise"}, {kRegistered, "initialise"}},
    {"provider_noexport", false, {}, {}},
};
}  // namespace

TEST_F(AccessProviderTest, EachPluginIsRetainedOrUnloadedByTheRegistrationRules)
{
    for (const LoadCase& c : kLoadCases) {
        SCOPED_TRACE(c.plugin);
        const std::string path = Stage(c.plugin);
        ASSERT_FALSE(path.empty());
        {
            CAccessProvider provider;
            provider.Load(path.c_str());
            EXPECT_EQ(c.retained, provider.IsRetained());
            EXPECT_EQ(c.retained, IsLoaded(path));
            EXPECT_EQ(c.retained ? GetModuleHandleA(path.c_str()) : nullptr, provider.Module());
            EXPECT_EQ(c.afterLoad, Journal(c.plugin));

            provider.Start();
            provider.StopAndUnload();
            EXPECT_FALSE(provider.IsRetained());
            EXPECT_FALSE(IsLoaded(path));
            EXPECT_EQ(c.afterStop, Journal(c.plugin));

            // A second stop has nothing left to stop.
            provider.StopAndUnload();
            EXPECT_EQ(c.afterStop, Journal(c.plugin));
        }
    }
}

TEST_F(AccessProviderTest, NoNameOrNoLibraryMeansNoPluginAndEveryClientServed)
{
    const std::string missing = folder_.Path() + "absent.dll";
    const char* names[] = {nullptr, "", missing.c_str()};
    for (const char* name : names) {
        CAccessProvider provider;
        provider.Load(name);
        EXPECT_FALSE(provider.IsRetained());
        CAccessProviderAdapter adapter(provider);
        EXPECT_TRUE(adapter.Authorise(kRefusedMac, kProviderHardwareLength));
        adapter.Lease(kServedMac, kProviderHardwareLength, Ip(192, 168, 0, 7));
        adapter.Release(kServedMac, kProviderHardwareLength);
        provider.Start();
        provider.StopAndUnload();
    }
}

TEST_F(AccessProviderTest, LoadsTheLibraryNamedInTheSettings)
{
    const std::string path = Stage("provider_journal");
    CIniFileSnapshot ini;
    {
        ASSERT_TRUE(winetest::WriteIni(kIniAuthProviderDllName.section, kIniAuthProviderDllName.key, path.c_str()));
        CAccessProvider provider;
        provider.Load();
        EXPECT_TRUE(provider.IsRetained());
        EXPECT_EQ(GetModuleHandleA(path.c_str()), provider.Module());
    }
    EXPECT_FALSE(IsLoaded(path)) << "the provider unloads its plug-in when it goes";
    for (const char* none : {"", static_cast<const char*>(nullptr)}) {
        ASSERT_TRUE(winetest::WriteIni(kIniAuthProviderDllName.section, kIniAuthProviderDllName.key, none));
        CAccessProvider provider;
        provider.Load();
        EXPECT_FALSE(provider.IsRetained());
    }
    EXPECT_EQ((Lines{kRegistered, "initialise", "stop"}), Journal("provider_journal"));
}

TEST_F(AccessProviderTest, ASecondLoadKeepsTheFirstPlugin)
{
    const std::string first = Stage("provider_journal");
    const std::string second = Stage("provider_minimal");
    CAccessProvider provider;
    provider.Load(first.c_str());
    provider.Load(second.c_str());
    EXPECT_EQ(GetModuleHandleA(first.c_str()), provider.Module());
    EXPECT_FALSE(IsLoaded(second));
    EXPECT_TRUE(Journal("provider_minimal").empty());
}

TEST_F(AccessProviderTest, CallbacksReachThePluginThroughTheAdapter)
{
    const std::string path = Stage("provider_journal");
    Refuse("provider_journal", std::string(kRefusedMacText) + "\r\n");
    CAccessProvider provider;
    CAccessProviderAdapter adapter(provider);
    provider.Load(path.c_str());
    ASSERT_TRUE(provider.IsRetained());
    provider.Start();

    EXPECT_FALSE(adapter.Authorise(kRefusedMac, kProviderHardwareLength));
    EXPECT_TRUE(adapter.Authorise(kServedMac, kProviderHardwareLength));
    adapter.Lease(kServedMac, kProviderHardwareLength, Ip(192, 168, 0, 7));
    adapter.Release(kServedMac, kProviderHardwareLength);
    // The plug-in decides at each call: a client it refuses from now on is refused at once.
    Refuse("provider_journal", std::string(kRefusedMacText) + "\r\n" + kServedMacText + "\r\n");
    EXPECT_FALSE(adapter.Authorise(kServedMac, kProviderHardwareLength));

    provider.StopAndUnload();
    // Without the plug-in every client is served again, and nothing reaches it any more.
    EXPECT_TRUE(adapter.Authorise(kRefusedMac, kProviderHardwareLength));
    adapter.Lease(kServedMac, kProviderHardwareLength, Ip(192, 168, 0, 8));
    adapter.Release(kServedMac, kProviderHardwareLength);

    const Lines expected = {
        kRegistered,
        "initialise",
        "start",
        std::string("authorise ") + kRefusedMacText + " length=6 serve=0",
        std::string("authorise ") + kServedMacText + " length=6 serve=1",
        std::string("lease ") + kServedMacText + " length=6 address=192.168.0.7",
        std::string("release ") + kServedMacText + " length=6",
        std::string("authorise ") + kServedMacText + " length=6 serve=0",
        "stop",
    };
    EXPECT_EQ(expected, Journal("provider_journal"));
}

TEST_F(AccessProviderTest, UnfilledCallbackSlotsServeAndStaySilent)
{
    struct Case {
        const char* plugin;
        bool asksAuthorise;
    };
    for (const Case& c : {Case{"provider_minimal", true}, Case{"provider_retainslot", false}}) {
        SCOPED_TRACE(c.plugin);
        const std::string path = Stage(c.plugin);
        Refuse(c.plugin, std::string(kRefusedMacText) + "\r\n");
        CAccessProvider provider;
        CAccessProviderAdapter adapter(provider);
        provider.Load(path.c_str());
        ASSERT_TRUE(provider.IsRetained());
        EXPECT_EQ(!c.asksAuthorise, adapter.Authorise(kRefusedMac, kProviderHardwareLength));
        adapter.Lease(kServedMac, kProviderHardwareLength, Ip(192, 168, 0, 7));
        adapter.Release(kServedMac, kProviderHardwareLength);
        provider.StopAndUnload();

        Lines expected = {kRegistered, "initialise"};
        if (c.asksAuthorise)
            expected.push_back(std::string("authorise ") + kRefusedMacText + " length=6 serve=0");
        EXPECT_EQ(expected, Journal(c.plugin));
    }
}

TEST_F(AccessProviderTest, TestBedPluginsLieBelowFourGigabytes)
{
    const std::string path = Stage("provider_journal");
    CAccessProvider provider;
    provider.Load(path.c_str());
    ASSERT_TRUE(provider.IsRetained());
    EXPECT_TRUE(ProviderSlotCanHold(reinterpret_cast<uintptr_t>(provider.Module())));
}

#if defined(_WIN64)
TEST_F(AccessProviderTest, PluginLoadedAboveFourGigabytesIsRefusedWithALogLine)
{
    const std::string path = Stage("provider_high");
    ASSERT_FALSE(path.empty());
    {
        // Where the system puts it when nothing else decides: the test is only worth something up there.
        HMODULE probe = LoadLibraryA(path.c_str());
        ASSERT_NE(nullptr, probe);
        EXPECT_FALSE(ProviderSlotCanHold(reinterpret_cast<uintptr_t>(probe))) << "loaded at " << probe;
        FreeLibrary(probe);
    }
    const std::string log = folder_.Path() + "OmbrixDaemon.log";
    CServiceLog::SetPath(log.c_str());
    CAccessProvider provider;
    provider.Load(path.c_str());
    EXPECT_FALSE(provider.IsRetained());
    EXPECT_FALSE(IsLoaded(path));
    EXPECT_TRUE(Journal("provider_high").empty()) << "refused before it was asked to register";
    EXPECT_EQ((Lines{"Access provider " + path + " lies above 4 GB: its table cannot hold its function addresses"}),
              LogMessages(log));
}
#endif

TEST_F(AccessProviderTest, PluginThatWritesPastTheTableIsRefusedWithALogLine)
{
    for (const char* plugin : {"provider_overrun", "provider_overrunbyone"}) {
        SCOPED_TRACE(plugin);
        const std::string path = Stage(plugin);
        ASSERT_FALSE(path.empty());
        const std::string log = folder_.Path() + plugin + ".log";
        CServiceLog::SetPath(log.c_str());
        CAccessProvider provider;
        provider.Load(path.c_str());
        EXPECT_FALSE(provider.IsRetained());
        EXPECT_FALSE(IsLoaded(path));
        EXPECT_EQ(Lines{kRegistered}, Journal(plugin)) << "refused before its initialise";
        EXPECT_EQ((Lines{"Access provider " + path + " wrote past the end of its 136-byte table: refused"}),
                  LogMessages(log));
        CAccessProviderAdapter adapter(provider);
        EXPECT_TRUE(adapter.Authorise(kRefusedMac, kProviderHardwareLength)) << "no plug-in: served";
        provider.Start();
        provider.StopAndUnload();
        EXPECT_EQ(Lines{kRegistered}, Journal(plugin));

        // The same service object still takes a plug-in that keeps to the table.
        const std::string good = Stage("provider_journal");
        provider.Load(good.c_str());
        EXPECT_TRUE(provider.IsRetained());
        provider.StopAndUnload();
        DeleteFileA((folder_.Path() + "provider_journal.calls").c_str());
    }
}

TEST_F(AccessProviderTest, OnlyTheUnsafeLibraryChecksWriteALogLine)
{
    const std::string log = folder_.Path() + "OmbrixDaemon.log";
    CServiceLog::SetPath(log.c_str());
    for (const LoadCase& c : kLoadCases) {
        const std::string path = Stage(c.plugin);
        CAccessProvider provider;
        provider.Load(path.c_str());
        provider.Start();
        provider.StopAndUnload();
    }
    EXPECT_FALSE(FileExists(log));
}

TEST_F(AccessProviderTest, UnloadWaitsForACallbackOnTheDhcpThreadAndEndsTheCalls)
{
    const std::string path = Stage("provider_journal");
    Refuse("provider_journal", std::string(kRefusedMacText) + "\r\n");
    CAccessProvider provider;
    CAccessProviderAdapter adapter(provider);
    provider.Load(path.c_str());
    ASSERT_TRUE(provider.IsRetained());

    // The packet thread asks about a refused client until the answer changes: that is when the plug-in has
    // gone. Bounded, in case it never does.
    std::atomic<bool> servedAtLast{false};
    std::atomic<int> refusals{0};
    std::thread packetThread([&] {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kJournalTimeoutMs) {
            if (adapter.Authorise(kRefusedMac, kProviderHardwareLength)) {
                servedAtLast = true;
                return;
            }
            ++refusals;
        }
    });
    ASSERT_TRUE(WaitFor([&] { return refusals.load() > 0; }, kJournalTimeoutMs));
    provider.StopAndUnload();
    packetThread.join();

    EXPECT_TRUE(servedAtLast);
    EXPECT_FALSE(IsLoaded(path));
    const Lines journal = Journal("provider_journal");
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ("stop", journal.back()) << "no call may reach the plug-in once it has been stopped";
    const std::string refusal = std::string("authorise ") + kRefusedMacText + " length=6 serve=0";
    int recorded = 0;
    for (const std::string& line : journal)
        recorded += line == refusal ? 1 : 0;
    EXPECT_EQ(refusals.load(), recorded) << "every refusal the thread saw came from the plug-in";
}

TEST_F(AccessProviderTest, TheServicesAdapterAsksTheServicesPlugin)
{
    const std::string path = Stage("provider_journal");
    Refuse("provider_journal", std::string(kRefusedMacText) + "\r\n");
    CAccessProvider& service = CAccessProvider::Service();
    IDhcpAccessProvider& dhcpView = CAccessProviderAdapter::Service();
    EXPECT_TRUE(dhcpView.Authorise(kRefusedMac, kProviderHardwareLength)) << "no plug-in yet: served";
    service.Load(path.c_str());
    ASSERT_TRUE(service.IsRetained());
    EXPECT_FALSE(dhcpView.Authorise(kRefusedMac, kProviderHardwareLength)) << "retained after the adapter was made";
    service.StopAndUnload();
    EXPECT_TRUE(dhcpView.Authorise(kRefusedMac, kProviderHardwareLength));
    EXPECT_EQ(&CAccessProvider::Service(), &service);
}
