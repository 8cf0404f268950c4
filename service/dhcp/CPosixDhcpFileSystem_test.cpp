#include "CPosixDhcpFileSystem.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "CDhcpClientDatabase.h"
#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

DhcpClientEntry Entry(uint8_t n)
{
    DhcpClientEntry e;
    const uint8_t id[] = {1, 2, 3, n};
    e.idId.Assign(id, sizeof(id));
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    e.hdwrAddr.bytes[5] = n;
    e.inAddr = Ip(192, 168, 0, n);
    e.leaseStart = 1000000u + n;
    e.leaseTime = 900;
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

bool SameEntries(const CDhcpClientTable& a, const CDhcpClientTable& b)
{
    return a.Count() == b.Count() && CDhcpClientDatabase::Encode(a) == CDhcpClientDatabase::Encode(b);
}

TEST(CPosixDhcpFileSystem, CallsDoWhatTheDatabaseNeeds)
{
    char dir[] = "/dev/shm/ombrix-dhcp-fs-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string a = std::string(dir) + "/a";
    const std::string b = std::string(dir) + "/b";
    CPosixDhcpFileSystem fs;
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(fs.ReadWholeFile(a, &bytes));
    EXPECT_FALSE(fs.FileExists(a));
    ASSERT_TRUE(fs.CreateForWriting(a));
    const uint8_t data[] = {1, 2, 3};
    EXPECT_EQ(3u, fs.WriteBytes(data, 3));
    EXPECT_TRUE(fs.FlushAndClose());
    EXPECT_TRUE(fs.ReadWholeFile(a, &bytes));
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), bytes);
    EXPECT_TRUE(fs.RenameFile(a, b));
    EXPECT_FALSE(fs.FileExists(a));
    ASSERT_TRUE(fs.CreateForWriting(a));
    fs.CloseWriting();
    EXPECT_FALSE(fs.RenameFile(a, b)) << "a rename does not overwrite";
    EXPECT_EQ(DhcpReplaceResult::Replaced, fs.ReplaceInOneStep(a, b));
    EXPECT_TRUE(fs.ReadWholeFile(b, &bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(DhcpReplaceResult::Failed, fs.ReplaceInOneStep(a, b));
    EXPECT_TRUE(fs.RemoveFile(b));
    EXPECT_FALSE(fs.RemoveFile(b));
    EXPECT_FALSE(fs.FlushAndClose());
    rmdir(dir);
}

// The real file calls: a child process saves two tables by turns, as fast as it can, and is killed with
// SIGKILL at a different moment each round; the file left behind always loads as one of the two.
TEST(CDhcpClientDatabase, PosixSaveSurvivesSigkill)
{
    char dir[] = "/dev/shm/ombrix-dhcp-kill-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string path = std::string(dir) + "/" + kDhcpDatabaseFileName;
    const CDhcpClientTable tables[2] = {TableOf({2, 3, 4}), TableOf({5, 6, 7, 8, 9, 10})};
    {
        CPosixDhcpFileSystem files;
        FakeTrace sink;
        CDhcpTrace trace(&sink);
        CDhcpClientDatabase db(&files, path, trace);
        db.Save(tables[0]);
    }
    const int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        int ready[2];
        ASSERT_EQ(0, pipe(ready));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            CPosixDhcpFileSystem files;
            CDhcpTrace trace(nullptr);
            CDhcpClientDatabase db(&files, path, trace);
            for (unsigned i = 0;; ++i) {
                db.Save(tables[i % 2]);
                if (i == static_cast<unsigned>(round)) {
                    const char mark = 'x';
                    (void)!write(ready[1], &mark, 1);
                }
            }
        }
        close(ready[1]);
        char mark = 0;
        ASSERT_EQ(1, read(ready[0], &mark, 1));
        close(ready[0]);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        CPosixDhcpFileSystem files;
        FakeTrace sink;
        CDhcpTrace trace(&sink);
        CDhcpClientDatabase db(&files, path, trace);
        CDhcpClientTable loaded;
        db.Load(&loaded);
        EXPECT_TRUE(SameEntries(tables[0], loaded) || SameEntries(tables[1], loaded))
            << "round " << round << ": " << loaded.Count() << " entries";
    }
    unlink(path.c_str());
    unlink((path + kDhcpDatabaseNewSuffix).c_str());
    rmdir(dir);
}

}  // namespace
