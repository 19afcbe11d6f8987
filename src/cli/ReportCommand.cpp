#include <CLI/CLI.hpp>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "host/HostSystem.h"
#include "station/report/FiguresJson.h"
#include "station/report/ReportPage.h"
#include "station/report/StationFigures.h"
#include "station/report/StationLogReading.h"

// `report LOG...`: what the station logs of a shift or a week say, as one
// HTML page with charts or, with --json, as one object of figures.
namespace zt::cli {

namespace {

struct ReportOptions {
    std::vector<std::string> logs;
    std::string output;  // "": stdout
    bool json = false;
};

// Only regular files are read, so that a FIFO or a device named by mistake
// is refused instead of blocking or filling memory.
bool ReadLog(const std::string& path, std::string* text, std::string* error) {
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
    text->resize(std::filesystem::file_size(path, ec));
    in.read(text->data(), std::streamsize(text->size()));
    // A log that another tool appends to while it is read is taken as far as it was.
    text->resize(size_t(in.gcount()));
    if (in.bad()) {
        *error = "read error";
        return false;
    }
    return true;
}

void Report(const ReportOptions& options, CommandContext& ctx) {
    station::StationLogReading reading;
    for (const std::string& path : options.logs) {
        std::string text, error;
        if (!ReadLog(path, &text, &error)) {
            ctx.err << "zt51xx-mp: cannot read the log " << path << ": " << error << '\n';
            ctx.exitCode = kExitIoError;
            return;
        }
        reading.AddLog(path, text);
    }
    const station::StationFigures figures = station::ComputeStationFigures(reading.jobs);
    const std::string document =
        options.json ? station::FiguresAsJson(reading, figures)
                               .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
                           '\n'
                     : station::RenderReportPage(reading, figures);
    if (!reading.invalid.empty()) {
        const station::InvalidLine& first = reading.invalid.front();
        ctx.err << "zt51xx-mp: " << reading.invalid.size() << " line"
                << (reading.invalid.size() == 1 ? " is" : "s are") << " not a record and left out, the first "
                << first.file << ':' << first.line << " (" << first.reason << ")\n";
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
        "Sum up station logs (--log files of write, several stations at once) as one HTML page with charts: "
        "units per hour, yield overall, per station and per port, the failure codes by frequency with their "
        "meaning, job durations, and first-pass yield where units carry a serial or barcode");
    report->add_option("log", options->logs, "station log files (one JSON line per job)")->required();
    report->add_option("--output,-o", options->output,
                       "write the page (or the JSON) to this file; default stdout");
    report->add_flag("--json", options->json, "the same figures as one JSON object instead of the page");
    report->footer(
        "\nA line that is not a record (a torn line, another program's output) is counted and named on "
        "stderr "
        "and in the report; it does not stop the report. The station is a record's stationId, or its host.\n"
        "\nExit codes: 0 report written, 2 bad command line, 4 a log could not be read or the output not "
        "written.\n"
        "\nExamples:\n"
        "  zt51xx-mp report station1.log station2.log -o shift.html\n"
        "  zt51xx-mp report /var/log/zt51xx-mp/*.log --json\n");
    report->callback([&ctx, options] { Report(*options, ctx); });
}

}  // namespace zt::cli
