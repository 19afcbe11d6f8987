#include "ui/win32/StationMain.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/DialogTemplate.h"
#include "backends/BackendSelection.h"
#include "host/windows/WideText.h"
#include "platform/windows/WindowsInstanceLock.h"
#include "station/config/ExitCodes.h"
#include "station/config/SimulationArguments.h"
#include "station/config/StationConfig.h"
#include "station/records/StationLog.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/PreCheck.h"
#include "ui/win32/Win32StationWindow.h"
#include "ui/win32/WindowCapture.h"

namespace zt::win32 {

namespace {

constexpr const char* kUsage =
    "usage: zt51xx-mp-gui --station [--log FILE] [--replug power|operator]\n"
    "                     [--simulate [--units N] [--fault F]... [--updater] [--variant V] [--sim-clock]]\n"
    "                     [--pre-check COMMAND [--pre-check-timeout SECONDS]]\n"
    "                     [--auto-ok] [--write | --run] [--screenshot FILE]\n"
    "                     [--serial counter:START[:STEP]|file:PATH]\n"
    "                     [--station-id ID] [--operator NAME] [--work-order WO] [--config FILE]";

constexpr unsigned kScreenshotLimitMs = 120000;

void Tell(const std::string& text) {
    // A program built for the desktop has no console of its own; borrow the
    // one it was started from, if any, else show a box.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        const std::string line = text + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
                  nullptr);
        return;
    }
    MessageBoxW(nullptr, host_windows::ToWide(text).c_str(), L"zt51xx-mp-gui", MB_OK | MB_ICONERROR);
}

}  // namespace

bool WantsStation(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--station") return true;
    return false;
}

std::optional<StationOptions> ParseStationOptions(const std::vector<std::string>& args, std::string& error) {
    StationOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--station") {
        } else if (a == "--log" && value(o.logPath)) {
        } else if (a == "--replug" && value(v) && (v == "power" || v == "operator")) {
            o.replug = v == "power" ? ReplugMode::Power : ReplugMode::Operator;
        } else if (a == "--simulate") {
            o.simulate = true;
        } else if (a == "--units" && value(v) && !v.empty() && v.size() <= 2 &&
                   v.find_first_not_of("0123456789") == std::string::npos) {
            o.units = std::atoi(v.c_str());
        } else if (a == "--fault" && value(v)) {
            o.faults.push_back(v);
        } else if (a == "--updater") {
            o.updater = true;
        } else if (a == "--variant" && value(o.variant)) {
        } else if (a == "--sim-clock") {
            o.simClock = true;
        } else if (a == "--pre-check" && value(o.preCheck) && !o.preCheck.empty()) {
        } else if (a == "--pre-check-timeout" && value(v) && std::atof(v.c_str()) >= 0.1 &&
                   std::atof(v.c_str()) <= 600) {
            o.preCheckTimeoutMs = static_cast<int>(std::atof(v.c_str()) * 1000 + 0.5);
        } else if (a == "--auto-ok") {
            o.autoOk = true;
        } else if (a == "--write") {
            o.writeOnce = true;
        } else if (a == "--screenshot" && value(o.screenshotPath)) {
        } else if (a == "--run") {
            o.runStation = true;
        } else if (a == "--serial" && value(v)) {
            o.serial = v;
        } else if (a == "--station-id" && value(v)) {
            o.identity.stationId = v;
        } else if (a == "--operator" && value(v)) {
            o.identity.operatorName = v;
        } else if (a == "--work-order" && value(v)) {
            o.identity.workOrder = v;
        } else if (a == "--config" && value(o.configFile)) {
        } else {
            error = "unknown or incomplete option: " + a + "\n" + kUsage;
            return std::nullopt;
        }
    }
    if (o.writeOnce && o.runStation) {
        error = std::string("--write and --run: one or the other\n") + kUsage;
        return std::nullopt;
    }
    // A picture is of one job, or of a run's first units.
    if (!o.screenshotPath.empty() && !o.runStation) o.writeOnce = true;
    return o;
}

namespace {

// What the window needs before it opens: settings, serials and a log that
// cannot be used stop the tool before any job, with the exit code for it.
struct StationSetup {
    station::StationIdentity identity;
    std::unique_ptr<station::SerialNumbers> serials;
    station::StationLog log;
    int exitCode = station::kExitOk;
};

bool Prepare(const StationOptions& options, const std::function<void(const std::string&)>& tell,
             StationSetup& setup) {
    station::StationConfig config;
    std::string error;
    if (!config.ReadFiles(options.configFile, &error)) {
        tell(error);
        setup.exitCode = station::kExitIoError;
        return false;
    }
    if (!station::ResolveIdentity(options.identity, config, &setup.identity, &error)) {
        tell(error);
        setup.exitCode = station::kExitUsage;
        return false;
    }
    if (options.serial) {
        // Checked against the built-in images, as the Qt window's --serial is.
        setup.exitCode = station::kExitUsage;
        const auto length = station::ImageSerialLength(std::nullopt, &error);
        if (length)
            setup.serials =
                station::SerialNumbers::Parse(*options.serial, *length, "", &error, &setup.exitCode);
        if (!setup.serials) {
            tell("--serial: " + error);
            return false;
        }
        setup.exitCode = station::kExitOk;
    }
    if (!options.logPath.empty() && !setup.log.Open(options.logPath, &error)) {
        tell(error);
        setup.exitCode = station::kExitIoError;
        return false;
    }
    return true;
}

// --write: Write EEPROM once the window is up, and close once that job has
// ended (with its picture for --screenshot).
void WriteOnce(Win32StationWindow& window, const StationOptions& options,
               const std::function<void(const std::string&)>& tell, int& exitCode) {
    window.onInitialised = [&window, &tell, &exitCode] {
        if (IsWindowEnabled(GetDlgItem(window.Window(), kIdWriteEeprom))) {
            PostMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(kIdWriteEeprom, BN_CLICKED), 0);
            return;
        }
        tell("no unit to write");
        exitCode = station::kExitNoDevice;
        window.Close(1);
    };
    window.onJobEnded = [&window, &options, &tell, &exitCode](const std::vector<station::UnitResult>&) {
        if (!options.screenshotPath.empty() && !SaveWindowPng(window.Window(), options.screenshotPath)) {
            tell("could not write " + options.screenshotPath);
            exitCode = station::kExitIoError;
        }
        window.Close(1);
    };
}

// --run: Run station once the window is up; with --screenshot, the picture
// once as many units as --units (else one) have their results, and then the
// window closes.
void RunByItself(Win32StationWindow& window, const StationOptions& options,
                 const std::function<void(const std::string&)>& tell, int& exitCode, bool& shotTaken) {
    window.onInitialised = [&window, &options] {
        PostMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(kIdRunStation, BN_CLICKED), 0);
        // A run whose units never all come gives no picture, and ends.
        if (!options.screenshotPath.empty()) window.CloseWithin(kScreenshotLimitMs);
    };
    if (options.screenshotPath.empty()) return;
    const size_t shotAfter = static_cast<size_t>(std::max(options.simulate ? options.units : 1, 1));
    // Once the rows show their units' results and their ports wait for the
    // next ones.
    window.onRowsChanged = [&window, &options, &tell, &exitCode, &shotTaken, shotAfter] {
        if (shotTaken || window.RowsReadyWithResult() < shotAfter) return;
        shotTaken = true;
        if (!SaveWindowPng(window.Window(), options.screenshotPath)) {
            tell("could not write " + options.screenshotPath);
            exitCode = station::kExitIoError;
        }
        window.Close(1);
    };
}

}  // namespace

int RunStation(DeviceBackend& backend, const StationOptions& options,
               const std::function<void(const std::string&)>& tell) {
    StationSetup setup;
    if (!Prepare(options, tell, setup)) return setup.exitCode;
    Win32StationWindow window(backend);
    window.SetLog(&setup.log);
    window.SetReplugMode(options.replug);
    window.SetIdentity(setup.identity);
    window.SetSerials(setup.serials.get());
    std::optional<station::PreCheck> preCheck;
    if (!options.preCheck.empty()) {
        preCheck.emplace(options.preCheck, std::chrono::milliseconds(options.preCheckTimeoutMs));
        window.SetPreCheck(&*preCheck);
    }
    if (options.autoOk) window.onReplugPromptShown = [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); };

    int exitCode = station::kExitOk;
    bool shotTaken = false;
    if (options.writeOnce) WriteOnce(window, options, tell, exitCode);
    if (options.runStation) RunByItself(window, options, tell, exitCode, shotTaken);
    const int result = window.RunModal();
    if (options.runStation && !options.screenshotPath.empty() && !shotTaken) {
        tell("no screenshot written to " + options.screenshotPath +
             ": the units did not all have results in time");
        return station::kExitJobFailed;
    }
    if (window.LogFailed()) return station::kExitIoError;
    if (result < 0 || window.AnyUnitFailed()) return station::kExitJobFailed;
    return exitCode;
}

int StationMain(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseStationOptions(args, error);
    if (!options) {
        Tell(error);
        return station::kExitUsage;
    }
    int exitCode = station::kExitOk;
    platform_windows::WindowsInstanceLock instanceLock;
    CZT51xxWriteEepromMPApp app(instanceLock, [&]() -> int {
        BackendChoice choice;
        choice.simulate = options->simulate;
        sim::SimulationArguments simulation;
        simulation.variant = options->variant;
        simulation.units = options->units;
        simulation.faults = options->faults;
        simulation.updater = options->updater;
        simulation.simulatedClock = options->simClock;
        // Run station's simulated operator takes each finished unit out: at
        // once on the simulated clock, whose time moves only with the jobs.
        if (options->runStation) simulation.handlingMs = options->simClock ? 0 : 500;
        std::string reason;
        if (choice.simulate && !sim::ParseSimulationArguments(simulation, &choice.simulation, &reason)) {
            Tell(reason);
            exitCode = station::kExitUsage;
            return 0;
        }
        const std::unique_ptr<DeviceBackend> backend = SelectBackend(choice, &reason);
        if (!backend) {
            Tell(reason);
            exitCode = station::kExitNoDevice;
            return 0;
        }
        exitCode = RunStation(*backend, *options, Tell);
        return 0;
    });
    app.InitInstance();
    if (app.ActivatedOtherInstance()) Tell("zt51xx-mp-gui is already running; brought it to the front.");
    return exitCode;
}

}  // namespace zt::win32
