#include "station/report/StationFigures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "job/FailureCatalogue.h"

namespace zt::station {

namespace {

using std::chrono::system_clock;

constexpr int64_t kLongestDurationMs = int64_t(1000) * 3600 * 24 * 365;

void Count(JobTally& tally, const std::string& status) {
    if (status == "OK")
        ++tally.passed;
    else if (status == "FAIL")
        ++tally.failed;
    else if (status == "INTERRUPTED")
        ++tally.interrupted;
    else
        ++tally.cancelled;
}

bool Decisive(const LoggedJob& job) { return job.status == "OK" || job.status == "FAIL"; }

// A chart of more than a few hundred slices is unreadable, so long logs are
// cut into longer slices; each still says units per hour.
std::chrono::seconds SliceLengthFor(std::chrono::seconds span) {
    constexpr std::array kHours = {1, 2, 3, 6, 12, 24, 48, 168, 336, 720};
    constexpr int64_t kMostSlices = 240;
    for (const int hours : kHours)
        if (span.count() / (hours * 3600) < kMostSlices) return std::chrono::hours(hours);
    return std::chrono::seconds(span.count() / kMostSlices + 1);
}

void FillThroughput(const std::vector<const LoggedJob*>& writes, StationFigures& figures) {
    using namespace std::chrono;
    if (writes.empty()) return;
    figures.sliceLength = SliceLengthFor(duration_cast<seconds>(figures.last - figures.first));
    const int64_t length = figures.sliceLength.count();
    const int64_t origin = floor<seconds>(figures.first).time_since_epoch().count() / length * length;
    // Clocks set back can leave every end before the first start.
    const int64_t lastSecond = std::max(origin, floor<seconds>(figures.last).time_since_epoch().count());
    figures.throughput.resize(static_cast<size_t>((lastSecond - origin) / length + 1));
    for (size_t i = 0; i < figures.throughput.size(); ++i)
        figures.throughput[i].start = system_clock::time_point(seconds(origin + int64_t(i) * length));
    for (const LoggedJob* job : writes) {
        // A line whose end lies before the earliest start (a clock set back)
        // counts in the first slice.
        const int64_t at = std::max(origin, floor<seconds>(job->end).time_since_epoch().count());
        ThroughputSlice& slice = figures.throughput[static_cast<size_t>((at - origin) / length)];
        if (job->status == "OK") ++slice.passed;
        if (job->status == "FAIL") ++slice.failed;
    }
    const double hours = double(length) / 3600.0;
    for (ThroughputSlice& slice : figures.throughput) {
        slice.unitsPerHour = slice.passed / hours;
        figures.peakUnitsPerHour = std::max(figures.peakUnitsPerHour, slice.unitsPerHour);
    }
}

void FillPareto(const std::vector<const LoggedJob*>& writes, StationFigures& figures) {
    std::unordered_map<uint32_t, std::pair<int, std::string>> counts;  // count, the line's own name
    int withCode = 0;
    for (const LoggedJob* job : writes) {
        if (job->status != "FAIL") continue;
        if (!job->code) {
            ++figures.failuresWithoutCode;
            continue;
        }
        auto& entry = counts[*job->code];
        if (entry.first++ == 0) entry.second = job->codeName;
        ++withCode;
    }
    for (const auto& [code, entry] : counts) {
        const FailureDescription description = DescribeFailure(code);
        CodeCount row;
        row.code = code;
        row.count = entry.first;
        row.known = description.known;
        // The catalogue of this tool speaks for the codes it knows; a code of
        // another version keeps the name its own line gave it.
        row.name = description.known || entry.second.empty() ? description.detailName : entry.second;
        row.meaning = description.meaning;
        figures.pareto.push_back(std::move(row));
    }
    std::sort(figures.pareto.begin(), figures.pareto.end(), [](const CodeCount& a, const CodeCount& b) {
        return a.count != b.count ? a.count > b.count : a.code < b.code;
    });
    int running = 0;
    for (CodeCount& row : figures.pareto) {
        running += row.count;
        row.cumulativeShare = double(running) / double(withCode);
    }
}

// Nearest rank: the smallest value with at least `share` of the values at or below it.
int64_t Percentile(const std::vector<int64_t>& sorted, double share) {
    const auto rank = static_cast<size_t>(std::ceil(share * double(sorted.size())));
    return sorted[std::max<size_t>(rank, 1) - 1];
}

DurationSummary Summarise(std::vector<int64_t>& values) {
    DurationSummary summary;
    if (values.empty()) return summary;
    std::sort(values.begin(), values.end());
    summary.count = int(values.size());
    summary.medianMs = Percentile(values, 0.5);
    summary.p90Ms = Percentile(values, 0.9);
    summary.maxMs = values.back();
    return summary;
}

// A round bin width (1, 2 or 5 times a power of ten milliseconds) that
// spreads most jobs over about twenty bins; a few very long jobs share the last.
int64_t BinWidthFor(int64_t top) {
    for (int64_t power = 1;; power *= 10)
        for (const int64_t step : {1, 2, 5})
            if (top / (step * power) < 20) return step * power;
}

void FillDurations(const std::vector<const LoggedJob*>& writes, StationFigures& figures) {
    std::vector<int64_t> passed, failed, all;
    for (const LoggedJob* job : writes) {
        if (!Decisive(*job)) continue;
        // A duration of years is a broken clock; it is kept in the last bin
        // without making the bins useless for every other job.
        const int64_t ms = std::clamp<int64_t>(job->durationMs, 0, kLongestDurationMs);
        (job->status == "OK" ? passed : failed).push_back(ms);
        all.push_back(ms);
    }
    figures.passedDurations = Summarise(passed);
    figures.failedDurations = Summarise(failed);
    if (all.empty()) return;
    std::sort(all.begin(), all.end());
    const int64_t width = BinWidthFor(Percentile(all, 0.99));
    const size_t bins = static_cast<size_t>(std::min<int64_t>(all.back() / width + 1, 21));
    figures.durations.resize(bins);
    for (size_t i = 0; i < bins; ++i)
        figures.durations[i] = {int64_t(i) * width, int64_t(i + 1) * width, 0, 0};
    figures.durations.back().toMs = std::max(figures.durations.back().toMs, all.back() + 1);
    auto binOf = [&](int64_t ms) -> DurationBin& {
        return figures.durations[std::min(static_cast<size_t>(ms / width), bins - 1)];
    };
    for (const int64_t ms : passed) ++binOf(ms).passed;
    for (const int64_t ms : failed) ++binOf(ms).failed;
}

void FillFirstPass(const std::vector<const LoggedJob*>& writes, StationFigures& figures) {
    // A unit's jobs may sit in the logs of several stations, in any order.
    std::unordered_map<std::string, std::vector<const LoggedJob*>> units;
    for (const LoggedJob* job : writes) {
        if (!Decisive(*job)) continue;
        if (job->unit.empty())
            ++figures.firstPass.jobsWithoutUnit;
        else
            units[job->unit].push_back(job);
    }
    FirstPassYield& fpy = figures.firstPass;
    for (auto& [unit, jobs] : units) {
        const LoggedJob* first = *std::min_element(
            jobs.begin(), jobs.end(), [](const auto* a, const auto* b) { return a->start < b->start; });
        ++fpy.units;
        fpy.passedFirst += first->status == "OK";
        fpy.passedEventually +=
            std::any_of(jobs.begin(), jobs.end(), [](const auto* j) { return j->status == "OK"; });
        fpy.retried += jobs.size() > 1;
    }
}

}  // namespace

StationFigures ComputeStationFigures(const std::vector<LoggedJob>& jobs) {
    StationFigures figures;
    std::vector<const LoggedJob*> writes;
    writes.reserve(jobs.size());
    std::map<std::string, JobTally> stations;
    std::map<std::pair<std::string, std::string>, JobTally> ports;
    for (const LoggedJob& job : jobs) {
        if (job.kind != "write") {
            ++figures.otherKinds[job.kind];
            continue;
        }
        if (writes.empty() || job.start < figures.first) figures.first = job.start;
        if (writes.empty() || job.end > figures.last) figures.last = job.end;
        writes.push_back(&job);
        Count(figures.overall, job.status);
        Count(stations[job.station], job.status);
        Count(ports[{job.station, job.port}], job.status);
    }
    for (auto& [name, tally] : stations) {
        tally.station = name;
        figures.stations.push_back(tally);
    }
    for (auto& [key, tally] : ports) {
        tally.station = key.first;
        tally.port = key.second;
        figures.ports.push_back(tally);
    }
    FillThroughput(writes, figures);
    FillPareto(writes, figures);
    FillDurations(writes, figures);
    FillFirstPass(writes, figures);
    return figures;
}

}  // namespace zt::station
