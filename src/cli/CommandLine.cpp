#include <CLI/CLI.hpp>
#include <exception>
#include <ostream>
#include <string>

#include "cli/Commands.h"
#include "cli/HelpFormatter.h"
#include "cli/UnknownCommand.h"
#include "station/operator/OperatorText.h"

namespace zt::cli {

namespace {

// A usage error is one line, as every other refusal of the tool: a script
// that reads the first line of stderr reads all of it.
std::string UsageLine(const CLI::App*, const CLI::Error& e) {
    std::string what = e.what();
    for (size_t at; (at = what.find('\n')) != std::string::npos;) what.replace(at, 1, "; ");
    while (!what.empty() && (what.back() == ' ' || what.back() == ';')) what.pop_back();
    return "zt51xx-mp: " + what + " (see --help)\n";
}

int RunCommands(int argc, const char* const* argv, CommandContext& ctx) {
    CLI::App app{
        "zt51xx-mp: programs the configuration EEPROM of ZT51xx USB audio controllers on the production "
        "line.\n"
        "Run 'zt51xx-mp COMMAND --help' for the options of a command.",
        "zt51xx-mp"};
    // Before the commands: each takes its parent's formatter when it is added.
    app.formatter(std::make_shared<HelpFormatter>(HelpWidth()));
    app.require_subcommand(1);
    app.failure_message(UsageLine);
    // --version is the short form scripts and packagers expect; --version-info
    // keeps the longer text that names the dialog this tool stands for.
    app.set_version_flag("--version", "zt51xx-mp " ZT_VERSION);
    app.add_flag_callback(
        "--version-info",
        [] {
            throw CLI::CallForVersion("zt51xx-mp " ZT_VERSION " (ZT5160 Write EEPROM (MP) v2.3 16K16B)", 0);
        },
        "Display the version and the dialog it stands for, then exit");
    // Its callback runs once the line is read, before any command's.
    app.add_option_function<std::string>(
           "--language", [](const std::string& language) { station::SetOperatorLanguage(language); },
           "Say the operator's texts in LANG (zh_CN, de, or C for the English texts) instead of the "
           "system's language; records, JSON and codes stay the same")
        ->type_name("LANG")
        ->check([](const std::string& language) {
            std::string reason;
            return station::CheckLanguageChoice(language, &reason) ? std::string() : reason;
        });
    AddImageCommands(app, ctx);
    AddDeviceCommands(app, ctx);
    AddUnitImageCommands(app, ctx);
    AddExplainCommand(app, ctx);
    AddReportCommand(app, ctx);
    AddPublishCommands(app, ctx);
    // After the commands, which would otherwise take it over as their own.
    app.footer(
        "Exit codes: 0 done, 1 the job, erase or version query failed, 2 bad command line, 3 no device "
        "(list), no permission or no backend, 4 a file could not be written or read, 5 the unit is held by "
        "another "
        "job, 6 the unit's lock could not be taken, 70 internal error, 129 after SIGHUP, 130 after Ctrl-C, "
        "143 after "
        "SIGTERM.");
    // A mistyped command is named with the one meant, before the parser
    // reports it as a missing command.
    if (const auto unknown = UnknownCommandLine(app, argc, argv)) {
        ctx.err << *unknown;
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e, ctx.out, ctx.err);
        return rc == 0 ? kExitOk : kExitUsage;
    }
    return ctx.exitCode;
}

void ReportInternalError(CommandContext& ctx, const char* what) {
    try {
        ctx.err << "zt51xx-mp: internal error: " << what << std::endl;
    } catch (...) {
        // Nowhere left to say it; the exit code still does.
    }
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, CommandContext& ctx) {
    // The last resort: whatever escapes a command ends the run with one line
    // and an exit code of its own, never with an abort.
    try {
        return RunCommands(argc, argv, ctx);
    } catch (const std::exception& e) {
        ReportInternalError(ctx, e.what());
    } catch (...) {
        ReportInternalError(ctx, "unknown exception");
    }
    return kExitInternalError;
}

}  // namespace zt::cli
