#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SimulatedStationDay.h"
#include "cli/Commands.h"

// `report` on a log of 100,000 jobs from 3 stations (about a month of one
// line): reading, the figures and the page, as the command runs them. It
// must stay well under 2 s, so that a week of a whole factory is summed up
// while one waits.
namespace zt::bench {
namespace {

std::string LargeLog() {
    tools::StationDayOptions options;
    options.jobs = 100000;
    const std::string path =
        (std::filesystem::temp_directory_path() / ("zt-report-bench-" + std::to_string(::getpid()) + ".log"))
            .string();
    std::ofstream out(path, std::ios::binary);
    for (const auto& job : tools::SimulateStationDay(options)) out << tools::FormatSimulatedJob(job);
    return path;
}

void RunReport(benchmark::State& state, bool json) {
    const std::string log = LargeLog();
    for (auto _ : state) {
        std::ostringstream out, err;
        cli::CommandContext ctx{out, err};
        std::vector<const char*> argv = {"zt51xx-mp", "report", log.c_str()};
        if (json) argv.push_back("--json");
        if (cli::RunCommandLine(int(argv.size()), argv.data(), ctx) != 0)
            state.SkipWithError(err.str().c_str());
        benchmark::DoNotOptimize(out.str().size());
    }
    state.counters["records"] = 100000;
    std::filesystem::remove(log);
}

void BM_StationReportPage100k(benchmark::State& state) { RunReport(state, false); }
void BM_StationReportJson100k(benchmark::State& state) { RunReport(state, true); }

BENCHMARK(BM_StationReportPage100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StationReportJson100k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace zt::bench
