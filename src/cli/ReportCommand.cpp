#include <CLI/CLI.hpp>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "host/HostSystem.h"
#include "station/operator/CountText.h"
#include "station/report/FiguresJson.h"
#include "station/report/StationFigures.h"
#include "station/report/StationLogReading.h"
#include "station/report/page/ReportPage.h"

// `report LOG...`: what the station logs of a shift or a week say, as one
// HTML page with charts or, with --json, as one object of figures.
namespace zt::cli {

namespace {

struct ReportOptions {
    std::vector<std::string> logs;  // "-": standard input
    std::string output;             // "": stdout
    bool json = false;
    std::string since, until;  // as typed; "" when not given
    std::vector<std::string> stations;
    bool localTime = false;
};

// What a log read from standard input is called in messages and on the page.
constexpr const char* kStandardInputName = "standard input";

// A record is a few hundred bytes; a longer line is counted as not one
// without being held whole.
constexpr size_t kLongestLine = size_t(1) << 20;

// Reads the log called `name` from `in`, line by line, into `reading`.
bool ReadLog(std::istream& in, const std::string& name, station::StationLogReading& reading,
             std::string* error) {
    reading.StartLog(name);
    std::vector<char> chunk(size_t(1) << 16);
    std::string line;
    size_t number = 0;
    bool overlong = false;
    auto endLine = [&] {
        ++number;
        if (overlong)
            reading.AddOverlongLine(number);
        else
            reading.AddLine(number, line);
        line.clear();
        overlong = false;
    };
    // A log that another tool appends to while it is read is taken as far as it was.
    while (in.read(chunk.data(), std::streamsize(chunk.size())) || in.gcount() > 0) {
        std::string_view text(chunk.data(), size_t(in.gcount()));
        for (size_t newline; (newline = text.find('\n')) != std::string_view::npos;) {
            if (!overlong) line.append(text.substr(0, newline));
            overlong |= line.size() > kLongestLine;
            endLine();
            text.remove_prefix(newline + 1);
        }
        if (!overlong) line.append(text);
        if (line.size() > kLongestLine) {
            overlong = true;
            line.clear();
        }
    }
    if (in.bad()) {
        *error = "read error";
        return false;
    }
    if (!line.empty() || overlong) endLine();
    return true;
}

// Only regular files are read by name, so that a FIFO or a device named by
// mistake is refused instead of blocking or filling memory; a pipe is read
// as `-`.
bool ReadLogFile(const std::string& path, station::StationLogReading& reading, std::string* error) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) {
        *error = ec.message();
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        *error = "not a regular file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot be opened";
        return false;
    }
    return ReadLog(in, path, reading, error);
}

bool Refuse(CommandContext& ctx, const std::string& why) {
    ctx.err << "zt51xx-mp: " << why << '\n';
    ctx.exitCode = kExitUsage;
    return false;
}

// The filters as typed, checked; false (after one line on stderr) for a
// time that is none of the forms taken, or a span that holds no moment.
bool ReadFilter(const ReportOptions& options, station::ReportFilter* filter, CommandContext& ctx) {
    const struct {
        const char* option;
        const std::string& text;
        station::DayEdge edge;
        std::optional<std::chrono::system_clock::time_point>& moment;
    } times[] = {{"--since", options.since, station::DayEdge::Start, filter->since},
                 {"--until", options.until, station::DayEdge::End, filter->until}};
    for (const auto& time : times) {
        if (time.text.empty()) continue;
        std::chrono::system_clock::time_point moment;
        if (!station::ParseReportTime(time.text, options.localTime, time.edge, &moment))
            return Refuse(ctx, std::string(time.option) + " '" + time.text +
                                   "' is not a date or time; give one of " + station::kReportTimeForms);
        time.moment = moment;
    }
    if (filter->since && filter->until && *filter->since >= *filter->until)
        return Refuse(ctx, "--since '" + options.since + "' is not before --until '" + options.until +
                               "': no job can be in between");
    filter->stations = options.stations;
    return true;
}

// A page written over one of the logs it sums up would lose the records
// themselves, whatever path or link names the log.
bool OutputIsALog(const ReportOptions& options) {
    const std::optional<FileIdentity> output = IdentifyFile(options.output);
    if (!output) return false;
    for (const std::string& log : options.logs)
        if (log != "-" && IdentifyFile(log) == output) return true;
    return false;
}

void Report(const ReportOptions& options, CommandContext& ctx) {
    if (!options.output.empty() && OutputIsALog(options)) {
        ctx.err << "zt51xx-mp: the output " << options.output
                << " is one of the logs; name another file for the report\n";
        ctx.exitCode = kExitUsage;
        return;
    }
    // A day's grace for a station clock a little ahead.
    station::StationLogReading reading(std::chrono::system_clock::now() + std::chrono::hours(24));
    if (!ReadFilter(options, &reading.filter, ctx)) return;
    for (const std::string& path : options.logs) {
        std::string error;
        const bool read = path == "-"
                              ? ReadLog(ctx.in ? *ctx.in : std::cin, kStandardInputName, reading, &error)
                              : ReadLogFile(path, reading, &error);
        if (!read) {
            ctx.err << "zt51xx-mp: cannot read the log " << (path == "-" ? kStandardInputName : path) << ": "
                    << error << '\n';
            ctx.exitCode = kExitIoError;
            return;
        }
    }
    const station::StationFigures figures = reading.figures.Finish();
    const std::string document =
        options.json
            ? station::FiguresAsJson(reading, figures)
                      .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
                  '\n'
            : station::RenderReportPage(
                  reading, figures, options.localTime ? station::PageTimes::Local : station::PageTimes::Utc);
    if (reading.invalidLines > 0) {
        const station::InvalidLine& first = reading.invalid.front();
        ctx.err << "zt51xx-mp: "
                << station::Counted(reading.invalidLines, "line is not a record and was left out:",
                                    "lines are not records and were left out, the first")
                << ' ' << first.file << ':' << first.line << " (" << first.reason << ")\n";
    }
    if (options.output.empty()) {
        ctx.out << document << std::flush;
        ctx.exitCode = kExitOk;
        return;
    }
    std::string error;
    if (!HostFiles().WriteFileAtomically(
            options.output, std::as_bytes(std::span(document.data(), document.size())), &error)) {
        ctx.err << "zt51xx-mp: cannot write " << options.output << ": " << error << '\n';
        ctx.exitCode = kExitIoError;
        return;
    }
    ctx.exitCode = kExitOk;
}

}  // namespace

void AddReportCommand(CLI::App& app, CommandContext& ctx) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* report = app.add_subcommand(
        "report",
        "Sum up station logs (the --log files of write, station, erase, read and verify, several "
        "stations at once) as one HTML page with charts: units per hour, yield overall, per station and per "
        "port, the failure codes by frequency with their meaning, job durations, and first-pass yield where "
        "units carry a serial or barcode");
    report
        ->add_option("log", options->logs,
                     "station log files (one JSON line per job); - reads one from standard input")
        ->required();
    report->add_option("--output,-o", options->output,
                       "write the page (or the JSON) to this file; default stdout");
    report->add_flag("--json", options->json, "the same figures as one JSON object instead of the page");
    report
        ->add_option("--since", options->since,
                     std::string("only jobs started at or after this time: ") + station::kReportTimeForms +
                         "; a date alone is the start of that day")
        ->type_name("TIME");
    report
        ->add_option("--until", options->until,
                     "only jobs started before this time, in the same forms; a date alone takes in the "
                     "whole of that day")
        ->type_name("TIME");
    report
        ->add_option("--station", options->stations,
                     "only the jobs of this station (its stationId, or its host when it has none); repeat "
                     "it for several")
        ->type_name("NAME")
        ->allow_extra_args(false);
    report->add_flag("--local-time", options->localTime,
                     "show the page's times in this computer's time zone (named on the page) instead of UTC, "
                     "and take --since and --until without a zone in it; --json stays in UTC");
    report->footer(
        "\nA line that is not a record (a torn line, another program's output) is counted and named on "
        "stderr "
        "and in the report; it does not stop the report. The station is a record's stationId, or its host.\n"
        "\nUnits per hour are the units finished in an hour, passed and failed alike, as a station's "
        "counters "
        "count them; passed per hour are those that passed.\n"
        "\nExit codes: 0 report written, 2 bad command line (also -o naming one of the logs, or a --since or "
        "--until that is none of the forms above), 4 a log could not be read or the output not written.\n"
        "\nExamples:\n"
        "  zt51xx-mp report station1.log station2.log -o shift.html\n"
        "  zt51xx-mp report /var/log/zt51xx-mp/*.log --json\n"
        "  zt51xx-mp report st*.log --since 2026-12-07T06:00 --until 2026-12-07T14:00 --local-time -o "
        "early.html\n"
        "  journalctl -o cat --output-fields=ZT_JSON MESSAGE_ID=eb5d9b56275d496e99c2ec9e4935fb82 | "
        "zt51xx-mp report - --station line1-st2\n");
    report->callback([&ctx, options] { Report(*options, ctx); });
}

}  // namespace zt::cli
