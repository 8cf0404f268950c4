#include "CLoadOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Case {
    const char* name;
    std::vector<const char*> args;
    bool ok;
    const char* errorPart;  // when not ok
    LoadMode mode;
    uint32_t count, clients, window, floodSeconds, rate;
    uint32_t tries = 0, renewIntervalMs = 0;
};

const Case kCases[] = {
    {"new", {"--new", "10"}, true, "", LoadMode::New, 10, 0, 1, 0, 0},
    {"new_window", {"--new", "200", "--window", "16"}, true, "", LoadMode::New, 200, 0, 16, 0, 0},
    {"renew", {"--renew", "5000", "--clients", "20"}, true, "", LoadMode::Renew, 5000, 20, 1, 0, 0},
    {"flood_max", {"--flood", "15", "--rate", "max"}, true, "", LoadMode::Flood, 0, 0, 1, 15, 0},
    {"flood_rate", {"--flood", "60", "--rate", "2000"}, true, "", LoadMode::Flood, 0, 0, 1, 60, 2000},
    {"reboot", {"--reboot", "253"}, true, "", LoadMode::Reboot, 253, 0, 253, 0, 0, CLoadOptions::kDefaultRebootTries},
    {"reboot_tries", {"--reboot", "10", "--tries", "3"}, true, "", LoadMode::Reboot, 10, 0, 10, 0, 0, 3},
    {"new_tries", {"--new", "8", "--tries", "5"}, true, "", LoadMode::New, 8, 0, 1, 0, 0, 5},
    {"renew_spread",
     {"--renew", "500", "--clients", "64", "--renew-interval", "1500"},
     true,
     "",
     LoadMode::Renew,
     500,
     64,
     1,
     0,
     0,
     0,
     1500},
    {"reboot_window", {"--reboot", "10", "--window", "4"}, false, "every client", LoadMode::None, 0, 0, 0, 0, 0},
    {"reboot_past_a_pool", {"--reboot", "254"}, false, "253", LoadMode::None, 0, 0, 0, 0, 0},
    {"zero_tries", {"--new", "1", "--tries", "0"}, false, "from 1", LoadMode::None, 0, 0, 0, 0, 0},
    {"too_many_tries", {"--new", "1", "--tries", "17"}, false, "16", LoadMode::None, 0, 0, 0, 0, 0},
    {"tries_in_a_flood",
     {"--flood", "1", "--rate", "max", "--tries", "2"},
     false,
     "--tries",
     LoadMode::None,
     0,
     0,
     0,
     0,
     0},
    {"interval_outside_renew",
     {"--new", "1", "--renew-interval", "10"},
     false,
     "--renew-interval",
     LoadMode::None,
     0,
     0,
     0,
     0,
     0},
    {"hold_outside_renew", {"--new", "1", "--hold", "10"}, false, "--hold", LoadMode::None, 0, 0, 0, 0, 0},
    {"reboot_and_new", {"--reboot", "1", "--new", "1"}, false, "only one", LoadMode::None, 0, 0, 0, 0, 0},
    {"nothing", {}, false, "one of", LoadMode::None, 0, 0, 0, 0, 0},
    {"two_modes", {"--new", "1", "--flood", "1", "--rate", "max"}, false, "only one", LoadMode::None, 0, 0, 0, 0, 0},
    {"renew_without_clients", {"--renew", "10"}, false, "--clients", LoadMode::None, 0, 0, 0, 0, 0},
    {"flood_without_rate", {"--flood", "10"}, false, "--rate", LoadMode::None, 0, 0, 0, 0, 0},
    {"rate_outside_flood", {"--new", "1", "--rate", "5"}, false, "--rate", LoadMode::None, 0, 0, 0, 0, 0},
    {"clients_outside_renew", {"--new", "1", "--clients", "5"}, false, "--clients", LoadMode::None, 0, 0, 0, 0, 0},
    {"zero_count", {"--new", "0"}, false, "from 1", LoadMode::None, 0, 0, 0, 0, 0},
    {"count_too_big", {"--new", "1000001"}, false, "from 1", LoadMode::None, 0, 0, 0, 0, 0},
    {"more_clients_than_a_pool", {"--renew", "1", "--clients", "254"}, false, "253", LoadMode::None, 0, 0, 0, 0, 0},
    {"flood_too_long", {"--flood", "601", "--rate", "max"}, false, "600", LoadMode::None, 0, 0, 0, 0, 0},
    {"not_a_number", {"--new", "ten"}, false, "number", LoadMode::None, 0, 0, 0, 0, 0},
    {"trailing_text", {"--new", "10x"}, false, "number", LoadMode::None, 0, 0, 0, 0, 0},
    {"negative", {"--new", "-1"}, false, "number", LoadMode::None, 0, 0, 0, 0, 0},
    {"missing_value", {"--new"}, false, "number", LoadMode::None, 0, 0, 0, 0, 0},
    {"bad_rate", {"--flood", "1", "--rate", "fast"}, false, "max", LoadMode::None, 0, 0, 0, 0, 0},
    {"long_interface", {"--new", "1", "--if", "abcdefghijklmnop"}, false, "15", LoadMode::None, 0, 0, 0, 0, 0},
    {"unknown", {"--new", "1", "--verbose"}, false, "unknown", LoadMode::None, 0, 0, 0, 0, 0},
};

class LoadOptionsTest : public testing::TestWithParam<Case> {};

TEST_P(LoadOptionsTest, ParsesOrSaysWhy)
{
    const Case& c = GetParam();
    std::vector<const char*> argv = {"dhcp_load"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CLoadOptions options;
    std::string error;
    ASSERT_EQ(options.Parse(static_cast<int>(argv.size()), argv.data(), &error), c.ok) << error;
    if (!c.ok) {
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
        return;
    }
    EXPECT_EQ(options.mode, c.mode);
    EXPECT_EQ(options.count, c.count);
    EXPECT_EQ(options.clients, c.clients);
    EXPECT_EQ(options.window, c.window);
    EXPECT_EQ(options.floodSeconds, c.floodSeconds);
    EXPECT_EQ(options.rate, c.rate);
    EXPECT_EQ(options.tries, c.tries);
    EXPECT_EQ(options.renewIntervalMs, c.renewIntervalMs);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, LoadOptionsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(LoadOptions, CommonSettings)
{
    const char* argv[] = {"dhcp_load", "--new",  "3",  "--if",      "veth9",    "--timeout", "250",   "--deadline",
                          "30",        "--seed", "42", "--release", "--detail", "--capture", "/tmp/x"};
    CLoadOptions options;
    std::string error;
    ASSERT_TRUE(options.Parse(sizeof argv / sizeof argv[0], argv, &error)) << error;
    EXPECT_EQ(options.interface, "veth9");
    EXPECT_EQ(options.timeoutMs, 250u);
    EXPECT_EQ(options.deadlineSeconds, 30u);
    EXPECT_TRUE(options.seedGiven);
    EXPECT_EQ(options.seed, 42u);
    EXPECT_TRUE(options.release);
    EXPECT_TRUE(options.detail);
    EXPECT_EQ(options.capture, "/tmp/x");
}

}  // namespace
