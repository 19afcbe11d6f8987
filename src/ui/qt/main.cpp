#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/CZT51xxWriteEepromMPDlg.h"
#include "platform/BackendSelection.h"
#include "platform/PortScope.h"
#include "station/ExitCodes.h"
#include "station/StationLog.h"
#include "ui/qt/GuiOptions.h"
#include "ui/qt/LastResultLine.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/ScreenshotOnProgress.h"
#include "ui/qt/StationWindow.h"
#include "ui/qt/TerminationSignals.h"

namespace {

using zt::station::kExitIoError;
using zt::station::kExitJobFailed;
using zt::station::kExitNoDevice;
using zt::station::kExitSignalBase;
constexpr int kScreenshotLimitMs = 120000;  // a station job that never ends gives no picture

void PrintLine(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s%s", bytes.constData(), bytes.endsWith('\n') ? "" : "\n");
}

// Tells the operator on the console and in a box, since a tool started from
// a desktop has no console to read.
void ShowStartError(const QString& text) {
    PrintLine(stderr, text);
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok);
    box.exec();
}

// The station window instead of the dialog: every unit present in a row of
// its own, written all at once.
int RunStation(zt::DeviceBackend& backend, zt::qt::QtInstanceLock& instanceLock,
               const zt::qt::GuiOptions& options, int* exitCode) {
    // A log that cannot take the jobs' lines stops the tool before any job.
    zt::station::StationLog log;
    std::string logError;
    if (!options.logPath.isEmpty() && !log.Open(options.logPath.toStdString(), &logError)) {
        ShowStartError(QString::fromStdString(logError));
        *exitCode = kExitIoError;
        return 0;
    }
    zt::qt::StationWindow window(backend);
    window.SetInstanceLock(&instanceLock);
    window.SetLog(&log);
    if (options.replugByPower) window.SetReplugMode(zt::ReplugMode::Power);
    if (options.autoOk) {
        window.onReplugPromptShown = [](QMessageBox& box) {
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        };
    }
    // A picture for the documentation: every unit written at once, taken
    // when the rows show their results.
    bool shotSaved = false;
    if (!options.screenshotPath.isEmpty()) {
        window.onJobEnded = [&](const std::vector<zt::station::UnitResult>&) {
            shotSaved = window.grab().save(options.screenshotPath);
            window.done(1);
        };
        QTimer::singleShot(0, &window, [&window] {
            if (window.WriteButton()->isEnabled())
                window.WriteButton()->click();
            else
                window.done(1);  // no unit to write: nothing to show
        });
        QTimer::singleShot(kScreenshotLimitMs, &window, [&window] { window.done(1); });
    }
    // A signal closes the window like Exit, but without asking: nobody is
    // there to answer. A running job is stopped first.
    int closedBySignal = 0;
    zt::qt::TerminationSignals terminations;
    QObject::connect(&terminations, &zt::qt::TerminationSignals::received, &window, [&](int signalNumber) {
        if (!closedBySignal) closedBySignal = signalNumber;
        window.done(2);
    });
    const int result = window.exec();
    if (closedBySignal) {
        *exitCode = kExitSignalBase + closedBySignal;
    } else if (!options.screenshotPath.isEmpty() && !shotSaved) {
        PrintLine(stderr,
                  QStringLiteral("no screenshot written to %1: no unit was written, or the file could "
                                 "not be saved")
                      .arg(options.screenshotPath));
        *exitCode = kExitJobFailed;
    }
    return result;
}

// The dialog of the tool: one unit per job, the one its own open finds.
int RunDialog(zt::DeviceBackend& backend, zt::qt::QtInstanceLock& instanceLock,
              const zt::qt::GuiOptions& options, int* exitCode) {
    zt::qt::QtDialogWindow window;
    window.SetInstanceLock(&instanceLock);
    // Each job works on one unit: the one its own open finds, until it ends.
    zt::PortScope unit(backend.AsPlatform(), backend.Locks());
    window.onReplugRequested = [&backend, &unit] { backend.ReplugUnit(unit.Port()); };
    window.onCommandStarting = [&unit] { unit.BindOnJobOpen(); };
    unit.OnArrivalElsewhere([&window, &unit](const zt::DeviceNotice& notice) {
        window.ShowArrivedElsewhere(notice.port, unit.Port());
    });
    window.onCommandEnded = [&unit] { unit.Unbind(); };
    window.onMessageBoxShown = [&](QMessageBox& box) {
        if (options.autoOk) {
            // After the notices that the re-plug has just posted.
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        }
    };
    std::optional<zt::qt::ScreenshotOnProgress> screenshot;
    if (!options.screenshotPath.isEmpty()) {
        screenshot.emplace(window, options.screenshotPath, options.screenshotAtProgress);
        // The job is what the picture is about: start it once the window is up.
        QTimer::singleShot(0, &window, [&window] {
            if (auto* write = qobject_cast<QPushButton*>(window.Control(zt::kIdWriteEeprom))) write->click();
        });
    }

    // A signal closes the dialog like Exit, but without asking: nobody is
    // there to answer.
    int closedBySignal = 0;
    zt::qt::TerminationSignals terminations;
    QObject::connect(&terminations, &zt::qt::TerminationSignals::received, &window, [&](int signalNumber) {
        if (!closedBySignal) closedBySignal = signalNumber;
        window.EndDialog(2);
    });

    zt::CZT51xxWriteEepromMPDlg dialog(window, unit.AsPlatform());
    const int result = window.RunModal(dialog);
    if (closedBySignal) {
        *exitCode = kExitSignalBase + closedBySignal;
    } else if (screenshot && screenshot->EndedFirst()) {
        PrintLine(stderr,
                  QStringLiteral("the job ended with %1 before the progress reached %2; no screenshot")
                      .arg(zt::qt::OutcomeText(*screenshot->EndedFirst()))
                      .arg(options.screenshotAtProgress));
        *exitCode = kExitJobFailed;
    } else if (screenshot && !screenshot->Saved()) {
        PrintLine(stderr, screenshot->Taken()
                              ? QStringLiteral("could not write %1").arg(options.screenshotPath)
                              : QStringLiteral("the job did not reach the progress %1 in time; no screenshot")
                                    .arg(options.screenshotAtProgress));
        *exitCode = kExitJobFailed;
    }
    return result;
}

// What the application object runs once no other instance answered: the
// machine's devices or the simulator, in the station window or the dialog.
int RunWindow(zt::qt::QtInstanceLock& instanceLock, const zt::qt::GuiOptions& options, int* exitCode) {
    zt::BackendChoice choice;
    choice.simulate = options.simulate;
    choice.simulation = options.simulation;
    std::string error;
    const std::unique_ptr<zt::DeviceBackend> backend = zt::SelectBackend(choice, &error);
    if (!backend) {
        ShowStartError(
            QStringLiteral("This build has no device backend for this system. "
                           "Start it with --simulate to use the simulated chip."));
        *exitCode = kExitNoDevice;
        return 0;
    }
    const std::string hint = backend->PermissionHint();
    if (!hint.empty()) PrintLine(stderr, QString::fromStdString(hint));
    if (options.station) return RunStation(*backend, instanceLock, options, exitCode);
    return RunDialog(*backend, instanceLock, options, exitCode);
}

}  // namespace

int main(int argc, char** argv) {
    // Help and usage errors need no display, so the line is read first.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const zt::qt::GuiCommandLine commandLine = zt::qt::ParseGuiCommandLine(arguments);
    if (commandLine.exitCode) {
        PrintLine(*commandLine.exitCode == 0 ? stdout : stderr, commandLine.text);
        return *commandLine.exitCode;
    }
    QApplication application(argc, argv);
    const zt::qt::GuiOptions& options = commandLine.options;

    int exitCode = 0;
    zt::qt::QtInstanceLock instanceLock;
    zt::CZT51xxWriteEepromMPApp app(instanceLock,
                                    [&]() -> int { return RunWindow(instanceLock, options, &exitCode); });
    app.InitInstance();
    if (!instanceLock.Refusal().isEmpty()) {
        PrintLine(stderr, QStringLiteral("zt51xx-mp-gui: ") + instanceLock.Refusal());
        return zt::station::kExitUnitLock;
    }
    if (app.ActivatedOtherInstance()) {
        PrintLine(stdout, instanceLock.ReachedOtherInstance()
                              ? QStringLiteral("zt51xx-mp-gui is already running; brought it to the front.")
                              : QStringLiteral("zt51xx-mp-gui is already running (still starting up)."));
    }
    return exitCode;
}
