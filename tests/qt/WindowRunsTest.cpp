#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QtWindowFixture.h"
#include "app/DialogTemplate.h"
#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/StationWindow.h"
#include "ui/qt/WindowRuns.h"

namespace zt {
namespace {

using test::QtWindowHarness;

std::unique_ptr<sim::SimulatedMachine> Machine(int units, std::vector<std::string> faults) {
    sim::SimulationArguments arguments;
    arguments.units = units;
    arguments.simulatedClock = true;
    arguments.faults = std::move(faults);
    sim::SimulatedMachine::Options options;
    std::string error;
    EXPECT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    return std::make_unique<sim::SimulatedMachine>(options);
}

// A run of the tool's window as main() runs it, with its own instance folder
// and station log.
struct WindowRun {
    QTemporaryDir folder;
    qt::QtInstanceLock lock{folder.path()};
    qt::GuiOptions options;
    std::string logPath = folder.filePath(QStringLiteral("station.jsonl")).toStdString();

    WindowRun() {
        options.autoOk = true;
        options.logPath = QString::fromStdString(logPath);
    }
    std::vector<std::string> LogLines() const {
        std::ifstream file(logPath);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
};

bool Has(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }

// A station script learns from the exit code whether a unit failed.
TEST(WindowRuns, TheStationExitsOneWhenAnyUnitFailed) {
    struct Case {
        std::vector<std::string> faults;
        int exitCode;
        const char* secondStatus;
    };
    for (const Case& c : {Case{{}, 0, "OK"}, Case{{"2:unplug-at=600"}, 1, "FAIL"}}) {
        const auto machine = Machine(3, c.faults);
        WindowRun run;
        qt::WindowRunHooks hooks;
        hooks.stationShown = [](qt::StationWindow& window) {
            window.onJobEnded = [&window](const std::vector<station::UnitResult>&) { window.done(1); };
            window.WriteButton()->click();
        };
        EXPECT_EQ(qt::RunStation(*machine, run.lock, run.options, hooks), c.exitCode) << c.exitCode;
        const auto lines = run.LogLines();
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_TRUE(Has(lines[1], std::string("\"status\":\"") + c.secondStatus + "\"")) << lines[1];
    }
}

// Closing mid-job (answering Yes), SIGTERM and SIGINT each leave an
// INTERRUPTED line for every unit still in its job; a close counts as a
// failed job, a signal ends with its own code.
TEST(WindowRuns, AStationClosedMidJobLogsEveryUnitAsInterrupted) {
    struct Case {
        int signal;  // 0: closed with Yes
        int exitCode;
    };
    for (const Case& c : {Case{0, 1}, Case{SIGTERM, 143}, Case{SIGINT, 130}}) {
        const auto machine = Machine(3, {});
        WindowRun run;
        qt::WindowRunHooks hooks;
        hooks.stationShown = [&c](qt::StationWindow& window) {
            // Every unit waits in the re-plug prompt, which nobody answers.
            window.onReplugPromptShown = [&c, &window](QMessageBox&) {
                QTimer::singleShot(0, &window, [&c, &window] {
                    if (c.signal) {
                        std::raise(c.signal);
                        return;
                    }
                    window.onCloseQuestionShown = [](QMessageBox& q) { q.button(QMessageBox::Yes)->click(); };
                    window.close();
                });
            };
            window.WriteButton()->click();
        };
        EXPECT_EQ(qt::RunStation(*machine, run.lock, run.options, hooks), c.exitCode) << c.signal;
        const auto lines = run.LogLines();
        ASSERT_EQ(lines.size(), 3u) << c.signal;
        for (const std::string& line : lines) EXPECT_TRUE(Has(line, "\"status\":\"INTERRUPTED\"")) << line;
    }
}

// A log that cannot be opened stops either window before it shows, with
// exit 4 and no box waiting for someone to press OK.
TEST(WindowRuns, ALogThatCannotBeOpenedStopsBeforeAnyWindow) {
    const auto machine = Machine(1, {});
    WindowRun run;
    run.options.logPath = run.folder.filePath(QStringLiteral("missing/station.jsonl"));
    bool shown = false;
    qt::WindowRunHooks hooks;
    hooks.stationShown = [&](qt::StationWindow& window) {
        shown = true;
        window.done(1);
    };
    hooks.dialogShown = [&](qt::QtDialogWindow& window) {
        shown = true;
        window.EndDialog(1);
    };
    EXPECT_EQ(qt::RunStation(*machine, run.lock, run.options, hooks), 4);
    EXPECT_EQ(qt::RunDialog(*machine, run.lock, run.options, hooks), 4);
    EXPECT_FALSE(shown);
}

// The dialog appends one record per job with the unit's port, and exits 1
// when its last job did not end OK, a job the close stopped included.
TEST(WindowRuns, TheDialogLogsEachJobAndExitsWithItsOutcome) {
    struct Case {
        std::vector<std::string> faults;
        bool closeMidJob;
        int exitCode;
        const char* status;
    };
    for (const Case& c : {Case{{}, false, 0, "OK"}, Case{{"unplug-at=600"}, false, 1, "FAIL"},
                          Case{{}, true, 1, "INTERRUPTED"}}) {
        const auto machine = Machine(1, c.faults);
        WindowRun run;
        qt::WindowRunHooks hooks;
        hooks.dialogShown = [&c](qt::QtDialogWindow& window) {
            if (c.closeMidJob) {
                window.onCloseQuestionShown = [](QMessageBox& q) { q.button(QMessageBox::Yes)->click(); };
                // While the worker waits for the bar to move, so the job is
                // still under way when the question is answered.
                window.onProgressChanged = [&window](int position) {
                    if (position >= 20 && window.isVisible()) window.close();
                };
            }
            qobject_cast<QPushButton*>(window.Control(kIdWriteEeprom))->click();
            if (!c.closeMidJob) {
                ASSERT_TRUE(QtWindowHarness::WaitUntil([&] { return window.LastOutcome().has_value(); }));
                window.EndDialog(1);
            }
        };
        EXPECT_EQ(qt::RunDialog(*machine, run.lock, run.options, hooks), c.exitCode) << c.status;
        const auto lines = run.LogLines();
        ASSERT_EQ(lines.size(), 1u) << c.status;
        EXPECT_TRUE(Has(lines[0], std::string("\"status\":\"") + c.status + "\"")) << lines[0];
        EXPECT_TRUE(Has(lines[0], "\"port\":\"1-1.1\"")) << lines[0];
    }
}

}  // namespace
}  // namespace zt
