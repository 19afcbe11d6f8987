#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/InterruptSignal.h"
#include "support/CommandRun.h"

namespace zt::cli {
namespace {

using test::CommandRun;
using test::RunArgs;
using ::testing::HasSubstr;

// A write on the simulated chip, on simulated time, with prompts answered.
CommandRun SimWrite(std::vector<std::string> extra) {
    std::vector<std::string> args = {"write", "--simulate", "--sim-clock", "--yes"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunArgs(args);
}

TEST(DeviceWriteCommand, WholeJobEndsWithTheCompletionMessageAndExitZero) {
    const CommandRun run = SimWrite({});
    ASSERT_EQ(run.rc, kExitOk) << run.out << run.err;
    const auto lines = run.OutLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "result: OK");
    EXPECT_THAT(run.out, HasSubstr("Write to EEPROM OK! Please re-plugin USB device !!\n"));
    EXPECT_THAT(run.out,
                HasSubstr("Please re-plugin USB device and MUST wait for USB device being recognized.\n"
                          "Then press button to continue writting EEPROM!!\n"));
    EXPECT_THAT(run.out, HasSubstr("progress: 100%\n"));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Fail to Write EEPROM!")));
    EXPECT_EQ(run.err, "");
}

TEST(DeviceWriteCommand, UpdaterDeviceSkipsTheReplugPrompt) {
    const CommandRun run = SimWrite({"--updater"});
    ASSERT_EQ(run.rc, kExitOk) << run.out;
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("re-plugin USB device and MUST wait")));
    EXPECT_EQ(run.OutLines().back(), "result: OK");
}

struct FailureCase {
    std::vector<std::string> args;
    const char* code;
};

TEST(DeviceWriteCommand, FailuresExitOneWithTheShownCode) {
    const FailureCase cases[] = {
        {{"--fault", "refuse-open"}, "00030401"},        // no device can be opened
        {{"--variant", "unknown"}, "00010201"},          // chip without an image
        {{"--fault", "no-reply"}, "00050602"},           // first identity register times out
        {{"--fault", "header-wont-clear"}, "010A1003"},  // header not blank after the clear
        {{"--fault", "stuck-many"}, "020A1005"},         // too many body bytes differ
    };
    for (const auto& c : cases) {
        const CommandRun run = SimWrite(c.args);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(run.rc, kExitJobFailed);
        EXPECT_THAT(run.out, HasSubstr(std::string("Fail to Write EEPROM! [") + c.code + "]\n"));
        EXPECT_EQ(run.OutLines().back(), std::string("result: FAIL ") + c.code);
        EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Write to EEPROM OK!")));
    }
}

TEST(DeviceWriteCommand, PromptWaitsForEnterAndTakesEndOfInputAsEnter) {
    for (const char* typed : {"\n", ""}) {
        std::istringstream input(typed);
        const CommandRun run = RunArgs({"write", "--simulate", "--sim-clock"}, &input);
        EXPECT_EQ(run.rc, kExitOk) << run.out;
        EXPECT_THAT(run.out, HasSubstr("Press Enter to continue...\n"));
    }
}

TEST(DeviceWriteCommand, JsonModePrintsOnlyEventLines) {
    for (const bool failing : {false, true}) {
        std::vector<std::string> extra = {"--json"};
        if (failing) extra.insert(extra.end(), {"--fault", "refuse-open"});
        const CommandRun run = SimWrite(extra);
        std::vector<nlohmann::json> events;
        for (const auto& line : run.OutLines()) {
            ASSERT_TRUE(nlohmann::json::accept(line)) << line;
            events.push_back(nlohmann::json::parse(line));
            ASSERT_TRUE(events.back().contains("event")) << line;
        }
        ASSERT_FALSE(events.empty());
        std::set<std::string> kinds;
        for (const auto& e : events) kinds.insert(e["event"].get<std::string>());
        const auto& result = events.back();
        EXPECT_EQ(result["event"], "result");
        if (failing) {
            EXPECT_EQ(run.rc, kExitJobFailed);
            EXPECT_EQ(result["status"], "FAIL");
            EXPECT_EQ(result["code"], "00030401");
            EXPECT_EQ(kinds.count("prompt"), 0u);
        } else {
            EXPECT_EQ(run.rc, kExitOk);
            EXPECT_EQ(result["status"], "OK");
            EXPECT_FALSE(result.contains("code"));
            for (const char* kind : {"progress", "prompt", "message"})
                EXPECT_EQ(kinds.count(kind), 1u) << kind;
            // Progress goes out only when it moves, and ends at 100.
            int last = -1, lastProgress = -1;
            for (const auto& e : events) {
                if (e["event"] != "progress") continue;
                EXPECT_NE(e["percent"].get<int>(), last);
                last = lastProgress = e["percent"].get<int>();
            }
            EXPECT_EQ(lastProgress, 100);
            EXPECT_EQ(events[events.size() - 2]["text"],
                      "Write to EEPROM OK! Please re-plugin USB device !!");
        }
    }
}

TEST(DeviceWriteCommand, BadInputIsOneLineAndExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"--vid", "12345"},
        {"--vid", "3C4Dzz"},
        {"--pid", "0x"},
        {"--pid", ""},
        {"--vid", "0x0000"},
        {"--fault", "bogus"},
        {"--fault", "stuck=nowhere"},
        {"--variant", "C"},
        {"--variant", "3:B"},  // the hub has one unit
        {"--updater", "x"},
        // Plain decimal only: neither "" as 0 units nor 0x4 as 4.
        {"--units", ""},
        {"--units", "0x4"},
        // A port text becomes part of a lock's name: only port names, each once.
        {"--port", ""},
        {"--port", "../../etc/x"},
        {"--port", std::string(300, '1')},
        {"--port", "1-1.1", "--port", "1-1.1"},
        // Refused by the parser itself: one line too, without a help hint below it.
        {"--bogus", "--bogus"},
        {"--units", "2", "--units", "3"},
        {"stray", "stray"},
        {"--json", "--vid"},
    };
    for (const auto& extra : cases) {
        SCOPED_TRACE(extra[0] + " " + extra[1]);
        const CommandRun run = SimWrite(extra);
        EXPECT_EQ(run.rc, kExitUsage);
        EXPECT_EQ(run.out, "");
        ASSERT_EQ(run.ErrLines().size(), 1u) << run.err;
        EXPECT_THAT(run.err, HasSubstr(extra[1].empty() ? extra[0] : extra[1].substr(0, 40)));
    }
}

TEST(DeviceWriteCommand, IdsAcceptHexWithOrWithoutPrefix) {
    // 3C4D:7351 under other spellings still finds the simulated chip.
    const CommandRun run = SimWrite({"--vid", "0x3c4d", "--pid", "7351"});
    EXPECT_EQ(run.rc, kExitOk) << run.out;
    EXPECT_THAT(run.out, HasSubstr("3C4D:7351"));
}

// Reading the operator's answer raises the interrupt, as Ctrl-C at the prompt would.
struct InterruptingInput : std::streambuf {
    int_type underflow() override {
        InterruptSignal::Request();
        return traits_type::eof();
    }
};

TEST(DeviceWriteCommand, InterruptClosesTheDialogAndExitsNonZero) {
    InterruptingInput buffer;
    std::istream input(&buffer);
    const CommandRun run = RunArgs({"write", "--simulate", "--sim-clock"}, &input);
    EXPECT_EQ(run.rc, kExitInterrupted);
    EXPECT_EQ(run.OutLines().back(), "result: INTERRUPTED");
    EXPECT_THAT(run.err, HasSubstr("interrupted"));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Write to EEPROM OK!")));
}

TEST(DeviceButtons, VersionEraseAndListOnTheSimulatedChip) {
    const CommandRun version = RunArgs({"version", "--simulate", "--sim-clock"});
    EXPECT_EQ(version.rc, kExitOk) << version.out;
    EXPECT_THAT(version.out, HasSubstr("status: SUCCESS\n"));
    EXPECT_THAT(version.out, HasSubstr("version: 1.0.0."));

    const CommandRun noDevice = RunArgs({"version", "--simulate", "--sim-clock", "--vid", "1234"});
    EXPECT_EQ(noDevice.rc, kExitJobFailed);
    EXPECT_THAT(noDevice.out, HasSubstr("status: FAIL\n"));
    // The box keeps its start-up text, but a failed query has read no version.
    EXPECT_THAT(noDevice.out, ::testing::Not(HasSubstr("version:")));

    const CommandRun erase = RunArgs({"erase", "--simulate", "--sim-clock", "--yes"});
    EXPECT_EQ(erase.rc, kExitOk) << erase.out;
    EXPECT_EQ(erase.OutLines().back(), "result: OK");
    const CommandRun eraseNothing =
        RunArgs({"erase", "--simulate", "--sim-clock", "--yes", "--fault", "refuse-open"});
    EXPECT_EQ(eraseNothing.rc, kExitJobFailed);
    EXPECT_EQ(eraseNothing.OutLines().back(), "result: FAIL 00030401");
    std::istringstream no("n\n");
    const CommandRun declined = RunArgs({"erase", "--simulate", "--sim-clock"}, &no);
    EXPECT_EQ(declined.rc, kExitJobFailed);
    EXPECT_EQ(declined.OutLines().back(), "result: CANCELLED");

    const CommandRun list = RunArgs({"list", "--simulate"});
    EXPECT_EQ(list.rc, kExitOk);
    ASSERT_EQ(list.OutLines().size(), 1u) << list.out;
    EXPECT_THAT(list.out, HasSubstr("3C4D:7351  "));
    EXPECT_THAT(list.out, HasSubstr("  sim:1-1.1\n"));
    const CommandRun updater = RunArgs({"list", "--simulate", "--updater", "--variant", "B", "--json"});
    ASSERT_EQ(updater.OutLines().size(), 2u);  // the unit, then the list's result
    EXPECT_EQ(nlohmann::json::parse(updater.OutLines()[1])["event"], "result");
    const auto device = nlohmann::json::parse(updater.OutLines()[0]);
    EXPECT_EQ(device["pid"], "735F");
    EXPECT_EQ(device["updater"], true);
    // A unit whose HID interface cannot be opened is shown, not hidden.
    const CommandRun refused = RunArgs({"list", "--simulate", "--fault", "refuse-open"});
    EXPECT_EQ(refused.rc, kExitNoDevice);
    EXPECT_THAT(refused.out, HasSubstr("1-1.1  3C4D:7351  normal"));
    EXPECT_THAT(refused.out, HasSubstr("(cannot be opened)"));
}

}  // namespace
}  // namespace zt::cli
