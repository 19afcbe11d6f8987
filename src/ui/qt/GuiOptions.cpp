#include "ui/qt/GuiOptions.h"

#include <QCommandLineParser>

#include "station/ExitCodes.h"
#include "station/SimFaultNames.h"
#include "station/StationConfig.h"
#include "ui/qt/BrokerGuiOptions.h"

namespace zt::qt {

namespace {

using station::kExitIoError;
using station::kExitUsage;

// What a station script reads from the tool when its window has closed.
constexpr const char* kExitCodeHelp =
    "\nExit codes:\n"
    "  0    every job ended OK (or none ran)\n"
    "  1    the last job failed, or with --station any unit of the run did; a job\n"
    "       stopped by closing the window counts as failed (with --screenshot:\n"
    "       the picture was not saved)\n"
    "  2    bad command line\n"
    "  3    no device backend for this system\n"
    "  4    the log could not be opened or written, or a station settings file read\n"
    "  130  ended by SIGINT, 143 by SIGTERM (every unit still in its job is logged\n"
    "       as INTERRUPTED)\n";

// Every option of the tool, with its help text and default.
struct GuiOptionDefinitions {
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help.")};
    const QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version and exit.")};
    const QCommandLineOption simulate{
        QStringLiteral("simulate"), QStringLiteral("Run against a simulated chip instead of real devices.")};
    const QCommandLineOption variant{QStringLiteral("variant"),
                                     QStringLiteral("Chip variant of the simulated chip: A, B or unknown."),
                                     QStringLiteral("A|B|unknown"), QStringLiteral("A")};
    const QCommandLineOption units{QStringLiteral("units"),
                                   QStringLiteral("Number of simulated chips, each on a port of its own."),
                                   QStringLiteral("N"), QStringLiteral("1")};
    const QCommandLineOption fault{
        QStringLiteral("fault"),
        QStringLiteral("Fault of the simulated chips, or with U: of unit U only (repeatable; see "
                       "--list-faults)."),
        QStringLiteral("[U:]NAME")};
    const QCommandLineOption listFaults{QStringLiteral("list-faults"),
                                        QStringLiteral("List the faults the simulated chip knows.")};
    const QCommandLineOption simClock{
        QStringLiteral("sim-clock"),
        QStringLiteral("Simulated time: device pauses and time-outs take no time.")};
    const QCommandLineOption station{
        QStringLiteral("station"),
        QStringLiteral("Show every unit present in a row of its own and write them all at once.")};
    const QCommandLineOption replug{
        QStringLiteral("replug"),
        QStringLiteral(
            "With --station: 'power' re-plugs each unit by switching its hub port off and on where the "
            "hub can (the others are left to the prompt); 'operator' (default) asks."),
        QStringLiteral("operator|power"), QStringLiteral("operator")};
    const QCommandLineOption log{
        QStringLiteral("log"),
        QStringLiteral("Append one JSON line per job (with --station: per unit and job) to FILE, synced "
                       "before the window reports the job's end; a log that cannot be opened stops the "
                       "tool before its window shows (exit 4)."),
        QStringLiteral("FILE")};
    const QCommandLineOption stationId{QStringLiteral("station-id"),
                                       QStringLiteral("This station's name in every record."),
                                       QStringLiteral("ID")};
    const QCommandLineOption operatorName{QStringLiteral("operator"),
                                          QStringLiteral("The operator's name in every record."),
                                          QStringLiteral("NAME")};
    const QCommandLineOption workOrder{QStringLiteral("work-order"),
                                       QStringLiteral("The work order in every record."),
                                       QStringLiteral("WO")};
    const QCommandLineOption config{
        QStringLiteral("config"),
        QStringLiteral("Read station-id, operator and work-order from FILE (\"key = value\" lines) instead "
                       "of /etc/zt51xx-mp/station.conf and ~/.config/zt51xx-mp/station.conf; the options "
                       "win over it. The station window shows them, to be changed between runs."),
        QStringLiteral("FILE")};
    const QCommandLineOption autoOk{QStringLiteral("auto-ok"),
                                    QStringLiteral("Answer every message box with OK at once.")};
    const QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window to FILE during a job (with --station: once it has "
                       "ended), then close."),
        QStringLiteral("FILE")};
    const QCommandLineOption screenshotAt{QStringLiteral("screenshot-at"),
                                          QStringLiteral("Progress (0..100) at which --screenshot is taken."),
                                          QStringLiteral("N"), QStringLiteral("40")};
};

void DefineOptions(QCommandLineParser& parser, const GuiOptionDefinitions& d) {
    parser.setApplicationDescription(QStringLiteral(
        "Programs the configuration EEPROM of ZT51xx USB audio controllers (production line).\n"
        "SIGINT, SIGTERM and SIGHUP close the window properly; the exit code is then 130, 143 or 129.\n"
        "Without a usable single-instance lock the tool does not start (exit 6)."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({d.help, d.version, d.simulate, d.variant, d.units, d.fault, d.listFaults, d.simClock,
                       d.station, d.replug, d.log, d.stationId, d.operatorName, d.workOrder, d.config,
                       d.autoOk, d.screenshot, d.screenshotAt});
    AddBrokerOptions(parser);
}

GuiCommandLine Stop(int exitCode, QString text) {
    GuiCommandLine result;
    result.exitCode = exitCode;
    result.text = std::move(text);
    return result;
}

QString FaultList() {
    QString text;
    for (const auto& [name, description] : sim::FaultNames())
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromStdString(name), -22)
                    .arg(QString::fromStdString(description));
    return text;
}

// A line the parser refuses, or one that asks only for a text (help,
// version, the fault list): the tool ends with it before any window.
std::optional<GuiCommandLine> ReadStoppingRequests(QCommandLineParser& parser, const GuiOptionDefinitions& d,
                                                   const QStringList& arguments) {
    if (!parser.parse(arguments)) return Stop(kExitUsage, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return Stop(kExitUsage,
                    QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(d.help)) {
        // Parsed before the application object exists: name the program ourselves.
        return Stop(0, parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                 QStringLiteral("zt51xx-mp-gui")) +
                           QString::fromUtf8(kExitCodeHelp));
    }
    if (parser.isSet(d.version)) return Stop(0, QStringLiteral("zt51xx-mp-gui " ZT_VERSION "\n"));
    if (parser.isSet(d.listFaults)) return Stop(0, FaultList());
    return std::nullopt;
}

// The simulator's options as typed; CheckSimulation judges them once the
// rest of the line has been read.
bool ReadSimulation(const QCommandLineParser& parser, const GuiOptionDefinitions& d, GuiOptions* o,
                    sim::SimulationArguments* simulation, QString* error) {
    o->simulate = parser.isSet(d.simulate);
    simulation->variant = parser.value(d.variant).toStdString();
    for (const QString& f : parser.values(d.fault)) simulation->faults.push_back(f.toStdString());
    simulation->simulatedClock = parser.isSet(d.simClock);
    bool numeric = false;
    simulation->units = parser.value(d.units).toInt(&numeric);
    if (!numeric) *error = QStringLiteral("--units wants a number of chips");
    return numeric;
}

bool ReadStation(const QCommandLineParser& parser, const GuiOptionDefinitions& d, GuiOptions* o,
                 QString* error) {
    o->station = parser.isSet(d.station);
    const QString method = parser.value(d.replug);
    if (method != QStringLiteral("operator") && method != QStringLiteral("power")) {
        *error = QStringLiteral("--replug wants operator or power");
        return false;
    }
    if (parser.isSet(d.replug) && !o->station) {
        *error = QStringLiteral("--replug needs --station");
        return false;
    }
    o->replugByPower = method == QStringLiteral("power");
    o->logPath = parser.value(d.log);
    return true;
}

// Who runs the station: the options over the station settings, read like
// the command line's.
bool ReadIdentity(const QCommandLineParser& parser, const GuiOptionDefinitions& d, GuiOptions* o,
                  QString* error, int* exitCode) {
    const auto given = [&](const QCommandLineOption& option) -> std::optional<std::string> {
        if (!parser.isSet(option)) return std::nullopt;
        return parser.value(option).toStdString();
    };
    station::StationConfig config;
    std::string reason;
    if (!config.ReadFiles(parser.value(d.config).toStdString(), &reason)) {
        *exitCode = kExitIoError;
    } else if (!station::ResolveIdentity({given(d.stationId), given(d.operatorName), given(d.workOrder)},
                                         config, &o->identity, &reason)) {
        *exitCode = kExitUsage;
    } else {
        return true;
    }
    *error = QString::fromStdString(reason);
    return false;
}

bool ReadUnattended(const QCommandLineParser& parser, const GuiOptionDefinitions& d, GuiOptions* o,
                    QString* error) {
    o->autoOk = parser.isSet(d.autoOk);
    o->screenshotPath = parser.value(d.screenshot);
    bool numeric = false;
    o->screenshotAtProgress = parser.value(d.screenshotAt).toInt(&numeric);
    if (!numeric || o->screenshotAtProgress < 0 || o->screenshotAtProgress > 100) {
        *error = QStringLiteral("--screenshot-at wants a progress from 0 to 100");
        return false;
    }
    return true;
}

// The simulator's options only with --simulate, and then a known variant,
// known faults and units the simulator can build.
bool CheckSimulation(const QCommandLineParser& parser, const GuiOptionDefinitions& d,
                     const sim::SimulationArguments& simulation, GuiOptions* o, QString* error) {
    if (!o->simulate && (parser.isSet(d.variant) || parser.isSet(d.units) || !simulation.faults.empty() ||
                         simulation.simulatedClock)) {
        *error = QStringLiteral("--variant, --units, --fault and --sim-clock need --simulate");
        return false;
    }
    std::string reason;
    if (!sim::ParseSimulationArguments(simulation, &o->simulation, &reason)) {
        *error = QString::fromStdString(reason);
        return false;
    }
    return true;
}

}  // namespace

GuiCommandLine ParseGuiCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const GuiOptionDefinitions definitions;
    DefineOptions(parser, definitions);
    if (auto stop = ReadStoppingRequests(parser, definitions, arguments)) return *stop;

    // In this order, so that a line with several mistakes names the same one
    // first every time.
    GuiCommandLine result;
    sim::SimulationArguments simulation;
    QString error;
    if (!ReadSimulation(parser, definitions, &result.options, &simulation, &error) ||
        !ReadStation(parser, definitions, &result.options, &error) ||
        !ReadUnattended(parser, definitions, &result.options, &error) ||
        !CheckSimulation(parser, definitions, simulation, &result.options, &error))
        return Stop(kExitUsage, error);
    // Last: a usage error is named before a file is looked at.
    int exitCode = kExitUsage;
    if (!ReadIdentity(parser, definitions, &result.options, &error, &exitCode)) return Stop(exitCode, error);
    result.options.broker = ReadBrokerOptions(parser);
    return result;
}

}  // namespace zt::qt
