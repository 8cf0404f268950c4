// CWin32DhcpFileSystem under Wine: the file calls on the prefix's disk, and the client database saved and
// loaded through them on both families' paths.
#include "CWin32DhcpFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CDhcpClientDatabase.h"
#include "DhcpTestSupport.h"
#include "WineTestSupport.h"

using dhcptest::FakeTrace;
using dhcptest::Ip;

namespace {

std::string ReadBack(CWin32DhcpFileSystem& files, const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!files.ReadWholeFile(path, &bytes)) {
        return "<unreadable>";
    }
    return std::string(bytes.begin(), bytes.end());
}

class DhcpFileSystemWineTest : public testing::TestWithParam<OsType> {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.Created()); }

    std::string PathOf(const char* name) const { return folder_.File(name); }

    winetest::CScratchFolder folder_;
};

TEST_P(DhcpFileSystemWineTest, WritesFlushesReadsRenamesAndRemoves)
{
    CWin32DhcpFileSystem files(GetParam());
    const std::string a = PathOf("a");
    const std::string b = PathOf("b");
    EXPECT_FALSE(files.FileExists(a));
    std::vector<uint8_t> none;
    EXPECT_FALSE(files.ReadWholeFile(a, &none));

    ASSERT_TRUE(files.CreateForWriting(a));
    // Nobody else may open the file while it is written.
    std::vector<uint8_t> unused;
    EXPECT_FALSE(files.ReadWholeFile(a, &unused));
    const std::string text(5000, 'x');  // more than one read chunk
    EXPECT_EQ(text.size(), files.WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    EXPECT_TRUE(files.FlushAndClose());
    EXPECT_FALSE(files.FlushAndClose()) << "nothing is open any more";
    EXPECT_EQ(0u, files.WriteBytes(reinterpret_cast<const uint8_t*>("y"), 1));
    EXPECT_EQ(text, ReadBack(files, a));

    ASSERT_TRUE(winetest::WriteWholeFile(b, "bee"));
    EXPECT_FALSE(files.RenameFile(a, b)) << "a rename never replaces";
    EXPECT_EQ("bee", ReadBack(files, b));
    EXPECT_TRUE(files.RemoveFile(b));
    EXPECT_TRUE(files.RenameFile(a, b));
    EXPECT_FALSE(files.FileExists(a));
    EXPECT_EQ(text, ReadBack(files, b));
    EXPECT_TRUE(files.RemoveFile(b));
    EXPECT_FALSE(files.RemoveFile(b));
}

TEST_P(DhcpFileSystemWineTest, OneStepReplaceOnlyOnTheNtFamily)
{
    CWin32DhcpFileSystem files(GetParam());
    const std::string from = PathOf("a");
    const std::string to = PathOf("b");
    ASSERT_TRUE(winetest::WriteWholeFile(from, "new"));
    ASSERT_TRUE(winetest::WriteWholeFile(to, "old"));
    const DhcpReplaceResult result = files.ReplaceInOneStep(from, to);
    if (GetParam() == Win95 || GetParam() == Win98) {
        EXPECT_EQ(DhcpReplaceResult::Unsupported, result);
        EXPECT_EQ("new", ReadBack(files, from)) << "nothing was touched";
        EXPECT_EQ("old", ReadBack(files, to));
    } else {
        EXPECT_EQ(DhcpReplaceResult::Replaced, result);
        EXPECT_FALSE(files.FileExists(from));
        EXPECT_EQ("new", ReadBack(files, to));
        EXPECT_EQ(DhcpReplaceResult::Failed, files.ReplaceInOneStep(from, to)) << "no source";
    }
}

TEST_P(DhcpFileSystemWineTest, TheClientDatabaseSavesOverItselfAndLoadsBack)
{
    CWin32DhcpFileSystem files(GetParam());
    FakeTrace trace;
    CDhcpTrace tracer(&trace);
    CDhcpClientDatabase database(&files, PathOf("Ombrix.dhcp"), tracer);
    CDhcpClientTable table;
    for (uint8_t host = 2; host < 5; ++host) {
        DhcpClientEntry e;
        const uint8_t id[] = {1, 2, 3, host};
        e.idId.Assign(id, sizeof(id));
        e.inAddr = Ip(192, 168, 0, host);
        e.leaseStart = 1000 + host;
        e.leaseTime = 900;
        table.Append(e);
        database.Save(table);
    }
    EXPECT_FALSE(files.FileExists(database.NewPath()));
    EXPECT_FALSE(files.FileExists(database.OldPath()));
    EXPECT_EQ(0, trace.CountOf("Unable to write Client database"));

    CDhcpClientTable loaded;
    database.Load(&loaded);
    ASSERT_EQ(3u, loaded.Count());
    EXPECT_EQ(Ip(192, 168, 0, 4), loaded.At(2).inAddr);
    EXPECT_EQ(1004u, loaded.At(2).leaseStart);
}

std::string FamilyName(const testing::TestParamInfo<OsType>& info)
{
    static const char* const kNames[] = {"Win95", "Win98", "WinNT4", "Win2000", "Unknown"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Families, DhcpFileSystemWineTest, testing::Values(Win95, Win98, WinNT4, Win2000), FamilyName);

}  // namespace
