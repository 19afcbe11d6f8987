#include "ui/qt/GuiOptions.h"

#include <QCommandLineParser>
#include <algorithm>
#include <vector>

#include "station/config/ExitCodes.h"
#include "station/config/SimFaultNames.h"
#include "station/config/StationConfig.h"
#include "station/operator/OperatorText.h"
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
        QStringLiteral("Take the options the command line leaves out from FILE (\"key = value\" lines, "
                       "each key an option's long name, e.g. \"station = true\", \"operator = Ana\") "
                       "instead of /etc/zt51xx-mp/station.conf and ~/.config/zt51xx-mp/station.conf. The "
                       "station window shows the station-id, operator and work-order, to be changed "
                       "between runs."),
        QStringLiteral("FILE")};
    const QCommandLineOption serial{
        QStringLiteral("serial"),
        QStringLiteral("With --station: give each unit its own USB serial string, as the command line's "
                       "--serial does: counter:START[:STEP] or file:PATH, every serial entered in the same "
                       "serial ledger of the state folder before its unit is touched, so none is handed "
                       "out twice."),
        QStringLiteral("SOURCE")};
    const QCommandLineOption bell{
        QStringLiteral("bell"), QStringLiteral("With --station: ring the system's bell when a unit fails.")};
    const QCommandLineOption preCheck{
        QStringLiteral("pre-check"),
        QStringLiteral("With --station: before each unit is touched, run COMMAND through /bin/sh -c (cmd /c "
                       "on Windows) with the unit's facts as one JSON line on its standard input; only exit "
                       "status 0 lets the unit be written (else 00011A01, or 00011A02 when it cannot be "
                       "started, crashes or does not answer in time); {\"serial\":\"...\"} on its standard "
                       "output gives the unit that serial (00011A03 when it does not fit or was handed out "
                       "before)."),
        QStringLiteral("COMMAND")};
    const QCommandLineOption preCheckTimeout{
        QStringLiteral("pre-check-timeout"),
        QStringLiteral("Seconds the --pre-check program has to answer before it is killed and the unit "
                       "refused (0.1 to 600; default 10)."),
        QStringLiteral("SECONDS"), QStringLiteral("10")};
    const QCommandLineOption autoOk{QStringLiteral("auto-ok"),
                                    QStringLiteral("Answer every message box with OK at once.")};
    const QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window to FILE during a job (with --station: once it has "
                       "ended), then close."),
        QStringLiteral("FILE")};
    const QCommandLineOption language{
        QStringLiteral("language"),
        QStringLiteral("Show the windows in LANG (zh_CN, de, or C for the English texts) instead of the "
                       "system's language."),
        QStringLiteral("LANG")};
    const QCommandLineOption screenshotAt{QStringLiteral("screenshot-at"),
                                          QStringLiteral("Progress (0..100) at which --screenshot is taken."),
                                          QStringLiteral("N"), QStringLiteral("40")};
};

// Every option, in the order --help shows them.
QList<QCommandLineOption> AllOptions(const GuiOptionDefinitions& d) {
    return QList<QCommandLineOption>{
               d.help,       d.version,      d.simulate,     d.variant,         d.units,
               d.fault,      d.listFaults,   d.simClock,     d.station,         d.replug,
               d.log,        d.stationId,    d.operatorName, d.workOrder,       d.config,
               d.serial,     d.bell,         d.preCheck,     d.preCheckTimeout, d.autoOk,
               d.screenshot, d.screenshotAt, d.language} +
           BrokerOptionList();
}

void DefineOptions(QCommandLineParser& parser, const GuiOptionDefinitions& d) {
    parser.setApplicationDescription(QStringLiteral(
        "Programs the configuration EEPROM of ZT51xx USB audio controllers (production line).\n"
        "SIGINT, SIGTERM and SIGHUP close the window properly; the exit code is then 130, 143 or 129.\n"
        "Without a usable single-instance lock the tool does not start (exit 6)."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(AllOptions(d));
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
    if ((parser.isSet(d.serial) || parser.isSet(d.bell)) && !o->station) {
        *error = QStringLiteral("--serial and --bell need --station");
        return false;
    }
    o->bell = parser.isSet(d.bell);
    if (parser.isSet(d.preCheck)) {
        if (!o->station || parser.value(d.preCheck).isEmpty()) {
            *error = QStringLiteral("--pre-check needs --station and a command");
            return false;
        }
        o->preCheck = parser.value(d.preCheck).toStdString();
    }
    bool numeric = false;
    const double seconds = parser.value(d.preCheckTimeout).toDouble(&numeric);
    if (!numeric || seconds < 0.1 || seconds > 600) {
        *error = QStringLiteral("--pre-check-timeout wants seconds from 0.1 to 600");
        return false;
    }
    o->preCheckTimeout = std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000 + 0.5));
    return true;
}

// The serial source, checked against the built-in images and with its
// ledger open, before any window: a source that cannot serve stops the tool.
bool ReadSerials(const QCommandLineParser& parser, const GuiOptionDefinitions& d, GuiOptions* o,
                 QString* error, int* exitCode) {
    if (!parser.isSet(d.serial)) return true;
    std::string reason;
    const auto length = station::ImageSerialLength(std::nullopt, &reason);
    if (length) {
        o->serials = station::SerialNumbers::Parse(parser.value(d.serial).toStdString(), *length, "", &reason,
                                                   exitCode);
        if (o->serials) return true;
    } else {
        *exitCode = kExitUsage;
        reason = "--serial: " + reason;
    }
    *error = QString::fromStdString(reason);
    return false;
}

// Who runs the station, as given (the settings file's lines are options by
// now).
bool ReadIdentity(const QCommandLineParser& parser, const GuiOptionDefinitions& d, GuiOptions* o,
                  QString* error) {
    const auto given = [&](const QCommandLineOption& option) -> std::optional<std::string> {
        if (!parser.isSet(option)) return std::nullopt;
        return parser.value(option).toStdString();
    };
    const station::StationConfig noFile;
    std::string reason;
    if (station::ResolveIdentity({given(d.stationId), given(d.operatorName), given(d.workOrder)}, noFile,
                                 &o->identity, &reason))
        return true;
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

bool ReadLanguage(const QCommandLineParser& parser, const GuiOptionDefinitions& d, GuiOptions* o,
                  QString* error) {
    if (!parser.isSet(d.language)) return true;
    o->language = parser.value(d.language);
    std::string reason;
    if (station::CheckLanguageChoice(o->language.toStdString(), &reason)) return true;
    *error = QString::fromStdString(reason);
    return false;
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

// The options of one line, checked; a usage error in `error`.
std::optional<GuiOptions> ReadOptions(const QStringList& arguments, QString* error) {
    QCommandLineParser parser;
    const GuiOptionDefinitions d;
    DefineOptions(parser, d);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    // In this order, so that a line with several mistakes names the same one
    // first every time.
    GuiOptions options;
    sim::SimulationArguments simulation;
    if (!ReadSimulation(parser, d, &options, &simulation, error) ||
        !ReadStation(parser, d, &options, error) || !ReadUnattended(parser, d, &options, error) ||
        !ReadLanguage(parser, d, &options, error) ||
        !CheckSimulation(parser, d, simulation, &options, error) || !ReadIdentity(parser, d, &options, error))
        return std::nullopt;
    return options;
}

// The settings file's lines as options, for those the command line left
// out: "key = value" is --key=value, a flag's "key = true" is --key. Keys
// that are no option of this program are passed over (the file also holds
// the command line's).
struct SettingArgument {
    QString argument;
    std::string origin;
};
bool SettingArguments(const QCommandLineParser& parser, const GuiOptionDefinitions& d,
                      const station::StationConfig& config, std::vector<SettingArgument>* arguments,
                      QString* error) {
    const QList<QCommandLineOption> options = AllOptions(d);
    for (const station::ConfigEntry& entry : config.entries) {
        const QString key = QString::fromStdString(entry.key);
        if (key == QStringLiteral("help") || key == QStringLiteral("version") ||
            key == QStringLiteral("config") || key == QStringLiteral("list-faults") || parser.isSet(key))
            continue;
        const auto option = std::find_if(options.begin(), options.end(), [&](const QCommandLineOption& o) {
            return o.names().contains(key);
        });
        if (option == options.end() || parser.isSet(*option)) continue;
        if (option->valueName().isEmpty()) {
            bool on = false;
            if (!station::ConfigFlagValue(entry.value, &on)) {
                *error = QString::fromStdString(entry.origin + ": " + entry.key + ": expected true or false");
                return false;
            }
            if (on) arguments->push_back({QStringLiteral("--") + key, entry.origin});
        } else {
            arguments->push_back(
                {QStringLiteral("--%1=%2").arg(key, QString::fromStdString(entry.value)), entry.origin});
        }
    }
    return true;
}

}  // namespace

GuiCommandLine ParseGuiCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const GuiOptionDefinitions definitions;
    DefineOptions(parser, definitions);
    if (auto stop = ReadStoppingRequests(parser, definitions, arguments)) return *stop;

    QString error;
    station::StationConfig config;
    std::string reason;
    if (!config.ReadFiles(parser.value(definitions.config).toStdString(), &reason))
        return Stop(kExitIoError, QString::fromStdString(reason));
    std::vector<SettingArgument> settings;
    if (!SettingArguments(parser, definitions, config, &settings, &error)) return Stop(kExitUsage, error);

    QStringList line = arguments;
    for (const SettingArgument& setting : settings) line << setting.argument;
    GuiCommandLine result;
    if (const auto options = ReadOptions(line, &error)) {
        result.options = *options;
        // Last, once the line is sound: the serial source opens its ledger.
        QCommandLineParser full;
        DefineOptions(full, definitions);
        full.parse(line);
        int exitCode = kExitUsage;
        if (!ReadSerials(full, definitions, &result.options, &error, &exitCode)) return Stop(exitCode, error);
        result.options.broker = ReadBrokerOptions(full);
        return result;
    }
    // The first setting that makes the line wrong is named by its file and
    // line; a line wrong by itself is named as it is.
    line = arguments;
    if (!ReadOptions(line, &error)) return Stop(kExitUsage, error);
    for (const SettingArgument& setting : settings) {
        line << setting.argument;
        if (!ReadOptions(line, &error))
            return Stop(kExitUsage, QString::fromStdString(setting.origin) + ": " + error);
    }
    return Stop(kExitUsage, error);
}

}  // namespace zt::qt
