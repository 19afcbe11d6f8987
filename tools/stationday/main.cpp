#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SimulatedStationDay.h"

// zt-station-day [JOBS [STATIONS]]: prints the station log of a made-up day
// (for the report's screenshot and for trying the report on a large log).
int main(int argc, char** argv) {
    zt::tools::StationDayOptions options;
    if (argc > 1) options.jobs = std::atoi(argv[1]);
    if (argc > 2) options.stations = std::atoi(argv[2]);
    if (options.jobs <= 0 || options.stations <= 0 || argc > 3) {
        std::fprintf(stderr, "usage: zt-station-day [JOBS [STATIONS]]\n");
        return 2;
    }
    for (const auto& job : zt::tools::SimulateStationDay(options)) {
        const std::string line = zt::tools::FormatSimulatedJob(job);
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
