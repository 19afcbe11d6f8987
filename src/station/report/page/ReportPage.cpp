#include "station/report/page/ReportPage.h"

#include <algorithm>
#include <cstdio>

#include "job/JobOutcome.h"
#include "station/operator/CountText.h"
#include "station/operator/IsoTime.h"
#include "station/report/LocalTime.h"
#include "station/report/page/SvgChart.h"

namespace zt::station {

namespace {

constexpr const char* kPassedColour = "#2e7d32";
constexpr const char* kFailedColour = "#c62828";
// So that a log full of torn lines, stray ports or made-up codes still gives
// a page of reasonable size.
constexpr size_t kRowsShown = 200;
constexpr size_t kCodesCharted = 20;

constexpr const char* kStyle = R"(
body { font: 14px/1.4 system-ui, sans-serif; margin: 24px; color: #212121; max-width: 1100px; }
h1 { font-size: 22px; margin-bottom: 4px; } h2 { font-size: 17px; margin-top: 28px; border-bottom: 1px solid #ddd; }
.tiles { display: flex; gap: 12px; flex-wrap: wrap; margin: 12px 0; }
.tile { border: 1px solid #ddd; border-radius: 6px; padding: 8px 14px; min-width: 120px; }
.tile b { display: block; font-size: 22px; }
table { border-collapse: collapse; margin: 8px 0; } td, th { border: 1px solid #ddd; padding: 3px 8px; text-align: left; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
svg.chart { display: block; margin: 8px 0; max-width: 100%; height: auto; }
svg .axis, svg .label, svg .value { font-size: 11px; fill: #424242; }
svg .grid { stroke: #eee; } svg .frame { stroke: #9e9e9e; } svg .track { fill: #f5f5f5; }
.legend span { display: inline-block; width: 10px; height: 10px; margin: 0 4px 0 12px; }
.note { color: #616161; }
)";

std::string Percent(double share) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", share * 100);
    return text;
}

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Seconds(int64_t ms) { return Fixed(double(ms) / 1000.0, 1) + " s"; }

using Moment = std::chrono::system_clock::time_point;

// Times as the page shows them, in UTC or in local time.
class TimeText {
public:
    explicit TimeText(PageTimes times) : local_(times == PageTimes::Local) {}

    std::string Of(Moment moment) const {
        return local_ ? FormatLocalIsoTime(moment) : FormatIsoTime(moment);
    }

    // "12-08 14:00": enough to tell the slices of a report apart.
    std::string Slice(Moment start) const {
        const std::string iso = Of(start);
        return iso.substr(5, 5) + " " + iso.substr(11, 5);
    }

    // "UTC", or the local zone over the span: "local time, CET = UTC+01:00",
    // both ends named when daylight saving changes in between.
    std::string Zone(Moment first, Moment last) const {
        if (!local_) return "UTC";
        std::string zone = "local time, " + ZoneAt(first);
        const std::string atLast = ZoneAt(last);
        return atLast == ZoneAt(first) ? zone : zone + " to " + atLast;
    }

private:
    static std::string ZoneAt(Moment moment) {
        const std::string iso = FormatLocalIsoTime(moment), name = LocalZoneName(moment);
        const std::string offset = "UTC" + iso.substr(iso.size() - 6);
        return name.empty() ? offset : name + " = " + offset;
    }

    bool local_;
};

std::string Tile(const std::string& label, const std::string& value) {
    return "<div class=\"tile\">" + EscapeMarkup(label) + "<b>" + EscapeMarkup(value) + "</b></div>";
}

std::string Legend() {
    return std::string("<p class=\"legend\"><span style=\"background:") + kPassedColour +
           "\"></span>passed<span style=\"background:" + kFailedColour + "\"></span>failed</p>\n";
}

std::string Note(const JobTally& tally) {
    std::string note = std::to_string(tally.passed) + " of " + std::to_string(tally.passed + tally.failed);
    if (tally.interrupted + tally.cancelled > 0)
        note += "; " + std::to_string(tally.interrupted + tally.cancelled) + " stopped";
    return note;
}

std::string MoreRow(size_t total, size_t columns) {
    if (total <= kRowsShown) return "";
    return "<tr class=\"more\"><td colspan=\"" + std::to_string(columns) + "\">… and " +
           std::to_string(total - kRowsShown) + " more</td></tr>\n";
}

std::vector<ShareBar> FirstRows(std::vector<ShareBar> rows) {
    if (rows.size() > kRowsShown) rows.resize(kRowsShown);
    return rows;
}

std::string MoreNote(size_t total) {
    if (total <= kRowsShown) return "";
    return "<p class=\"note more\">… and " + std::to_string(total - kRowsShown) + " more</p>\n";
}

// A serial that went into two units makes them indistinguishable to whatever
// reads it later, so it is shown before anything else.
std::string DuplicateSerialSection(const StationFigures& f, const TimeText& times) {
    if (f.duplicateSerials.empty()) return "";
    std::string html =
        "<h2>Serials written into more than one unit</h2>\n<p>" +
        Counted(f.duplicateSerials.size(), "serial was", "serials were") +
        " written by passed jobs into more than one unit (not the same barcode, not the same job read "
        "twice).</p>\n<table id=\"duplicate-serials\"><tr><th>serial</th><th>units</th><th>station</"
        "th><th>port</th><th>start</th><th>barcode</th></tr>\n";
    for (size_t i = 0; i < f.duplicateSerials.size() && i < kRowsShown; ++i) {
        const DuplicateSerial& duplicate = f.duplicateSerials[i];
        for (size_t u = 0; u < duplicate.uses.size(); ++u) {
            const SerialWriting& use = duplicate.uses[u];
            html += "<tr><td>" + (u == 0 ? "<code>" + EscapeMarkup(duplicate.serial) + "</code>" : "") +
                    "</td><td class=\"n\">" + (u == 0 ? std::to_string(duplicate.units) : "") + "</td><td>" +
                    EscapeMarkup(use.station) + "</td><td>" + EscapeMarkup(use.port) + "</td><td>" +
                    times.Of(use.start) + "</td><td>" + EscapeMarkup(use.barcode) + "</td></tr>\n";
        }
    }
    return html + MoreRow(f.duplicateSerials.size(), 6) + "</table>\n";
}

// Units per hour are the units finished, passed and failed alike, as the
// station's counters count them; the passed part of each bar is passed per hour.
std::string ThroughputSection(const StationFigures& f, const TimeText& times) {
    BarChart chart;
    chart.id = "units-per-hour";
    chart.caption = "Units finished per hour, passed and failed";
    chart.valueUnit = "units/h";
    BarSeries passed{"passed", kPassedColour, {}}, failed{"failed", kFailedColour, {}};
    for (const ThroughputSlice& slice : f.throughput) {
        chart.labels.push_back(times.Slice(slice.start));
        passed.values.push_back(slice.passedPerHour);
        failed.values.push_back(slice.unitsPerHour - slice.passedPerHour);
    }
    chart.series = {std::move(passed), std::move(failed)};
    chart.labelEvery = std::max<size_t>(1, (chart.labels.size() + 23) / 24);
    const int64_t hours = f.sliceLength.count() / 3600;
    const std::string slice = hours * 3600 == f.sliceLength.count()
                                  ? std::to_string(hours) + " h"
                                  : std::to_string(f.sliceLength.count()) + " s";
    return "<h2>Units per hour</h2>\n<p>Units finished per hour, passed and failed alike (as a station's "
           "counters count them), in slices of " +
           slice + " (" + times.Zone(f.first, f.last) + ", by the end of each job). Peak " +
           Fixed(f.peakUnitsPerHour, 1) + " units/h; passed per hour peak " + Fixed(f.peakPassedPerHour, 1) +
           ".</p>\n" + Legend() + RenderBarChart(chart);
}

std::string YieldSection(const StationFigures& f) {
    std::vector<ShareBar> overall{{"all stations", f.overall.Yield(), Note(f.overall)}}, stations, ports;
    for (const JobTally& t : f.stations) stations.push_back({t.station, t.Yield(), Note(t)});
    for (const JobTally& t : f.ports)
        ports.push_back(
            {t.station + "  " + (t.port.empty() ? "(port unknown)" : t.port), t.Yield(), Note(t)});
    return "<h2>Yield</h2>\n<p>Passed write jobs over passed and failed ones; jobs stopped by Ctrl-C or "
           "declined at a "
           "prompt are left out.</p>\n" +
           RenderShareBars("yield-overall", "Yield overall", overall) + "<h3>Per station</h3>\n" +
           RenderShareBars("yield-stations", "Yield per station", FirstRows(stations)) +
           MoreNote(stations.size()) + "<h3>Per port</h3>\n" +
           RenderShareBars("yield-ports", "Yield per station and port", FirstRows(ports)) +
           MoreNote(ports.size());
}

std::string ParetoSection(const StationFigures& f) {
    std::string html = "<h2>Failure codes</h2>\n";
    if (f.pareto.empty()) {
        html += "<p>No write job failed with a code.</p>\n";
    } else {
        BarChart chart;
        chart.id = "failure-pareto";
        chart.caption = "Failure codes by frequency, with the cumulative share";
        chart.valueUnit = "failures";
        chart.valueUnitOne = "failure";
        BarSeries counts{"failures", kFailedColour, {}};
        for (size_t i = 0; i < f.pareto.size() && i < kCodesCharted; ++i) {
            chart.labels.push_back(FormatResultCode(f.pareto[i].code));
            counts.values.push_back(f.pareto[i].count);
            chart.cumulative.push_back(f.pareto[i].cumulativeShare);
        }
        chart.series.push_back(std::move(counts));
        html += RenderBarChart(chart);
        html +=
            "<table "
            "id=\"failure-codes\"><tr><th>code</th><th>failures</th><th>cumulative</th><th>name</"
            "th><th>meaning</th></tr>\n";
        for (size_t i = 0; i < f.pareto.size() && i < kRowsShown; ++i) {
            const CodeCount& row = f.pareto[i];
            html += "<tr><td><code>" + FormatResultCode(row.code) + "</code></td><td class=\"n\">" +
                    std::to_string(row.count) + "</td><td class=\"n\">" + Percent(row.cumulativeShare) +
                    "</td><td>" + EscapeMarkup(row.name) + "</td><td>" + EscapeMarkup(row.meaning) +
                    "</td></tr>\n";
        }
        html += MoreRow(f.pareto.size(), 5) + "</table>\n";
    }
    if (f.failuresWithoutCode > 0)
        html += "<p class=\"note\">" +
                Counted(f.failuresWithoutCode, "failed job carries", "failed jobs carry") + " no code.</p>\n";
    return html;
}

std::string DurationSection(const StationFigures& f) {
    std::string html = "<h2>Job durations</h2>\n";
    if (f.durations.empty()) return html + "<p>No write job passed or failed.</p>\n";
    BarChart chart;
    chart.id = "job-durations";
    chart.caption = "Write jobs by duration";
    chart.valueUnit = "jobs";
    chart.valueUnitOne = "job";
    BarSeries passed{"passed", kPassedColour, {}}, failed{"failed", kFailedColour, {}};
    for (size_t i = 0; i < f.durations.size(); ++i) {
        const DurationBin& bin = f.durations[i];
        chart.labels.push_back(
            Fixed(double(bin.fromMs) / 1000, 1) +
            (i + 1 == f.durations.size() ? " s and more" : "–" + Fixed(double(bin.toMs) / 1000, 1) + " s"));
        passed.values.push_back(bin.passed);
        failed.values.push_back(bin.failed);
    }
    chart.series = {std::move(passed), std::move(failed)};
    html += Legend() + RenderBarChart(chart);
    html +=
        "<table id=\"duration-summary\"><tr><th></th><th>jobs</th><th>median</th><th>90th "
        "percentile</th><th>longest</th></tr>\n";
    for (const auto& [label, s] :
         {std::pair{"passed", &f.passedDurations}, std::pair{"failed", &f.failedDurations}})
        html += std::string("<tr><td>") + label + "</td><td class=\"n\">" + std::to_string(s->count) +
                "</td><td class=\"n\">" + Seconds(s->medianMs) + "</td><td class=\"n\">" + Seconds(s->p90Ms) +
                "</td><td class=\"n\">" + Seconds(s->maxMs) + "</td></tr>\n";
    return html + "</table>\n";
}

std::string FirstPassSection(const StationFigures& f) {
    const FirstPassYield& fpy = f.firstPass;
    std::string html = "<h2>First-pass yield</h2>\n";
    if (fpy.units == 0) return html + "<p>No write job names its unit by barcode or serial written.</p>\n";
    const std::string units = std::to_string(fpy.units);
    html += RenderShareBars(
        "first-pass-yield", "First-pass yield",
        {{"passed at the first write", fpy.Rate(), std::to_string(fpy.passedFirst) + " of " + units},
         {"passed in the end", double(fpy.passedEventually) / fpy.units,
          std::to_string(fpy.passedEventually) + " of " + units}});
    html += "<p>" + Counted(fpy.units, "unit", "units") +
            " told apart by barcode, or by the serial written where there is none; " +
            Counted(fpy.retried, "was", "were") + " written more than once.";
    if (fpy.jobsWithoutUnit > 0)
        html += " " +
                Counted(fpy.jobsWithoutUnit, "write job names no unit and is",
                        "write jobs name no unit and are") +
                " left out here.";
    return html + "</p>\n";
}

std::string InvalidSection(const StationLogReading& reading) {
    if (reading.invalidLines == 0) return "";
    std::string html = "<h2>Lines that are not records</h2>\n<p id=\"invalid-count\">" +
                       Counted(reading.invalidLines, "line was", "lines were") +
                       " skipped:</p>\n<ul id=\"invalid-lines\">\n";
    for (size_t i = 0; i < reading.invalid.size() && i < kRowsShown; ++i) {
        const InvalidLine& line = reading.invalid[i];
        html += "<li><code>" + EscapeMarkup(line.file) + ":" + std::to_string(line.line) + "</code> " +
                EscapeMarkup(line.reason) + "</li>\n";
    }
    html += "</ul>\n";
    if (reading.invalidLines > kRowsShown)
        html += "<p class=\"note\">… and " + std::to_string(reading.invalidLines - kRowsShown) +
                " more (report --json lists the first " +
                std::to_string(StationLogReading::kInvalidLinesKept) + ").</p>\n";
    return html;
}

std::string FilterNote(const StationLogReading& reading, const TimeText& times) {
    const ReportFilter& filter = reading.filter;
    if (!filter.Any()) return "";
    std::string note = "Only the jobs";
    if (filter.since) note += " started at or after " + times.Of(*filter.since);
    if (filter.until)
        note += std::string(filter.since ? " and" : " started") + " before " + times.Of(*filter.until);
    if (!filter.stations.empty()) {
        note += filter.stations.size() == 1 ? " of the station " : " of the stations ";
        for (size_t i = 0; i < filter.stations.size(); ++i) note += (i == 0 ? "" : ", ") + filter.stations[i];
    }
    note += "; " + Counted(reading.filteredOut, "other record was", "other records were") + " left out.";
    return "<p class=\"note\" id=\"filters\">" + EscapeMarkup(note) + "</p>\n";
}

}  // namespace

std::string RenderReportPage(const StationLogReading& reading, const StationFigures& f, PageTimes pageTimes) {
    const TimeText times(pageTimes);
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Station "
        "report</title>\n<style>" +
        std::string(kStyle) + "</style>\n</head>\n<body>\n<h1>Station report</h1>\n";
    std::string files;
    for (const std::string& file : reading.files) files += (files.empty() ? "" : ", ") + file;
    html += "<p class=\"note\">" + EscapeMarkup(files) + "</p>\n" + FilterNote(reading, times) +
            DuplicateSerialSection(f, times);
    if (f.overall.Jobs() == 0) {
        html += "<p>The logs hold no write job.</p>\n";
    } else {
        html += "<p>" + times.Of(f.first) + " to " + times.Of(f.last) + " (" + times.Zone(f.first, f.last) +
                "), " + Counted(f.stations.size(), "station", "stations") + ".</p>\n<div class=\"tiles\">" +
                Tile("write jobs", std::to_string(f.overall.Jobs())) +
                Tile("units passed", std::to_string(f.overall.passed)) +
                Tile("yield", Percent(f.overall.Yield())) +
                Tile("peak units/h", Fixed(f.peakUnitsPerHour, 0)) +
                Tile("peak passed/h", Fixed(f.peakPassedPerHour, 0));
        if (f.firstPass.units > 0) html += Tile("first-pass yield", Percent(f.firstPass.Rate()));
        if (reading.invalidLines > 0) html += Tile("lines not records", std::to_string(reading.invalidLines));
        html += "</div>\n";
        for (const auto& [kind, count] : f.otherKinds)
            html += "<p class=\"note\">" +
                    EscapeMarkup(Counted(size_t(count), kind + " record", kind + " records")) +
                    " (not in these figures).</p>\n";
        html += ThroughputSection(f, times) + YieldSection(f) + ParetoSection(f) + DurationSection(f) +
                FirstPassSection(f);
    }
    return html + InvalidSection(reading) + "</body>\n</html>\n";
}

}  // namespace zt::station
