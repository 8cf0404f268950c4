#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    const char* line;
    DaemonCommand expected;
};

const Case kCases[] = {
    {nullptr, DaemonCommand::Run},
    {"", DaemonCommand::Run},
    {"-", DaemonCommand::Run},  // shorter than any switch
    {"i", DaemonCommand::Run},
    {"-i", DaemonCommand::Install},
    {"-I", DaemonCommand::Install},        // matched after lower-casing
    {"foo-Ibar", DaemonCommand::Install},  // anywhere in the line
    {"-u", DaemonCommand::Remove},
    {"  -U  ", DaemonCommand::Remove},
    {"-u -i", DaemonCommand::Install},  // install is searched first
    {"/i", DaemonCommand::Run},         // the slash form is no switch
    {"/u", DaemonCommand::Run},
    {"-x", DaemonCommand::Run},
    {"--install", DaemonCommand::Install},  // holds "-i"
};
}  // namespace

TEST(CommandLine, DecidesByLoweredSubstringInstallFirst)
{
    for (const Case& c : kCases) {
        EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(ParseCommandLine(c.line)))
            << "command line \"" << (c.line ? c.line : "(null)") << "\"";
    }
}
