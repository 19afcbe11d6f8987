// The station window in-process under Wine (and Xvfb in CI): three simulated
// units written at once, one of them pulled in the middle of its body.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DialogTemplate.h"
#include "chip/EepromImage.h"
#include "chip/ImageIdentity.h"
#include "job/FailureCatalogue.h"
#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"
#include "station/ports/PortStatus.h"
#include "station/records/StationLog.h"
#include "station/serials/SerialNumbers.h"
#include "ui/win32/StationMain.h"
#include "ui/win32/StationRowLook.h"
#include "ui/win32/StationTemplate.h"
#include "ui/win32/Win32StationWindow.h"

namespace zt::win32 {
namespace {

using station::OutcomeWords;
using station::StationRow;
using RowLook = station::RowShown;

constexpr const char* kCompletion = "Write to EEPROM OK! Please re-plugin USB device !!";

// `handlingMs` >= 0: the simulated operator takes finished units out.
std::unique_ptr<sim::SimulatedMachine> ThreeUnits(std::vector<std::string> faults, int handlingMs = -1,
                                                  int units = 3) {
    sim::SimulationArguments arguments;
    arguments.units = units;
    arguments.simulatedClock = true;
    arguments.faults = std::move(faults);
    arguments.handlingMs = handlingMs;
    sim::SimulatedMachine::Options options;
    std::string error;
    EXPECT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    auto machine = std::make_unique<sim::SimulatedMachine>(options);
    // Blank bodies, so that only a real write leaves the image there.
    for (int unit = 0; unit < units; ++unit)
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

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("zt-win32-" + name + "-" + std::to_string(GetCurrentProcessId()));
}

// Run station: three units, each written by itself with its own re-plug and
// checked after its last, one pulled mid-job; the simulated operator takes
// the finished ones out. Once every port waits for its next unit, each row
// still shows its unit's result, the pulled unit's FAIL and what it means
// among them, read from the list itself; the records carry the typed names,
// the scanned code and a serial of each unit's own.
TEST(Win32StationWindow, RunStationWritesEachUnitAsItComesAndThePulledUnitsFailStaysOnItsRow) {
    auto machine = ThreeUnits({"2:unplug-at=600"}, 0);
    const auto logPath = TempPath("run.jsonl"), ledger = TempPath("ledger");
    std::filesystem::remove(logPath);
    std::filesystem::remove_all(ledger);
    std::filesystem::create_directories(ledger);
    // Closed before its lines are read back (Windows keeps an open file).
    auto log = std::make_unique<station::StationLog>();
    std::string error;
    ASSERT_TRUE(log->Open(logPath.string(), &error)) << error;
    int exitCode = 0;
    auto serials = station::SerialNumbers::Parse(
        "counter:000000001000", FindSerialString(kImageA)->characters, ledger.string(), &error, &exitCode);
    ASSERT_TRUE(serials) << error;

    auto owned = std::make_unique<Win32StationWindow>(*machine);
    Win32StationWindow& window = *owned;
    window.SetLog(log.get());
    window.SetSerials(serials.get());
    window.SetIdentity({"line-4", "Ana", "WO-77"});
    std::vector<station::UnitResult> results;
    std::vector<std::vector<std::string>> rowsWhenReady;
    std::map<std::string, std::vector<std::string>> textsOfPort;  // each change of its result cell
    std::string pulledAfterStop, countersAfterStop;
    bool stopping = false, stopped = false;

    window.onInitialised = [&] {
        const HWND scan = GetDlgItem(window.Window(), kIdStationBarcode);
        SetWindowTextW(scan, L" BC-1 ");
        SetFocus(scan);
        SendMessageW(window.Window(), WM_COMMAND, IDOK, 0);  // the scanner's Enter
        PostMessageW(window.Window(), WM_COMMAND, kIdRunStation, 0);
    };
    window.onUnitResult = [&](const station::UnitResult& unit) { results.push_back(unit); };
    window.onRowsChanged = [&] {
        for (size_t row = 0; row < window.RowCount(); ++row) {
            auto& texts = textsOfPort[window.CellText(row, kStationPort)];
            const std::string text = window.CellText(row, kStationResult);
            if (texts.empty() || texts.back() != text) texts.push_back(text);
        }
        if (stopping || window.RowsReadyWithResult() < 3) return;
        stopping = true;
        for (size_t row = 0; row < window.RowCount(); ++row) {
            std::vector<std::string> cells;
            for (int column = 0; column < kStationColumns; ++column)
                cells.push_back(window.CellText(row, column));
            rowsWhenReady.push_back(cells);
        }
        PostMessageW(window.Window(), WM_COMMAND, kIdRunStation, 0);  // off again
    };
    window.onStationStopped = [&] {
        stopped = true;
        pulledAfterStop = window.CellText(1, kStationResult);
        countersAfterStop = window.ControlText(kIdStationCounters);
        window.Close(1);
    };
    EXPECT_EQ(window.RunModal(), 1);

    ASSERT_TRUE(stopped);
    ASSERT_EQ(results.size(), 3u);  // the units left in were not written again
    const auto pulled = std::find_if(results.begin(), results.end(),
                                     [](const station::UnitResult& unit) { return unit.port == "1-1.2"; });
    ASSERT_NE(pulled, results.end());
    const auto code = pulled->outcome.Code();
    ASSERT_TRUE(code);
    ASSERT_EQ(rowsWhenReady.size(), 3u);
    for (size_t row : {0u, 2u}) {
        EXPECT_EQ(rowsWhenReady[row][kStationResult].rfind("PASS", 0), 0u) << rowsWhenReady[row][3];
        EXPECT_EQ(rowsWhenReady[row][kStationMeaning], "") << row;
        // Its re-plug was asked for on its own row, and went once it wrote again.
        const std::string port = rowsWhenReady[row][kStationPort];
        const std::string replug = station::PortStatusText({station::PortPhase::Replug, port, std::nullopt});
        const auto& texts = textsOfPort[port];
        const auto says = [&](const std::string& text) { return text.find(replug) != std::string::npos; };
        const auto asked = std::find_if(texts.begin(), texts.end(), says);
        ASSERT_NE(asked, texts.end()) << port;
        EXPECT_NE(std::find_if_not(asked, texts.end(), says), texts.end()) << port;
    }
    const std::vector<std::string>& pulledRow = rowsWhenReady[1];
    EXPECT_EQ(pulledRow[kStationPort], "1-1.2");
    EXPECT_EQ(pulledRow[kStationProgress], "ready");
    EXPECT_EQ(pulledRow[kStationResult].rfind("FAIL " + FormatResultCode(*code), 0), 0u) << pulledRow[3];
    EXPECT_EQ(pulledRow[kStationMeaning], DescribeFailure(*code).meaning);
    EXPECT_FALSE(pulledRow[kStationMeaning].empty());
    EXPECT_EQ(pulledAfterStop, pulledRow[kStationResult]);
    EXPECT_NE(countersAfterStop.find("Passed: 2   Failed: 1"), std::string::npos) << countersAfterStop;
    EXPECT_TRUE(window.AnyUnitFailed());

    owned.reset();
    log.reset();
    serials.reset();
    const auto lines = Lines(logPath);
    std::filesystem::remove(logPath);
    std::filesystem::remove_all(ledger);
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::string> serialsWritten;
    for (const std::string& line : lines) {
        EXPECT_NE(line.find("\"stationId\":\"line-4\""), std::string::npos) << line;
        EXPECT_NE(line.find("\"workOrder\":\"WO-77\""), std::string::npos) << line;
        const size_t at = line.find("\"serialWritten\":\"");
        if (at != std::string::npos)
            serialsWritten.push_back(line.substr(at + 17, line.find('"', at + 17) - at - 17));
    }
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("\"barcode\":\"BC-1\"") != std::string::npos;
                            }),
              1);
    std::sort(serialsWritten.begin(), serialsWritten.end());
    EXPECT_EQ(std::adjacent_find(serialsWritten.begin(), serialsWritten.end()), serialsWritten.end());
    EXPECT_GE(serialsWritten.size(), 2u);  // the two written whole at least
}

// A port's result stays through its "ready" until the next unit on that port
// starts writing, and then goes whole: no old FAIL beside a new unit's bar.
TEST(Win32StationRows, AResultStaysUntilTheNextUnitOnItsPortStarts) {
    JobResult failure;
    failure.origin = 3;
    failure.errorClass = 4;
    const JobOutcome failed = JobOutcome::Failed(failure);
    StationRow row;
    RowStated(row, {station::PortPhase::Writing, {}, std::nullopt});
    RowProgressed(row, 60);
    RowStated(row, {station::PortPhase::Replug, "1-1.4", std::nullopt});
    EXPECT_NE(LookOf(row).result.find("1-1.4"), std::string::npos) << LookOf(row).result;
    RowStated(row, {station::PortPhase::Result, {}, station::PortOutcome::Of(failed)});
    RowEnded(row, failed, OutcomeWords(failed));
    RowStated(row, {});  // taken out: the port waits for its next unit
    RowLook look = LookOf(row);
    EXPECT_EQ(look.progress, "ready");
    EXPECT_EQ(look.result.rfind("FAIL " + FormatResultCode(*failed.Code()), 0), 0u) << look.result;
    EXPECT_EQ(look.tone, RowTone::Failed);
    EXPECT_EQ(look.meaning, DescribeFailure(*failed.Code()).meaning);
    EXPECT_TRUE(RowReadyWithResult(row));
    RowSaid(row, "ready: plug in a unit");  // words alone start nothing
    EXPECT_EQ(LookOf(row).tone, RowTone::Failed);

    RowStated(row, {station::PortPhase::Writing, {}, std::nullopt});
    look = LookOf(row);
    EXPECT_EQ(look.tone, RowTone::Plain);
    EXPECT_EQ(look.meaning, "");
    EXPECT_EQ(look.result.find("FAIL"), std::string::npos) << look.result;
    EXPECT_EQ(look.progress, "0%");
    EXPECT_FALSE(RowReadyWithResult(row));
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

// Every unit present gets its row and is written, however many there are:
// none is left out for want of room.
TEST(Win32StationWindow, TenUnitsGetTenRowsAndAreAllWritten) {
    auto machine = ThreeUnits({}, -1, 10);
    Win32StationWindow window(*machine);
    std::vector<std::string> results;
    window.onInitialised = [&] { PostMessageW(window.Window(), WM_COMMAND, kIdWriteEeprom, 0); };
    window.onReplugPromptShown = [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); };
    window.onJobEnded = [&](const std::vector<station::UnitResult>&) {
        for (size_t row = 0; row < window.RowCount(); ++row)
            results.push_back(window.CellText(row, kStationResult));
        window.Close(1);
    };
    EXPECT_EQ(window.RunModal(), 1);
    EXPECT_EQ(results, std::vector<std::string>(10, kCompletion));
    EXPECT_TRUE(HoldsImageA(*machine, 9));
}

// --run from the options to the exit code: the picture once every unit has
// its result, exit 1 for the pulled one; a serial source that cannot be used
// and --run with --write stop the tool before any unit is touched.
TEST(Win32StationRun, RunByItselfTakesItsPictureAndRefusesWhatItCannotUse) {
    const auto shot = TempPath("run.png");
    std::filesystem::remove(shot);
    StationOptions options;
    options.runStation = true;
    options.simulate = true;
    options.units = 3;
    options.screenshotPath = shot.string();
    std::vector<std::string> told;
    const auto tell = [&](const std::string& text) { told.push_back(text); };
    auto pulled = ThreeUnits({"2:unplug-at=600"}, 0);
    EXPECT_EQ(RunStation(*pulled, options, tell), 1);
    EXPECT_TRUE(told.empty());
    EXPECT_GT(std::filesystem::file_size(shot), 0u);
    std::filesystem::remove(shot);

    options.screenshotPath.clear();
    options.serial = "counter:";
    auto untouched = ThreeUnits({}, 0);
    EXPECT_EQ(RunStation(*untouched, options, tell), 2);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind("--serial: ", 0), 0u) << told[0];
    EXPECT_FALSE(HoldsImageA(*untouched, 0));

    std::string error;
    EXPECT_FALSE(ParseStationOptions({"--station", "--run", "--write"}, error));
    EXPECT_NE(error.find("--write and --run"), std::string::npos) << error;
}

}  // namespace
}  // namespace zt::win32
