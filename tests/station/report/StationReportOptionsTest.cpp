#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/CommandRun.h"

// Which records the report sums up (--since, --until, --station, a log read
// from standard input) and in which zone it shows and reads times.
namespace zt::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string Job(const std::string& station, const std::string& start, const std::string& status = "OK") {
    return R"({"record":"job","host":")" + station + R"(","status":")" + status + R"(","start":")" + start +
           R"(","end":")" + start + "\"}\n";
}

// `report ARGS... -` with `log` on standard input.
test::CommandRun ReportOf(const std::string& log, std::vector<std::string> args) {
    std::istringstream in(log);
    args.insert(args.begin(), "report");
    args.push_back("-");
    return test::RunArgs(args, &in);
}

nlohmann::json Figures(const std::string& log, std::vector<std::string> args) {
    args.push_back("--json");
    const test::CommandRun run = ReportOf(log, args);
    EXPECT_EQ(run.rc, 0) << run.err;
    return nlohmann::json::parse(run.out);
}

std::vector<std::string> Stations(const nlohmann::json& figures) {
    std::vector<std::string> names;
    for (const auto& tally : figures["yield"]["stations"]) names.push_back(tally["station"]);
    return names;
}

TEST(StationReportOptions, SinceUntilAndStationKeepTheJobsAskedFor) {
    const std::string log = Job("st1", "2026-12-06T23:59:59.999Z") + Job("st1", "2026-12-07T00:00:00.000Z") +
                            Job("st10", "2026-12-07T12:00:00.000Z", "FAIL") +
                            Job("st2", "2026-12-07T23:59:59.500Z") + Job("st2", "2026-12-08T00:00:00.000Z");

    // A date given to both is that whole day, and nothing of its neighbours.
    const auto day = Figures(log, {"--since", "2026-12-07", "--until", "2026-12-07"});
    EXPECT_EQ(day["records"], 3);
    EXPECT_EQ(day["filteredOut"], 2);
    EXPECT_EQ(day["files"], nlohmann::json::array({"standard input"}));
    EXPECT_EQ(Stations(day), (std::vector<std::string>{"st1", "st2", "st10"}));

    const auto stations = Figures(log, {"--station", "st2", "--station", "st10"});
    EXPECT_EQ(Stations(stations), (std::vector<std::string>{"st2", "st10"}));
    EXPECT_EQ(stations["filteredOut"], 2);

    // Times with a zone, and a space for the T.
    const auto zoned =
        Figures(log, {"--since", "2026-12-07T00:30+01:00", "--until", "2026-12-07 00:00:00.001Z"});
    EXPECT_EQ(zoned["records"], 2);
    EXPECT_EQ(zoned["filters"]["since"], "2026-12-06T23:30:00.000Z");

    for (const char* bad : {"2026-12-7", "2026-02-30", "2026-12-07T24:00", "yesterday", "2026-12-07T08:00+1",
                            "2026-12-07T08", "2026-12-07T08:00:00.Z"}) {
        const test::CommandRun run = ReportOf(log, {"--since", bad});
        EXPECT_EQ(run.rc, kExitUsage) << bad;
        EXPECT_EQ(run.out, "") << bad;
        EXPECT_EQ(run.ErrLines().size(), 1u) << run.err;
        EXPECT_THAT(run.err, HasSubstr(std::string("--since '") + bad + "' is not a date or time"));
    }
    const test::CommandRun empty = ReportOf(log, {"--since", "2026-12-08", "--until", "2026-12-07"});
    EXPECT_EQ(empty.rc, kExitUsage);
    EXPECT_THAT(empty.err, HasSubstr("is not before --until"));
}

// TZ for the test's length: a zone given by its rule needs no zone files.
class LocalZone {
public:
    explicit LocalZone(const char* zone) {
        if (const char* was = ::getenv("TZ")) old_ = was;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~LocalZone() {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

TEST(StationReportOptions, LocalTimeShowsAndReadsTheComputersZone) {
    const LocalZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const std::string log = Job("st1", "2026-12-07T07:30:00.000Z") + Job("st1", "2026-12-07T08:00:00.000Z");

    // 09:00 in the computer's zone is 08:00 UTC.
    const test::CommandRun page = ReportOf(log, {"--local-time", "--since", "2026-12-07T09:00"});
    ASSERT_EQ(page.rc, 0) << page.err;
    EXPECT_THAT(page.out, HasSubstr("2026-12-07T09:00:00.000+01:00 to 2026-12-07T09:00:00.000+01:00"));
    EXPECT_THAT(page.out, HasSubstr("local time, CET = UTC+01:00"));
    EXPECT_THAT(page.out, HasSubstr(">12-07 09:00</text>"));
    EXPECT_THAT(page.out, Not(HasSubstr("(UTC")));

    EXPECT_EQ(Figures(log, {"--local-time", "--since", "2026-12-07T09:00"})["first"],
              "2026-12-07T08:00:00.000Z");
    EXPECT_EQ(Figures(log, {"--since", "2026-12-07T09:00"})["records"], 0);
}

// The page's counts agree with their nouns, its names come as people number
// them, and its units per hour are a station's: passed and failed alike.
TEST(StationReportPage, CountsNamesAndUnitsPerHour) {
    const auto job = [](const std::string& station, const std::string& port, const std::string& status) {
        return R"({"record":"job","host":")" + station + R"(","port":")" + port + R"(","status":")" + status +
               R"(","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:10.000Z"})" + "\n";
    };
    const std::string one =
        job("st1", "1-1.10", "OK") + job("st1", "1-1.2", "FAIL") + "torn\n" +
        R"({"record":"job","host":"st1","status":"FAIL","code":"00030401","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:10.000Z"})"
        "\n" +
        R"({"record":"job","kind":"erase","status":"OK","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:01.000Z"})" +
        "\n";
    const test::CommandRun single = ReportOf(one, {});
    ASSERT_EQ(single.rc, 0) << single.err;
    for (const char* text : {"1 line was skipped:", "1 failed job carries no code.", "(UTC), 1 station.",
                             "1 erase record (not in", "00030401: 1 failure</title>"})
        EXPECT_THAT(single.out + single.err, HasSubstr(text)) << text;
    EXPECT_THAT(single.err, HasSubstr("1 line is not a record and was left out: standard input:3"));
    const size_t ports = single.out.find("id=\"yield-ports\"");
    EXPECT_LT(single.out.find("1-1.2<", ports), single.out.find("1-1.10<", ports));

    const auto figures = Figures(one, {});
    const auto& slice = figures["throughput"]["slices"][0];
    EXPECT_DOUBLE_EQ(slice["unitsPerHour"].get<double>(), 3.0);
    EXPECT_DOUBLE_EQ(slice["passedPerHour"].get<double>(), 1.0);

    const test::CommandRun several = ReportOf(job("st1", "1", "OK") + job("st2", "1", "OK") + "a\nb\n", {});
    for (const char* text : {"2 lines were skipped:", "(UTC), 2 stations."})
        EXPECT_THAT(several.out, HasSubstr(text)) << text;
    EXPECT_THAT(several.err, HasSubstr("2 lines are not records and were left out, the first"));
}

}  // namespace
}  // namespace zt::cli
