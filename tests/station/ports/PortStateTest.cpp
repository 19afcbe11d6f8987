#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TerminalStationDisplay.h"
#include "job/JobResult.h"
#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"
#include "station/presentation/PortLine.h"
#include "station/run/StationRun.h"
#include "support/CommandRun.h"

namespace zt::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// A station display that keeps what each port was told: its states in order,
// its line as every display shows it at each state, and any bar movement that
// came while the port still asked for a re-plug.
class RecordingDisplay final : public StationDisplay {
public:
    struct Seen {
        PortStatus status;
        std::string text;  // the port's line once the state was shown
    };
    class Port final : public ConsoleView {
    public:
        void Info(const std::string& text) override { Note(text); }
        void Progress(int percent) override {
            std::lock_guard lock(mutex);
            if (line.Phase() == PortPhase::Replug) ++progressDuringReplug;
            line.Progress(percent);
        }
        void Marker(const std::string&) override {}
        void Message(const std::string& text, const std::string&) override { Note(text); }
        void Prompt(const std::string&, bool) override {}
        void Version(const std::string&, const std::optional<std::string>&) override {}
        void Device(const PresentDevice&) override {}
        void Result(const JobOutcome&) override {}
        void State(const PortStatus& status) override {
            std::lock_guard lock(mutex);
            line.Apply(status);
            seen.push_back({status, line.Text()});
        }
        void Note(const std::string& text) {
            std::lock_guard lock(mutex);
            line.Note(text);
        }

        std::mutex mutex;
        PortLine line;
        std::vector<Seen> seen;
        int progressDuringReplug = 0;
    };

    ConsoleView& ViewOf(size_t, const std::string& port) override {
        std::lock_guard lock(mutex_);
        return ports_[port];
    }
    void ReplugPrompt(const std::string&) override {}
    Port& Of(const std::string& port) {
        std::lock_guard lock(mutex_);
        return ports_[port];
    }

private:
    std::mutex mutex_;
    std::map<std::string, Port> ports_;
};

std::unique_ptr<sim::SimulatedMachine> StationMachine(int units, std::vector<std::string> faults) {
    sim::SimulationArguments arguments;
    arguments.units = units;
    arguments.simulatedClock = true;
    arguments.faults = std::move(faults);
    arguments.handlingMs = 0;
    arguments.freshUnits = -1;
    sim::SimulatedMachine::Options options;
    std::string error;
    EXPECT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    return std::make_unique<sim::SimulatedMachine>(options);
}

std::vector<PortPhase> Phases(const std::vector<RecordingDisplay::Seen>& seen, size_t from, size_t to) {
    std::vector<PortPhase> phases;
    for (size_t i = from; i < to && i < seen.size(); ++i) phases.push_back(seen[i].status.phase);
    return phases;
}

// Each port's states follow its unit: ready, writing, the re-plug only until
// the unit is back (its bar never moves under a re-plug instruction), the
// check, the result. A unit pulled mid-job shows its FAIL, and keeps it
// through its port waiting again, until the port's next unit starts.
TEST(PortStates, FollowTheJobAndAResultStaysUntilTheNextUnitStarts) {
    const auto machine = StationMachine(2, {"2:unplug-at=600"});
    RecordingDisplay display;
    RecordKeeper noLog(nullptr);
    std::mutex mutex;
    std::map<std::string, int> results;
    StationRun station(*machine, StationRequest{}, display, noLog,
                       [&](const UnitResult& unit, const StationCounters&) {
                           std::lock_guard lock(mutex);
                           ++results[unit.port];
                       });
    station.Run(
        [&] {
            std::lock_guard lock(mutex);
            return results["1-1.1"] >= 1 && results["1-1.2"] >= 2;
        },
        [] { return false; });

    RecordingDisplay::Port& good = display.Of("1-1.1");
    EXPECT_EQ(good.progressDuringReplug, 0);
    using P = PortPhase;
    ASSERT_GE(good.seen.size(), 6u);
    EXPECT_THAT(Phases(good.seen, 0, 6), ::testing::ElementsAre(P::Ready, P::Writing, P::Replug, P::Writing,
                                                                P::Confirming, P::Result));
    EXPECT_THAT(good.seen[2].text, HasSubstr("re-plug this unit now"));
    EXPECT_THAT(good.seen[3].text, ::testing::Not(HasSubstr("re-plug")));
    EXPECT_EQ(good.seen[5].text, "PASS");

    RecordingDisplay::Port& pulled = display.Of("1-1.2");
    EXPECT_EQ(pulled.progressDuringReplug, 0);
    const auto& seen = pulled.seen;
    size_t result = 0;
    while (result < seen.size() && seen[result].status.phase != P::Result) ++result;
    ASSERT_LT(result, seen.size());
    ASSERT_TRUE(seen[result].status.outcome);
    EXPECT_FALSE(seen[result].status.outcome->pass);
    EXPECT_THAT(seen[result].text, StartsWith("FAIL 0"));
    size_t next = result + 1;
    for (; next < seen.size() && seen[next].status.phase != P::Writing; ++next) {
        EXPECT_EQ(seen[next].status.phase, P::Ready);
        EXPECT_THAT(seen[next].text, StartsWith(seen[result].text)) << "the FAIL went before the next unit";
    }
    ASSERT_LT(next, seen.size()) << "no next unit started on the port";
    EXPECT_GT(next, result + 1) << "the port never waited for its next unit";
    EXPECT_THAT(seen[next].text, ::testing::Not(HasSubstr("FAIL")));
}

// What a terminal of a fixed size shows of the text sent to it: the cursor
// moves applied, and every line that scrolls off its top kept in order.
struct FakeTerminal {
    FakeTerminal(size_t columns, size_t lines) : columns(columns), screen(lines) {}

    void Feed(const std::string& text) {
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\x1b') {
                const size_t end = text.find_first_of("AKJ", i);
                const std::string number = text.substr(i + 2, end - i - 2);
                if (text[end] == 'A') row -= std::min(row, number.empty() ? 1 : std::stoul(number));
                if (text[end] == 'K') screen[row].clear();
                if (text[end] == 'J') {
                    screen[row].resize(std::min(screen[row].size(), column));
                    for (size_t below = row + 1; below < screen.size(); ++below) screen[below].clear();
                }
                i = end;
            } else if (c == '\a') {
                ++bells;
            } else if (c == '\r') {
                column = 0;
            } else if (c == '\n') {
                column = 0;
                if (row + 1 < screen.size()) {
                    ++row;
                } else {
                    scrollback.push_back(screen.front());
                    screen.erase(screen.begin());
                    screen.emplace_back();
                }
            } else {
                ASSERT_LT(column, columns) << "a line ran past the window's width";
                if (screen[row].size() <= column) screen[row].resize(column + 1, ' ');
                screen[row][column++] = c;
            }
        }
    }

    size_t columns;
    std::vector<std::string> screen;
    std::vector<std::string> scrollback;
    size_t row = 0, column = 0;
    int bells = 0;
};

// 24 ports in an 80x24 terminal: the ports share lines, failures first, the
// block stays inside the window whatever the units do, and nothing of it
// scrolls away, not even the line above it; a failure rings the bell once.
TEST(TerminalStationDisplay, MorePortsThanLinesShareLinesFailuresFirstAndNeverScroll) {
    constexpr size_t kColumns = 80, kLines = 24, kPorts = 24;
    std::ostringstream out;
    std::mutex outMutex;
    std::istringstream none;
    OperatorInput input(&none);
    TerminalStationDisplay display(
        out, outMutex,
        [] {
            return TerminalSize{kColumns, kLines};
        },
        input, true, [] { return false; }, true);
    FakeTerminal terminal(kColumns, kLines);
    out << "Station: each unit is written as it arrives\n";
    std::vector<ConsoleView*> views;
    for (size_t i = 0; i < kPorts; ++i) views.push_back(&display.ViewOf(i, "1-1." + std::to_string(i + 1)));
    const JobOutcome pulled = JobOutcome::Failed(JobResult{2, 0x0B, 0x06, 0x01});
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < kPorts; ++i) {
            ConsoleView& view = *views[i];
            view.State(PortStatus{PortPhase::Writing, "", std::nullopt});
            for (int percent = 0; percent <= 100; percent += 7) view.Progress(percent);
            view.State(PortStatus{PortPhase::Replug, "1-1." + std::to_string(i + 1), std::nullopt});
            const bool fails = round == 1 && (i == 6 || i == 20);
            view.State(PortStatus{PortPhase::Result, "", PortOutcome::Of(fails ? pulled : JobOutcome::Ok())});
            display.Counters(StationCounters{static_cast<int>(i), 0, 100});
        }
    terminal.Feed(out.str());

    EXPECT_THAT(terminal.scrollback, ::testing::IsEmpty());
    EXPECT_EQ(terminal.bells, 2);
    const std::vector<std::string>& screen = terminal.screen;
    EXPECT_EQ(screen[0], "Station: each unit is written as it arrives");
    EXPECT_THAT(screen[1], StartsWith("1-1.7  FAIL 020B0601"));
    EXPECT_THAT(screen[1], HasSubstr("1-1.21 FAIL 020B0601"));
    std::set<std::string> shown;
    for (const std::string& line : screen)
        for (size_t i = 0; i < kPorts; ++i) {
            const std::string cell = "1-1." + std::to_string(i + 1) + (i < 9 ? "  " : " ");
            if (line.find(cell) != std::string::npos) shown.insert(cell);
        }
    EXPECT_EQ(shown.size(), kPorts) << "every port keeps a place on the screen";
    EXPECT_TRUE(screen.back().empty()) << "the cursor's line stays free";
}

// Once the lines have gone, the station's last words name every unit that
// failed, with its code and what to do, and nothing about the ones that passed.
TEST(StationCommandEnd, ListsTheFailuresOfTheRun) {
    const auto run = test::RunArgs({"station", "--simulate", "--sim-clock", "--units", "2", "--fault",
                                    "2:unplug-at=600", "--sim-handling-ms", "0", "--stop-after", "2"});
    const auto lines = run.OutLines();
    const auto title = std::find(lines.begin(), lines.end(), "Failures this run:");
    ASSERT_NE(title, lines.end()) << run.out;
    ASSERT_EQ(lines.end() - title, 2) << run.out;
    EXPECT_THAT(title[1], StartsWith("  1-1.2  FAIL 0"));
    EXPECT_THAT(title[1], ::testing::MatchesRegex(".*FAIL [0-9A-F]{8}: .+"));
}

}  // namespace
}  // namespace zt::cli
