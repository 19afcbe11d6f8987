#include "ui/win32/StationMain.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/DialogTemplate.h"
#include "host/windows/WideText.h"
#include "platform/BackendSelection.h"
#include "platform/windows/WindowsInstanceLock.h"
#include "station/ExitCodes.h"
#include "station/PreCheck.h"
#include "station/SimulationArguments.h"
#include "station/StationLog.h"
#include "ui/win32/Win32StationWindow.h"
#include "ui/win32/WindowCapture.h"

namespace zt::win32 {

namespace {

constexpr const char* kUsage =
    "usage: zt51xx-mp-gui --station [--log FILE] [--replug power|operator]\n"
    "                     [--simulate [--units N] [--fault F]... [--updater] [--variant V] [--sim-clock]]\n"
    "                     [--pre-check COMMAND [--pre-check-timeout SECONDS]]\n"
    "                     [--auto-ok] [--write] [--screenshot FILE]";

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
            o.writeOnce = true;
        } else {
            error = "unknown or incomplete option: " + a + "\n" + kUsage;
            return std::nullopt;
        }
    }
    return o;
}

int RunStation(DeviceBackend& backend, const StationOptions& options,
               const std::function<void(const std::string&)>& tell) {
    // A log that cannot take the jobs' lines stops the tool before any job.
    station::StationLog log;
    std::string logError;
    if (!options.logPath.empty() && !log.Open(options.logPath, &logError)) {
        tell(logError);
        return station::kExitIoError;
    }
    Win32StationWindow window(backend);
    window.SetLog(&log);
    window.SetReplugMode(options.replug);
    std::optional<station::PreCheck> preCheck;
    if (!options.preCheck.empty()) {
        preCheck.emplace(options.preCheck, std::chrono::milliseconds(options.preCheckTimeoutMs));
        window.SetPreCheck(&*preCheck);
    }
    if (options.autoOk) window.onReplugPromptShown = [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); };

    int exitCode = station::kExitOk;
    if (options.writeOnce) {
        window.onInitialised = [&] {
            if (IsWindowEnabled(GetDlgItem(window.Window(), kIdWriteEeprom))) {
                PostMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(kIdWriteEeprom, BN_CLICKED), 0);
                return;
            }
            tell("no unit to write");
            exitCode = station::kExitNoDevice;
            window.Close(1);
        };
        window.onJobEnded = [&](const std::vector<station::UnitResult>&) {
            if (!options.screenshotPath.empty() && !SaveWindowPng(window.Window(), options.screenshotPath)) {
                tell("could not write " + options.screenshotPath);
                exitCode = station::kExitIoError;
            }
            window.Close(1);
        };
    }
    const int result = window.RunModal();
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
