#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/ImageIdentity.h"
#include "cli/Commands.h"
#include "cli/InterruptSignal.h"
#include "job/JobResult.h"
#include "station/records/StationLog.h"
#include "station/serials/BarcodeQueue.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/UnitConfirmation.h"
#include "support/CommandRun.h"

namespace zt::cli {
namespace {

using test::RunArgs;
using ::testing::HasSubstr;

// j[key] of a const object that lacks the key is undefined (an assertion):
// this fails the test with the key's name instead.
const nlohmann::json& At(const nlohmann::json& object, const std::string& key) {
    static const nlohmann::json missing;
    if (object.is_object() && object.contains(key)) return object.at(key);
    ADD_FAILURE() << "no \"" << key << "\" in " << object.dump();
    return missing;
}

std::vector<nlohmann::json> Events(const std::string& out, const std::string& kind) {
    std::vector<nlohmann::json> events;
    for (const auto& line : test::CommandRun::Split(out)) {
        const auto event = nlohmann::json::parse(line);
        if (At(event, "event") == kind) events.push_back(event);
    }
    return events;
}

std::vector<nlohmann::json> LogLines(const std::filesystem::path& log) {
    std::vector<nlohmann::json> lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

class StationCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zt-station-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        // The serial ledger of this test alone.
        ::setenv("ZT_STATE_DIR", (dir_ / "state").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("ZT_STATE_DIR");
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
};

// Eight ports, units arriving one after another; one is pulled mid-job and
// one comes back from its last re-plug as another device. Every unit gets
// one record and its own serial, confirmed where it came back right.
TEST_F(StationCommand, EachUnitOnceWithItsOwnSerialAndItsConfirmation) {
    const auto log = dir_ / "station.jsonl";
    const auto run = RunArgs({"station",
                              "--simulate",
                              "--sim-clock",
                              "--units",
                              "8",
                              "--sim-stagger-ms",
                              "300",
                              "--fault",
                              "3:unplug-at=600",
                              "--fault",
                              "5:other-ids-after-write",
                              "--json",
                              "--stop-after",
                              "8",
                              "--log",
                              log.string(),
                              "--serial",
                              "counter:ZT0000000100",
                              "--station-id",
                              "line-4"});
    EXPECT_EQ(run.rc, kExitJobFailed) << run.err;
    const auto results = Events(run.out, "result");
    ASSERT_EQ(results.size(), 8u) << run.out;
    std::set<std::string> ports, serials;
    for (const auto& result : results) {
        const std::string port = result["port"];
        EXPECT_TRUE(ports.insert(port).second) << "written twice: " << port;
        if (port == "1-1.3") {
            EXPECT_EQ(result["status"], "FAIL");
            EXPECT_FALSE(result.contains("confirmed"));
        } else if (port == "1-1.5") {
            EXPECT_EQ(result["code"], "041A1202") << result;
            EXPECT_EQ(result["confirmed"], false);
            EXPECT_EQ(result["cameBack"]["pid"], "7352");
        } else {
            EXPECT_EQ(result["status"], "OK") << result;
            EXPECT_EQ(result["confirmed"], true) << result;
            EXPECT_EQ(result["cameBack"]["serial"], result["serialWritten"]);
        }
        if (result.contains("serialWritten")) {
            EXPECT_TRUE(serials.insert(result["serialWritten"]).second);
        }
    }
    EXPECT_EQ(serials.size(), 8u);  // the pulled unit's too: its job had begun writing it
    const auto counters = Events(run.out, "counters");
    ASSERT_FALSE(counters.empty());
    EXPECT_EQ(counters.back()["passed"], 6);
    EXPECT_EQ(counters.back()["failed"], 2);

    const auto records = LogLines(log);
    ASSERT_EQ(records.size(), 8u);
    for (const auto& record : records) {
        EXPECT_EQ(record["stationId"], "line-4");
        if (record["status"] == "OK") {
            EXPECT_EQ(record["serial"], record["serialWritten"]);  // as the unit reported it
            EXPECT_EQ(record["pidAfter"], "7351");
        }
    }
}

// A file of serials is used once across restarts; a serial that cannot go
// into the image stops the command before any unit is touched.
TEST_F(StationCommand, SerialFileNeverRepeatsAndBadSerialsStopFirst) {
    const auto serialFile = dir_ / "serials.txt";
    std::ofstream(serialFile) << "SN0000000001\nSN0000000002\nSN0000000003\nSN0000000004\n";
    const auto log = dir_ / "station.jsonl";
    std::vector<std::string> args = {"station", "--simulate", "--sim-clock",  "--units",
                                     "2",       "--json",     "--stop-after", "2",
                                     "--log",   log.string(), "--serial",     "file:" + serialFile.string()};
    ASSERT_EQ(RunArgs(args).rc, kExitOk);
    // The next day's run, with a log of its own, goes on where the first stopped.
    const auto day2 = dir_ / "day2.jsonl";
    std::vector<std::string> day2Args = args;
    day2Args[9] = day2.string();
    ASSERT_EQ(RunArgs(day2Args).rc, kExitOk);
    std::multiset<std::string> written;
    for (const auto& record : LogLines(log)) written.insert(record["serial"].get<std::string>());
    for (const auto& record : LogLines(day2)) written.insert(record["serial"].get<std::string>());
    EXPECT_EQ(written,
              (std::multiset<std::string>{"SN0000000001", "SN0000000002", "SN0000000003", "SN0000000004"}));
    const auto exhausted = RunArgs(args);
    EXPECT_EQ(exhausted.rc, kExitJobFailed);
    EXPECT_THAT(exhausted.out, HasSubstr("every serial of"));

    for (const char* bad :
         {"counter:0000000000001", "counter:ABC", "counter:12:0", "file:/nonexistent", ""}) {
        const auto refused = RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--serial", bad});
        EXPECT_EQ(refused.rc, kExitUsage) << bad;
        EXPECT_THAT(refused.out, ::testing::Not(HasSubstr("result"))) << bad;  // no job began
    }
}

// write --confirm: the unit is re-plugged once more and its record says what came back.
TEST_F(StationCommand, WriteConfirmChecksWhatCameBack) {
    const auto ok = RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--json", "--confirm"});
    ASSERT_EQ(ok.rc, kExitOk) << ok.err;
    const auto result = Events(ok.out, "result").back();
    EXPECT_EQ(At(result, "confirmed"), true);
    EXPECT_EQ(At(At(result, "cameBack"), "pid"), "7351");
    EXPECT_EQ(At(At(result, "cameBack"), "serial"), "000000000001");  // the built-in image's own

    const auto other = RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--json", "--confirm",
                                "--fault", "other-ids-after-write"});
    EXPECT_EQ(other.rc, kExitJobFailed);
    EXPECT_EQ(Events(other.out, "result").back()["code"], "041A1202");
}

// The file is checked whole before any unit: a serial in it twice, or a line
// put in above the serials already handed out, stops the command (exit 2).
TEST_F(StationCommand, SerialFileThatRepeatsOrShiftsStopsBeforeAnyUnit) {
    const auto serialFile = dir_ / "serials.txt";
    const std::vector<std::string> args = {
        "station", "--simulate",   "--sim-clock", "--units",  "1",
        "--json",  "--stop-after", "1",           "--serial", "file:" + serialFile.string()};
    std::ofstream(serialFile) << "SN0000000001\nSN0000000002\nSN0000000003\nSN0000000002\n";
    const auto repeated = RunArgs(args);
    EXPECT_EQ(repeated.rc, kExitUsage);
    EXPECT_THAT(repeated.err, HasSubstr("lines 2 and 4 both hold \"SN0000000002\""));
    EXPECT_TRUE(Events(repeated.out, "result").empty());

    std::ofstream(serialFile) << "SN0000000001\nSN0000000002\nSN0000000003\n";
    ASSERT_EQ(RunArgs(args).rc, kExitOk);
    std::ofstream(serialFile) << "SN0000000009\nSN0000000001\nSN0000000002\nSN0000000003\n";
    const auto shifted = RunArgs(args);
    EXPECT_EQ(shifted.rc, kExitUsage);
    EXPECT_THAT(shifted.err, HasSubstr("changed before the place"));
    EXPECT_TRUE(Events(shifted.out, "result").empty());
}

// write --serial counter: goes on from the highest serial that counter ever
// handed out, so runs one after another never write one serial twice.
TEST_F(StationCommand, CounterRunsNeverWriteOneSerialTwice) {
    std::vector<std::string> written;
    for (int run = 0; run < 2; ++run) {
        const auto result =
            RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--json", "--serial", "counter:5000"});
        ASSERT_EQ(result.rc, kExitOk) << result.err;
        written.push_back(Events(result.out, "result").back()["serialWritten"]);
    }
    EXPECT_EQ(written, (std::vector<std::string>{"000000005000", "000000005001"}));
    const auto noWait = RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--replug-wait", "0"});
    EXPECT_EQ(noWait.rc, kExitUsage);
    EXPECT_THAT(noWait.out, ::testing::Not(HasSubstr("result")));
}

// A unit taken out and the next put in before its port's thread looks again
// still starts that next unit: the port counts removals. Each run ends by
// itself; one that stalls is stopped by the watchdog and fails.
TEST_F(StationCommand, QuickSwapsNeverStallAPort) {
    for (int run = 0; run < 20; ++run) {
        std::mutex mutex;
        std::condition_variable ended;
        bool finished = false;
        std::thread watchdog([&] {
            std::unique_lock lock(mutex);
            if (!ended.wait_for(lock, std::chrono::seconds(60), [&] { return finished; }))
                InterruptSignal::Request();
        });
        const auto result = RunArgs({"station", "--simulate", "--sim-clock", "--units", "1", "--sim-fresh",
                                     "2", "--sim-handling-ms", "0", "--json", "--stop-after", "3"});
        {
            std::lock_guard lock(mutex);
            finished = true;
        }
        ended.notify_all();
        watchdog.join();
        InterruptSignal::Clear();
        ASSERT_EQ(result.rc, kExitOk) << "run " << run << " stalled\n" << result.out;
        ASSERT_EQ(Events(result.out, "result").size(), 3u) << result.out;
    }
}

// A line too long to be a code is refused whole, as is one with control
// characters or broken UTF-8; the codes after them still go to the units in
// the order they were scanned.
TEST(BarcodeQueue, RefusedLinesShiftNoLaterCode) {
    std::istringstream scanned("CODE-1\n" + std::string(1500, 'x') +
                               "\nCODE-2\n\x1b[31mRED\x07\nbad\xff\xfe\n" + std::string(1023, 'y') +
                               "\n\nCODE-3\n");
    station::OperatorInput input(&scanned);
    std::mutex mutex;
    std::vector<std::string> refused;
    station::BarcodeQueue queue(input, [&](const std::string& line) {
        std::lock_guard lock(mutex);
        refused.push_back(line);
    });
    std::vector<std::string> codes;
    while (codes.size() < 4) {
        std::string code = queue.Next();
        if (code.empty())
            std::this_thread::yield();
        else
            codes.push_back(std::move(code));
    }
    EXPECT_EQ(codes, (std::vector<std::string>{"CODE-1", "CODE-2", std::string(1023, 'y'), "CODE-3"}));
    std::lock_guard lock(mutex);
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_THAT(refused[0], HasSubstr("more than 1023 bytes was refused whole"));
    EXPECT_THAT(refused[1], HasSubstr("control characters"));
}

// Behind a USB 1.1 hub the chip presents its image's full-speed descriptor
// (3C4D:7350 for the built-in images): that is the unit its image makes, as
// long as it is the full-speed identity on the full-speed link.
TEST_F(StationCommand, AUnitOnAFullSpeedLinkIsConfirmedByTheImagesFullSpeedIdentity) {
    const auto fullSpeed = IdentityOf(kImageA).AtFullSpeed();
    ASSERT_TRUE(fullSpeed);
    ASSERT_EQ(fullSpeed->productId, 0x7350);

    const auto ok =
        RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--json", "--confirm", "--link", "full"});
    ASSERT_EQ(ok.rc, kExitOk) << ok.err << ok.out;
    const auto result = Events(ok.out, "result").back();
    EXPECT_EQ(At(result, "confirmed"), true);
    EXPECT_EQ(At(result, "cameBack"), nlohmann::json::parse(R"({"vid":"3C4D","pid":"7350","bcdDevice":"0101",
        "serial":")" + fullSpeed->serial + R"(","link":"full","identity":"full-speed"})"));

    // Come back as 7351 on the full-speed link: the high-speed IDs are not
    // what the image makes of a unit there.
    const auto other = RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--json", "--confirm",
                                "--link", "full", "--fault", "other-ids-after-write"});
    EXPECT_EQ(other.rc, kExitJobFailed);
    const auto failed = Events(other.out, "result").back();
    EXPECT_EQ(At(failed, "code"), "041A1202");
    EXPECT_EQ(At(At(failed, "cameBack"), "pid"), "7351");
    EXPECT_FALSE(At(failed, "cameBack").contains("identity"));

    // A station with one unit on each kind of link confirms both.
    const auto log = dir_ / "station.jsonl";
    const auto station = RunArgs({"station", "--simulate", "--sim-clock", "--units", "2", "--link", "2:full",
                                  "--json", "--stop-after", "2", "--log", log.string()});
    EXPECT_EQ(station.rc, kExitOk) << station.err;
    std::map<std::string, std::string> identities;
    for (const auto& record : LogLines(log)) {
        EXPECT_EQ(At(record, "confirmed"), true) << record;
        const auto& cameBack = At(record, "cameBack");
        identities[At(record, "port")] = At(cameBack, "identity").dump() + " " + At(cameBack, "link").dump() +
                                         " " + At(record, "pidAfter").dump();
    }
    EXPECT_EQ(identities, (std::map<std::string, std::string>{{"1-1.1", R"("high-speed" "high" "7351")"},
                                                              {"1-1.2", R"("full-speed" "full" "7350")"}}));
}

// Where the system does not tell the link (Windows without the hub's _EX
// record), either identity of the image confirms the unit; another product
// ID, another release or another serial never does.
TEST(UnitConfirmation, EachIdentityCountsOnItsOwnLinkAndEitherWhereTheLinkIsUnknown) {
    const ImageIdentity expected = IdentityOf(kImageA);
    const ImageIdentity high = expected.AtHighSpeed(), full = *expected.AtFullSpeed();
    ImageIdentity otherSerial = full, otherRelease = high, otherProduct = full;
    otherSerial.serial = "000000000002";
    otherRelease.bcdDevice = 0x0102;
    otherProduct.productId = 0x7352;
    const struct {
        ImageIdentity cameBack;
        UsbLink link;
        std::string identity;
    } cases[] = {
        {high, UsbLink::High, "high-speed"},
        {full, UsbLink::Full, "full-speed"},
        {high, UsbLink::Unknown, "high-speed"},
        {full, UsbLink::Unknown, "full-speed"},
        {high, UsbLink::Full, ""},
        {full, UsbLink::High, ""},
        {otherSerial, UsbLink::Unknown, ""},
        {otherRelease, UsbLink::Unknown, ""},
        {otherProduct, UsbLink::Full, ""},
    };
    for (const auto& c : cases) {
        const station::Confirmation confirmation{c.cameBack, c.link};
        EXPECT_EQ(confirmation.MatchedIdentity(expected), c.identity)
            << std::hex << c.cameBack.productId << " " << UsbLinkName(c.link);
    }
}

TEST_F(StationCommand, CounterKeepsItsPrefixAndStopsWhenItsDigitsRunOut) {
    std::string error;
    int exitCode = 0;
    auto serials =
        station::SerialNumbers::Parse("counter:AB98:1", 4, (dir_ / "ledger").string(), &error, &exitCode);
    ASSERT_TRUE(serials) << error;
    EXPECT_EQ(serials->Next({}, &error), "AB98");
    EXPECT_EQ(serials->Next({}, &error), "AB99");
    EXPECT_EQ(serials->Next({}, &error), std::nullopt);  // never AB100 nor AB00
    EXPECT_THAT(error, HasSubstr("outgrown"));
}

// A counter steps by its STEP from an all-digit START padded with zeros to
// the serial's length; a serial whose ledger entry cannot be written is never
// handed out (here the file may grow no further: the write fails).
TEST_F(StationCommand, ACounterStepsFromItsPaddedStartAndOnlyHandsOutWhatTheLedgerHolds) {
    std::string error;
    int exitCode = 0;
    const std::string ledger = (dir_ / "ledger").string();
    auto serials = station::SerialNumbers::Parse("counter:100:5", 12, ledger, &error, &exitCode);
    ASSERT_TRUE(serials) << error;
    EXPECT_EQ(serials->Next({}, &error), "000000000100");
    EXPECT_EQ(serials->Next({}, &error), "000000000105");

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const auto size = static_cast<rlim_t>(std::filesystem::file_size(dir_ / "ledger" / "serials.jsonl"));
        const rlimit limit{size, size};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
        std::string why;
        const auto serial = serials->Next({}, &why);
        ::_exit(!serial && why.find("cannot enter 000000000110") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a serial went out without its entry";
    EXPECT_EQ(serials->Next({}, &error), "000000000110");
}

// A unit that did not come back is "not confirmed", its job's own result
// kept; one that came back with another serial or release failed with
// 041A1202, though its IDs are right.
TEST(UnitConfirmation, OnlyWhatCameBackWhollyConfirmsAndNothingBackIsNotAFailure) {
    const ImageIdentity expected = IdentityOf(kImageA);
    station::StationRecord record;
    JobOutcome outcome = JobOutcome::Ok();
    station::ApplyConfirmation(expected, {}, outcome, record);
    EXPECT_EQ(outcome.kind, ResultKind::Ok);
    EXPECT_EQ(record.confirmed, false);
    EXPECT_EQ(record.code, std::nullopt);
    EXPECT_EQ(station::DescribeConfirmation(expected, {}), "not confirmed: the unit did not come back");

    ImageIdentity otherSerial = expected.AtHighSpeed(), otherRelease = expected.AtHighSpeed();
    otherSerial.serial = "000000000002";
    otherRelease.bcdDevice = 0x0102;
    for (const ImageIdentity& cameBack : {otherSerial, otherRelease}) {
        outcome = JobOutcome::Ok();
        station::ApplyConfirmation(expected, {cameBack, UsbLink::High}, outcome, record);
        EXPECT_EQ(outcome.kind, ResultKind::Failed);
        EXPECT_EQ(record.confirmed, false);
        EXPECT_EQ(record.code, 0x041A1202u);
        EXPECT_THAT(station::DescribeConfirmation(expected, {cameBack, UsbLink::High}),
                    HasSubstr("came back as 3C4D:7351"));
    }
}

}  // namespace
}  // namespace zt::cli
