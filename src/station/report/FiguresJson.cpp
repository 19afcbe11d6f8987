#include "station/report/FiguresJson.h"

#include "job/JobOutcome.h"
#include "station/operator/IsoTime.h"
#include "station/records/RecordJson.h"

namespace zt::station {

namespace {

nlohmann::ordered_json TallyJson(const JobTally& tally) {
    nlohmann::ordered_json object;
    if (!tally.station.empty()) object["station"] = tally.station;
    if (!tally.station.empty() && !tally.port.empty()) object["port"] = tally.port;
    object["jobs"] = tally.Jobs();
    object["passed"] = tally.passed;
    object["failed"] = tally.failed;
    object["interrupted"] = tally.interrupted;
    object["cancelled"] = tally.cancelled;
    object["yield"] = tally.Yield();
    return object;
}

nlohmann::ordered_json SummaryJson(const DurationSummary& summary) {
    return {{"count", summary.count},
            {"medianMs", summary.medianMs},
            {"p90Ms", summary.p90Ms},
            {"maxMs", summary.maxMs}};
}

}  // namespace

nlohmann::ordered_json FiguresAsJson(const StationLogReading& reading, const StationFigures& figures) {
    using nlohmann::ordered_json;
    ordered_json out;
    out["schema"] = kJsonSchemaVersion;
    out["report"] = "station";
    out["files"] = reading.files;
    out["records"] = reading.records;
    if (reading.filter.Any()) {
        ordered_json filters = ordered_json::object();
        if (reading.filter.since) filters["since"] = FormatIsoTime(*reading.filter.since);
        if (reading.filter.until) filters["until"] = FormatIsoTime(*reading.filter.until);
        if (!reading.filter.stations.empty()) filters["stations"] = reading.filter.stations;
        out["filters"] = std::move(filters);
    }
    out["filteredOut"] = reading.filteredOut;
    ordered_json invalid = ordered_json::array();
    for (const InvalidLine& line : reading.invalid)
        invalid.push_back({{"file", line.file}, {"line", line.line}, {"reason", line.reason}});
    out["invalidLines"] = reading.invalidLines;
    out["invalid"] = std::move(invalid);
    const bool anyWrite = figures.overall.Jobs() > 0;
    out["first"] = anyWrite ? ordered_json(FormatIsoTime(figures.first)) : ordered_json(nullptr);
    out["last"] = anyWrite ? ordered_json(FormatIsoTime(figures.last)) : ordered_json(nullptr);
    ordered_json duplicates = ordered_json::array();
    for (const DuplicateSerial& duplicate : figures.duplicateSerials) {
        ordered_json uses = ordered_json::array();
        for (const SerialWriting& use : duplicate.uses)
            uses.push_back({{"station", use.station},
                            {"port", use.port},
                            {"start", FormatIsoTime(use.start)},
                            {"barcode", use.barcode}});
        duplicates.push_back({{"serial", duplicate.serial}, {"units", duplicate.units}, {"uses", uses}});
    }
    out["duplicateSerials"] = std::move(duplicates);
    out["otherRecords"] = ordered_json::object();
    for (const auto& [kind, count] : figures.otherKinds) out["otherRecords"][kind] = count;

    ordered_json stations = ordered_json::array(), ports = ordered_json::array();
    for (const JobTally& tally : figures.stations) stations.push_back(TallyJson(tally));
    for (const JobTally& tally : figures.ports) ports.push_back(TallyJson(tally));
    out["yield"] = {{"overall", TallyJson(figures.overall)}, {"stations", stations}, {"ports", ports}};

    ordered_json slices = ordered_json::array();
    for (const ThroughputSlice& slice : figures.throughput)
        slices.push_back({{"start", FormatIsoTime(slice.start)},
                          {"passed", slice.passed},
                          {"failed", slice.failed},
                          {"unitsPerHour", slice.unitsPerHour},
                          {"passedPerHour", slice.passedPerHour}});
    out["throughput"] = {{"sliceSeconds", figures.sliceLength.count()},
                         {"peakUnitsPerHour", figures.peakUnitsPerHour},
                         {"peakPassedPerHour", figures.peakPassedPerHour},
                         {"slices", std::move(slices)}};

    ordered_json codes = ordered_json::array();
    for (const CodeCount& row : figures.pareto)
        codes.push_back({{"code", FormatResultCode(row.code)},
                         {"count", row.count},
                         {"cumulativeShare", row.cumulativeShare},
                         {"known", row.known},
                         {"name", row.name},
                         {"meaning", row.meaning}});
    out["failureCodes"] = {{"failuresWithoutCode", figures.failuresWithoutCode}, {"codes", std::move(codes)}};

    ordered_json bins = ordered_json::array();
    for (const DurationBin& bin : figures.durations)
        bins.push_back(
            {{"fromMs", bin.fromMs}, {"toMs", bin.toMs}, {"passed", bin.passed}, {"failed", bin.failed}});
    out["durations"] = {{"passed", SummaryJson(figures.passedDurations)},
                        {"failed", SummaryJson(figures.failedDurations)},
                        {"bins", std::move(bins)}};

    const FirstPassYield& fpy = figures.firstPass;
    out["firstPassYield"] = {{"units", fpy.units},
                             {"passedFirst", fpy.passedFirst},
                             {"passedEventually", fpy.passedEventually},
                             {"retried", fpy.retried},
                             {"jobsWithoutUnit", fpy.jobsWithoutUnit},
                             {"rate", fpy.Rate()}};
    return out;
}

}  // namespace zt::station
