// The station window in-process under Wine (and Xvfb in CI): three simulated
// units written at once, one of them pulled in the middle of its body.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DialogTemplate.h"
#include "chip/EepromImage.h"
#include "sim/SimulatedMachine.h"
#include "station/SimulationArguments.h"
#include "ui/win32/StationMain.h"
#include "ui/win32/StationTemplate.h"
#include "ui/win32/Win32StationWindow.h"

namespace zt::win32 {
namespace {

constexpr const char* kCompletion = "Write to EEPROM OK! Please re-plugin USB device !!";

std::unique_ptr<sim::SimulatedMachine> ThreeUnits(std::vector<std::string> faults) {
    sim::SimulationArguments arguments;
    arguments.units = 3;
    arguments.simulatedClock = true;
    arguments.faults = std::move(faults);
    sim::SimulatedMachine::Options options;
    std::string error;
    EXPECT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    auto machine = std::make_unique<sim::SimulatedMachine>(options);
    // Blank bodies, so that only a real write leaves the image there.
    for (int unit = 0; unit < 3; ++unit)
        machine->Bus().SetEeprom(machine->Chip() + unit, 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));
    return machine;
}

bool HoldsImageA(sim::SimulatedMachine& machine, int unit) {
    const auto eeprom = machine.Bus().Eeprom(machine.Chip() + unit);
    return std::equal(kImageA.begin(), kImageA.end(), eeprom.begin());
}

TEST(Win32StationWindow, EveryUnitIsWrittenAtOnceAndThePulledOneKeepsItsRowAndCode) {
    auto machine = ThreeUnits({"2:unplug-at=600"});
    Win32StationWindow window(*machine);
    int prompts = 0, closeQuestions = 0;
    std::vector<std::string> ports, results;
    std::optional<std::vector<station::UnitResult>> ended;
    std::string idsOfPulled, resultAfterReplug;

    window.onInitialised = [&] {
        for (size_t row = 0; row < window.RowCount(); ++row)
            ports.push_back(window.CellText(row, kStationPort));
        PostMessageW(window.Window(), WM_COMMAND, kIdWriteEeprom, 0);
    };
    window.onReplugPromptShown = [&](HWND box) {
        ++prompts;
        // Mid-job: Escape and Enter do nothing, Exit asks first.
        PostMessageW(window.Window(), WM_COMMAND, IDCANCEL, 0);
        PostMessageW(window.Window(), WM_COMMAND, IDOK, 0);
        PostMessageW(window.Window(), WM_COMMAND, kIdStationExit, 0);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    };
    window.onCloseQuestionShown = [&](HWND box) {
        ++closeQuestions;
        PostMessageW(box, WM_COMMAND, IDNO, 0);
    };
    window.onJobEnded = [&](const std::vector<station::UnitResult>& r) {
        ended = r;
        for (size_t row = 0; row < 3; ++row) results.push_back(window.CellText(row, kStationResult));
        idsOfPulled = window.CellText(1, kStationIds);
        EXPECT_EQ(window.CellProgress(0), 100);
        // A unit that arrives on the pulled unit's port, maybe another board,
        // starts without the last job's result.
        machine->Bus().Plug(machine->Chip() + 1);
        window.Refresh();
        resultAfterReplug = window.CellText(1, kStationResult);
        window.Close(1);
    };
    EXPECT_EQ(window.RunModal(), 1);

    EXPECT_EQ(ports, (std::vector<std::string>{"1-1.1", "1-1.2", "1-1.3"}));
    EXPECT_EQ(prompts, 1);  // one prompt for every unit
    EXPECT_GE(closeQuestions, 1);
    ASSERT_TRUE(ended);
    ASSERT_EQ(ended->size(), 3u);
    const auto code = (*ended)[1].outcome.Code();
    ASSERT_TRUE(code);
    EXPECT_EQ(results[0], kCompletion);
    EXPECT_EQ(results[1], "Fail to Write EEPROM! [" + FormatResultCode(*code) + "]");
    EXPECT_EQ(results[2], kCompletion);
    EXPECT_EQ(idsOfPulled, "(unplugged)");
    EXPECT_EQ(resultAfterReplug, "");
    EXPECT_TRUE(HoldsImageA(*machine, 0));
    EXPECT_TRUE(HoldsImageA(*machine, 2));
    EXPECT_TRUE(window.AnyUnitFailed());
}

std::vector<std::string> Lines(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// What a station script reads back: the exit code and the log's lines.
TEST(Win32StationRun, TheExitCodeSaysWhetherAUnitFailedAndEachUnitLeavesItsLogLine) {
    const auto logPath = std::filesystem::temp_directory_path() /
                         ("zt-win32-station-" + std::to_string(GetCurrentProcessId()) + ".jsonl");
    std::filesystem::remove(logPath);
    StationOptions options;
    options.logPath = logPath.string();
    options.autoOk = true;
    options.writeOnce = true;
    std::vector<std::string> told;
    const auto tell = [&](const std::string& text) { told.push_back(text); };

    auto pulled = ThreeUnits({"2:unplug-at=600"});
    EXPECT_EQ(RunStation(*pulled, options, tell), 1);
    auto lines = Lines(logPath);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find("\"port\":\"1-1.2\""), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("\"status\":\"FAIL\""), std::string::npos) << lines[1];
    for (int unit : {0, 2})
        EXPECT_NE(lines[unit].find("\"status\":\"OK\""), std::string::npos) << lines[unit];

    auto whole = ThreeUnits({});
    EXPECT_EQ(RunStation(*whole, options, tell), 0);
    lines = Lines(logPath);
    std::filesystem::remove(logPath);
    ASSERT_EQ(lines.size(), 6u);  // appended to, never rewritten
    for (int unit : {3, 4, 5})
        EXPECT_NE(lines[unit].find("\"status\":\"OK\""), std::string::npos) << lines[unit];
    EXPECT_TRUE(told.empty());

    // A log that cannot be opened stops the tool before any unit is touched.
    options.logPath = (std::filesystem::temp_directory_path() / "no-such-folder" / "log.jsonl").string();
    auto untouched = ThreeUnits({});
    EXPECT_EQ(RunStation(*untouched, options, tell), 4);
    EXPECT_FALSE(HoldsImageA(*untouched, 0));
    EXPECT_EQ(told.size(), 1u);
}

}  // namespace
}  // namespace zt::win32
