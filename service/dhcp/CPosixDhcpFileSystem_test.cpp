#include "CPosixDhcpFileSystem.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "CDhcpClientDatabase.h"
#include "CDhcpServerCore.h"
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

// What a client was told: the ACK's address, and the clock of the batch that granted it.
struct AckRecord {
    uint8_t client;
    uint32_t address;
    uint32_t leaseStart;
};

// Tells the parent of every ACK as it leaves, through a pipe: what reached the pipe before the kill was sent.
class PipeSender : public IDhcpReplySender {
public:
    PipeSender(int fd, const IDhcpClock& clock) : fd_(fd), clock_(clock) {}
    bool SendReply(uint32_t, uint16_t, const uint8_t* bytes, size_t) override
    {
        if (bytes[kDhcpTypeValueOffset] != DHCPACK) {
            return true;
        }
        AckRecord r{bytes[kDhcpChaddrOffset + 5], LoadLe32(bytes + kDhcpYiaddrOffset),
                    const_cast<IDhcpClock&>(clock_).Now()};
        return write(fd_, &r, sizeof(r)) == static_cast<ssize_t>(sizeof(r));
    }

private:
    int fd_;
    const IDhcpClock& clock_;
};

// A renewal storm in a child process with the real file calls, killed with SIGKILL after a different
// number of ACKs each round: every lease a client was ACKed (new start included) is in the file after.
TEST(CDhcpServerCore, NoAckedLeaseIsLostToASigkillDuringARenewalStorm)
{
    char dir[] = "/dev/shm/ombrix-dhcp-storm-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string path = std::string(dir) + "/" + kDhcpDatabaseFileName;
    constexpr uint8_t kClients = 20;
    std::mt19937 random(20261211);
    const int kRounds = 100;
    for (int round = 0; round < kRounds; ++round) {
        {
            CDhcpClientTable start;
            for (uint8_t n = 2; n < 2 + kClients; ++n) {
                DhcpClientEntry e = Entry(n);
                e.leaseStart = 1;
                start.Append(e);
            }
            CPosixDhcpFileSystem files;
            CDhcpTrace trace(nullptr);
            CDhcpClientDatabase(&files, path, trace).Save(start);
        }
        int acks[2];
        ASSERT_EQ(0, pipe(acks));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(acks[0]);
            FakeClock clock;
            clock.now = 100;
            PipeSender sender(acks[1], clock);
            FakeProbe probe;
            CPosixDhcpFileSystem files;
            DhcpCollaborators c;
            c.clock = &clock;
            c.probe = &probe;
            c.sender = &sender;
            c.files = &files;
            c.databasePath = path;
            CDhcpServerCore core(c);
            DhcpSettings s;
            s.serverAddress = Ip(192, 168, 0, 1);
            s.network = Ip(192, 168, 0, 0);
            s.lowAddress = 2;
            s.highAddress = 254;
            s.leaseAddrTimeout = 900;
            core.Configure(s);
            core.LoadClientList();
            std::mt19937 pick(static_cast<unsigned>(round));
            for (;;) {
                std::vector<std::unique_ptr<CDHCPPacket>> packets;
                std::vector<CDHCPPacket*> batch;
                for (int i = 0; i < 6; ++i) {
                    const uint8_t n = static_cast<uint8_t>(2 + pick() % kClients);
                    const std::vector<uint8_t> renewal = MessageBuilder(DHCPREQUEST)
                                                             .Mac({0, 0, 0, 0, 0, n})
                                                             .ClientId({1, 2, 3, n})
                                                             .Ciaddr(Ip(192, 168, 0, n))
                                                             .Build();
                    packets.emplace_back(new CDHCPPacket(core.Context(), renewal.data(), renewal.size()));
                    batch.push_back(packets.back().get());
                }
                core.HandleBatch(batch.data(), batch.size());
                ++clock.now;
            }
        }
        close(acks[1]);
        // Kill after some ACKs: anywhere from the first batch to a few dozen in.
        const int killAfter = 1 + static_cast<int>(random() % 120);
        std::map<uint8_t, AckRecord> told;
        AckRecord r;
        int seen = 0;
        while (seen < killAfter && read(acks[0], &r, sizeof(r)) == static_cast<ssize_t>(sizeof(r))) {
            told[r.client] = r;
            ++seen;
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        // ACKs already in the pipe when the kill came had left too.
        while (read(acks[0], &r, sizeof(r)) == static_cast<ssize_t>(sizeof(r))) {
            told[r.client] = r;
        }
        close(acks[0]);
        ASSERT_EQ(killAfter, seen) << "the storm ended before the kill";

        CPosixDhcpFileSystem files;
        FakeTrace sink;
        CDhcpTrace trace(&sink);
        CDhcpClientTable loaded;
        CDhcpClientDatabase(&files, path, trace).Load(&loaded);
        for (const auto& ack : told) {
            bool found = false;
            for (size_t i = 0; i < loaded.Count(); ++i) {
                const DhcpClientEntry& e = loaded.At(i);
                if (e.hdwrAddr.bytes[5] == ack.first) {
                    found = true;
                    EXPECT_EQ(ack.second.address, e.inAddr) << "round " << round;
                    EXPECT_GE(e.leaseStart, ack.second.leaseStart)
                        << "round " << round << ": client " << int(ack.first) << " was ACKed a lease the file lost";
                }
            }
            EXPECT_TRUE(found) << "round " << round << ": client " << int(ack.first) << " missing";
        }
    }
    unlink(path.c_str());
    unlink((path + kDhcpDatabaseNewSuffix).c_str());
    rmdir(dir);
}

}  // namespace
