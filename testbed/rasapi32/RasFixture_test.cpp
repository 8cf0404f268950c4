#include "RasFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(RasFixture, ReadsEntriesDevicesAndEveryKey)
{
    const RasFixture fixture = ParseRasFixture("; the lab's phonebook\r\n"
                                               "[device Standard Modem]\r\n"
                                               "type = modem\r\n"
                                               "\r\n"
                                               "[entry Provider One]\r\n"
                                               "device = Standard Modem\r\n"
                                               "phone = 555 0100\r\n"
                                               "user = alice\r\n"
                                               "password = s3cret pass\r\n"
                                               "domain = *\r\n"
                                               "outcome = connected\r\n"
                                               "delay = 50\r\n"
                                               "# the other one\r\n"
                                               "[Entry   Second Provider  ]\n"
                                               "device=ISDN Card\n"
                                               "outcome=disconnected 2000 629\n"
                                               "authenticate=yes\n"
                                               "handle=late\n");
    EXPECT_TRUE(fixture.problems.empty()) << (fixture.problems.empty() ? "" : fixture.problems[0]);
    ASSERT_EQ(fixture.entries.size(), 2u);
    const RasFixtureEntry& one = fixture.entries[0];
    EXPECT_EQ(one.name, "Provider One");
    EXPECT_EQ(one.device, "Standard Modem");
    EXPECT_EQ(one.phone, "555 0100");
    EXPECT_EQ(one.user, "alice");
    EXPECT_EQ(one.password, "s3cret pass");
    EXPECT_EQ(one.domain, "*");
    EXPECT_EQ(one.outcome, RasOutcome::Connected);
    EXPECT_EQ(one.delayMs, 50u);
    EXPECT_FALSE(one.authenticate);
    EXPECT_FALSE(one.lateHandle);
    const RasFixtureEntry& two = fixture.entries[1];
    EXPECT_EQ(two.name, "Second Provider");
    EXPECT_EQ(two.outcome, RasOutcome::Disconnected);
    EXPECT_EQ(two.dropAfterMs, 2000u);
    EXPECT_EQ(two.dropError, 629u);
    EXPECT_EQ(two.delayMs, 0u);
    EXPECT_TRUE(two.authenticate);
    EXPECT_TRUE(two.lateHandle);
    // The declared device first, then the one an entry names without declaring it (a modem).
    ASSERT_EQ(fixture.devices.size(), 2u);
    EXPECT_EQ(fixture.devices[0].name, "Standard Modem");
    EXPECT_EQ(fixture.devices[1].name, "ISDN Card");
    EXPECT_EQ(fixture.devices[1].type, "modem");
}

struct OutcomeCase {
    const char* text;
    bool accepted;
    RasOutcome outcome;
    uint32_t errorCode;
    uint32_t dropAfterMs;
    uint32_t dropError;
};

TEST(RasFixture, OutcomesAsWritten)
{
    const OutcomeCase cases[] = {
        {"connected", true, RasOutcome::Connected, 0, 0, 0},
        {"CONNECTED", true, RasOutcome::Connected, 0, 0, 0},
        {"error 678", true, RasOutcome::Error, 678, 0, 0},
        {"error   691", true, RasOutcome::Error, 691, 0, 0},
        {"refused 633", true, RasOutcome::Refused, 633, 0, 0},
        {"disconnected 2000", true, RasOutcome::Disconnected, 0, 2000, 0},
        {"disconnected 0 629", true, RasOutcome::Disconnected, 0, 0, 629},
        {"disconnected 600000", true, RasOutcome::Disconnected, 0, 600000, 0},
        {"error 4294967295", true, RasOutcome::Error, 4294967295u, 0, 0},
        // Refused: the entry keeps connecting.
        {"error 0", false, RasOutcome::Connected, 0, 0, 0},
        {"error", false, RasOutcome::Connected, 0, 0, 0},
        {"error -1", false, RasOutcome::Connected, 0, 0, 0},
        {"error 4294967296", false, RasOutcome::Connected, 0, 0, 0},
        {"error 678 679", false, RasOutcome::Connected, 0, 0, 0},
        {"refused", false, RasOutcome::Connected, 0, 0, 0},
        {"disconnected", false, RasOutcome::Connected, 0, 0, 0},
        {"disconnected 600001", false, RasOutcome::Connected, 0, 0, 0},
        {"disconnected 10 x", false, RasOutcome::Connected, 0, 0, 0},
        {"connected 5", false, RasOutcome::Connected, 0, 0, 0},
        {"busy", false, RasOutcome::Connected, 0, 0, 0},
        {"", false, RasOutcome::Connected, 0, 0, 0},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.text);
        const RasFixture fixture = ParseRasFixture(std::string("[entry E]\noutcome = ") + c.text + "\n");
        ASSERT_EQ(fixture.entries.size(), 1u);
        EXPECT_EQ(fixture.problems.size(), c.accepted ? 0u : 1u);
        const RasFixtureEntry& entry = fixture.entries[0];
        EXPECT_EQ(entry.outcome, c.outcome);
        EXPECT_EQ(entry.errorCode, c.errorCode);
        EXPECT_EQ(entry.dropAfterMs, c.dropAfterMs);
        EXPECT_EQ(entry.dropError, c.dropError);
    }
}

struct ProblemCase {
    const char* name;
    std::string text;
    size_t entries;
    std::vector<std::string> problems;
};

TEST(RasFixture, SkipsWhatItCannotUseAndSaysWhere)
{
    const std::string longName(257, 'N');
    const ProblemCase cases[] = {
        {"empty file", "", 0, {}},
        {"comments only", "; a\n# b\n\n", 0, {}},
        {"key before any section", "user = bob\n[entry E]\n", 1, {"line 1: key 'user' outside a section"}},
        {"no equals sign", "[entry E]\npassword hunter2\n", 1, {"line 2: not a key = value line"}},
        {"unknown section kind",
         "[modem M]\ntype=x\n[entry E]\n",
         1,
         {"line 1: section 'modem' is neither entry nor device; its keys are skipped"}},
        {"unclosed section", "[entry E\nuser=x\n", 0, {"line 1: section header without ']'; its keys are skipped"}},
        {"section without name", "[entry]\nuser=x\n", 0, {"line 1: entry without a name; its keys are skipped"}},
        {"entry name too long",
         "[entry " + longName + "]\n",
         0,
         {"line 1: entry name longer than 256 characters; skipped"}},
        {"entry name of 256", "[entry " + longName.substr(1) + "]\n", 1, {}},
        {"same entry twice, case aside",
         "[entry E]\nuser=a\n[entry e]\nuser=b\n",
         1,
         {"line 3: entry 'e' again; the first one stays"}},
        {"unknown entry key", "[entry E]\ncolour = red\n", 1, {"line 2: unknown entry key 'colour'"}},
        {"unknown device key", "[device D]\nspeed = 56k\n", 0, {"line 2: unknown device key 'speed'"}},
        {"delay not a number",
         "[entry E]\ndelay = soon\n",
         1,
         {"line 2: delay is not a number of milliseconds up to 600000; ignored"}},
        {"delay too long",
         "[entry E]\ndelay = 600001\n",
         1,
         {"line 2: delay is not a number of milliseconds up to 600000; ignored"}},
        {"password too long",
         "[entry E]\npassword = " + std::string(257, 'p') + "\n",
         1,
         {"line 2: password longer than 256 characters; ignored"}},
        {"domain too long",
         "[entry E]\ndomain = " + std::string(16, 'd') + "\n",
         1,
         {"line 2: domain longer than 15 characters; ignored"}},
        {"device type too long",
         "[device D]\ntype = " + std::string(17, 't') + "\n",
         0,
         {"line 2: type longer than 16 characters; ignored"}},
        {"empty device", "[entry E]\ndevice =\n", 1, {"line 2: device is empty; ignored"}},
        {"switch not yes or no",
         "[entry E]\nauthenticate = maybe\nhandle = soon\n",
         1,
         {"line 2: authenticate is not yes or no; ignored", "line 3: handle is not early or late; ignored"}},
        {"keys of a skipped section are not problems",
         "[entry]\ncolour = red\n[entry E]\n",
         1,
         {"line 1: entry without a name; its keys are skipped"}},
    };
    for (const ProblemCase& c : cases) {
        SCOPED_TRACE(c.name);
        const RasFixture fixture = ParseRasFixture(c.text);
        EXPECT_EQ(fixture.entries.size(), c.entries);
        EXPECT_EQ(fixture.problems, c.problems);
    }
}

TEST(RasFixture, ProblemsNeverQuoteAValue)
{
    // The passwords of a fixture stay in the fixture: problems name lines and keys, not what they hold.
    const RasFixture fixture = ParseRasFixture("[entry E]\n"
                                               "password hunter2\n"
                                               "password = " +
                                               std::string(300, 'h') +
                                               "\n"
                                               "delay = hunter2\n"
                                               "outcome = hunter2\n"
                                               "authenticate = hunter2\n");
    ASSERT_EQ(fixture.problems.size(), 5u);
    for (const std::string& problem : fixture.problems) {
        SCOPED_TRACE(problem);
        EXPECT_EQ(problem.find("hunter2"), std::string::npos);
        EXPECT_EQ(problem.find("hhh"), std::string::npos);
    }
    EXPECT_EQ(fixture.entries[0].password, "");
}

TEST(RasFixture, LaterKeyWinsAndDefaultsStay)
{
    const RasFixture fixture = ParseRasFixture("[entry E]\nuser = a\nuser = b\ndelay = 10\ndelay = x\n");
    ASSERT_EQ(fixture.entries.size(), 1u);
    EXPECT_EQ(fixture.entries[0].user, "b");
    EXPECT_EQ(fixture.entries[0].delayMs, 10u) << "a refused value leaves the one before";
    EXPECT_EQ(fixture.entries[0].device, kRasDefaultDevice);
    ASSERT_EQ(fixture.devices.size(), 1u);
    EXPECT_EQ(fixture.devices[0].name, kRasDefaultDevice);
    EXPECT_EQ(fixture.devices[0].type, "modem");
}

TEST(RasFixture, FindsNamesWithoutRegardToCase)
{
    const RasFixture fixture = ParseRasFixture("[entry Provider One]\n[device ISDN Card]\ntype=isdn\n");
    ASSERT_NE(fixture.FindEntry("PROVIDER one"), nullptr);
    EXPECT_EQ(fixture.FindEntry("PROVIDER one")->name, "Provider One");
    EXPECT_EQ(fixture.FindEntry("Provider On"), nullptr);
    EXPECT_EQ(fixture.FindEntry(""), nullptr);
    ASSERT_NE(fixture.FindDevice("isdn card"), nullptr);
    EXPECT_EQ(fixture.FindDevice("isdn card")->type, "isdn");
    EXPECT_TRUE(RasSameName("Abc", "aBC"));
    EXPECT_FALSE(RasSameName("Abc", "Abcd"));
    EXPECT_FALSE(RasSameName("A-c", "A_c"));
}

}  // namespace
