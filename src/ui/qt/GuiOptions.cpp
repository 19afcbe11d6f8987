#include "ui/qt/GuiOptions.h"

#include <QCommandLineParser>

#include "platform/sim/SimChip.h"
#include "station/ExitCodes.h"

namespace zt::qt {

namespace {

using station::kExitUsage;

GuiCommandLine Stop(int exitCode, QString text) {
    GuiCommandLine result;
    result.exitCode = exitCode;
    result.text = std::move(text);
    return result;
}

}  // namespace

GuiCommandLine ParseGuiCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Programs the configuration EEPROM of ZT51xx USB audio controllers (production line)."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"), QStringLiteral("Run against a simulated chip instead of real devices."));
    const QCommandLineOption variant(QStringLiteral("variant"),
                                     QStringLiteral("Chip variant of the simulated chip: A, B or unknown."),
                                     QStringLiteral("A|B|unknown"), QStringLiteral("A"));
    const QCommandLineOption units(QStringLiteral("units"),
                                   QStringLiteral("Number of simulated chips, each on a port of its own."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("Fault of the simulated chips, or with U: of unit U only (repeatable; see "
                       "--list-faults)."),
        QStringLiteral("[U:]NAME"));
    const QCommandLineOption listFaults(QStringLiteral("list-faults"),
                                        QStringLiteral("List the faults the simulated chip knows."));
    const QCommandLineOption simClock(
        QStringLiteral("sim-clock"),
        QStringLiteral("Simulated time: device pauses and time-outs take no time."));
    const QCommandLineOption station(
        QStringLiteral("station"),
        QStringLiteral("Show every unit present in a row of its own and write them all at once."));
    const QCommandLineOption replug(
        QStringLiteral("replug"),
        QStringLiteral(
            "With --station: 'power' re-plugs each unit by switching its hub port off and on where the "
            "hub can (the others are left to the prompt); 'operator' (default) asks."),
        QStringLiteral("operator|power"), QStringLiteral("operator"));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("With --station: append one JSON line per unit and job to FILE, synced before the "
                       "window reports the job's end; a log that cannot be opened stops the tool at once."),
        QStringLiteral("FILE"));
    const QCommandLineOption autoOk(QStringLiteral("auto-ok"),
                                    QStringLiteral("Answer every message box with OK at once."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window to FILE during a job (with --station: once it has "
                       "ended), then close."),
        QStringLiteral("FILE"));
    const QCommandLineOption screenshotAt(QStringLiteral("screenshot-at"),
                                          QStringLiteral("Progress (0..100) at which --screenshot is taken."),
                                          QStringLiteral("N"), QStringLiteral("40"));
    parser.addOptions({help, version, simulate, variant, units, fault, listFaults, simClock, station, replug,
                       log, autoOk, screenshot, screenshotAt});

    if (!parser.parse(arguments)) return Stop(kExitUsage, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return Stop(kExitUsage,
                    QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        // Parsed before the application object exists: name the program ourselves.
        return Stop(0, parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                 QStringLiteral("zt51xx-mp-gui")));
    }
    if (parser.isSet(version)) return Stop(0, QStringLiteral("zt51xx-mp-gui " ZT_VERSION "\n"));
    if (parser.isSet(listFaults)) {
        QString text;
        for (const auto& [name, description] : sim::FaultNames())
            text += QStringLiteral("  %1  %2\n")
                        .arg(QString::fromStdString(name), -22)
                        .arg(QString::fromStdString(description));
        return Stop(0, text);
    }

    GuiCommandLine result;
    GuiOptions& o = result.options;
    o.simulate = parser.isSet(simulate);
    sim::SimulatedMachine::Arguments simulation;
    simulation.variant = parser.value(variant).toStdString();
    for (const QString& f : parser.values(fault)) simulation.faults.push_back(f.toStdString());
    simulation.simulatedClock = parser.isSet(simClock);
    bool numeric = false;
    simulation.units = parser.value(units).toInt(&numeric);
    if (!numeric) return Stop(kExitUsage, QStringLiteral("--units wants a number of chips"));
    o.station = parser.isSet(station);
    const QString method = parser.value(replug);
    if (method != QStringLiteral("operator") && method != QStringLiteral("power"))
        return Stop(kExitUsage, QStringLiteral("--replug wants operator or power"));
    if (parser.isSet(replug) && !o.station)
        return Stop(kExitUsage, QStringLiteral("--replug needs --station"));
    o.replugByPower = method == QStringLiteral("power");
    o.logPath = parser.value(log);
    if (parser.isSet(log) && !o.station) return Stop(kExitUsage, QStringLiteral("--log needs --station"));
    o.autoOk = parser.isSet(autoOk);
    o.screenshotPath = parser.value(screenshot);

    o.screenshotAtProgress = parser.value(screenshotAt).toInt(&numeric);
    if (!numeric || o.screenshotAtProgress < 0 || o.screenshotAtProgress > 100)
        return Stop(kExitUsage, QStringLiteral("--screenshot-at wants a progress from 0 to 100"));

    if (!o.simulate && (parser.isSet(variant) || parser.isSet(units) || !simulation.faults.empty() ||
                        simulation.simulatedClock))
        return Stop(kExitUsage,
                    QStringLiteral("--variant, --units, --fault and --sim-clock need --simulate"));
    std::string error;
    if (!sim::SimulatedMachine::ParseArguments(simulation, &o.simulation, &error))
        return Stop(kExitUsage, QString::fromStdString(error));
    return result;
}

}  // namespace zt::qt
