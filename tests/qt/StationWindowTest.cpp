#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>

#include "QtWindowFixture.h"
#include "chip/EepromImage.h"
#include "job/FailureCatalogue.h"
#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"
#include "station/records/StationLog.h"
#include "ui/qt/BarcodeScanField.h"
#include "ui/qt/StationIdentityFields.h"
#include "ui/qt/StationWindow.h"

namespace zt {
namespace {

constexpr const char* kPassed = "PASS";
constexpr int kProgressColumn = 2;
constexpr int kResultColumn = 3;
constexpr int kMeaningColumn = 4;

// Three simulated units on simulated time, by default the second pulled in
// the middle of writing, in a station window whose prompt a test answers.
struct StationHarness {
    std::unique_ptr<sim::SimulatedMachine> machine;
    std::unique_ptr<qt::StationWindow> window;
    int prompts = 0;
    std::optional<std::vector<station::UnitResult>> results;

    explicit StationHarness(std::vector<std::string> faults = {"2:unplug-at=600"}) {
        sim::SimulationArguments arguments;
        arguments.units = 3;
        arguments.simulatedClock = true;
        arguments.faults = std::move(faults);
        sim::SimulatedMachine::Options options;
        std::string error;
        EXPECT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
        machine = std::make_unique<sim::SimulatedMachine>(options);
        // Blank bodies, so that only a real write leaves the image there.
        for (int unit = 0; unit < 3; ++unit)
            machine->Bus().SetEeprom(machine->Chip() + unit, 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));
        window = std::make_unique<qt::StationWindow>(*machine);
        window->onReplugPromptShown = [this](QMessageBox& box) {
            ++prompts;
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        };
        window->onJobEnded = [this](const std::vector<station::UnitResult>& r) { results = r; };
        window->show();
    }
    QString Cell(int row, int column) const { return window->Table()->item(row, column)->text(); }
    QProgressBar* Bar(int row) const {
        return qobject_cast<QProgressBar*>(window->Table()->cellWidget(row, kProgressColumn));
    }
    // Runs one job to its end, started by `start`.
    void Run(const std::function<void()>& start) {
        results.reset();
        start();
        ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return results.has_value(); }));
    }
};

// Whether the bar, as drawn, shows red anywhere: what an operator sees.
bool LooksRed(QProgressBar* bar) {
    const QImage image = bar->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 160 && c.green() < 90 && c.blue() < 90) return true;
        }
    return false;
}

TEST(StationWindow, EveryUnitIsWrittenAtOnceAndEachRowShowsItsOwnResult) {
    StationHarness station;
    QTableWidget* table = station.window->Table();
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(station.Cell(1, 0), "1-1.2");
    EXPECT_EQ(station.Cell(1, 1), "3C4D:7351");
    const std::string logPath =
        (std::filesystem::temp_directory_path() / ("zt-station-" + std::to_string(::getpid()) + ".jsonl"))
            .string();
    std::filesystem::remove(logPath);
    station::StationLog log;
    std::string error;
    ASSERT_TRUE(log.Open(logPath, &error)) << error;
    station.window->SetLog(&log);
    station.window->SetIdentity({"line-4", "Ana", "WO-77"});

    station.window->WriteButton()->click();
    EXPECT_FALSE(station.window->WriteButton()->isEnabled());
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return station.results.has_value(); }));

    EXPECT_EQ(station.prompts, 1);
    // Each unit's job left its line in the station log, with its own port.
    std::ifstream logFile(logPath);
    std::vector<std::string> logLines;
    for (std::string line; std::getline(logFile, line);) logLines.push_back(line);
    std::filesystem::remove(logPath);
    ASSERT_EQ(logLines.size(), 3u);
    EXPECT_NE(logLines[1].find("\"port\":\"1-1.2\""), std::string::npos) << logLines[1];
    EXPECT_NE(logLines[1].find("\"status\":\"FAIL\""), std::string::npos) << logLines[1];
    for (const std::string& line : logLines)
        EXPECT_NE(line.find("\"stationId\":\"line-4\",\"operator\":\"Ana\",\"workOrder\":\"WO-77\""),
                  std::string::npos)
            << line;
    EXPECT_TRUE(station.window->WriteButton()->isEnabled());
    ASSERT_EQ(station.results->size(), 3u);
    const auto code = (*station.results)[1].outcome.Code();
    ASSERT_TRUE(code);
    for (int row : {0, 2}) {
        EXPECT_EQ(station.Cell(row, kResultColumn), kPassed) << row;
        EXPECT_EQ(qobject_cast<QProgressBar*>(table->cellWidget(row, 2))->value(), 100) << row;
        const auto eeprom = station.machine->Bus().Eeprom(station.machine->Chip() + row);
        EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin())) << row;
    }
    // The pulled unit keeps its row and its code while it is away...
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_TRUE(
        station.Cell(1, kResultColumn)
            .startsWith(QStringLiteral("FAIL %1: ").arg(QString::fromStdString(FormatResultCode(*code)))))
        << station.Cell(1, kResultColumn).toStdString();
    EXPECT_EQ(station.Cell(1, 1), "(unplugged)");
    // ...and a unit that arrives on its port, maybe another board, starts
    // without the last job's result.
    station.machine->Bus().Plug(station.machine->Chip() + 1);
    station.window->Refresh();
    EXPECT_EQ(station.Cell(1, kResultColumn), "");
    EXPECT_EQ(station.Cell(0, kResultColumn), kPassed);
}

// A unit another job holds is left alone, and its row must not read like a
// unit that was written.
TEST(StationWindow, AUnitHeldByAnotherJobIsNotWrittenAndSaysSo) {
    StationHarness station;
    ASSERT_TRUE(station.machine->Locks().TryClaim("1-1.3").Claimed());
    station.window->WriteButton()->click();
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return station.results.has_value(); }));
    station.machine->Locks().Release("1-1.3");

    EXPECT_TRUE((*station.results)[2].Busy());
    EXPECT_EQ(station.Cell(2, kResultColumn), "Held by another job; not written");
    EXPECT_EQ(station.Cell(0, kResultColumn), kPassed);
    const auto eeprom = station.machine->Bus().Eeprom(station.machine->Chip() + 2);
    EXPECT_FALSE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin()));
}

// A unit whose HID interface cannot be opened is not left out of "write them
// all" unseen: its row says so, and its job fails with its code alone.
TEST(StationWindow, AUnitThatCannotBeOpenedHasItsRowAndFailsAlone) {
    StationHarness station({"2:refuse-open"});
    ASSERT_EQ(station.window->Table()->rowCount(), 3);
    EXPECT_EQ(station.Cell(1, 0), "1-1.2");
    EXPECT_EQ(station.Cell(1, 1), "3C4D:7351 (cannot be opened)");

    station.window->WriteButton()->click();
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return station.results.has_value(); }));

    ASSERT_EQ(station.results->size(), 3u);
    const auto code = (*station.results)[1].outcome.Code();
    ASSERT_TRUE(code);
    EXPECT_TRUE(
        station.Cell(1, kResultColumn)
            .startsWith(QStringLiteral("FAIL %1: ").arg(QString::fromStdString(FormatResultCode(*code)))))
        << station.Cell(1, kResultColumn).toStdString();
    EXPECT_EQ(DescribeFailure(*code).detailName, "no known device");
    EXPECT_TRUE(station.window->Table()->item(1, kResultColumn)->toolTip().contains("no known device"));
    for (int row : {0, 2}) EXPECT_EQ(station.Cell(row, kResultColumn), kPassed) << row;
}

// Every unit's worker waits on the window in the re-plug prompt: closing
// asks first, No leaves the job alone, and Yes closes at once instead of
// waiting on workers that wait on the window.
TEST(StationWindow, ClosingDuringAJobAsksAndThenStopsWithoutWaitingOnTheWorkers) {
    StationHarness station;
    QMessageBox* prompt = nullptr;
    station.window->onReplugPromptShown = [&](QMessageBox& box) { prompt = &box; };
    QMessageBox::StandardButton answer = QMessageBox::No;
    int questions = 0;
    station.window->onCloseQuestionShown = [&](QMessageBox& question) {
        ++questions;
        EXPECT_EQ(question.defaultButton(), question.button(QMessageBox::No));
        question.button(answer)->click();
    };
    station.window->WriteButton()->click();
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return prompt != nullptr; }));

    station.window->close();
    EXPECT_TRUE(station.window->isVisible());
    EXPECT_TRUE(station.window->JobRunning());

    answer = QMessageBox::Yes;
    const auto closing = std::chrono::steady_clock::now();
    station.window->close();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(3));
    EXPECT_FALSE(station.window->isVisible());
    EXPECT_FALSE(station.window->JobRunning());
    EXPECT_EQ(questions, 2);
    EXPECT_FALSE(station.results);
}

// At a station the job is started without the mouse: Enter on the table
// (where the focus starts), Space on the focused button, Alt+W anywhere; Tab
// leaves the table instead of walking its cells. Enter on a button starts
// and ends nothing.
TEST(StationWindow, TheJobStartsFromTheKeyboard) {
    StationHarness station(std::vector<std::string>{});
    qt::StationWindow& window = *station.window;
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTableWidget* table = window.Table();
    EXPECT_EQ(QApplication::focusWidget(), table);
    int jobs = 0;
    window.onJobEnded = [&](const std::vector<station::UnitResult>& r) {
        ++jobs;
        station.results = r;
    };

    // The re-plug prompt took the focus; the window manager gives it back
    // when the prompt goes, the offscreen platform does not.
    const auto activate = [&] {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    };
    station.Run([&] { QTest::keyClick(table, Qt::Key_Return); });
    EXPECT_EQ(jobs, 1);
    activate();
    EXPECT_EQ(QApplication::focusWidget(), table);
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.WriteButton());
    station.Run([&] { QTest::keyClick(window.WriteButton(), Qt::Key_Space); });
    EXPECT_EQ(jobs, 2);
    activate();
    // Back where it was, not on Exit, where the next Space would close.
    EXPECT_EQ(QApplication::focusWidget(), window.WriteButton());
    QTest::keyClick(window.WriteButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.RunStationButton());
    QTest::keyClick(window.RunStationButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.ExitButton());
    QTest::keyClick(window.ExitButton(), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.JobRunning());
    station.Run([&] { QTest::keyClick(&window, Qt::Key_W, Qt::AltModifier); });
    EXPECT_EQ(jobs, 3);
    for (int row = 0; row < 3; ++row) EXPECT_EQ(station.Cell(row, kResultColumn), kPassed) << row;
}

// A pulled unit's row is red and says what its code means, in the row and
// under the pointer; the good rows are not red. The counters cover the whole
// run, and the next job starts its rows clean.
TEST(StationWindow, AFailedRowIsRedWithItsMeaningAndTheCountersCoverTheRun) {
    StationHarness station;
    EXPECT_TRUE(station.window->CountersLine()->text().contains(QStringLiteral("Passed: 0   Failed: 0")));
    station.Run([&] { station.window->WriteButton()->click(); });

    const auto code = (*station.results)[1].outcome.Code();
    ASSERT_TRUE(code);
    // The column says what to do in one short line; the whole sentence is
    // under the pointer.
    const FailureDescription failure = DescribeFailure(*code);
    const QString action = QString::fromStdString(failure.action);
    const QString meaning = QString::fromStdString(failure.meaning);
    ASSERT_FALSE(action.isEmpty());
    EXPECT_EQ(station.Cell(1, kMeaningColumn), action);
    EXPECT_TRUE(station.window->Table()->item(1, 0)->toolTip().contains(meaning));
    EXPECT_GT(station.Bar(1)->value(), 0);
    EXPECT_TRUE(LooksRed(station.Bar(1)));
    for (int row : {0, 2}) {
        EXPECT_FALSE(LooksRed(station.Bar(row))) << row;
        EXPECT_EQ(station.Cell(row, kMeaningColumn), "") << row;
    }
    const QString counters = station.window->CountersLine()->text();
    EXPECT_TRUE(counters.contains(QStringLiteral("Passed: 2   Failed: 1"))) << counters.toStdString();
    ASSERT_TRUE(station.window->Counters().UnitsPerHour());
    EXPECT_GT(*station.window->Counters().UnitsPerHour(), 0);
    EXPECT_TRUE(station.window->AnyUnitFailed());

    // The pulled unit comes back: all three pass this time.
    station.machine->Bus().Plug(station.machine->Chip() + 1);
    station.window->Refresh();
    station.Run([&] { station.window->WriteButton()->click(); });
    EXPECT_FALSE(LooksRed(station.Bar(1)));
    EXPECT_EQ(station.Cell(1, kMeaningColumn), "");
    EXPECT_TRUE(station.window->CountersLine()->text().contains(QStringLiteral("Passed: 5   Failed: 1")));
}

// Run station: three units, each written by itself with its own re-plug and
// checked after its last, one pulled mid-job; the simulated operator takes
// the finished ones out. Off again, the window waits for nothing more.
TEST(StationWindow, RunStationWritesEachUnitAsItComes) {
    sim::SimulationArguments arguments;
    arguments.units = 3;
    arguments.simulatedClock = true;
    arguments.faults = {"2:unplug-at=600"};
    arguments.handlingMs = 0;
    sim::SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    sim::SimulatedMachine machine(options);
    qt::StationWindow window(machine);
    std::vector<station::UnitResult> results;
    window.onUnitResult = [&](const station::UnitResult& unit) { results.push_back(unit); };
    window.show();

    window.RunStationButton()->click();
    ASSERT_TRUE(window.JobRunning());
    EXPECT_FALSE(window.WriteButton()->isEnabled());
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return results.size() == 3; }));
    for (const auto& unit : results) {
        ASSERT_TRUE(unit.record);
        if (unit.port == "1-1.2") {
            EXPECT_EQ(unit.outcome.kind, ResultKind::Failed);
        } else {
            EXPECT_EQ(unit.outcome.kind, ResultKind::Ok) << unit.port;
            EXPECT_EQ(unit.record->confirmed, true) << unit.port;
        }
    }
    EXPECT_TRUE(window.CountersLine()->text().contains(QStringLiteral("Passed: 2   Failed: 1")));
    window.RunStationButton()->click();
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return !window.JobRunning(); }));
    EXPECT_EQ(results.size(), 3u);  // the units left in were not written again
    EXPECT_TRUE(window.AnyUnitFailed());
}

// Run station: the names typed into the fields go into every unit's record,
// and codes scanned before the units arrive go to them one each, the first
// to the first unit to start. Enter in the Barcode field queues the code and
// starts no write, though Write EEPROM could.
TEST(StationWindow, RunStationRecordsTheTypedNamesAndPairsScannedCodesWithUnitsInOrder) {
    sim::SimulationArguments arguments;
    arguments.units = 2;
    arguments.simulatedClock = true;
    arguments.handlingMs = 0;
    sim::SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    sim::SimulatedMachine machine(options);
    machine.Bus().Unplug(machine.Chip() + 1);  // arrives once the first unit has its result
    const std::string logPath =
        (std::filesystem::temp_directory_path() / ("zt-scan-" + std::to_string(::getpid()) + ".jsonl"))
            .string();
    std::filesystem::remove(logPath);
    station::StationLog log;
    ASSERT_TRUE(log.Open(logPath, &error)) << error;
    qt::StationWindow window(machine);
    window.SetLog(&log);
    window.SetIdentity({"from-settings", "", ""});
    std::vector<station::UnitResult> results;
    // The log's lines as each row shows its result: the unit's own is there.
    std::vector<size_t> linesWhenShown;
    window.onUnitResult = [&](const station::UnitResult& unit) {
        results.push_back(unit);
        std::ifstream now(logPath);
        linesWhenShown.push_back(static_cast<size_t>(
            std::count(std::istreambuf_iterator<char>(now), std::istreambuf_iterator<char>(), '\n')));
    };
    window.show();

    qt::StationIdentityFields& fields = *window.IdentityFields();
    EXPECT_EQ(fields.StationId()->text(), "from-settings");
    fields.StationId()->clear();
    QTest::keyClicks(fields.StationId(), "line-4");
    QTest::keyClicks(fields.Operator(), "Ana");
    QTest::keyClicks(fields.WorkOrder(), " WO-77 ");
    QLineEdit* scan = window.Barcodes()->Field();
    for (const char* code : {"SN-0001", "SN-0002"}) {
        QTest::keyClicks(scan, code);
        QTest::keyClick(scan, Qt::Key_Return);
        EXPECT_EQ(scan->text(), "");
    }
    EXPECT_EQ(window.Barcodes()->Waiting()->text().toStdString(), "next units: SN-0001, SN-0002");
    EXPECT_FALSE(window.JobRunning());

    window.RunStationButton()->click();
    ASSERT_TRUE(window.JobRunning());
    EXPECT_FALSE(fields.Operator()->isEnabled());
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return results.size() == 1; }));
    EXPECT_EQ(window.Barcodes()->Waiting()->text().toStdString(), "next unit: SN-0002");
    machine.Bus().Plug(machine.Chip() + 1);
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return results.size() == 2; }));
    window.RunStationButton()->click();
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return !window.JobRunning(); }));
    EXPECT_TRUE(fields.Operator()->isEnabled());
    EXPECT_EQ(window.Barcodes()->Waiting()->text().toStdString(), "no code waiting");

    ASSERT_TRUE(results[0].record && results[1].record);
    EXPECT_EQ(linesWhenShown, (std::vector<size_t>{1, 2}));
    EXPECT_EQ(results[0].port, "1-1.1");
    EXPECT_EQ(results[0].record->barcode, "SN-0001");
    EXPECT_EQ(results[1].record->barcode, "SN-0002");
    std::ifstream logFile(logPath);
    std::vector<std::string> logLines;
    for (std::string line; std::getline(logFile, line);) logLines.push_back(line);
    std::filesystem::remove(logPath);
    ASSERT_EQ(logLines.size(), 2u);
    for (const std::string& line : logLines) {
        EXPECT_NE(line.find("\"stationId\":\"line-4\",\"operator\":\"Ana\",\"workOrder\":\"WO-77\""),
                  std::string::npos)
            << line;
        EXPECT_NE(line.find("\"barcode\":\"SN-000"), std::string::npos) << line;
    }
}

// Run station: a unit pulled mid-job shows its FAIL in red on its row, and
// keeps it while the port waits again and after the station stops; the
// shift's failures list names it. With the station on and nothing being
// written, Escape closes without asking about units being written.
TEST(StationWindow, APulledUnitKeepsItsFailAndEscapeBetweenUnitsClosesWithoutAsking) {
    sim::SimulationArguments arguments;
    arguments.units = 2;
    arguments.simulatedClock = true;
    arguments.faults = {"2:unplug-at=600"};
    arguments.handlingMs = 0;
    sim::SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    sim::SimulatedMachine machine(options);
    qt::StationWindow window(machine);
    std::vector<station::UnitResult> results;
    window.onUnitResult = [&](const station::UnitResult& unit) { results.push_back(unit); };
    int questions = 0;
    window.onCloseQuestionShown = [&](QMessageBox& box) {
        ++questions;
        box.button(QMessageBox::No)->click();
    };
    window.show();
    auto rowOf = [&](const char* port) {
        for (int row = 0; row < window.Table()->rowCount(); ++row)
            if (window.Table()->item(row, 0)->text() == port) return row;
        return -1;
    };
    auto pulledRowFails = [&] {
        const int row = rowOf("1-1.2");
        if (row < 0) return false;
        auto* bar = qobject_cast<QProgressBar*>(window.Table()->cellWidget(row, kProgressColumn));
        return window.Table()->item(row, kResultColumn)->text().startsWith(QStringLiteral("FAIL 0")) &&
               LooksRed(bar);
    };

    window.RunStationButton()->click();
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return results.size() == 2; }));
    // The port waits for its next unit with the failure still in view.
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] {
        const int row = rowOf("1-1.2");
        return row >= 0 && window.Table()->item(row, kResultColumn)->text().contains(QStringLiteral("ready"));
    }));
    EXPECT_TRUE(pulledRowFails())
        << window.Table()->item(rowOf("1-1.2"), kResultColumn)->text().toStdString();
    EXPECT_EQ(window.Table()->item(rowOf("1-1.1"), kResultColumn)->text().left(4), "PASS");
    ASSERT_EQ(window.FailuresList()->count(), 1);
    EXPECT_TRUE(window.FailuresList()->item(0)->text().contains(QStringLiteral("1-1.2  FAIL 0")));

    window.RunStationButton()->click();
    ASSERT_TRUE(test::QtWindowHarness::WaitUntil([&] { return !window.JobRunning(); }));
    EXPECT_TRUE(pulledRowFails()) << "the row lost its result when the station stopped";

    window.RunStationButton()->click();
    ASSERT_TRUE(window.JobRunning());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(questions, 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.JobRunning());
}

}  // namespace
}  // namespace zt
