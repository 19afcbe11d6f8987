// zt51xx-mp-gui.exe: the tool's one dialog on Windows.
//   --simulate [--variant A|B|unknown] [--sim-clock]   a simulated chip instead of the machine's devices
//   --auto-ok                                           answer every message box with OK
//   --screenshot FILE [--screenshot-at N]               press Write EEPROM, save the window as a PNG
//                                                       once the progress reaches N, then close
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "job/OperatorMessages.h"
#include "platform/RealClock.h"
#include "platform/sim/SimBus.h"
#include "platform/sim/SimClock.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsClock.h"
#include "platform/windows/WindowsInstanceLock.h"
#include "platform/windows/WindowsPlatform.h"
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
};

constexpr const char* kUsage =
    "usage: zt51xx-mp-gui [--simulate [--variant A|B|unknown] [--sim-clock]] [--auto-ok]\n"
    "                     [--screenshot FILE [--screenshot-at N]]";

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
    MessageBoxW(nullptr, zt::platform_windows::ToWide(text).c_str(), L"zt51xx-mp-gui",
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
        } else if (a == "--variant" && value(v) && (v == "A" || v == "B" || v == "unknown")) {
            o.variant = v;
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

zt::sim::ChipVariant VariantOf(const std::string& name) {
    if (name == "B") return zt::sim::ChipVariant::B;
    if (name == "unknown") return zt::sim::ChipVariant::Unknown;
    return zt::sim::ChipVariant::A;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) {
        Tell(error, true);
        return 2;
    }

    int exitCode = 0;
    zt::platform_windows::WindowsInstanceLock instanceLock;
    zt::CZT51xxWriteEepromMPApp app(instanceLock, [&]() -> int {
        std::unique_ptr<zt::Clock> simTime;
        std::unique_ptr<zt::sim::SimBus> bus;
        std::optional<zt::platform_windows::WindowsPlatform> machine;
        std::optional<zt::Platform> platform;
        int chip = 0;
        if (options->simulate) {
            if (options->simClock)
                simTime = std::make_unique<zt::sim::SimClock>();
            else
                simTime = std::make_unique<zt::platform_windows::WindowsClock>();
            bus = std::make_unique<zt::sim::SimBus>(*simTime);
            chip = bus->AddFactoryChip(VariantOf(options->variant));
            platform.emplace(bus->AsPlatform());
        } else {
            machine.emplace();
            platform.emplace(machine->AsPlatform());
        }

        zt::win32::Win32DialogWindow window;
        bool screenshotTaken = false;
        window.onMessageBoxShown = [&](HWND box, const std::string& text) {
            // In simulation the chip re-plugs itself when the tool asks for it.
            if (bus && text == zt::kReplugPrompt) bus->Replug(chip);
            const bool outcome =
                text == zt::kCompletionMessage || text.rfind(zt::kFailureMessagePrefix, 0) == 0;
            if (options->autoOk || !options->screenshotPath.empty()) PostMessageW(box, WM_COMMAND, IDOK, 0);
            if (!options->screenshotPath.empty() && outcome) {
                if (text != zt::kCompletionMessage) exitCode = 1;  // the job's outcome is the exit code
                if (!screenshotTaken) {
                    exitCode = 1;
                    Tell("the job ended before the progress reached the screenshot point; no screenshot",
                         true);
                }
                whenIdle = [&window] {
                    if (!window.JobRunning()) PostMessageW(window.Window(), WM_COMMAND, zt::kIdExit, 0);
                };
                SetTimer(nullptr, 0, 50, &CheckIdle);
            }
        };
        if (!options->screenshotPath.empty()) {
            window.onInitialised = [&] {
                PostMessageW(GetDlgItem(window.Window(), zt::kIdWriteEeprom), BM_CLICK, 0, 0);
            };
            window.onProgressChanged = [&](int position) {
                if (screenshotTaken || position < options->screenshotAt) return;
                screenshotTaken = true;
                if (!zt::win32::SaveWindowPng(window.Window(), options->screenshotPath)) {
                    Tell("could not write " + options->screenshotPath, true);
                    exitCode = 1;
                }
            };
        }

        zt::CZT51xxWriteEepromMPDlg dialog(window, *platform);
        const int result = window.RunModal(dialog);
        whenIdle = nullptr;
        if (result < 0) exitCode = 1;
        return result;
    });
    app.InitInstance();
    if (app.ActivatedOtherInstance())
        Tell("zt51xx-mp-gui is already running; brought it to the front.", false);
    return exitCode;
}
