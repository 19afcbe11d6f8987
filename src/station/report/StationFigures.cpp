#include "station/report/StationFigures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "job/FailureCatalogue.h"
#include "platform/NaturalOrder.h"

namespace zt::station {

namespace {

using std::chrono::system_clock;

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

constexpr int64_t kHour = 3600;

// A chart of more than a few hundred slices is unreadable, so long logs are
// cut into longer slices of whole hours; each still says units per hour.
int64_t SliceHoursFor(int64_t spanSeconds) {
    constexpr std::array kHours = {1, 2, 3, 6, 12, 24, 48, 168, 336, 720, 2160, 8760};
    constexpr int64_t kMostSlices = 240;
    for (const int hours : kHours)
        if (spanSeconds / (hours * kHour) < kMostSlices) return hours;
    return spanSeconds / (kMostSlices * kHour) + 1;
}

int64_t SecondsOf(system_clock::time_point moment) {
    return std::chrono::floor<std::chrono::seconds>(moment).time_since_epoch().count();
}

// Nearest rank: the smallest value with at least `share` of the values at or below it.
int64_t Percentile(const std::vector<int32_t>& sorted, double share) {
    const auto rank = static_cast<size_t>(std::ceil(share * double(sorted.size())));
    return sorted[std::max<size_t>(rank, 1) - 1];
}

DurationSummary Summarise(std::vector<int32_t>& values) {
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

bool SameUnit(const SerialWriting& a, const SerialWriting& b) {
    return (!a.barcode.empty() && a.barcode == b.barcode) ||
           (a.station == b.station && a.port == b.port && a.start == b.start);
}

// Names as people count them; names the natural order takes as equal
// ("st01", "st1") keep the order of their bytes, so no two are merged.
bool NameLess(const std::string& a, const std::string& b) {
    if (NaturalLess(a, b)) return true;
    return !NaturalLess(b, a) && a < b;
}

// So that a serial handed to thousands of units still gives a short list.
constexpr size_t kSerialUsesKept = 10;

void FillThroughput(const std::map<int64_t, std::pair<int, int>>& hours, StationFigures& figures) {
    const int64_t length = SliceHoursFor(SecondsOf(figures.last) - SecondsOf(figures.first)) * kHour;
    figures.sliceLength = std::chrono::seconds(length);
    const int64_t origin = SecondsOf(figures.first) / length * length;
    // Clocks set back can leave every end before the first start.
    const int64_t lastSecond = std::max(origin, SecondsOf(figures.last));
    figures.throughput.resize(static_cast<size_t>((lastSecond - origin) / length + 1));
    for (size_t i = 0; i < figures.throughput.size(); ++i)
        figures.throughput[i].start =
            system_clock::time_point(std::chrono::seconds(origin + int64_t(i) * length));
    // Slices are whole hours from a whole hour, so every hour lies in one;
    // an end before the earliest start (a clock set back) counts in the first.
    for (const auto& [hour, counts] : hours) {
        const int64_t at = std::max(origin, hour * kHour);
        ThroughputSlice& slice = figures.throughput[static_cast<size_t>((at - origin) / length)];
        slice.passed += counts.first;
        slice.failed += counts.second;
    }
    const double sliceHours = double(length) / double(kHour);
    for (ThroughputSlice& slice : figures.throughput) {
        slice.unitsPerHour = (slice.passed + slice.failed) / sliceHours;
        slice.passedPerHour = slice.passed / sliceHours;
        figures.peakUnitsPerHour = std::max(figures.peakUnitsPerHour, slice.unitsPerHour);
        figures.peakPassedPerHour = std::max(figures.peakPassedPerHour, slice.passedPerHour);
    }
}

void FillPareto(const std::map<uint32_t, std::pair<int, std::string>>& counts, StationFigures& figures) {
    int withCode = 0;
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
        withCode += entry.first;
    }
    std::stable_sort(figures.pareto.begin(), figures.pareto.end(),
                     [](const CodeCount& a, const CodeCount& b) { return a.count > b.count; });
    int running = 0;
    for (CodeCount& row : figures.pareto) {
        running += row.count;
        row.cumulativeShare = double(running) / double(withCode);
    }
}

void FillDurations(std::vector<int32_t>& passed, std::vector<int32_t>& failed, StationFigures& figures) {
    figures.passedDurations = Summarise(passed);
    figures.failedDurations = Summarise(failed);
    std::vector<int32_t> all;
    all.reserve(passed.size() + failed.size());
    std::merge(passed.begin(), passed.end(), failed.begin(), failed.end(), std::back_inserter(all));
    if (all.empty()) return;
    const int64_t width = BinWidthFor(Percentile(all, 0.99));
    const size_t bins = static_cast<size_t>(std::min<int64_t>(all.back() / width + 1, 21));
    figures.durations.resize(bins);
    for (size_t i = 0; i < bins; ++i)
        figures.durations[i] = {int64_t(i) * width, int64_t(i + 1) * width, 0, 0};
    figures.durations.back().toMs = std::max<int64_t>(figures.durations.back().toMs, all.back() + 1);
    auto binOf = [&](int64_t ms) -> DurationBin& {
        return figures.durations[std::min(static_cast<size_t>(ms / width), bins - 1)];
    };
    for (const int64_t ms : passed) ++binOf(ms).passed;
    for (const int64_t ms : failed) ++binOf(ms).failed;
}

}  // namespace

void StationFiguresBuilder::Add(const LoggedJob& job) {
    if (job.kind != "write") {
        ++figures_.otherKinds[job.kind];
        return;
    }
    if (!anyWrite_ || job.start < figures_.first) figures_.first = job.start;
    if (!anyWrite_ || job.end > figures_.last) figures_.last = job.end;
    anyWrite_ = true;
    Count(figures_.overall, job.status);
    Count(stations_[job.station], job.status);
    Count(ports_[{job.station, job.port}], job.status);
    if (!Decisive(job)) return;
    const bool passed = job.status == "OK";
    auto& hour = hours_[SecondsOf(job.end) / kHour];  // records before 2000 are refused
    ++(passed ? hour.first : hour.second);
    if (!passed) {
        if (job.code) {
            auto& entry = codes_[*job.code];
            if (entry.first++ == 0) entry.second = job.codeName;
        } else {
            ++figures_.failuresWithoutCode;
        }
    }
    (passed ? passedMs_ : failedMs_).push_back(static_cast<int32_t>(job.durationMs));
    // A unit's jobs may sit in the logs of several stations, in any order.
    if (job.Unit().empty()) {
        ++figures_.firstPass.jobsWithoutUnit;
    } else {
        UnitRecord& unit = units_[job.Unit()];
        if (unit.jobs++ == 0 || job.start < unit.firstStart) {
            unit.firstStart = job.start;
            unit.firstPassed = passed;
        }
        unit.passedAtAll |= passed;
    }
    if (passed && !job.serialWritten.empty()) AddSerial(job);
}

void StationFiguresBuilder::AddSerial(const LoggedJob& job) {
    SerialWriting use{job.station, job.port, job.barcode, job.start};
    const auto [found, isNew] = serials_.try_emplace(job.serialWritten);
    SerialRecord& record = found->second;
    if (isNew) {
        record.first = std::move(use);
        return;
    }
    if (!record.duplicate) {
        if (SameUnit(record.first, use)) return;
        record.duplicate = &duplicates_[job.serialWritten];
        record.duplicate->serial = job.serialWritten;
        record.duplicate->units = 1;
        record.duplicate->uses.push_back(record.first);
    }
    DuplicateSerial& duplicate = *record.duplicate;
    for (const SerialWriting& kept : duplicate.uses)
        if (SameUnit(kept, use)) return;
    ++duplicate.units;
    if (duplicate.uses.size() < kSerialUsesKept) duplicate.uses.push_back(std::move(use));
}

StationFigures StationFiguresBuilder::Finish() {
    StationFigures figures = std::move(figures_);
    for (auto& [name, tally] : stations_) {
        tally.station = name;
        figures.stations.push_back(tally);
    }
    for (auto& [key, tally] : ports_) {
        tally.station = key.first;
        tally.port = key.second;
        figures.ports.push_back(tally);
    }
    std::sort(figures.stations.begin(), figures.stations.end(),
              [](const JobTally& a, const JobTally& b) { return NameLess(a.station, b.station); });
    std::sort(figures.ports.begin(), figures.ports.end(), [](const JobTally& a, const JobTally& b) {
        if (a.station != b.station) return NameLess(a.station, b.station);
        return NameLess(a.port, b.port);
    });
    if (anyWrite_) FillThroughput(hours_, figures);
    FillPareto(codes_, figures);
    FillDurations(passedMs_, failedMs_, figures);
    FirstPassYield& fpy = figures.firstPass;
    for (const auto& [name, unit] : units_) {
        ++fpy.units;
        fpy.passedFirst += unit.firstPassed;
        fpy.passedEventually += unit.passedAtAll;
        fpy.retried += unit.jobs > 1;
    }
    for (auto& [serial, duplicate] : duplicates_) {
        std::sort(duplicate.uses.begin(), duplicate.uses.end(),
                  [](const SerialWriting& a, const SerialWriting& b) { return a.start < b.start; });
        figures.duplicateSerials.push_back(std::move(duplicate));
    }
    return figures;
}

StationFigures ComputeStationFigures(const std::vector<LoggedJob>& jobs) {
    StationFiguresBuilder builder;
    for (const LoggedJob& job : jobs) builder.Add(job);
    return builder.Finish();
}

}  // namespace zt::station
