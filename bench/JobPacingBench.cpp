#include <benchmark/benchmark.h>

#include <chrono>

#include "QuietView.h"
#include "cli/DialogSession.h"
#include "cli/PreciseTimers.h"
#include "cli/SimulatedBackend.h"

// A whole write job on the real clock against the simulated chip with no
// reply latency, timed from the button press to the end of the job, and
// compared with its floor: the pauses the design mandates for the requests
// the job actually sent (taken from the bus log).
namespace zt::bench {
namespace {

constexpr double kEepromRequestPauseMs = 3;     // after each EEPROM read or write
constexpr double kRegisterWritePauseMs = 10 + 3; // inside the register write, then after it
constexpr double kEraseCommandPauseMs = 2;      // after each erase command

struct Floor {
    double ms = 0;
    int eepromRequests = 0, registerWrites = 0, eraseCommands = 0;
};

Floor FloorOf(const std::vector<sim::SimLogEntry>& log) {
    Floor floor;
    for (const auto& entry : log) {
        if (entry.kind != sim::SimLogEntry::Kind::OutputReport || entry.bytes.size() < 4) continue;
        const auto& b = entry.bytes;
        if (b[1] == 0xF5 && b[2] == 0xAB && b[3] == 0xCD) {
            ++floor.eraseCommands;
            floor.ms += kEraseCommandPauseMs;
        } else if (b[2] == 0x11 || b[2] == 0x12) {
            ++floor.eepromRequests;
            floor.ms += kEepromRequestPauseMs;
        } else if (b[2] == 0x21) {
            ++floor.registerWrites;
            floor.ms += kRegisterWritePauseMs;
        }  // register reads (0x22) are not paced
    }
    return floor;
}

void BM_WholeJobAgainstItsFloor(benchmark::State& state) {
    cli::RequestPreciseTimers();  // as the command line does
    for (auto _ : state) {
        cli::SimulatedBackend backend(cli::SimulatedBackend::Options{});  // real clock, no latency
        QuietView view;
        cli::OperatorInput input(nullptr);
        cli::SimulatedBackend* machine = &backend;
        cli::DialogSession session(backend.AsPlatform(), view, input,
                                   cli::DialogSession::Options{true, [machine] { machine->OnReplugPrompt(); }});
        session.Start();
        backend.Bus().ClearLog();

        const auto start = std::chrono::steady_clock::now();
        const auto outcome = session.WriteEeprom();
        const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        session.Close();

        if (outcome.kind != cli::ResultKind::Ok) {
            state.SkipWithError("the job did not succeed");
            return;
        }
        const Floor floor = FloorOf(backend.Bus().Log());
        state.counters["wall_s"] = wallMs / 1000;
        state.counters["floor_s"] = floor.ms / 1000;
        state.counters["ratio"] = wallMs / floor.ms;
        state.counters["eeprom_requests"] = floor.eepromRequests;
        state.counters["register_writes"] = floor.registerWrites;
        state.counters["erase_commands"] = floor.eraseCommands;
        state.counters["target_met"] = wallMs / floor.ms <= 1.03;
    }
}
BENCHMARK(BM_WholeJobAgainstItsFloor)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench
