// zt51xx-mp-gui.exe: the tool's one dialog on Windows.
//   --simulate [--variant A|B|unknown] [--sim-clock]   a simulated chip instead of the machine's devices
//   --auto-ok                                           answer every message box with OK
//   --screenshot FILE [--screenshot-at N]               press Write EEPROM, save the window as a PNG
//                                                       once the progress reaches N, then close
//   --log FILE                                          append one JSON line per write job to FILE
//   --station ...                                       the station window instead (StationMain.h)
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "backends/BackendSelection.h"
#include "device/PortScope.h"
#include "host/HostSystem.h"
#include "host/windows/WideText.h"
#include "job/JobOutcome.h"
#include "platform/windows/WindowsInstanceLock.h"
#include "station/config/ExitCodes.h"
#include "station/config/SimulationArguments.h"
#include "station/operator/OperatorText.h"
#include "station/records/StationLog.h"
#include "station/unit/StationRecordCollector.h"
#include "ui/win32/StationMain.h"
#include "ui/win32/Win32DialogWindow.h"
#include "ui/win32/WindowCapture.h"

namespace {

struct Options {
    bool simulate = false;
    bool simClock = false;
    bool autoOk = false;
    std::string variant = "A";
    std::string screenshotPath;
    int screenshotAt = 40;
    std::optional<std::string> logPath;
};

constexpr const char* kUsage =
    "usage: zt51xx-mp-gui [--simulate [--variant A|B|unknown] [--sim-clock]] [--auto-ok]\n"
    "                     [--screenshot FILE [--screenshot-at N]] [--log FILE] [--language LANG]";

void Tell(const std::string& text, bool error) {
    // A program built for the desktop has no console of its own; borrow the
    // one it was started from, if any, else show a box.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        const HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
        const std::string line = text + "\n";
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    MessageBoxW(nullptr, zt::host_windows::ToWide(text).c_str(), L"zt51xx-mp-gui",
                MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--simulate") {
            o.simulate = true;
        } else if (a == "--sim-clock") {
            o.simClock = true;
        } else if (a == "--auto-ok") {
            o.autoOk = true;
        } else if (a == "--variant" && value(o.variant)) {
        } else if (a == "--log" && value(v)) {
            if (v.empty()) {
                error = "--log needs the name of a file\n" + std::string(kUsage);
                return std::nullopt;
            }
            o.logPath = v;
        } else if (a == "--screenshot" && value(o.screenshotPath)) {
        } else if (a == "--screenshot-at" && value(v) && !v.empty() && v.size() <= 3 &&
                   v.find_first_not_of("0123456789") == std::string::npos && std::atoi(v.c_str()) <= 100) {
            o.screenshotAt = std::atoi(v.c_str());
        } else {
            error = "unknown or incomplete option: " + a + "\n" + kUsage;
            return std::nullopt;
        }
    }
    return o;
}

// Screenshot mode closes the tool once the job has ended.
std::function<void()> whenIdle;
void CALLBACK CheckIdle(HWND, UINT, UINT_PTR, DWORD) {
    if (whenIdle) whenIdle();
}

// The machine's devices, or the simulated chip the options describe; null,
// with the operator told why and the exit code set, when there is neither.
std::unique_ptr<zt::DeviceBackend> MakeBackend(const Options& options, int* exitCode) {
    zt::BackendChoice choice;
    choice.simulate = options.simulate;
    zt::sim::SimulationArguments simulation;
    simulation.variant = options.variant;
    simulation.simulatedClock = options.simClock;
    std::string reason;
    if (choice.simulate && !zt::sim::ParseSimulationArguments(simulation, &choice.simulation, &reason)) {
        Tell(reason, true);
        *exitCode = 2;
        return nullptr;
    }
    std::unique_ptr<zt::DeviceBackend> backend = zt::SelectBackend(choice, &reason);
    if (!backend) {
        Tell(reason, true);
        *exitCode = 3;
    }
    return backend;
}

// --screenshot: press Write EEPROM once the window is up and save the window
// once the progress reaches the point asked for.
void TakeScreenshotDuringJob(zt::win32::Win32DialogWindow& window, const Options& options,
                             bool* screenshotTaken, int* exitCode) {
    window.onInitialised = [&window] {
        PostMessageW(GetDlgItem(window.Window(), zt::kIdWriteEeprom), BM_CLICK, 0, 0);
    };
    window.onProgressChanged = [&window, &options, screenshotTaken, exitCode](int position) {
        if (*screenshotTaken || position < options.screenshotAt) return;
        *screenshotTaken = true;
        if (!zt::win32::SaveWindowPng(window.Window(), options.screenshotPath)) {
            Tell("could not write " + options.screenshotPath, true);
            *exitCode = 1;
        }
    };
}

// --log: one line per write job, on disk before the result box shows. A
// line that cannot be written is told at once and makes the exit code 4.
struct WriteJobLog {
    zt::station::StationLog file;
    bool pending = false;  // a write job started and was not logged yet
    std::chrono::system_clock::time_point start;
};

int RunDialog(zt::DeviceBackend& backend, const Options& options, WriteJobLog& log, int* exitCode) {
    // Each job works on one unit: the one its own open finds, until it ends.
    zt::PortScope unit(backend.AsPlatform(), backend.Locks());
    const zt::Platform platform = unit.AsPlatform();

    zt::win32::Win32DialogWindow window;
    bool screenshotTaken = false;
    // In simulation the chip re-plugs itself when the tool asks for it.
    window.onReplugRequested = [&backend, &unit] {
        if (zt::OperatorHands* hands = backend.Hands()) hands->Replug(unit.Port());
    };
    window.onCommandStarting = [&unit, &window, &log] {
        unit.BindOnJobOpen();
        // Only Write EEPROM forgets the last outcome before it starts.
        if (!window.LastOutcome()) {
            log.pending = true;
            log.start = std::chrono::system_clock::now();
        }
    };
    unit.OnArrivalElsewhere([&window, &unit](const zt::DeviceNotice& notice) {
        window.ShowArrivedElsewhere(notice.port, unit.Port());
    });
    window.onCommandEnded = [&unit, &window, &log, &platform, exitCode] {
        const auto report = window.LastReport();
        if (log.file.IsOpen() && log.pending && report) {
            log.pending = false;
            const zt::station::StationRecord record = zt::station::CollectStationRecord(
                {*report, unit.Port(), &platform.usb, log.start, std::chrono::system_clock::now()});
            std::string error;
            if (!log.file.Append(zt::station::FormatStationRecord(record), &error)) {
                Tell(error, true);
                *exitCode = zt::station::kExitIoError;
            }
        }
        unit.Unbind();
    };
    window.onMessageBoxShown = [&](HWND box, const std::string&) {
        if (options.autoOk || !options.screenshotPath.empty()) PostMessageW(box, WM_COMMAND, IDOK, 0);
        // The job's result box: the picture is taken, or never will be.
        const auto outcome = window.LastOutcome();
        if (options.screenshotPath.empty() || !outcome || whenIdle) return;
        if (outcome->kind != zt::ResultKind::Ok) *exitCode = 1;  // the job's outcome is the exit code
        if (!screenshotTaken) {
            *exitCode = 1;
            Tell("the job ended before the progress reached the screenshot point; no screenshot", true);
        }
        whenIdle = [&window] {
            if (!window.JobRunning()) PostMessageW(window.Window(), WM_COMMAND, zt::kIdExit, 0);
        };
        SetTimer(nullptr, 0, 50, &CheckIdle);
    };
    if (!options.screenshotPath.empty()) TakeScreenshotDuringJob(window, options, &screenshotTaken, exitCode);

    zt::CZT51xxWriteEepromMPDlg dialog(window, platform);
    const int result = window.RunModal(dialog);
    whenIdle = nullptr;
    unit.OnArrivalElsewhere(nullptr);  // the window goes before the scope
    if (result < 0 && *exitCode == 0) *exitCode = 1;
    return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    // The operator's language, for either window: --language, else the user's.
    std::string language = zt::OperatorLocale();
    for (auto at = args.begin(); at != args.end();) {
        if (*at != "--language" || at + 1 == args.end()) {
            ++at;
            continue;
        }
        std::string reason;
        if (!zt::station::CheckLanguageChoice(at[1], &reason)) {
            Tell(reason, true);
            return 2;
        }
        language = at[1];
        at = args.erase(at, at + 2);
    }
    zt::station::SetOperatorLanguage(language);
    if (zt::win32::WantsStation(args)) return zt::win32::StationMain(args);
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) {
        Tell(error, true);
        return 2;
    }

    int exitCode = 0;
    // A log that cannot take the jobs' lines stops the tool before any job.
    WriteJobLog log;
    if (options->logPath && !log.file.Open(*options->logPath, &error)) {
        Tell(error, true);
        return zt::station::kExitIoError;
    }
    zt::platform_windows::WindowsInstanceLock instanceLock;
    zt::CZT51xxWriteEepromMPApp app(instanceLock, [&]() -> int {
        const std::unique_ptr<zt::DeviceBackend> backend = MakeBackend(*options, &exitCode);
        if (!backend) return 0;
        return RunDialog(*backend, *options, log, &exitCode);
    });
    app.InitInstance();
    if (app.ActivatedOtherInstance())
        Tell("zt51xx-mp-gui is already running; brought it to the front.", false);
    return exitCode;
}
