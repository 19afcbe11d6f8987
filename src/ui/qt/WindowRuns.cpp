#include "ui/qt/WindowRuns.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "device/PortScope.h"
#include "platform/DeviceBackend.h"
#include "station/ExitCodes.h"
#include "station/PreCheck.h"
#include "station/RecordPublisher.h"
#include "station/StationLog.h"
#include "ui/qt/DialogJobRecords.h"
#include "ui/qt/LastResultLine.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/ScreenshotOnProgress.h"
#include "ui/qt/StationWindow.h"
#include "ui/qt/TerminationSignals.h"

namespace zt::qt {

namespace {

using station::kExitIoError;
using station::kExitJobFailed;
using station::kExitOk;
using station::kExitSignalBase;
constexpr int kScreenshotLimitMs = 120000;  // a station job that never ends gives no picture

void PrintLine(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stderr, "%s%s", bytes.constData(), bytes.endsWith('\n') ? "" : "\n");
}

// A log that cannot take the jobs' lines stops the tool before its window
// shows: one line for the script or the operator's terminal, no box that
// would wait for someone at an unattended station.
bool OpenLog(const GuiOptions& options, station::StationLog& log) {
    std::string error;
    if (options.logPath.isEmpty() || log.Open(options.logPath.toStdString(), &error)) return true;
    PrintLine(QStringLiteral("zt51xx-mp-gui: ") + QString::fromStdString(error));
    return false;
}

// --mqtt: the log's records go to the broker while the window is open; once
// it closes, a moment more for what is left, and a line for what still waits.
class Publishing {
public:
    // False with one line printed and the exit code set when --mqtt cannot work.
    bool Start(const GuiOptions& options, int* exitCode) {
        if (options.broker.url.empty()) return true;
        std::string error;
        if (options.logPath.isEmpty()) {
            *exitCode = station::kExitUsage;
            error = "--mqtt needs --log FILE: records wait in that file until the broker has them";
        } else {
            publisher_ = station::OpenRecordPublisher(
                options.broker, {options.logPath.toStdString()}, options.identity.stationId,
                [](const std::string& line) {
                    PrintLine(QStringLiteral("zt51xx-mp-gui: ") + QString::fromStdString(line));
                },
                &error, exitCode);
        }
        if (!publisher_) {
            PrintLine(QStringLiteral("zt51xx-mp-gui: ") + QString::fromStdString(error));
            return false;
        }
        publisher_->Start();
        return true;
    }
    ~Publishing() {
        if (!publisher_) return;
        publisher_->Stop(std::chrono::seconds(3));
        if (const size_t left = publisher_->Undelivered(); left > 0)
            PrintLine(
                QStringLiteral("zt51xx-mp-gui: records not yet delivered: %1; they wait in the log and go "
                               "out with the next run with --mqtt, or with 'zt51xx-mp publish'")
                    .arg(left));
    }

private:
    std::unique_ptr<station::RecordPublisher> publisher_;
};

// How a run without a signal ends: a line that was not written outweighs a
// failed unit, as on the command line.
int ExitCodeOf(bool failed, bool logFailed) {
    if (logFailed) return kExitIoError;
    return failed ? kExitJobFailed : kExitOk;
}

void WhenShown(QWidget& window, const std::function<void()>& hook) {
    if (hook) QTimer::singleShot(0, &window, hook);
}

}  // namespace

// The station window instead of the dialog: every unit present in a row of
// its own, written all at once.
int RunStation(DeviceBackend& backend, QtInstanceLock& instanceLock, const GuiOptions& options,
               const WindowRunHooks& hooks) {
    station::StationLog log;
    if (!OpenLog(options, log)) return kExitIoError;
    Publishing publishing;
    if (int exitCode = kExitOk; !publishing.Start(options, &exitCode)) return exitCode;
    StationWindow window(backend);
    window.SetInstanceLock(&instanceLock);
    window.SetLog(&log);
    window.SetIdentity(options.identity);
    if (options.replugByPower) window.SetReplugMode(ReplugMode::Power);
    window.SetSerials(options.serials.get());
    window.SetBell(options.bell);
    std::optional<station::PreCheck> preCheck;
    if (options.preCheck) {
        preCheck.emplace(*options.preCheck, options.preCheckTimeout);
        window.SetPreCheck(&*preCheck);
    }
    if (options.autoOk) {
        window.onReplugPromptShown = [](QMessageBox& box) {
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        };
    }
    // A picture for the documentation: every unit written at once, taken
    // when the rows show their results.
    bool shotSaved = false;
    if (!options.screenshotPath.isEmpty()) {
        window.onJobEnded = [&](const std::vector<station::UnitResult>&) {
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
    // there to answer. A running job is stopped first and its units logged.
    int closedBySignal = 0;
    TerminationSignals terminations;
    QObject::connect(&terminations, &TerminationSignals::received, &window, [&](int signalNumber) {
        if (!closedBySignal) closedBySignal = signalNumber;
        window.done(2);
    });
    if (hooks.stationShown) WhenShown(window, [&] { hooks.stationShown(window); });
    window.exec();
    if (closedBySignal) return kExitSignalBase + closedBySignal;
    if (!options.screenshotPath.isEmpty()) {
        if (shotSaved) return kExitOk;
        PrintLine(QStringLiteral("no screenshot written to %1: no unit was written, or the file could "
                                 "not be saved")
                      .arg(options.screenshotPath));
        return kExitJobFailed;
    }
    return ExitCodeOf(window.AnyUnitFailed(), window.LogFailed());
}

// The dialog of the tool: one unit per job, the one its own open finds.
int RunDialog(DeviceBackend& backend, QtInstanceLock& instanceLock, const GuiOptions& options,
              const WindowRunHooks& hooks) {
    station::StationLog log;
    if (!OpenLog(options, log)) return kExitIoError;
    Publishing publishing;
    if (int exitCode = kExitOk; !publishing.Start(options, &exitCode)) return exitCode;
    QtDialogWindow window;
    window.SetInstanceLock(&instanceLock);
    // Each job works on one unit: the one its own open finds, until it ends.
    PortScope unit(backend.AsPlatform(), backend.Locks());
    const Platform platform = unit.AsPlatform();
    DialogJobRecords records(log, platform.usb, &window, options.identity);
    window.onReplugRequested = [&backend, &unit] {
        if (OperatorHands* hands = backend.Hands()) hands->Replug(unit.Port());
    };
    window.onCommandStarting = [&unit] { unit.BindOnJobOpen(); };
    unit.OnArrivalElsewhere([&window, &unit](const DeviceNotice& notice) {
        window.ShowArrivedElsewhere(notice.port, unit.Port());
    });
    window.onJobReport = [&records, &unit](const JobReport& report) {
        records.JobEnded(report, unit.Port());
    };
    window.onCommandEnded = [&unit] { unit.Unbind(); };
    window.onMessageBoxShown = [&](QMessageBox& box) {
        if (options.autoOk) {
            // After the notices that the re-plug has just posted.
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        }
    };
    std::optional<ScreenshotOnProgress> screenshot;
    if (!options.screenshotPath.isEmpty()) {
        screenshot.emplace(window, options.screenshotPath, options.screenshotAtProgress);
        // The job is what the picture is about: start it once the window is up.
        QTimer::singleShot(0, &window, [&window] {
            if (auto* write = qobject_cast<QPushButton*>(window.Control(kIdWriteEeprom))) write->click();
        });
    }

    // A signal closes the dialog like Exit, but without asking: nobody is
    // there to answer.
    int closedBySignal = 0;
    TerminationSignals terminations;
    QObject::connect(&terminations, &TerminationSignals::received, &window, [&](int signalNumber) {
        if (!closedBySignal) closedBySignal = signalNumber;
        window.EndDialog(2);
    });
    if (hooks.dialogShown) WhenShown(window, [&] { hooks.dialogShown(window); });

    CZT51xxWriteEepromMPDlg dialog(window, platform);
    window.RunModal(dialog);
    if (closedBySignal) return kExitSignalBase + closedBySignal;
    if (screenshot && screenshot->EndedFirst()) {
        PrintLine(QStringLiteral("the job ended with %1 before the progress reached %2; no screenshot")
                      .arg(OutcomeText(*screenshot->EndedFirst()))
                      .arg(options.screenshotAtProgress));
        return kExitJobFailed;
    }
    if (screenshot && !screenshot->Saved()) {
        PrintLine(screenshot->Taken()
                      ? QStringLiteral("could not write %1").arg(options.screenshotPath)
                      : QStringLiteral("the job did not reach the progress %1 in time; no screenshot")
                            .arg(options.screenshotAtProgress));
        return kExitJobFailed;
    }
    if (screenshot) return kExitOk;
    const std::optional<JobOutcome> last = window.LastOutcome();
    return ExitCodeOf(last && last->kind != ResultKind::Ok, records.Failed());
}

}  // namespace zt::qt
