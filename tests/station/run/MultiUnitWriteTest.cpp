#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "cli/Commands.h"
#include "cli/StreamStationDisplay.h"
#include "cli/TerminalStationDisplay.h"
#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"
#include "station/run/MultiUnitWrite.h"
#include "station/run/ReplugGate.h"
#include "support/CommandRun.h"

namespace zt::cli {

using namespace zt::station;
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
    ASSERT_EQ(json.OutLines().size(), 3u);  // two units, then the list's result
    const auto second = nlohmann::json::parse(json.OutLines()[1]);
    EXPECT_EQ(second["port"], "1-1.2");
    EXPECT_EQ(second["role"], "updater");
    EXPECT_TRUE(second.contains("bcd"));
    EXPECT_FALSE(second.contains("serial"));  // the simulated chips have none

    // Each unit of its own kind: a B chip that boots as the updater next to a normal one.
    const CliRun mixed =
        RunArgs({"list", "--simulate", "--units", "2", "--variant", "2:B", "--updater", "2"});
    ASSERT_EQ(mixed.rc, kExitOk) << mixed.err;
    ASSERT_EQ(mixed.OutLines().size(), 2u) << mixed.out;
    EXPECT_THAT(mixed.OutLines()[0], ::testing::StartsWith("1-1.1  3C4D:7351  normal  "));
    EXPECT_THAT(mixed.OutLines()[1], ::testing::StartsWith("1-1.2  3C4D:735F  updater  "));
}

TEST(SimulatedUnits, AFaultTargetsOneUnitAndTheReplugTheRightChip) {
    sim::SimulationArguments arguments;
    arguments.units = 3;
    arguments.faults = {"2:unplug-at=600", "latency-ms=1"};
    sim::SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    sim::SimulatedMachine machine(options);
    EXPECT_EQ(machine.Bus().Faults(machine.Chip() + 1).unplugAtRequest, 600u);
    EXPECT_EQ(machine.Bus().Faults(machine.Chip() + 1).replyLatencyMs, 1u);  // typed later, still added
    EXPECT_EQ(machine.Bus().Faults(machine.Chip() + 2).unplugAtRequest, 0u);

    machine.Bus().ClearLog();
    machine.Hands()->Replug("1-1.3");
    size_t unplugs = 0;
    for (const auto& entry : machine.Bus().Log()) {
        if (entry.kind != sim::SimLogEntry::Kind::Unplug) continue;
        ++unplugs;
        EXPECT_EQ(entry.chip, machine.Chip() + 2);
    }
    EXPECT_EQ(unplugs, 1u);

    for (const char* bad : {"4:no-reply", "x:no-reply", "0:no-reply"}) {
        arguments.faults = {bad};
        EXPECT_FALSE(sim::ParseSimulationArguments(arguments, &options, &error)) << bad;
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

// A unit whose HID interface cannot be opened is one of --all's units: it
// fails alone with the code of a device that could not be opened. The
// others come back to their own ports as the one prompt asked, which is no
// unit arriving in the wrong place.
TEST(WriteAllUnits, AUnitThatCannotBeOpenedFailsAloneWithItsCode) {
    const CliRun run = RunArgs(
        {"write", "--all", "--simulate", "--sim-clock", "--units", "8", "--fault", "5:refuse-open", "--yes"});
    EXPECT_EQ(run.rc, kExitJobFailed) << run.out << run.err;
    const auto lines = run.OutLines();
    ASSERT_GE(lines.size(), 8u) << run.out;
    std::vector<std::string> summary(lines.end() - 8, lines.end());
    std::sort(summary.begin(), summary.end());
    for (size_t unit = 1; unit <= 8; ++unit)
        EXPECT_EQ(summary[unit - 1],
                  "[1-1." + std::to_string(unit) + "] result: " + (unit == 5 ? "FAIL 00030401" : "OK"));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("a unit arrived on port")));
}

// The typed IDs choose the unit: an updater on the second port is written
// although a normal unit that the known-device table also names comes first;
// nothing of the job concerns the first unit (it would have needed a re-plug).
TEST(SimulatedUnits, TypedUpdaterIdsWriteTheUpdaterOnTheSecondPortOnly) {
    const CliRun run = RunArgs({"write", "--simulate", "--sim-clock", "--units", "2", "--variant", "2:B",
                                "--updater", "2", "--vid", "3C4D", "--pid", "735F", "--yes", "--json"});
    ASSERT_EQ(run.rc, kExitOk) << run.out << run.err;
    for (const auto& line : run.OutLines()) {
        const auto event = nlohmann::json::parse(line);
        EXPECT_NE(event["event"], "prompt") << line;
        if (event.contains("port")) {
            EXPECT_EQ(event["port"], "1-1.2") << line;
        }
    }
    const auto result = nlohmann::json::parse(run.OutLines().back());
    EXPECT_EQ(result["status"], "OK");
    EXPECT_EQ(result["port"], "1-1.2");
    EXPECT_EQ(result["pid"], "735F");
}

// `units` simulated chips on simulated time, with one fault ("U:NAME=N").
std::unique_ptr<sim::SimulatedMachine> MachineOnSimulatedTime(int units, const std::string& fault) {
    sim::SimulationArguments arguments;
    arguments.units = units;
    arguments.simulatedClock = true;
    arguments.faults = {fault};
    sim::SimulatedMachine::Options options;
    std::string error;
    EXPECT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    return std::make_unique<sim::SimulatedMachine>(options);
}

TEST(WriteAllUnits, EveryGoodUnitHoldsItsImageAndJsonEventsCarryThePort) {
    const auto made = MachineOnSimulatedTime(4, "3:unplug-at=600");
    sim::SimulatedMachine& machine = *made;
    // Blank bodies, so that only a real write leaves the image there.
    for (int unit = 0; unit < 4; ++unit)
        machine.Bus().SetEeprom(machine.Chip() + unit, 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));

    MultiUnitRequest request;
    request.ports = {"1-1.1", "1-1.2", "1-1.3", "1-1.4"};
    request.replugWait = DefaultReplugWait(4);
    std::ostringstream out;
    std::mutex outMutex;
    std::istringstream none;
    OperatorInput input(&none);
    StreamStationDisplay display(true, out, outMutex, input, true, [] { return false; });
    RecordKeeper noLog(nullptr);
    const auto results = WriteUnits(machine, request, display, noLog, [] { return false; });

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

// Where the hub can switch a port, the units re-plug without anybody: no
// prompt waits for Enter, and every unit is written.
TEST(PowerReplug, UnitsReplugThemselvesWithoutAPrompt) {
    const CliRun one = RunArgs({"write", "--simulate", "--sim-clock", "--replug", "power"});
    EXPECT_EQ(one.rc, kExitOk) << one.out << one.err;
    EXPECT_THAT(one.out, HasSubstr("re-plugging the unit at port 1-1.1: switching the port off and on"));
    EXPECT_THAT(one.out, HasSubstr("(continuing by itself)"));
    EXPECT_THAT(one.out, ::testing::Not(HasSubstr("Press Enter")));

    const CliRun all =
        RunArgs({"write", "--all", "--simulate", "--sim-clock", "--units", "3", "--replug", "power"});
    EXPECT_EQ(all.rc, kExitOk) << all.out << all.err;
    EXPECT_THAT(all.out, ::testing::Not(HasSubstr("re-plug every unit")));
    const auto lines = all.OutLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(lines.end() - 3, lines.end()),
                ElementsAre("[1-1.1] result: OK", "[1-1.2] result: OK", "[1-1.3] result: OK"));
}

// A unit whose hub cannot switch its port is never offered the power
// re-plug: list says so, and a write that asks for it stops before any unit
// is touched, rather than wait for a re-plug nobody will do.
TEST(PowerReplug, AUnitWithoutPortPowerIsRefusedBeforeAnyJob) {
    const CliRun list =
        RunArgs({"list", "--json", "--simulate", "--units", "2", "--fault", "2:no-port-power"});
    ASSERT_EQ(list.OutLines().size(), 3u) << list.out;
    EXPECT_EQ(nlohmann::json::parse(list.OutLines()[0])["powerReplug"], true);
    EXPECT_EQ(nlohmann::json::parse(list.OutLines()[1])["powerReplug"], false);

    const CliRun all = RunArgs({"write", "--all", "--yes", "--simulate", "--sim-clock", "--units", "2",
                                "--fault", "2:no-port-power", "--replug", "power"});
    EXPECT_EQ(all.rc, kExitUsage) << all.out << all.err;
    EXPECT_THAT(all.err, HasSubstr("--replug power is not possible for the unit at port 1-1.2"));
    EXPECT_THAT(all.out, ::testing::Not(HasSubstr("result:")));
}

// What a terminal shows of the text it was sent: the cursor moves of the
// redrawn lines applied.
std::vector<std::string> Screen(const std::string& text) {
    std::vector<std::string> lines(1);
    size_t row = 0, column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\x1b') {
            const size_t end = text.find_first_of("AKJ", i);
            if (text[end] == 'A') row -= std::stoul(text.substr(i + 2, end - i - 2));
            if (text[end] == 'K') lines[row].clear();
            if (text[end] == 'J') lines.resize(row + 1);
            i = end;
        } else if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            column = 0;
            if (++row == lines.size()) lines.emplace_back();
        } else {
            if (lines[row].size() <= column) lines[row].resize(column + 1, ' ');
            lines[row][column++] = c;
        }
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

// At a terminal every unit keeps one line, redrawn in place: the screen ends
// with the prompt and one line per unit below it, never a line too wide.
TEST(WriteAllUnits, AtATerminalEachUnitKeepsOneRedrawnLine) {
    const auto made = MachineOnSimulatedTime(2, "2:unplug-at=600");
    sim::SimulatedMachine& machine = *made;
    MultiUnitRequest request;
    request.ports = {"1-1.1", "1-1.2"};
    request.replugWait = DefaultReplugWait(2);
    std::ostringstream out;
    std::mutex outMutex;
    std::istringstream none;
    OperatorInput input(&none);
    constexpr int kColumns = 60;
    TerminalStationDisplay display(out, outMutex, kColumns, input, true, [] { return false; });
    RecordKeeper noLog(nullptr);
    WriteUnits(machine, request, display, noLog, [] { return false; });

    const auto screen = Screen(out.str());
    ASSERT_GE(screen.size(), 4u) << out.str();
    const size_t prompt = screen.size() - 4;
    for (size_t row : {prompt - 2, prompt - 1, prompt + 2, prompt + 3})
        EXPECT_LT(screen[row].size(), static_cast<size_t>(kColumns)) << screen[row];
    EXPECT_THAT(screen[prompt], HasSubstr("re-plug every unit"));
    EXPECT_THAT(screen[prompt + 2], ::testing::StartsWith("1-1.1  [##########] 100%  PASS"));
    EXPECT_THAT(screen[prompt + 3], ::testing::StartsWith("1-1.2  "));
    EXPECT_THAT(screen[prompt + 3], HasSubstr("FAIL "));
    // Above the prompt: the two lines as they stood at the prompt, once.
    EXPECT_THAT(screen[prompt - 2], ::testing::StartsWith("1-1.1  "));
    EXPECT_THAT(screen[prompt - 1], ::testing::StartsWith("1-1.2  "));
}

}  // namespace
}  // namespace zt::cli
