#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "sim/SimulatedMachine.h"
#include "station/config/ExitCodes.h"
#include "station/config/SimulationArguments.h"
#include "station/records/RecordKeeper.h"
#include "station/run/StationRun.h"

// Every front end runs a unit down the same road: its record is in the log
// before its result is shown, a log that stops taking records stops the
// station, and a unit turned away still leaves a code and a record.
namespace zt::cli {
namespace {

namespace fs = std::filesystem;
using station::kExitIoError;
using station::kExitJobFailed;
using station::kExitOk;

std::vector<nlohmann::json> LogLines(const fs::path& log) {
    std::vector<nlohmann::json> lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);)
        if (nlohmann::json::accept(line)) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

// The tool's stdout as the operator's screen: whenever a result event is
// shown, it looks into the log for that unit's record at that moment.
class ResultWitness : public std::stringbuf {
public:
    explicit ResultWitness(fs::path log) : log_(std::move(log)) {}

    struct Seen {
        nlohmann::json result;
        int recordsOfPortBefore = 0;  // the unit's records already in the log
    };
    std::vector<Seen> seen;
    std::string text;

protected:
    int sync() override {
        Scan();
        return 0;
    }
    int_type overflow(int_type c) override {
        const int_type r = std::stringbuf::overflow(c);
        if (c == '\n') Scan();
        return r;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::streamsize r = std::stringbuf::xsputn(s, n);
        if (std::string_view(s, static_cast<size_t>(n)).find('\n') != std::string_view::npos) Scan();
        return r;
    }

private:
    void Scan() {
        const std::string all = str();
        size_t end;
        while ((end = all.find('\n', done_)) != std::string::npos) {
            const std::string line = all.substr(done_, end - done_);
            done_ = end + 1;
            text += line + "\n";
            if (!nlohmann::json::accept(line)) continue;
            const auto event = nlohmann::json::parse(line);
            if (event.value("event", "") != "result") continue;
            int records = 0;
            for (const auto& record : LogLines(log_))
                if (record["port"] == event.value("port", "")) ++records;
            seen.push_back({event, records});
        }
    }
    fs::path log_;
    size_t done_ = 0;
};

struct ToolRun {
    int rc = -1;
    std::string err;
};

ToolRun RunWithWitness(std::vector<std::string> args, ResultWitness& witness) {
    std::ostream out(&witness);
    std::ostringstream err;
    std::istringstream noInput;
    CommandContext ctx{out, err};
    ctx.in = &noInput;
    args.insert(args.begin(), "zt51xx-mp");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    ToolRun run;
    run.rc = RunCommandLine(static_cast<int>(argv.size()), argv.data(), ctx);
    out.flush();
    run.err = err.str();
    return run;
}

class UnitRoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zt-road-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        log_ = dir_ / "units.jsonl";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A result shown before its record: the unit's records in the log at that
    // moment do not yet count it.
    static void ExpectEachRecordBeforeItsResult(const ResultWitness& witness, size_t results) {
        ASSERT_EQ(witness.seen.size(), results) << witness.text;
        std::map<std::string, int> shown;
        for (const auto& seen : witness.seen) {
            const std::string port = seen.result.value("port", "");
            EXPECT_GT(seen.recordsOfPortBefore, shown[port]) << "result before record: " << seen.result;
            ++shown[port];
        }
    }

    fs::path dir_, log_;
};

TEST_F(UnitRoad, EveryFrontEndKeepsTheRecordBeforeShowingTheResult) {
    const std::vector<std::string> common = {"--simulate", "--sim-clock", "--yes", "--json", "--log"};
    {
        ResultWitness witness(log_);
        std::vector<std::string> args = {"write"};
        args.insert(args.end(), common.begin(), common.end());
        args.push_back(log_.string());
        EXPECT_EQ(RunWithWitness(args, witness).rc, kExitOk);
        ExpectEachRecordBeforeItsResult(witness, 1);
    }
    fs::remove(log_);
    {
        ResultWitness witness(log_);
        std::vector<std::string> args = {"write", "--all", "--units", "3", "--fault", "2:unplug-at=600"};
        args.insert(args.end(), common.begin(), common.end());
        args.push_back(log_.string());
        EXPECT_EQ(RunWithWitness(args, witness).rc, kExitJobFailed);
        ExpectEachRecordBeforeItsResult(witness, 3);
    }
    fs::remove(log_);
    {
        ResultWitness witness(log_);
        EXPECT_EQ(RunWithWitness({"station", "--simulate", "--sim-clock", "--units", "3", "--sim-fresh", "3",
                                  "--json", "--stop-after", "6", "--log", log_.string()},
                                 witness)
                      .rc,
                  kExitOk);
        ASSERT_GE(witness.seen.size(), 6u) << witness.text;
        ExpectEachRecordBeforeItsResult(witness, witness.seen.size());
    }
}

// The log's file may grow by a few records: then the disk is full.
TEST_F(UnitRoad, ALogThatFillsUpStopsTheStationTakingUnits) {
    {
        ResultWitness first(log_);
        ASSERT_EQ(
            RunWithWitness({"write", "--simulate", "--sim-clock", "--yes", "--json", "--log", log_.string()},
                           first)
                .rc,
            kExitOk);
    }
    const auto recordSize = fs::file_size(log_);
    fs::remove(log_);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit before = limit;
    limit.rlim_cur = static_cast<rlim_t>(recordSize * 7 / 2);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);

    ResultWitness witness(log_);
    const ToolRun run =
        RunWithWitness({"station", "--simulate", "--sim-clock", "--units", "2", "--sim-fresh=-1", "--json",
                        "--stop-after", "40", "--log", log_.string()},
                       witness);
    setrlimit(RLIMIT_FSIZE, &before);

    EXPECT_EQ(run.rc, kExitIoError) << run.err;
    EXPECT_NE(run.err.find("was not written"), std::string::npos) << run.err;
    EXPECT_NE(witness.text.find("the station takes no more units"), std::string::npos) << witness.text;
    // It stopped by itself, long before 40 units: only the units under way
    // when the log filled up (one per port) showed a result without a record.
    const auto records = LogLines(log_);
    EXPECT_GE(records.size(), 1u);
    ASSERT_LT(witness.seen.size(), 40u);
    EXPECT_LE(witness.seen.size(), records.size() + 2) << witness.text;
}

// An image file of variant A; unit 2 carries a B chip.
TEST_F(UnitRoad, AUnitTheImageDoesNotFitFailsWithACodeAndARecord) {
    const fs::path image = dir_ / "a.bin";
    {
        std::ostringstream out, err;
        CommandContext ctx{out, err};
        const char* argv[] = {"zt51xx-mp", "image", "export", "A", image.c_str()};
        ASSERT_EQ(RunCommandLine(5, argv, ctx), kExitOk) << err.str();
    }
    const std::string misfit = "00011901";
    for (const std::string command : {"write", "station"}) {
        fs::remove(log_);
        ResultWitness witness(log_);
        std::vector<std::string> args = {command,     "--simulate", "--sim-clock", "--units",      "2",
                                         "--variant", "2:B",        "--image",     image.string(), "--json",
                                         "--log",     log_.string()};
        if (command == "write") {
            args.push_back("--all");
            args.push_back("--yes");
        } else {
            args.push_back("--stop-after");
            args.push_back("2");
        }
        EXPECT_EQ(RunWithWitness(args, witness).rc, kExitJobFailed) << command;
        ASSERT_EQ(witness.seen.size(), 2u) << witness.text;
        for (const auto& seen : witness.seen) {
            const bool b = seen.result["port"] == "1-1.2";
            EXPECT_EQ(seen.result["status"], b ? "FAIL" : "OK") << command << seen.result;
            if (b) {
                EXPECT_EQ(seen.result["code"], misfit) << command;
            }
        }
        const auto records = LogLines(log_);
        ASSERT_EQ(records.size(), 2u) << command;
        for (const auto& record : records)
            EXPECT_EQ(record["code"], record["port"] == "1-1.2" ? nlohmann::json(misfit) : nlohmann::json())
                << command;
    }
    // One unit: the result line and the record, no silent stop.
    fs::remove(log_);
    std::ostringstream out, err;
    CommandContext ctx{out, err};
    const std::string path = image.string(), logPath = log_.string();
    const char* argv[] = {"zt51xx-mp", "write",      "--simulate", "--sim-clock", "--variant",    "B",
                          "--image",   path.c_str(), "--yes",      "--log",       logPath.c_str()};
    EXPECT_EQ(RunCommandLine(11, argv, ctx), kExitJobFailed);
    EXPECT_NE(out.str().find("result: FAIL " + misfit), std::string::npos) << out.str();
    const auto records = LogLines(log_);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["code"], misfit);
}

// A unit that bounces out while it settles is not written: its port waits for
// it to come back and stay. The machine's clock pulls the unit during the
// settle; the port's second "ready" puts it back.
class BouncingUnit final : public DeviceBackend,
                           public Clock,
                           public station::StationDisplay,
                           public station::ConsoleView {
public:
    static constexpr uint32_t kSettleMs = 777;
    explicit BouncingUnit(sim::SimulatedMachine& machine) : machine_(machine) {}

    Platform AsPlatform() override {
        const Platform p = machine_.AsPlatform();
        return Platform{*this, p.hid, p.audio, p.notices, p.usb};
    }
    UnitLocks& Locks() override { return machine_.Locks(); }
    OperatorHands* Hands() override { return machine_.Hands(); }
    std::string Describe() const override { return "a bouncing unit"; }

    void SleepMs(uint32_t ms) override {
        if (ms == kSettleMs && !bounced_.exchange(true)) machine_.Bus().Unplug(machine_.Chip());
        machine_.AsPlatform().clock.SleepMs(ms);
    }
    uint64_t NowUs() const override { return machine_.AsPlatform().clock.NowUs(); }

    ConsoleView& ViewOf(size_t, const std::string&) override { return *this; }
    void ReplugPrompt(const std::string&) override {}

    void Info(const std::string&) override {}
    void State(const station::PortStatus& status) override {
        if (status.phase == station::PortPhase::Ready && ++ready_ == 2) machine_.Bus().Plug(machine_.Chip());
    }
    void Progress(int) override {}
    void Marker(const std::string&) override {}
    void Message(const std::string&, const std::string&) override {}
    void Prompt(const std::string&, bool) override {}
    void Version(const std::string&, const std::optional<std::string>&) override {}
    void Device(const station::PresentDevice&) override {}
    void Result(const JobOutcome&) override {}

private:
    sim::SimulatedMachine& machine_;
    std::atomic<bool> bounced_{false};
    int ready_ = 0;  // the port's own thread alone
};

TEST(StationSettle, AUnitThatBouncesOutWhileItSettlesIsNotWrittenUntilItStays) {
    sim::SimulationArguments arguments;
    arguments.simulatedClock = true;
    sim::SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
    sim::SimulatedMachine machine(options);
    BouncingUnit unit(machine);
    station::StationRequest request;
    request.settle = std::chrono::milliseconds(BouncingUnit::kSettleMs);
    request.confirm = false;
    station::RecordKeeper noLog(nullptr);
    std::vector<JobOutcome> results;
    std::mutex mutex;
    station::StationRun station(unit, request, unit, noLog,
                                [&](const station::UnitResult& result, const station::StationCounters&) {
                                    std::lock_guard lock(mutex);
                                    results.push_back(result.outcome);
                                });
    station.Run(
        [&] {
            std::lock_guard lock(mutex);
            return !results.empty();
        },
        [] { return false; });
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind, ResultKind::Ok)
        << (results[0].Code() ? FormatResultCode(*results[0].Code()) : "");
}

}  // namespace
}  // namespace zt::cli
