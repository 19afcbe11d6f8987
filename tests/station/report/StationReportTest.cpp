#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "SimulatedStationDay.h"
#include "job/JobOutcome.h"
#include "station/report/JobRecordParser.h"
#include "support/CommandRun.h"
#include "support/HeadlessChromium.h"
#include "support/TempDir.h"

namespace zt::cli {
namespace {

namespace fs = std::filesystem;

using test::TempDir;
using test::WriteText;

// Lines a real log can hold besides records: a line torn by a full disk, a
// stray message, JSON that is no record.
const std::vector<std::string> kNotRecords = {
    R"({"schema":1,"record":"job","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:0)",
    "zt51xx-mp: the log was not written",
    R"({"schema":1,"record":"job","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:09.000Z"})",
    R"([1,2,3])",
};

// A day of three stations, split over two logs with the odd bad line in
// between, as a factory hands it in.
struct GeneratedLogs {
    std::vector<tools::SimulatedJob> jobs;
    std::vector<std::string> files;
    std::set<std::string> invalidAt;  // "file:line"
};

GeneratedLogs WriteLogs(const fs::path& dir, int count) {
    GeneratedLogs logs;
    tools::StationDayOptions options;
    options.jobs = count;
    logs.jobs = tools::SimulateStationDay(options);
    std::string text[2];
    size_t lines[2] = {0, 0};
    for (size_t i = 0; i < logs.jobs.size(); ++i) {
        const int file = logs.jobs[i].host == "line1-st1" ? 0 : 1;
        logs.files = {(dir / "st1.log").string(), (dir / "st2-3.log").string()};
        if (i % 400 == 17) {
            text[file] += kNotRecords[(i / 400) % kNotRecords.size()] + "\n";
            logs.invalidAt.insert(logs.files[file] + ":" + std::to_string(++lines[file]));
        }
        // The simulated units carry a USB serial of their own; a barcode
        // with the same text is what tells them apart in the report.
        std::string line = tools::FormatSimulatedJob(logs.jobs[i]);
        if (!logs.jobs[i].record.serial.empty())
            line.insert(1, "\"barcode\":\"" + logs.jobs[i].record.serial + "\",");
        text[file] += line;
        ++lines[file];
    }
    WriteText(logs.files[0], text[0]);
    WriteText(logs.files[1], text[1] + "\n");  // a blank line at the end is no record
    return logs;
}

TEST(StationReport, FiguresEqualACountOfTheGeneratedJobs) {
    TempDir dir;
    const GeneratedLogs logs = WriteLogs(dir.path, 2000);
    const test::CommandRun run = test::RunArgs({"report", "--json", logs.files[0], logs.files[1]});
    ASSERT_EQ(run.rc, 0) << run.err;
    const auto figures = nlohmann::json::parse(run.out);

    // Counted here from the generated jobs, without the report's code.
    struct Tally {
        int passed = 0, failed = 0, stopped = 0;
    };
    Tally all;
    std::map<std::string, Tally> stations, ports;
    std::map<std::string, int> codes;
    std::map<std::string, std::vector<const station::StationRecord*>> units;
    int withoutUnit = 0;
    for (const auto& job : logs.jobs) {
        const auto& r = job.record;
        for (Tally* t : {&all, &stations[job.host], &ports[job.host + " " + r.port]})
            (r.status == "OK" ? t->passed : r.status == "FAIL" ? t->failed : t->stopped)++;
        if (r.status == "FAIL") ++codes[FormatResultCode(*r.code)];
        if (r.status == "INTERRUPTED") continue;
        if (r.serial.empty())
            ++withoutUnit;
        else
            units[r.serial].push_back(&r);
    }
    EXPECT_EQ(figures["records"], 2000);
    EXPECT_EQ(figures["invalidLines"], logs.invalidAt.size());
    std::set<std::string> named;
    for (const auto& line : figures["invalid"])
        named.insert(line["file"].get<std::string>() + ":" + std::to_string(line["line"].get<int>()));
    EXPECT_EQ(named, logs.invalidAt);
    EXPECT_NE(run.err.find("not records and were left out"), std::string::npos);

    const auto& overall = figures["yield"]["overall"];
    EXPECT_EQ(overall["passed"], all.passed);
    EXPECT_EQ(overall["failed"], all.failed);
    EXPECT_EQ(overall["interrupted"], all.stopped);
    EXPECT_DOUBLE_EQ(overall["yield"].get<double>(), double(all.passed) / (all.passed + all.failed));
    ASSERT_EQ(figures["yield"]["stations"].size(), 3u);
    for (const auto& s : figures["yield"]["stations"]) {
        const Tally& t = stations.at(s["station"]);
        EXPECT_EQ(s["passed"], t.passed) << s;
        EXPECT_EQ(s["failed"], t.failed) << s;
    }
    ASSERT_EQ(figures["yield"]["ports"].size(), ports.size());
    for (const auto& p : figures["yield"]["ports"]) {
        const Tally& t = ports.at(p["station"].get<std::string>() + " " + p["port"].get<std::string>());
        EXPECT_EQ(p["passed"], t.passed) << p;
        EXPECT_EQ(p["failed"], t.failed) << p;
    }

    // The Pareto: every code with its count, the commonest first, the shares
    // adding up, and the catalogue's meaning beside each.
    const auto& pareto = figures["failureCodes"]["codes"];
    ASSERT_EQ(pareto.size(), codes.size());
    for (size_t i = 0; i < pareto.size(); ++i) {
        EXPECT_EQ(pareto[i]["count"], codes.at(pareto[i]["code"])) << pareto[i];
        EXPECT_TRUE(pareto[i]["known"].get<bool>());
        EXPECT_FALSE(pareto[i]["meaning"].get<std::string>().empty());
        if (i > 0) {
            EXPECT_GE(pareto[i - 1]["count"], pareto[i]["count"]);
        }
    }
    EXPECT_DOUBLE_EQ(pareto.back()["cumulativeShare"].get<double>(), 1.0);

    // Every passed unit is in exactly one slice of the throughput.
    int slicedPassed = 0;
    for (const auto& slice : figures["throughput"]["slices"]) slicedPassed += slice["passed"].get<int>();
    EXPECT_EQ(slicedPassed, all.passed);

    int binned = 0;
    for (const auto& bin : figures["durations"]["bins"])
        binned += bin["passed"].get<int>() + bin["failed"].get<int>();
    EXPECT_EQ(binned, all.passed + all.failed);

    int passedFirst = 0, passedEventually = 0, retried = 0;
    for (auto& [serial, jobs] : units) {
        const auto* first =
            *std::min_element(jobs.begin(), jobs.end(), [](auto* a, auto* b) { return a->start < b->start; });
        passedFirst += first->status == "OK";
        passedEventually += std::any_of(jobs.begin(), jobs.end(), [](auto* j) { return j->status == "OK"; });
        retried += jobs.size() > 1;
    }
    const auto& fpy = figures["firstPassYield"];
    EXPECT_EQ(fpy["units"], units.size());
    EXPECT_EQ(fpy["passedFirst"], passedFirst);
    EXPECT_EQ(fpy["passedEventually"], passedEventually);
    EXPECT_EQ(fpy["retried"], retried);
    EXPECT_GT(retried, 0);
    EXPECT_EQ(fpy["jobsWithoutUnit"], withoutUnit);
}

// Lines of newer tools: the station they name, another command's record,
// the barcode before the serial, and members nested in objects that must
// not be taken for the record's own.
TEST(StationReport, ReadsTheFieldsOfNewerRecords) {
    const std::string base =
        R"("record":"job","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:10.500Z","status":"OK")";
    struct Case {
        std::string members, station, kind, unit;
    } cases[] = {
        {R"("host":"pc7","serial":"S0","serialWritten":"S1")", "pc7", "write", "S1"},
        {R"("host":"pc7","stationId":"line2-st4","serialWritten":"S1","barcode":"B9")", "line2-st4", "write",
         "B9"},
        {R"("host":"pc7","kind":"verify")", "pc7", "verify", ""},
        {R"("host":"pc7","extra":{"host":"other","status":"FAIL","serial":"X"},"list":[{"kind":"erase"}])",
         "pc7", "write", ""},
    };
    for (const Case& c : cases) {
        station::LoggedJob job;
        std::string reason;
        ASSERT_TRUE(station::ParseJobRecord("{" + base + "," + c.members + "}", &job, &reason,
                                            std::chrono::system_clock::now()))
            << reason;
        EXPECT_EQ(job.station, c.station) << c.members;
        EXPECT_EQ(job.kind, c.kind) << c.members;
        EXPECT_EQ(job.Unit(), c.unit) << c.members;
        EXPECT_EQ(job.status, "OK") << c.members;
        EXPECT_EQ(job.durationMs, 10500) << c.members;
    }
}

// Records a broken station clock leaves, in a log whose file name is not
// UTF-8: every end hours before its start, a duration of centuries (a line
// that is left out). The report still comes out, as a page and as JSON.
TEST(StationReport, BrokenClocksAndNamesStillGiveAReport) {
    TempDir dir;
    const std::string log = (dir.path / "odd\xff.log").string();
    WriteText(
        log,
        R"({"record":"job","start":"2026-12-07T10:00:00.000Z","end":"2026-12-07T07:00:00.000Z","status":"OK"})"
        "\n"
        R"({"record":"job","start":"2026-12-07T10:00:00.000Z","end":"2026-12-07T06:00:00Z","status":"FAIL","code":"00030401","durationMs":9000000000000000000})"
        "\n");
    for (const bool json : {false, true}) {
        std::vector<std::string> args = {"report", log};
        if (json) args.push_back("--json");
        const test::CommandRun run = test::RunArgs(args);
        ASSERT_EQ(run.rc, 0) << run.err;
        if (!json) {
            EXPECT_NE(run.out.find("id=\"job-durations\""), std::string::npos);
            continue;
        }
        const auto figures = nlohmann::json::parse(run.out);
        EXPECT_EQ(figures["yield"]["overall"]["jobs"], 1);
        EXPECT_EQ(figures["invalidLines"], 1);
        EXPECT_EQ(figures["throughput"]["slices"].size(), 1u);
        EXPECT_LE(figures["durations"]["bins"].size(), 21u);
    }
}

TEST(StationReport, ALogThatCannotBeReadStopsWithExit4AndAFifoIsNotWaitedFor) {
    TempDir dir;
    const fs::path fifo = dir.path / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& log : {dir.path / "missing.log", fifo, dir.path}) {
        const test::CommandRun run = test::RunArgs({"report", log.string()});
        EXPECT_EQ(run.rc, 4) << log;
        EXPECT_NE(run.err.find(log.string()), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

// The page as a browser shows it: headless Chromium parses it and the DOM it
// builds holds every chart, with a bar per station and per failure code.
TEST(StationReport, ChromiumShowsTheCharts) {
    const auto chromium = test::FindChromium();
    if (!chromium)
        GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it); page not rendered";
    TempDir dir;
    const GeneratedLogs logs = WriteLogs(dir.path, 2000);
    const fs::path page = dir.path / "report.html";
    const test::CommandRun run = test::RunArgs({"report", "-o", page.string(), logs.files[0], logs.files[1]});
    ASSERT_EQ(run.rc, 0) << run.err;

    const std::string text = test::DumpDom(*chromium, page, dir.path);
    ASSERT_FALSE(text.empty()) << "chromium did not render " << page;
    auto barsIn = [&](const std::string& id) {
        const size_t open = text.find("<svg class=\"chart\" id=\"" + id + "\"");
        if (open == std::string::npos) return -1;
        const size_t close = text.find("</svg>", open);
        int bars = 0;
        for (size_t at = text.find("class=\"bar\"", open); at < close;
             at = text.find("class=\"bar\"", at + 1))
            ++bars;
        return bars;
    };
    const auto figures =
        nlohmann::json::parse(test::RunArgs({"report", "--json", logs.files[0], logs.files[1]}).out);
    // Each slice stacks its passed and its failed units.
    int busySlices = 0, stackedBars = 0;
    for (const auto& slice : figures["throughput"]["slices"]) {
        busySlices += slice["passed"].get<int>() + slice["failed"].get<int>() > 0;
        stackedBars += (slice["passed"].get<int>() > 0) + (slice["failed"].get<int>() > 0);
    }
    EXPECT_EQ(barsIn("units-per-hour"), stackedBars);
    EXPECT_GT(busySlices, 3);
    EXPECT_EQ(barsIn("yield-overall"), 1);
    EXPECT_EQ(barsIn("yield-stations"), 3);
    EXPECT_EQ(barsIn("yield-ports"), 12);
    EXPECT_EQ(barsIn("failure-pareto"), int(std::min<size_t>(figures["failureCodes"]["codes"].size(), 20)));
    EXPECT_GT(barsIn("job-durations"), 3);
    EXPECT_EQ(barsIn("first-pass-yield"), 2);
    EXPECT_NE(text.find("<polyline class=\"cumulative\""), std::string::npos);
    EXPECT_NE(text.find(*logs.invalidAt.begin() + "</code>"), std::string::npos);
    EXPECT_EQ(text.find("<script"), std::string::npos);
}

}  // namespace
}  // namespace zt::cli
