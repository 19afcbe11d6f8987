#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "JobFloor.h"
#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "backends/BackendSelection.h"
#include "ui/qt/QtDialogWindow.h"

// The same whole job as BM_WholeJobAgainstItsFloor, pressed in the Qt dialog
// on Qt's offscreen platform with the backend the dialog program gets. The
// two ratios must agree: the dialog's worker paces exactly like the command
// line's.
namespace zt::bench {
namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "zt_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(argc, argv);
    return application;
}

void BM_DialogJobAgainstItsFloor(benchmark::State& state) {
    Application();
    for (auto _ : state) {
        std::string error;
        const auto selected = SelectBackend(BackendChoice{true, {}, nullptr}, &error);
        auto& machine = static_cast<sim::SimulatedMachine&>(*selected);

        qt::QtDialogWindow window;
        std::chrono::steady_clock::time_point start, end;
        window.onReplugRequested = [&machine] { machine.ReplugRequested(); };
        window.onMessageBoxShown = [&](QMessageBox& box) {
            // The last box of the job (completion or failure) ends the timing.
            if (window.LastOutcome()) end = std::chrono::steady_clock::now();
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        };
        CZT51xxWriteEepromMPDlg dialog(window, machine.AsPlatform());
        QTimer::singleShot(0, &window, [&] {
            machine.Bus().ClearLog();
            start = std::chrono::steady_clock::now();
            qobject_cast<QPushButton*>(window.Control(kIdWriteEeprom))->click();
        });
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            if (window.LastOutcome() && !dialog.Job().UnderWay()) window.EndDialog(1);
        });
        poll.start(20);
        window.RunModal(dialog);

        if (window.LastOutcome() != JobOutcome::Ok()) {
            state.SkipWithError("the job did not succeed");
            return;
        }
        const double wallMs = std::chrono::duration<double, std::milli>(end - start).count();
        const Floor floor = FloorOf(machine.Bus().Log());
        state.counters["wall_s"] = wallMs / 1000;
        state.counters["floor_s"] = floor.ms / 1000;
        state.counters["ratio"] = wallMs / floor.ms;
        state.counters["target_met"] = wallMs / floor.ms <= 1.01;
    }
}
BENCHMARK(BM_DialogJobAgainstItsFloor)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench
