#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "support/CommandRun.h"

// What the command line makes of the words typed: a command mistyped, a
// failure code pasted from the message, and the names list --json uses.
namespace zt::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(CommandLine, AMistypedCommandIsNamedWithTheNearestOne) {
    const struct {
        std::vector<std::string> args;
        std::string line;
    } cases[] = {
        {{"wirte", "--simulate"}, "zt51xx-mp: unknown command 'wirte'; did you mean 'write'?\n"},
        {{"reprot", "a.log"}, "zt51xx-mp: unknown command 'reprot'; did you mean 'report'?\n"},
        {{"image", "lsit"}, "zt51xx-mp: unknown command 'image lsit'; did you mean 'image list'?\n"},
        {{"ls"}, "zt51xx-mp: unknown command 'ls' (see --help for the commands)\n"},
        {{"frobnicate"}, "zt51xx-mp: unknown command 'frobnicate' (see --help for the commands)\n"},
    };
    for (const auto& c : cases) {
        const test::CommandRun run = test::RunArgs(c.args);
        EXPECT_EQ(run.rc, kExitUsage) << c.args[0];
        EXPECT_EQ(run.err, c.line);
        EXPECT_EQ(run.out, "");
    }
    // Words a command reads itself are not taken for commands.
    EXPECT_EQ(test::RunArgs({"explain", "00030401"}).rc, kExitOk);
    EXPECT_EQ(test::RunArgs({"image", "inspect", "A"}).rc, kExitOk);
}

TEST(ExplainCommand, TakesTheCodeAsCopiedFromTheFailureMessageAndSpeaksOfOptions) {
    for (const char* pasted : {"[020F0702]", " 020F0702 ", "[ 020f0702 ]\t"}) {
        const test::CommandRun run = test::RunArgs({"explain", pasted});
        EXPECT_EQ(run.rc, kExitOk) << pasted << ": " << run.err;
        EXPECT_THAT(run.out, ::testing::StartsWith("020F0702\n")) << pasted;
    }
    for (const char* bad : {"[020F0702", "[[020F0702]]", "[]"})
        EXPECT_EQ(test::RunArgs({"explain", bad}).rc, kExitUsage) << bad;

    const test::CommandRun noDevice = test::RunArgs({"explain", "00030401"});
    EXPECT_THAT(noDevice.out, HasSubstr("--vid and --pid"));
    EXPECT_THAT(noDevice.out, Not(HasSubstr("typed in the boxes")));
}

TEST(ListCommand, JsonNamesFieldsAsTheRecordsDoAndKeepsTheOlderNames) {
    const test::CommandRun run = test::RunArgs({"list", "--simulate", "--updater", "--json"});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const auto device = nlohmann::json::parse(run.OutLines().at(0));
    EXPECT_EQ(device["role"], "updater");
    EXPECT_EQ(device["hidNode"], "sim:1-1.1");
    ASSERT_TRUE(device.contains("bcdDevice"));
    EXPECT_EQ(device["bcd"], device["bcdDevice"]);
    EXPECT_EQ(device["path"], device["hidNode"]);
    EXPECT_EQ(device["updater"], true);
}

}  // namespace
}  // namespace zt::cli
