#include "CDhcpClientDatabase.h"

#include <gtest/gtest.h>

#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

const std::string kPath = "/db/Ombrix.dhcp";

DhcpClientEntry Entry(uint8_t n)
{
    DhcpClientEntry e;
    const uint8_t id[] = {1, 2, 3, n};
    e.idId.Assign(id, sizeof(id));
    const std::string name = "client-" + std::to_string(n);
    e.idHostname.Assign(reinterpret_cast<const uint8_t*>(name.data()), name.size());
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    for (int i = 0; i < 16; ++i) {
        e.hdwrAddr.bytes[i] = static_cast<uint8_t>(n + i);
    }
    e.inAddr = Ip(192, 168, 0, n);
    e.leaseStart = 1000000u + n;
    e.leaseTime = n % 2 == 0 ? 900u : 0xFFFFFFFFu;
    e.internetAccess = n % 2;
    return e;
}

CDhcpClientTable TableOf(std::initializer_list<uint8_t> ns)
{
    CDhcpClientTable t;
    for (uint8_t n : ns) {
        t.Append(Entry(n));
    }
    return t;
}

void ExpectSameEntries(const CDhcpClientTable& want, const CDhcpClientTable& got)
{
    ASSERT_EQ(want.Count(), got.Count());
    for (size_t i = 0; i < want.Count(); ++i) {
        const DhcpClientEntry& a = want.At(i);
        const DhcpClientEntry& b = got.At(i);
        EXPECT_TRUE(a.idId.Equals(b.idId)) << i;
        EXPECT_TRUE(a.idHostname.Equals(b.idHostname)) << i;
        EXPECT_EQ(a.hdwrAddr.chType, b.hdwrAddr.chType) << i;
        EXPECT_EQ(a.hdwrAddr.chLen, b.hdwrAddr.chLen) << i;
        EXPECT_EQ(0, std::memcmp(a.hdwrAddr.bytes, b.hdwrAddr.bytes, 16)) << i;
        EXPECT_EQ(a.inAddr, b.inAddr) << i;
        EXPECT_EQ(a.leaseStart, b.leaseStart) << i;
        EXPECT_EQ(a.leaseTime, b.leaseTime) << i;
        EXPECT_EQ(a.internetAccess, b.internetAccess) << i;
    }
}

bool SameEntries(const CDhcpClientTable& a, const CDhcpClientTable& b)
{
    if (a.Count() != b.Count()) {
        return false;
    }
    return CDhcpClientDatabase::Encode(a) == CDhcpClientDatabase::Encode(b);
}

struct DbRig {
    DbRig() : trace(&sink), db(&files, kPath, trace) {}
    FakeTrace sink;
    CDhcpTrace trace;
    MemoryFileSystem files;
    CDhcpClientDatabase db;
};

std::vector<uint8_t> Header(const char* text)
{
    return std::vector<uint8_t>(text, text + kDbHeaderSize);
}

TEST(CDhcpClientDatabase, RoundTripKeepsAllSevenFields)
{
    DbRig rig;
    const CDhcpClientTable table = TableOf({2, 3, 250});
    rig.db.Save(table);
    EXPECT_TRUE(rig.sink.Has("CDhcpServer::SaveClientList()"));
    CDhcpClientTable loaded = TableOf({9});
    rig.db.Load(&loaded);
    EXPECT_TRUE(rig.sink.Has("CDhcpServer::LoadClientList()"));
    ExpectSameEntries(table, loaded);
    EXPECT_EQ(0u, rig.files.files.count(rig.db.NewPath())) << "nothing left beside the database";
}

TEST(CDhcpClientDatabase, ByteLayout)
{
    CDhcpClientTable table;
    DhcpClientEntry e;  // empty identifier and host name
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    e.hdwrAddr.bytes[0] = 0xAA;
    e.inAddr = Ip(192, 168, 0, 7);
    e.leaseStart = 0x01020304;
    e.leaseTime = 900;
    e.internetAccess = 1;
    table.Append(e);
    DhcpClientEntry f;
    const uint8_t id[] = {0x01, 0xFE};
    f.idId.Assign(id, 2);
    const uint8_t name[] = {'a', 'b', 'c'};
    f.idHostname.Assign(name, 3);
    table.Append(f);
    const std::vector<uint8_t> bytes = CDhcpClientDatabase::Encode(table);

    std::vector<uint8_t> want = Header("DHCP Client Data v1.1");
    // First record: two zero length bytes, then directly the 18 hardware-address bytes.
    const uint8_t first[] = {0, 0, 1,   6,   0xAA, 0, 0, 0, 0, 0, 0,    0, 0, 0, 0, 0, 0, 0,
                             0, 0, 192, 168, 0,    7, 4, 3, 2, 1, 0x84, 3, 0, 0, 1, 0, 0, 0};
    want.insert(want.end(), first, first + sizeof(first));
    const uint8_t second[] = {2, 0x01, 0xFE, 3, 'a', 'b', 'c'};
    want.insert(want.end(), second, second + sizeof(second));
    want.insert(want.end(), kDbFixedPartV11, 0);
    EXPECT_EQ(want, bytes);
}

TEST(CDhcpClientDatabase, VersionOneZeroIsReadAndUpgraded)
{
    DbRig rig;
    std::vector<uint8_t> file = Header("DHCP Client Data v1.0");
    for (uint8_t n : {5, 6}) {
        CDhcpClientTable one = TableOf({n});
        std::vector<uint8_t> record = CDhcpClientDatabase::Encode(one);
        record.erase(record.begin(), record.begin() + kDbHeaderSize);
        record.resize(record.size() - 4);  // no internetAccess in v1.0
        file.insert(file.end(), record.begin(), record.end());
    }
    rig.files.files[kPath] = file;
    CDhcpClientTable loaded;
    rig.db.Load(&loaded);
    ASSERT_EQ(2u, loaded.Count());
    EXPECT_EQ(0u, loaded.At(0).internetAccess);
    EXPECT_EQ(0u, loaded.At(1).internetAccess);
    EXPECT_EQ(Ip(192, 168, 0, 6), loaded.At(1).inAddr);
    EXPECT_EQ(0xFFFFFFFFu, loaded.At(0).leaseTime);
    rig.db.Save(loaded);
    const std::vector<uint8_t>& saved = rig.files.files[kPath];
    EXPECT_EQ(Header("DHCP Client Data v1.1"), std::vector<uint8_t>(saved.begin(), saved.begin() + kDbHeaderSize));
    CDhcpClientTable again;
    rig.db.Load(&again);
    ExpectSameEntries(loaded, again);
}

TEST(CDhcpClientDatabase, LoadingCutAndOddFiles)
{
    const std::vector<uint8_t> full = CDhcpClientDatabase::Encode(TableOf({2, 3, 4}));
    const size_t recordSize = (full.size() - kDbHeaderSize) / 3;
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        bool present;
        size_t wantCount;
        const char* wantTrace;
    };
    const Case cases[] = {
        {"whole", full, true, 3, nullptr},
        {"ends two bytes into the last leaseTime", std::vector<uint8_t>(full.begin(), full.end() - 6), true, 2,
         nullptr},
        {"ends after a record's identifier",
         std::vector<uint8_t>(full.begin(), full.begin() + kDbHeaderSize + recordSize + 5), true, 1, nullptr},
        {"ends exactly behind a record", std::vector<uint8_t>(full.begin(), full.end() - recordSize), true, 2, nullptr},
        {"header only", Header("DHCP Client Data v1.1"), true, 0, nullptr},
        {"header without its NUL", std::vector<uint8_t>(full.begin(), full.begin() + 21), true, 0,
         "Invalid client database file!!"},
        {"other version", Header("DHCP Client Data v1.2"), true, 0, "Invalid client database file!!"},
        {"empty file", {}, true, 0, "Invalid client database file!!"},
        {"missing file", {}, false, 0, "Unable to open client database file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DbRig rig;
        if (c.present) {
            rig.files.files[kPath] = c.file;
        }
        CDhcpClientTable table = TableOf({99});
        rig.db.Load(&table);
        EXPECT_EQ(c.wantCount, table.Count());
        if (c.wantTrace != nullptr) {
            EXPECT_TRUE(rig.sink.Has(c.wantTrace));
        } else {
            EXPECT_EQ("CDhcpServer::LoadClientList()", rig.sink.lines.back());
        }
    }
    // The header text is compared up to its NUL: bytes behind it inside the 22 do not matter.
    std::vector<uint8_t> odd = Header("DHCP Client Data v1.1");
    CDhcpClientTable t;
    EXPECT_EQ(DhcpDatabaseContent::Loaded, CDhcpClientDatabase::Decode(odd.data(), odd.size(), &t));
    std::vector<uint8_t> longText(kDbHeaderSize, 'D');
    EXPECT_EQ(DhcpDatabaseContent::InvalidHeader, CDhcpClientDatabase::Decode(longText.data(), longText.size(), &t));
}

TEST(CDhcpClientDatabase, EmptyTableLeavesTheFileAlone)
{
    DbRig rig;
    rig.files.files[kPath] = {1, 2, 3};
    rig.db.Save(CDhcpClientTable());
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), rig.files.files[kPath]);
    EXPECT_EQ(0, rig.files.steps) << "not even a new file beside it";
}

TEST(CDhcpClientDatabase, ATableEmptiedSinceTheLoadIsSavedEmpty)
{
    // Every client released: the stored leases must not come back at the next start.
    DbRig rig;
    rig.files.files[kPath] = CDhcpClientDatabase::Encode(TableOf({2, 3}));
    CDhcpClientTable table;
    rig.db.Load(&table);
    ASSERT_EQ(2u, table.Count());
    table.Clear();
    rig.db.Save(table);
    EXPECT_EQ(Header("DHCP Client Data v1.1"), rig.files.files[kPath]);
    const int steps = rig.files.steps;
    rig.db.Save(table);
    EXPECT_EQ(steps, rig.files.steps) << "an empty file is not written again and again";
}

TEST(CDhcpClientDatabase, ASaveThatWouldWriteTheSameBytesAgainIsSpared)
{
    // Renewals within one second leave every byte of the file as it is: only a save that changes the file,
    // or finds it gone, or follows a failed one or a load, costs the disk its write and flush.
    enum class Between { Nothing, Removed, FirstFailed, Loaded };
    struct Case {
        const char* name;
        Between between;
        std::initializer_list<uint8_t> second;
        bool wantWrite;
    };
    const Case cases[] = {
        {"the same table", Between::Nothing, {2, 3}, false},
        {"a lease renewed into another second", Between::Nothing, {2, 3, 4}, true},
        {"the file removed meanwhile", Between::Removed, {2, 3}, true},
        {"the first save failed", Between::FirstFailed, {2, 3}, true},
        {"a load in between", Between::Loaded, {2, 3}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DbRig rig;
        if (c.between == Between::FirstFailed) {
            rig.files.failAtStep = 3;  // the flush
        }
        rig.db.Save(TableOf({2, 3}));
        rig.files.Restart();
        if (c.between == Between::Removed) {
            rig.files.files.erase(kPath);
        }
        if (c.between == Between::Loaded) {
            CDhcpClientTable loaded;
            rig.db.Load(&loaded);
        }
        const int steps = rig.files.steps;
        const CDhcpClientTable second = TableOf(c.second);
        rig.db.Save(second);
        EXPECT_EQ(c.wantWrite, rig.files.steps != steps);
        CDhcpClientTable loaded;
        rig.db.Load(&loaded);
        ExpectSameEntries(second, loaded);
    }
}

TEST(CDhcpClientDatabase, WriteFailuresAreTracedAndKeepTheOldFile)
{
    struct Case {
        const char* name;
        int failAt;  // 1 create, 2 write, 3 flush, 4 replace
        const char* wantTrace;
    };
    const Case cases[] = {
        {"cannot create", 1, "Unable to open client database file for writing"},
        {"disk full", 2, "Unable to write Client database"},
        {"flush fails", 3, "Unable to write Client database"},
        {"replace fails", 4, "Unable to write Client database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DbRig rig;
        const CDhcpClientTable before = TableOf({2});
        rig.db.Save(before);
        rig.files.Restart();
        rig.files.failAtStep = c.failAt;
        rig.files.tornBytes = 10;
        rig.db.Save(TableOf({2, 3}));
        EXPECT_EQ(c.wantTrace, rig.sink.lines.back());
        EXPECT_EQ(0u, rig.files.files.count(rig.db.NewPath()));
        rig.files.Restart();
        CDhcpClientTable loaded;
        rig.db.Load(&loaded);
        ExpectSameEntries(before, loaded);
    }
}

// Kills the writer at every step of a save (and, inside the write, after every byte count) and loads what
// the disk kept: it must be the previous table or the new one, never anything else.
void KillAtEveryStep(bool oneStepReplace, bool hadDatabase)
{
    const CDhcpClientTable before = TableOf({2, 3});
    const CDhcpClientTable after = TableOf({2, 3, 4});
    const size_t fileSize = CDhcpClientDatabase::Encode(after).size();
    int sawNew = 0;
    int sawOld = 0;
    for (int step = 1; step <= 12; ++step) {
        for (size_t torn = 0; torn <= fileSize; torn += (step == 2 ? 1 : fileSize + 1)) {
            SCOPED_TRACE("crash at step " + std::to_string(step) + ", torn " + std::to_string(torn));
            DbRig rig;
            rig.files.oneStepReplace = oneStepReplace;
            if (hadDatabase) {
                rig.db.Save(before);
            }
            rig.files.Restart();
            rig.files.crashAtStep = step;
            rig.files.tornBytes = torn;
            rig.db.Save(after);
            const bool crashed = rig.files.crashed;
            rig.files.Restart();

            DbRig fresh;
            fresh.files.files = rig.files.files;
            fresh.files.oneStepReplace = oneStepReplace;
            CDhcpClientTable loaded;
            fresh.db.Load(&loaded);
            const bool isNew = SameEntries(after, loaded);
            const bool isOld = hadDatabase ? SameEntries(before, loaded) : loaded.Count() == 0;
            EXPECT_TRUE(isNew || isOld) << "loaded " << loaded.Count() << " entries";
            sawNew += isNew ? 1 : 0;
            sawOld += isOld ? 1 : 0;
            if (!crashed) {
                EXPECT_TRUE(isNew) << "a save that ran to its end";
            }
            // A save after the restart works and is loaded back.
            fresh.files.Restart();
            fresh.db.Save(after);
            CDhcpClientTable again;
            fresh.db.Load(&again);
            EXPECT_TRUE(SameEntries(after, again));
        }
    }
    EXPECT_GT(sawNew, 0);
    EXPECT_GT(sawOld, 0);
}

TEST(CDhcpClientDatabase, KillAtEveryStepWithOneStepReplace)
{
    KillAtEveryStep(true, true);
    KillAtEveryStep(true, false);
}

TEST(CDhcpClientDatabase, KillAtEveryStepWithRenames)
{
    KillAtEveryStep(false, true);
    KillAtEveryStep(false, false);
}

TEST(CDhcpClientDatabase, FailAtEveryStepWithRenames)
{
    const CDhcpClientTable before = TableOf({2, 3});
    const CDhcpClientTable after = TableOf({7});
    for (int step = 1; step <= 10; ++step) {
        SCOPED_TRACE("fail at step " + std::to_string(step));
        DbRig rig;
        rig.files.oneStepReplace = false;
        rig.db.Save(before);
        rig.files.Restart();
        rig.files.failAtStep = step;
        rig.db.Save(after);
        rig.files.Restart();
        CDhcpClientTable loaded;
        rig.db.Load(&loaded);
        EXPECT_TRUE(SameEntries(before, loaded) || SameEntries(after, loaded));
        const bool traced = rig.sink.Has("Unable to write Client database") ||
                            rig.sink.Has("Unable to open client database file for writing");
        if (!SameEntries(after, loaded)) {
            EXPECT_TRUE(traced);
        }
    }
}

TEST(CDhcpClientDatabase, LoadFinishesASwapCutBetweenTheRenames)
{
    DbRig rig;
    const std::vector<uint8_t> oldBytes = CDhcpClientDatabase::Encode(TableOf({2}));
    const std::vector<uint8_t> newBytes = CDhcpClientDatabase::Encode(TableOf({2, 3}));
    rig.files.files[rig.db.OldPath()] = oldBytes;
    rig.files.files[rig.db.NewPath()] = newBytes;
    CDhcpClientTable loaded;
    rig.db.Load(&loaded);
    EXPECT_EQ(2u, loaded.Count());
    EXPECT_EQ(newBytes, rig.files.files[kPath]);
    EXPECT_EQ(0u, rig.files.files.count(rig.db.OldPath()));
    EXPECT_EQ(0u, rig.files.files.count(rig.db.NewPath()));

    // A new file beside a present database is a save that never got to its swap: ignored.
    DbRig half;
    half.files.files[kPath] = oldBytes;
    half.files.files[half.db.NewPath()] = std::vector<uint8_t>(newBytes.begin(), newBytes.end() - 3);
    CDhcpClientTable kept;
    half.db.Load(&kept);
    EXPECT_EQ(1u, kept.Count());
}

// A file that is there but cannot be read holds leases the server does not know: saving over it would
// lose them. The save waits until the file could be read, and then keeps what both hold.
TEST(CDhcpClientDatabase, AFileThatCannotBeReadIsNeverSavedOver)
{
    struct FakeServiceLog : IDhcpServiceLog {
        void ServiceLine(const char* text) override { lines.push_back(text); }
        std::vector<std::string> lines;
    };
    const CDhcpClientTable stored = TableOf({2, 3, 4, 5});
    const std::vector<uint8_t> file = CDhcpClientDatabase::Encode(stored);

    FakeServiceLog serviceLog;
    FakeTrace sink;
    CDhcpTrace trace(&sink);
    MemoryFileSystem files;
    CDhcpClientDatabase db(&files, kPath, trace, &serviceLog);
    files.files[kPath] = file;
    files.unreadableReads = 1000;

    CDhcpClientTable table;
    db.Load(&table);
    EXPECT_EQ(0u, table.Count());
    EXPECT_TRUE(db.SavesHeldBack());
    ASSERT_EQ(1u, serviceLog.lines.size());
    EXPECT_EQ("DHCP client database cannot be read: it is not saved over until it can", serviceLog.lines[0]);

    ASSERT_TRUE(table.Append(Entry(9)));
    db.Save(table);
    EXPECT_EQ(file, files.files[kPath]) << "a new lease overwrote the stored ones";
    EXPECT_TRUE(sink.Has("Unable to write Client database"));

    // Readable again: the first save takes in what the file held, then writes both.
    files.unreadableReads = 0;
    db.Save(table);
    EXPECT_FALSE(db.SavesHeldBack());
    EXPECT_EQ(5u, table.Count());
    CDhcpClientTable again;
    db.Load(&again);
    EXPECT_EQ(5u, again.Count());
    EXPECT_EQ(Ip(192, 168, 0, 9), again.At(0).inAddr);
    EXPECT_EQ("DHCP client database read at last, 4 entries merged", serviceLog.lines.back());
}

TEST(CDhcpClientDatabase, AReadThatFailsOnceIsTriedAgainAtStart)
{
    DbRig rig;
    rig.files.files[kPath] = CDhcpClientDatabase::Encode(TableOf({2, 3}));
    rig.files.unreadableReads = kDhcpDatabaseReadAttempts - 1;
    CDhcpClientTable table;
    rig.db.Load(&table);
    EXPECT_EQ(2u, table.Count());
    EXPECT_FALSE(rig.db.SavesHeldBack());
}

TEST(CDhcpClientDatabase, AFileOfAnUnknownVersionIsSetAsideBeforeTheFirstSave)
{
    std::vector<uint8_t> later = Header("DHCP Client Data v2.0");
    later.insert(later.end(), 40, 0xAB);
    DbRig rig;
    rig.files.files[kPath] = later;
    rig.files.files[kPath + ".bad"] = {7};  // an earlier one stays too
    CDhcpClientTable table;
    rig.db.Load(&table);
    EXPECT_EQ(0u, table.Count());
    EXPECT_TRUE(rig.sink.Has("Invalid client database file!!"));
    EXPECT_TRUE(rig.sink.Has("DHCP client database of an unknown version set aside as Ombrix.dhcp.bad1"));
    EXPECT_EQ(later, rig.files.files[kPath + ".bad1"]);
    EXPECT_EQ(std::vector<uint8_t>{7}, rig.files.files[kPath + ".bad"]);
    EXPECT_EQ(0u, rig.files.files.count(kPath));

    ASSERT_TRUE(table.Append(Entry(9)));
    rig.db.Save(table);
    EXPECT_EQ(CDhcpClientDatabase::Encode(table), rig.files.files[kPath]);
    EXPECT_EQ(later, rig.files.files[kPath + ".bad1"]);
}

TEST(CDhcpClientDatabase, AFileThatCannotBeSetAsideHoldsSavesBack)
{
    std::vector<uint8_t> later = Header("DHCP Client Data v2.0");
    DbRig rig;
    rig.files.files[kPath] = later;
    rig.files.failAtStep = 1;  // the rename
    CDhcpClientTable table;
    rig.db.Load(&table);
    EXPECT_TRUE(rig.db.SavesHeldBack());
    ASSERT_TRUE(table.Append(Entry(9)));
    rig.db.Save(table);  // tries the rename again, which now works, then saves
    EXPECT_FALSE(rig.db.SavesHeldBack());
    EXPECT_EQ(later, rig.files.files[kPath + ".bad"]);
    EXPECT_EQ(CDhcpClientDatabase::Encode(table), rig.files.files[kPath]);
}

TEST(CDhcpClientDatabase, RecordsBehindAValidHeaderArePutRight)
{
    CDhcpClientTable written;
    DhcpClientEntry odd = Entry(2);
    odd.internetAccess = 7;
    DhcpClientEntry older = Entry(3);
    older.inAddr = Ip(192, 168, 0, 20);
    older.leaseStart = 500;
    DhcpClientEntry newer = Entry(4);
    newer.inAddr = Ip(192, 168, 0, 20);
    newer.leaseStart = 900;
    DhcpClientEntry multicast = Entry(5);
    multicast.inAddr = Ip(224, 0, 0, 1);
    DhcpClientEntry empty = Entry(6);
    empty.inAddr = 0;
    empty.leaseStart = 0;
    for (const DhcpClientEntry& e : {odd, older, newer, multicast, empty}) {
        ASSERT_TRUE(written.Append(e));
    }
    DbRig rig;
    rig.files.files[kPath] = CDhcpClientDatabase::Encode(written);
    CDhcpClientTable table;
    rig.db.Load(&table);
    ASSERT_EQ(2u, table.Count());
    EXPECT_EQ(1u, table.At(0).internetAccess);
    EXPECT_EQ(Ip(192, 168, 0, 20), table.At(1).inAddr);
    EXPECT_EQ(900u, table.At(1).leaseStart) << "the later lease keeps the address";
    EXPECT_TRUE(rig.sink.Has("Client database: 4 entries corrected or dropped"));
}

}  // namespace
