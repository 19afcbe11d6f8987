#pragma once
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "station/config/SimulationArguments.h"
#include "station/publish/BrokerOptions.h"
#include "station/records/StationIdentity.h"
#include "station/serials/SerialNumbers.h"

namespace zt::qt {

// The command line of zt51xx-mp-gui.
//   --simulate [--variant A|B|unknown] [--units N] [--fault [U:]NAME]... [--sim-clock]
//       run against simulated chips instead of the machine's devices
//   --station                   one row per unit present and one button that
//                               writes them all at once, instead of the dialog
//   --log FILE                  the station log: one line per job (per unit with --station)
//   --serial SOURCE             with --station: each unit's own serial, as the command line's
//                               (counter:START[:STEP] or file:PATH, the same serial ledger)
//   --bell                      with --station: a failed unit rings the system's bell
//   --mqtt URL [--mqtt-prefix P --mqtt-ca F --mqtt-cert F --mqtt-key F --mqtt-user U
//       --mqtt-password-file F --mqtt-insecure]
//                               also deliver the log's records to an MQTT broker
//   --auto-ok                   answer every message box with OK (unattended demos)
//   --station-id ID --operator NAME --work-order WO
//       who runs the station, for every record
//   --config FILE
//       the station settings (else the system's and the user's files): each
//       option the line leaves out, by its long name ("station = true")
//   --pre-check COMMAND [--pre-check-timeout SECONDS]
//       with --station: run COMMAND before each unit is touched; only a yes
//       (exit 0) lets the unit be written
//   --screenshot FILE [--screenshot-at N]
//       save the window to FILE once the progress bar reaches N (default 40)
//       during a job, then close the tool; with --station, once every unit's
//       job has ended
struct GuiOptions {
    bool simulate = false;
    sim::SimulatedMachine::Options simulation;  // checked: a known variant, known faults
    bool station = false;
    bool replugByPower = false;  // --replug power (with --station)
    // --serial (with --station), checked and its ledger open; none keeps each
    // image's own serial.
    std::shared_ptr<station::SerialNumbers> serials;
    bool bell = false;  // --bell (with --station)
    bool autoOk = false;
    QString screenshotPath;
    QString logPath;  // --log FILE: the station log
    int screenshotAtProgress = 40;
    QString language;  // --language; empty: the system's
    // As given, else from the station settings; the station window's fields
    // start with it.
    station::StationIdentity identity;
    // --pre-check: the program asked before each unit (none: nobody) and
    // how long it has to answer.
    std::optional<std::string> preCheck;
    std::chrono::milliseconds preCheckTimeout{10000};
    station::BrokerOptions broker;  // --mqtt: "" url for none
};

struct GuiCommandLine {
    GuiOptions options;
    // Set when the tool should end at once with this text and exit code
    // (help, fault list, a usage error, station settings that cannot be read).
    std::optional<int> exitCode;
    QString text;
};

// `arguments` includes the program name first, as QCoreApplication::arguments.
GuiCommandLine ParseGuiCommandLine(const QStringList& arguments);

}  // namespace zt::qt
