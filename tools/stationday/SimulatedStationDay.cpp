#include "SimulatedStationDay.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <random>

#include "job/FailureCatalogue.h"

namespace zt::tools {

namespace {

using namespace std::chrono;

// A few real codes a line sees, the commonest first: faults of units and
// their connection, never the tool's own (internal, closing).
std::vector<uint32_t> CommonCodes() {
    std::vector<const FailureEntry*> unitFaults;
    for (const FailureEntry& e : FailureCatalogue())
        if (e.errorClass != kClassBadArgument && e.errorClass != kClassStopped) unitFaults.push_back(&e);
    std::vector<uint32_t> codes;
    const size_t step = std::max<size_t>(1, unitFaults.size() / 7);
    for (size_t i = 0; i < unitFaults.size() && codes.size() < 7; i += step) {
        const FailureEntry& e = *unitFaults[i];
        const uint32_t stage = e.origin >= kOriginWorker ? 2 : 0;
        codes.push_back(stage << 24 | (e.origin & 0xFF) << 16 | (e.errorClass & 0xFF) << 8 |
                        (e.errorDetail & 0xFF));
    }
    return codes;
}

struct Station {
    std::string host;
    system_clock::time_point clock;
    int nextPort = 0;
    double failureRate;
};

}  // namespace

std::vector<SimulatedJob> SimulateStationDay(const StationDayOptions& options) {
    std::mt19937 random(options.seed);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const std::vector<uint32_t> codes = CommonCodes();
    std::discrete_distribution<size_t> codeChoice({40, 22, 14, 10, 7, 4, 3});

    std::vector<Station> stations;
    for (int s = 0; s < options.stations; ++s)
        stations.push_back(
            {"line1-st" + std::to_string(s + 1), options.dayStart + seconds(s * 37), 0, 0.03 + 0.04 * s});
    std::vector<std::string> retryQueue;  // serials of units that failed and come back later
    int nextSerial = 1;
    std::vector<SimulatedJob> jobs;
    while (int(jobs.size()) < options.jobs) {
        Station& st = *std::min_element(stations.begin(), stations.end(),
                                        [](const Station& a, const Station& b) { return a.clock < b.clock; });
        const int port = st.nextPort;
        st.nextPort = (st.nextPort + 1) % options.portsPerStation;
        // The operator's hands between units; a lunch break at 12:00 UTC.
        st.clock += milliseconds(int64_t(uniform(4000, 25000)));
        const auto day = floor<days>(st.clock);
        if (st.clock > day + hours(12) && st.clock < day + minutes(12 * 60 + 40))
            st.clock = day + minutes(12 * 60 + 40);

        station::StationRecord r;
        r.port = "1-1." + std::to_string(port + 1);
        const bool retry = !retryQueue.empty() && uniform(0, 1) < 0.3;
        if (retry) {
            r.serial = retryQueue.back();
            retryQueue.pop_back();
        } else if (uniform(0, 1) < 0.95) {
            char serial[16];
            std::snprintf(serial, sizeof serial, "ZT%07d", nextSerial++);
            r.serial = serial;
        }
        // One worn port socket on the last station fails a quarter of its units.
        double failure = st.failureRate + (port == 2 && &st == &stations.back() ? 0.22 : 0.0);
        if (retry) failure *= 0.5;
        const double roll = uniform(0, 1);
        r.start = st.clock;
        r.vendorIdBefore = 0x3C4D;
        r.productIdBefore = 0x7351;
        if (roll < 0.006) {
            r.status = "INTERRUPTED";
            st.clock += milliseconds(int64_t(uniform(1000, 8000)));
        } else if (roll < 0.006 + failure) {
            r.status = "FAIL";
            r.code = codes[codeChoice(random)];
            st.clock += milliseconds(int64_t(uniform(1500, 9000)));
            if (!r.serial.empty() && uniform(0, 1) < 0.8) retryQueue.insert(retryQueue.begin(), r.serial);
        } else {
            r.status = "OK";
            r.vendorIdAfter = 0x3C4D;
            r.productIdAfter = 0x7351;
            r.bcdDevice = 0x0102;
            r.chipId = 0x51600000;
            r.image = "A";
            r.imageSha256 = std::string(64, 'a');
            r.rewritePasses = uniform(0, 1) < 0.02 ? 1 : 0;
            st.clock += milliseconds(int64_t(std::normal_distribution<double>(11500, 1200)(random)));
        }
        r.end = st.clock;
        jobs.push_back({st.host, std::move(r)});
    }
    std::stable_sort(jobs.begin(), jobs.end(), [](const SimulatedJob& a, const SimulatedJob& b) {
        return a.record.end < b.record.end;
    });
    return jobs;
}

std::string FormatSimulatedJob(const SimulatedJob& job) {
    auto line = nlohmann::ordered_json::parse(station::FormatStationRecord(job.record));
    line["host"] = job.host;
    return line.dump() + '\n';
}

}  // namespace zt::tools
