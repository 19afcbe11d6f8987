#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/MultiUnitWrite.h"
#include "cli/ReplugGate.h"
#include "job/EepromImage.h"
#include "platform/sim/SimulatedMachine.h"
#include "support/CommandRun.h"

namespace zt::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using CliRun = test::CommandRun;
using test::RunArgs;

TEST(ListCommand, OneLinePerUnitWithPortRoleAndRelease) {
    const CliRun text = RunArgs({"list", "--simulate", "--units", "2"});
    ASSERT_EQ(text.rc, kExitOk) << text.err;
    const auto lines = text.OutLines();
    ASSERT_EQ(lines.size(), 2u) << text.out;
    EXPECT_THAT(lines[0], ::testing::StartsWith("1-1.1  3C4D:7351  normal  bcd "));
    EXPECT_THAT(lines[1], ::testing::StartsWith("1-1.2  3C4D:7351  normal  bcd "));

    const CliRun json = RunArgs({"list", "--simulate", "--units", "2", "--updater", "--json"});
    ASSERT_EQ(json.OutLines().size(), 2u);
    const auto second = nlohmann::json::parse(json.OutLines()[1]);
    EXPECT_EQ(second["port"], "1-1.2");
    EXPECT_EQ(second["role"], "updater");
    EXPECT_TRUE(second.contains("bcd"));
    EXPECT_FALSE(second.contains("serial"));  // the simulated chips have none
}

TEST(SimulatedUnits, AFaultTargetsOneUnitAndTheReplugTheRightChip) {
    sim::SimulatedMachine::Arguments arguments;
    arguments.units = 3;
    arguments.faults = {"2:unplug-at=600", "latency-ms=1"};
    sim::SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(sim::SimulatedMachine::ParseArguments(arguments, &options, &error)) << error;
    sim::SimulatedMachine machine(options);
    EXPECT_EQ(machine.Bus().Faults(machine.Chip() + 1).unplugAtRequest, 600u);
    EXPECT_EQ(machine.Bus().Faults(machine.Chip() + 1).replyLatencyMs, 1u);  // typed later, still added
    EXPECT_EQ(machine.Bus().Faults(machine.Chip() + 2).unplugAtRequest, 0u);

    machine.Bus().ClearLog();
    machine.ReplugUnit("1-1.3");
    size_t unplugs = 0;
    for (const auto& entry : machine.Bus().Log()) {
        if (entry.kind != sim::SimLogEntry::Kind::Unplug) continue;
        ++unplugs;
        EXPECT_EQ(entry.chip, machine.Chip() + 2);
    }
    EXPECT_EQ(unplugs, 1u);

    for (const char* bad : {"4:no-reply", "x:no-reply", "0:no-reply"}) {
        arguments.faults = {bad};
        EXPECT_FALSE(sim::SimulatedMachine::ParseArguments(arguments, &options, &error)) << bad;
        EXPECT_THAT(error, HasSubstr("unit")) << bad;
    }
}

TEST(ReplugGate, PromptsOnceWhenEveryUnitStillRunningHasArrived) {
    int prompts = 0;
    ReplugGate gate(
        3, [&] { ++prompts; }, [] { return false; });
    std::thread first([&] { EXPECT_TRUE(gate.Arrive(0)); });
    std::thread third([&] { EXPECT_TRUE(gate.Arrive(2)); });
    // Unit 1 fails before its re-plug: the others must not wait for it.
    gate.Leave(1);
    first.join();
    third.join();
    gate.Leave(0);
    EXPECT_EQ(prompts, 1);
}

// Four units on simulated time, the third pulled in the middle of writing:
// the others are written and verified, the summary names each unit, and
// the command fails as a whole.
TEST(WriteAllUnits, APulledUnitFailsAloneAndTheSummaryNamesEveryUnit) {
    const CliRun run = RunArgs({"write", "--all", "--simulate", "--sim-clock", "--units", "4", "--fault",
                                "3:unplug-at=600", "--yes"});
    EXPECT_EQ(run.rc, kExitJobFailed) << run.out << run.err;
    const auto lines = run.OutLines();
    ASSERT_GE(lines.size(), 4u);
    const std::vector<std::string> summary(lines.end() - 4, lines.end());
    EXPECT_EQ(summary[0], "[1-1.1] result: OK");
    EXPECT_EQ(summary[1], "[1-1.2] result: OK");
    EXPECT_THAT(summary[2], ::testing::StartsWith("[1-1.3] result: FAIL "));
    EXPECT_EQ(summary[3], "[1-1.4] result: OK");
    // One prompt for all units.
    size_t prompts = 0;
    for (const auto& line : lines) prompts += line.find("re-plug every unit") != std::string::npos;
    EXPECT_EQ(prompts, 1u) << run.out;
}

TEST(WriteAllUnits, EveryGoodUnitHoldsItsImageAndJsonEventsCarryThePort) {
    sim::SimulatedMachine::Arguments arguments;
    arguments.units = 4;
    arguments.simulatedClock = true;
    arguments.faults = {"3:unplug-at=600"};
    sim::SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(sim::SimulatedMachine::ParseArguments(arguments, &options, &error)) << error;
    sim::SimulatedMachine machine(options);
    // Blank bodies, so that only a real write leaves the image there.
    for (int unit = 0; unit < 4; ++unit)
        machine.Bus().SetEeprom(machine.Chip() + unit, 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));

    MultiUnitRequest request;
    request.ports = {"1-1.1", "1-1.2", "1-1.3", "1-1.4"};
    request.autoAnswer = true;
    request.json = true;
    request.replugWait = DefaultReplugWait(4);
    std::ostringstream out;
    std::mutex outMutex;
    std::istringstream none;
    OperatorInput input(&none);
    const auto results = WriteUnits(machine, request, out, outMutex, input, [] { return false; });

    ASSERT_EQ(results.size(), 4u);
    for (int unit = 0; unit < 4; ++unit) {
        const auto eeprom = machine.Bus().Eeprom(machine.Chip() + unit);
        const bool holdsImage = std::equal(kImageA.begin(), kImageA.end(), eeprom.begin());
        EXPECT_EQ(results[static_cast<size_t>(unit)].outcome.kind == ResultKind::Ok, unit != 2) << unit;
        EXPECT_EQ(holdsImage, unit != 2) << unit;
    }
    std::istringstream lines(out.str());
    int events = 0;
    for (std::string line; std::getline(lines, line); ++events) {
        const auto event = nlohmann::json::parse(line);
        ASSERT_TRUE(event.contains("port")) << line;
    }
    EXPECT_GT(events, 8);
}

}  // namespace
}  // namespace zt::cli
