#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/ImageIdentity.h"
#include "cli/StreamStationDisplay.h"
#include "host/HostSystem.h"
#include "job/JobResult.h"
#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"
#include "station/run/MultiUnitWrite.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/PreCheck.h"
#include "support/CommandRun.h"

// The factory's say before a unit is touched: a refused unit keeps its EEPROM
// as it was and carries the pre-check's code and line; the others are written,
// with the serial the pre-check handed them where it did.
namespace zt::cli {
namespace {

namespace fs = std::filesystem;
using namespace zt::station;
using ::testing::HasSubstr;

class PreCheckRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zt-precheck-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ::setenv("ZT_STATE_DIR", (dir_ / "state").c_str(), 1);
        sim::SimulationArguments arguments;
        arguments.units = kUnits;
        arguments.simulatedClock = true;
        sim::SimulatedMachine::Options options;
        std::string error;
        ASSERT_TRUE(sim::ParseSimulationArguments(arguments, &options, &error)) << error;
        machine_ = std::make_unique<sim::SimulatedMachine>(options);
        // Blank bodies, so that only a real write leaves the image there.
        for (int unit = 0; unit < kUnits; ++unit)
            machine_->Bus().SetEeprom(Chip(unit), 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));
    }
    void TearDown() override {
        ::unsetenv("ZT_STATE_DIR");
        fs::remove_all(dir_);
    }

    int Chip(int unit) const { return machine_->Chip() + unit; }
    static std::string Port(int unit) { return "1-1." + std::to_string(unit + 1); }

    // Every unit written at once, each asked first.
    std::vector<UnitResult> WriteAll(const std::string& command, std::chrono::milliseconds timeout) {
        std::vector<std::vector<uint8_t>> before;
        for (int unit = 0; unit < kUnits; ++unit) before.push_back(machine_->Bus().Eeprom(Chip(unit)));
        const PreCheck check(command, timeout);
        MultiUnitRequest request;
        for (int unit = 0; unit < kUnits; ++unit) request.ports.push_back(Port(unit));
        request.replugWait = DefaultReplugWait(kUnits);
        request.identity = {"line-3", "ann", "WO-77"};
        request.preCheck = &check;
        std::ostringstream out;
        std::mutex outMutex;
        std::istringstream none;
        OperatorInput input(&none);
        StreamStationDisplay display(true, out, outMutex, input, true, [] { return false; });
        RecordKeeper noLog(nullptr);
        auto results = WriteUnits(*machine_, request, display, noLog, [] { return false; });
        untouched_.clear();
        for (int unit = 0; unit < kUnits; ++unit)
            untouched_.push_back(machine_->Bus().Eeprom(Chip(unit)) == before[unit]);
        return results;
    }

    // The refused units are those the program refused, with `code`, each
    // untouched; the others are written.
    void ExpectRefused(const std::vector<UnitResult>& results, const std::vector<int>& refused,
                       const std::string& code) {
        ASSERT_EQ(results.size(), static_cast<size_t>(kUnits));
        for (int unit = 0; unit < kUnits; ++unit) {
            const UnitResult& result = results[unit];
            const bool no = std::find(refused.begin(), refused.end(), unit) != refused.end();
            SCOPED_TRACE(Port(unit));
            ASSERT_TRUE(result.record);
            if (no) {
                EXPECT_EQ(result.refusal, UnitRefusal::PreCheck);
                EXPECT_EQ(result.outcome.Code() ? FormatResultCode(*result.outcome.Code()) : "", code);
                EXPECT_TRUE(untouched_[unit]) << "a refused unit was written";
                EXPECT_FALSE(result.record->preCheck.empty());
                EXPECT_THAT(FormatStationRecord(*result.record), HasSubstr("\"preCheck\":"));
            } else {
                EXPECT_EQ(result.outcome.kind, ResultKind::Ok);
                EXPECT_FALSE(untouched_[unit]);
            }
        }
    }

    static constexpr int kUnits = 6;
    fs::path dir_;
    std::unique_ptr<sim::SimulatedMachine> machine_;
    std::vector<bool> untouched_;
};

TEST_F(PreCheckRun, EveryThirdUnitRefusedStaysUntouchedWithItsLineInTheRecord) {
    // The facts of each unit are kept to look at; units 3 and 6 are refused
    // with a line that a record has to escape.
    const std::string facts = (dir_ / "facts-").string();
    const std::string script =
        "f=$(cat); p=$(printf %s \"$f\" | sed 's/.*\"port\":\"\\([^\"]*\\)\".*/\\1/'); "
        "printf %s \"$f\" >'" +
        facts +
        "'\"$p\"; "
        "case $p in *.3|*.6) printf 'order WO-77 \\033[31mclosed\\n2nd line\\n'; exit 3;; "
        "esac; echo fine";
    const auto results = WriteAll(script, PreCheck::kDefaultTimeout);
    ExpectRefused(results, {2, 5}, "00011A01");
    const auto told = nlohmann::json::parse(std::ifstream(facts + "1-1.2"));
    EXPECT_EQ(told["stationId"], "line-3");
    EXPECT_EQ(told["operator"], "ann");
    EXPECT_EQ(told["workOrder"], "WO-77");
    EXPECT_EQ(told["vid"], "3C4D");
    EXPECT_EQ(told["serial"], "");
    const std::string record = FormatStationRecord(*results[2].record);
    EXPECT_EQ(record.find('\n'), record.size() - 1) << record;
    EXPECT_EQ(results[2].record->preCheck, "order WO-77 \\x1B[31mclosed");
    EXPECT_TRUE(results[0].record->preCheck.empty() || results[0].record->preCheck == "fine");
}

TEST_F(PreCheckRun, AProgramThatHangsCrashesOrCannotStartRefusesEveryUnit) {
    auto results = WriteAll("sleep 5", std::chrono::milliseconds(300));
    ExpectRefused(results, {0, 1, 2, 3, 4, 5}, "00011A02");
    EXPECT_THAT(results[0].record->preCheck, HasSubstr("no answer within 300 ms"));
    results = WriteAll("kill -SEGV $$", PreCheck::kDefaultTimeout);
    ExpectRefused(results, {0, 1, 2, 3, 4, 5}, "00011A02");
    results = WriteAll("/nonexistent/pre-check", PreCheck::kDefaultTimeout);
    ExpectRefused(results, {0, 1, 2, 3, 4, 5}, "00011A02");
    // The facts echoed back hand out no serial: "" keeps the image's own.
    results = WriteAll("cat", PreCheck::kDefaultTimeout);
    ExpectRefused(results, {}, "");
    // A yes that cannot be read is none.
    results = WriteAll("echo '{\"serial\":'", PreCheck::kDefaultTimeout);
    ExpectRefused(results, {0, 1, 2, 3, 4, 5}, "00011A02");
}

TEST_F(PreCheckRun, UnitsGetTheSerialsItHandsOutEachOnce) {
    std::string why;
    const size_t length = *ImageSerialLength(std::nullopt, &why);
    // MES-<port's last digit> padded to the image's length; unit 4 gets one
    // too short, unit 5 one with a space.
    const std::string pad(length - 5, '0');
    const std::string script =
        "p=$(sed 's/.*\"port\":\"1-1\\.\\([0-9]\\)\".*/\\1/'); "
        "case $p in 4) echo '{\"serial\":\"MES\"}';; 5) echo '{\"serial\":\"MES " +
        pad + "5\"}';; *) echo \"{\\\"serial\\\":\\\"MES-" + pad + "$p\\\"}\";; esac";
    auto results = WriteAll(script, PreCheck::kDefaultTimeout);
    ExpectRefused(results, {3, 4}, "00011A03");
    for (int unit : {0, 1, 2, 5}) {
        const std::string serial = "MES-" + pad + std::to_string(unit + 1);
        EXPECT_EQ(results[unit].record->serialWritten, serial);
        EXPECT_EQ(IdentityOf(machine_->Bus().Eeprom(Chip(unit))).serial, serial);
    }
    // The same serials again: each was handed out already, so no unit gets one.
    results = WriteAll(script, PreCheck::kDefaultTimeout);
    ExpectRefused(results, {0, 1, 2, 3, 4, 5}, "00011A03");
    EXPECT_THAT(results[0].refusalReason, HasSubstr("was handed out before"));
}

// A serial of our own counter that the pre-check replaced or whose unit it
// refused stays used, and the record names it.
TEST_F(PreCheckRun, ASerialOfOurOwnThatIsNotWrittenIsNamedInTheRecord) {
    const fs::path log = dir_ / "units.jsonl";
    std::string why;
    const std::string pad(*ImageSerialLength(std::nullopt, &why) - 4, '0');
    auto write = [&](const std::string& check) {
        return test::RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--serial",
                              "counter:ZT" + pad + "10", "--log", log.string(), "--pre-check", check});
    };
    EXPECT_EQ(write("echo '{\"serial\":\"MES" + pad + "9\"}'").rc, kExitOk);
    EXPECT_EQ(write("exit 1").rc, kExitJobFailed);
    EXPECT_EQ(write("cat").rc, kExitOk);  // the facts are no answer of a serial: ours is kept
    std::vector<nlohmann::json> records;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) records.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["serialWritten"], "MES" + pad + "9");
    EXPECT_EQ(records[0]["serialsSpent"], nlohmann::json::array({"ZT" + pad + "10"}));
    EXPECT_EQ(records[1]["code"], "00011A01");
    EXPECT_EQ(records[1]["serialsSpent"], nlohmann::json::array({"ZT" + pad + "11"}));
    EXPECT_EQ(records[2]["serialWritten"], "ZT" + pad + "12");
    EXPECT_FALSE(records[2].contains("serialsSpent"));
}

}  // namespace
}  // namespace zt::cli
