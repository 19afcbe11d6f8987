#pragma once
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "station/BrokerOptions.h"
#include "station/SimulationArguments.h"
#include "station/StationIdentity.h"

namespace zt::qt {

// The command line of zt51xx-mp-gui.
//   --simulate [--variant A|B|unknown] [--units N] [--fault [U:]NAME]... [--sim-clock]
//       run against simulated chips instead of the machine's devices
//   --station                   one row per unit present and one button that
//                               writes them all at once, instead of the dialog
//   --log FILE                  the station log: one line per job (per unit with --station)
//   --mqtt URL [--mqtt-prefix P --mqtt-ca F --mqtt-cert F --mqtt-key F --mqtt-user U
//       --mqtt-password-file F --mqtt-insecure]
//                               also deliver the log's records to an MQTT broker
//   --auto-ok                   answer every message box with OK (unattended demos)
//   --station-id ID --operator NAME --work-order WO [--config FILE]
//       who runs the station, for every record; what is not given comes from
//       the station settings (FILE, or the system's and the user's files)
//   --screenshot FILE [--screenshot-at N]
//       save the window to FILE once the progress bar reaches N (default 40)
//       during a job, then close the tool; with --station, once every unit's
//       job has ended
struct GuiOptions {
    bool simulate = false;
    sim::SimulatedMachine::Options simulation;  // checked: a known variant, known faults
    bool station = false;
    bool replugByPower = false;  // --replug power (with --station)
    bool autoOk = false;
    QString screenshotPath;
    QString logPath;  // --log FILE: the station log
    int screenshotAtProgress = 40;
    // As given, else from the station settings; the station window's fields
    // start with it.
    station::StationIdentity identity;
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
