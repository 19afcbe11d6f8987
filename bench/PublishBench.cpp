#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "QuietChild.h"
#include "support/MosquittoBroker.h"

// Records to a broker on this machine: how many records a second `publish`
// ships from a log of 100,000 (each acknowledged by the broker, the position
// saved), and what publishing costs a station of 32 simulated units on the
// real clock, as the CPU of the same run with and without --mqtt.
namespace zt::bench {
namespace {

struct Folder {
    std::filesystem::path path;
    Folder() {
        char name[] = "/tmp/zt-publish-bench-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~Folder() { std::filesystem::remove_all(path); }
};

// A broker in `dir` for one benchmark; none, with the benchmark skipped and
// the reason given, when there is no mosquitto or it does not start.
std::unique_ptr<test::MosquittoBroker> StartBroker(benchmark::State& state, const Folder& dir) {
    if (!test::MosquittoBroker::Available()) {
        state.SkipWithError("no mosquitto");
        return nullptr;
    }
    auto broker = std::make_unique<test::MosquittoBroker>(dir.path);
    if (!broker->Start()) {
        state.SkipWithError("the broker did not start");
        return nullptr;
    }
    return broker;
}

// A record as a station writes it; each line differs in its start.
std::string RecordLine(int n) {
    char start[32];
    std::snprintf(start, sizeof start, "2026-12-09T%02d:%02d:%02d.%03dZ", n / 3600000 % 24, n / 60000 % 60,
                  n / 1000 % 60, n % 1000);
    return std::string("{\"schema\":1,\"record\":\"job\",\"start\":\"") + start + "\",\"end\":\"" + start +
           "\",\"durationMs\":11234,\"host\":\"bench\",\"tool\":\"2.3.0\",\"port\":\"1-1." +
           std::to_string(n % 32 + 1) +
           "\",\"vidBefore\":\"3C4D\",\"pidBefore\":\"7351\",\"vidAfter\":\"3C4D\",\"pidAfter\":\"7351\","
           "\"bcdDevice\":\"0101\",\"serial\":\"000000000001\",\"chipId\":\"000073C0\",\"image\":\"A\","
           "\"imageSha256\":\"59d25f25d10e2d14700fa69c29fb188cc87fdabe89dbeeaa3c65150022115356\","
           "\"imageRelease\":\"0101\",\"status\":\"OK\",\"code\":null,\"name\":null,\"meaning\":null,"
           "\"rewritePasses\":0,\"stationId\":\"bench\"}\n";
}

void BM_PublishLogOf100kRecords(benchmark::State& state) {
    Folder dir;
    const auto started = StartBroker(state, dir);
    if (!started) return;
    test::MosquittoBroker& broker = *started;
    constexpr int kRecords = 100000;
    const auto log = dir.path / "station.jsonl";
    {
        std::ofstream out(log);
        for (int n = 0; n < kRecords; ++n) out << RecordLine(n);
    }
    for (auto _ : state) {
        std::filesystem::remove(log.string() + ".delivered");
        const ChildRun run = RunQuietChild(
            {ZT_CLI_PATH, "publish", log.string(), "--mqtt", broker.Url(), "--station-id", "bench"});
        if (!run.Succeeded()) {
            state.SkipWithError("publish failed");
            return;
        }
        state.counters["records_per_s"] = kRecords / run.wallS;
        state.counters["wall_s"] = run.wallS;
        state.counters["cpu_s"] = run.CpuS();
        state.counters["MB_per_s"] = static_cast<double>(std::filesystem::file_size(log)) / 1e6 / run.wallS;
    }
}
BENCHMARK(BM_PublishLogOf100kRecords)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// 32 units at once, two rounds, with the operator's 0.5 s to swap each.
void BM_PublishingCpuOfAStationOf32Units(benchmark::State& state) {
    Folder dir;
    const auto started = StartBroker(state, dir);
    if (!started) return;
    test::MosquittoBroker& broker = *started;
    auto station = [&](const std::string& name, bool publish) {
        std::vector<std::string> args{ZT_CLI_PATH,
                                      "station",
                                      "--simulate",
                                      "--units",
                                      "32",
                                      "--replug",
                                      "power",
                                      "--sim-handling-ms",
                                      "500",
                                      "--sim-fresh",
                                      "-1",
                                      "--stop-after",
                                      "64",
                                      "--log",
                                      (dir.path / name).string(),
                                      "--station-id",
                                      "bench"};
        if (publish) args.insert(args.end(), {"--mqtt", broker.Url()});
        return RunQuietChild(args);
    };
    for (auto _ : state) {
        const ChildRun without = station("plain.jsonl", false);
        const ChildRun with = station("published.jsonl", true);
        if (!without.Succeeded() || !with.Succeeded()) {
            state.SkipWithError("a station run failed");
            return;
        }
        const double share = with.CpuS() / with.wallS - without.CpuS() / without.wallS;
        state.counters["cores_without"] = without.CpuS() / without.wallS;
        state.counters["cores_with_mqtt"] = with.CpuS() / with.wallS;
        state.counters["publishing_share_of_a_core"] = share;
        state.counters["wall_s"] = with.wallS;
        state.counters["target_met"] = share < 0.01;
    }
}
BENCHMARK(BM_PublishingCpuOfAStationOf32Units)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench
