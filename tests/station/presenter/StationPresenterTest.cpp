// The station presenter behind both station windows, driven as a window
// would: a fake view, and a user-interface thread that is the test's own.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <set>

#include "chip/EepromImage.h"
#include "job/FailureCatalogue.h"
#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"
#include "station/presenter/StationPresenter.h"

namespace zt::station {
namespace {

constexpr const char* kCompletion = "Write to EEPROM OK! Please re-plugin USB device !!";

std::unique_ptr<sim::SimulatedMachine> Machine(int units, std::vector<std::string> faults,
                                               int handlingMs = -1) {
    sim::SimulationArguments arguments;
    arguments.units = units;
    arguments.simulatedClock = true;
    arguments.faults = std::move(faults);
    arguments.handlingMs = handlingMs;
    sim::SimulatedMachine::Options options;
    std::string error;
    EXPECT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    return std::make_unique<sim::SimulatedMachine>(options);
}

StationLook PlainLook(bool writeAllFollowsState) {
    StationLook look;
    look.writeAllFollowsState = writeAllFollowsState;
    look.unitsPresent = [](size_t units) { return std::to_string(units) + " units present"; };
    look.noKnownDevice = "No known device present.";
    look.writingUnits = [](size_t units) { return "Writing " + std::to_string(units) + " units..."; };
    look.stationRunning = "running";
    look.stationStopping = "stopping";
    look.counters = [](int passed, int failed, const std::string& rate) {
        return std::to_string(passed) + "/" + std::to_string(failed) + "/" + rate;
    };
    look.heldByAnotherJob = "held";
    look.lockNotTaken = "no lock: ";
    return look;
}

// A window that remembers what it was told, on a user-interface thread that
// is the test's own: Serve runs the units' calls until the test has seen
// enough.
struct Window : StationView {
    std::mutex mutex;
    std::condition_variable nudged;
    bool nudge = false;
    UiCallQueue calls{[this] {
        std::lock_guard lock(mutex);
        nudge = true;
        nudged.notify_all();
    }};

    std::vector<RowShown> rows;
    std::string status, counters;
    StationButtons buttons;
    std::vector<std::string> failures;
    std::optional<std::vector<UnitResult>> ended;
    std::vector<UnitResult> shown;
    bool stationStopped = false;
    bool answerReplug = true;
    int prompts = 0;

    bool Serve(const std::function<bool()>& enough) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!enough()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            {
                std::unique_lock lock(mutex);
                nudged.wait_for(lock, std::chrono::milliseconds(20), [this] { return nudge; });
                nudge = false;
            }
            calls.Drain();
        }
        return true;
    }

    void ShowRows(const std::vector<RowShown>& r) override { rows = r; }
    void ShowStatus(const std::string& text) override { status = text; }
    void ShowCounters(const std::string& text) override { counters = text; }
    void ShowButtons(const StationButtons& b) override { buttons = b; }
    void AskToReplug(const std::string&, std::function<void()> answered) override {
        ++prompts;
        if (answerReplug) answered();
    }
    std::optional<StationIdentity> TakeIdentity() override { return StationIdentity{"line-4", "Ana", ""}; }
    std::string NextBarcode() override { return ""; }
    void UnitFailed(const std::string& port, const std::string&) override { failures.push_back(port); }
    void LogNotWritten(const std::vector<std::string>& errors) override { ADD_FAILURE() << errors.front(); }
    void StationStopped() override { stationStopped = true; }
    void JobEnded(const std::vector<UnitResult>& results) override { ended = results; }
    void UnitShown(const UnitResult& unit) override { shown.push_back(unit); }
};

// A ledger folder of the test's own, gone with everything in it.
struct LedgerFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("zt-presenter-" + std::to_string(std::random_device{}()));
    LedgerFolder() { std::filesystem::create_directories(path); }
    ~LedgerFolder() { std::filesystem::remove_all(path); }
};

std::unique_ptr<SerialNumbers> Serials(const LedgerFolder& ledger) {
    std::string error;
    int exitCode = 0;
    const auto length = ImageSerialLength(std::nullopt, &error);
    auto serials = SerialNumbers::Parse("counter:000000001000", length.value_or(0), ledger.path.string(),
                                        &error, &exitCode);
    EXPECT_TRUE(serials) << error;
    return serials;
}

// Both ways of writing hand out serials, and both looks of Write EEPROM's
// rows come from the same job: one follows each port's state to PASS or
// FAIL with what to do, the other keeps each job's own last words.
TEST(StationPresenter, WriteEepromGivesEachUnitItsOwnSerialAndEachRowItsResult) {
    for (const bool followsState : {true, false}) {
        SCOPED_TRACE(followsState);
        auto machine = Machine(3, {"2:unplug-at=600"});
        LedgerFolder ledger;
        auto serials = Serials(ledger);
        Window window;
        StationPresenter presenter(*machine, window.calls, window, PlainLook(followsState));
        presenter.SetSerials(serials.get());
        presenter.Refresh();
        ASSERT_EQ(window.rows.size(), 3u);
        EXPECT_EQ(window.status, "3 units present");
        EXPECT_TRUE(window.buttons.write);

        presenter.StartJob();
        EXPECT_EQ(window.status, "Writing 3 units...");
        EXPECT_FALSE(window.buttons.write || window.buttons.runStation || window.buttons.identity);
        ASSERT_TRUE(window.Serve([&] { return window.ended.has_value(); }));

        EXPECT_EQ(window.prompts, 1);
        const std::vector<UnitResult>& results = *window.ended;
        ASSERT_EQ(results.size(), 3u);
        std::set<std::string> written;
        for (int unit : {0, 2}) {
            ASSERT_TRUE(results[unit].record);
            written.insert(results[unit].record->serialWritten);
        }
        EXPECT_EQ(written.size(), 2u);
        EXPECT_FALSE(written.count(""));
        const auto code = results[1].outcome.Code();
        ASSERT_TRUE(code);
        const std::string failed = followsState ? "FAIL " + FormatResultCode(*code) + ": "
                                                : "Fail to Write EEPROM! [" + FormatResultCode(*code) + "]";
        EXPECT_EQ(window.rows[0].result, followsState ? "PASS" : kCompletion);
        EXPECT_EQ(window.rows[1].result.rfind(failed, 0), 0u) << window.rows[1].result;
        EXPECT_EQ(window.rows[1].tone, RowTone::Failed);
        EXPECT_EQ(window.rows[1].meaning, DescribeFailure(*code).action);
        EXPECT_EQ(window.rows[2].tone, RowTone::Passed);
        EXPECT_EQ(window.rows[1].ids, "(unplugged)");
        EXPECT_EQ(window.failures, std::vector<std::string>{"1-1.2"});
        EXPECT_EQ(window.counters, "2/1/" + presenter.Tally().RateText());
        EXPECT_TRUE(presenter.AnyUnitFailed());
        EXPECT_TRUE(window.buttons.write && window.buttons.runStation && window.buttons.identity);
    }
}

// Ports as people number them: 1-1.10 after 1-1.9, not after 1-1.1.
TEST(StationPresenter, RowsStandInTheOrderPortsAreNumbered) {
    auto machine = Machine(10, {});
    Window window;
    StationPresenter presenter(*machine, window.calls, window, PlainLook(true));
    presenter.Refresh();
    ASSERT_EQ(window.rows.size(), 10u);
    for (size_t row = 0; row < 10; ++row) EXPECT_EQ(window.rows[row].port, "1-1." + std::to_string(row + 1));

    for (int unit = 0; unit < 10; ++unit) machine->Bus().Unplug(machine->Chip() + unit);
    presenter.Refresh();
    EXPECT_TRUE(window.rows.empty());
    EXPECT_EQ(window.status, "No known device present.");
    EXPECT_FALSE(window.buttons.write);
}

// Run station: each unit written by itself, serial and all; stopping takes
// no more units, keeps its button from a second press, and ends once the
// units under way have their results, which stay on their rows.
TEST(StationPresenter, RunStationWritesUnitsAsTheyComeAndStopsOnceTheyHaveEnded) {
    auto machine = Machine(2, {"2:unplug-at=600"}, 0);
    LedgerFolder ledger;
    auto serials = Serials(ledger);
    Window window;
    StationPresenter presenter(*machine, window.calls, window, PlainLook(false));
    presenter.SetSerials(serials.get());
    presenter.Refresh();

    presenter.StartStation();
    EXPECT_EQ(presenter.CurrentMode(), StationPresenter::Mode::RunStation);
    EXPECT_TRUE(window.buttons.stationTaking && window.buttons.runStation);
    EXPECT_FALSE(window.buttons.write);
    ASSERT_TRUE(
        window.Serve([&] { return window.shown.size() == 2 && presenter.RowsReadyWithResult() == 2; }));

    presenter.StopStation();
    EXPECT_EQ(window.status, "stopping");
    EXPECT_TRUE(window.buttons.stationMode);
    EXPECT_FALSE(window.buttons.stationTaking || window.buttons.runStation);
    ASSERT_TRUE(window.Serve([&] { return window.stationStopped; }));
    EXPECT_FALSE(presenter.Running());
    EXPECT_EQ(presenter.CurrentMode(), StationPresenter::Mode::WriteAll);

    for (const UnitResult& unit : window.shown) {
        ASSERT_TRUE(unit.record);
        if (unit.port == "1-1.1") {
            EXPECT_FALSE(unit.record->serialWritten.empty());
        }
    }
    ASSERT_EQ(window.rows.size(), 2u);
    EXPECT_EQ(window.rows[0].result.rfind("PASS", 0), 0u) << window.rows[0].result;
    EXPECT_EQ(window.rows[1].result.rfind("FAIL ", 0), 0u) << window.rows[1].result;
    EXPECT_EQ(window.rows[1].progress, "ready");
    EXPECT_TRUE(window.rows[1].failed);
    EXPECT_EQ(window.failures, std::vector<std::string>{"1-1.2"});
    EXPECT_EQ(presenter.Tally().Passed(), 1);
    EXPECT_EQ(presenter.Tally().Failed(), 1);
}

// Closing while every unit waits in the re-plug prompt: Stop releases the
// units that wait on the window instead of waiting on them, and each unit
// the close stopped counts as failed, though the window hears no job's end.
TEST(StationPresenter, StopDuringThePromptEndsAtOnceAndCountsTheStoppedUnits) {
    auto machine = Machine(3, {});
    Window window;
    window.answerReplug = false;
    StationPresenter presenter(*machine, window.calls, window, PlainLook(true));
    presenter.Refresh();
    presenter.StartJob();
    ASSERT_TRUE(window.Serve([&] { return window.prompts == 1; }));

    presenter.Stop();
    EXPECT_FALSE(presenter.Running());
    EXPECT_TRUE(presenter.AnyUnitFailed());
    EXPECT_EQ(presenter.Tally().Failed(), 3);
    EXPECT_FALSE(window.ended);
    presenter.StartJob();  // a window that is going starts nothing
    EXPECT_FALSE(presenter.Running());
}

// A unit that was not written at all says so instead of a result, in no
// result's colour, while its bar still shows it failed.
TEST(StationRow, ARefusedUnitShowsItsRefusalInsteadOfAResult) {
    JobResult failure;
    failure.origin = 3;
    failure.errorClass = 4;
    const JobOutcome outcome = JobOutcome::Failed(failure);
    StationRow row;
    row.port = "1-1.3";
    row.present = true;
    RowStated(row, {PortPhase::Writing, {}, std::nullopt});
    RowStated(row, {PortPhase::Result, {}, PortOutcome::Of(outcome)});
    RowEnded(row, outcome, OutcomeWords(outcome));
    row.refusal = "held";
    const RowShown shown = ShowRow(row, {});
    EXPECT_EQ(shown.result, "held");
    EXPECT_EQ(shown.tone, RowTone::Plain);
    EXPECT_TRUE(shown.failed);
    EXPECT_EQ(shown.tip.rfind(OutcomeWords(outcome), 0), 0u) << shown.tip;

    // The port's next unit starts clean.
    RowStated(row, {PortPhase::Writing, {}, std::nullopt});
    EXPECT_EQ(ShowRow(row, {}).result, PortStatusText({PortPhase::Writing, {}, std::nullopt}));
    EXPECT_FALSE(row.hasResult);
}

TEST(StationTally, TheRateIsUnitsPerHourSinceTheRunStartedAndNeverDividesByNothing) {
    StationTally tally;
    EXPECT_EQ(tally.RateText(), "-");
    const auto start = StationTally::Clock::time_point{} + std::chrono::hours(5);
    tally.Started(start);
    tally.Started(start + std::chrono::minutes(10));  // the same run goes on
    tally.UnitEnded(true, start + std::chrono::minutes(15));
    tally.UnitEnded(false, start + std::chrono::minutes(30));
    EXPECT_EQ(tally.RateText(), "4");
    EXPECT_EQ(tally.Passed(), 1);
    EXPECT_EQ(tally.Failed(), 1);

    StationTally instant;
    instant.UnitEnded(true, start);
    EXPECT_EQ(instant.RateText(), "3600000");  // one unit in the shortest run counted, a millisecond
}

}  // namespace
}  // namespace zt::station
