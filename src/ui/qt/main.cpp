#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "backends/BackendSelection.h"
#include "station/config/ExitCodes.h"
#include "ui/qt/GuiOptions.h"
#include "ui/qt/OperatorLanguage.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/WindowRuns.h"

namespace {

using zt::station::kExitNoDevice;

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
    *exitCode = options.station ? zt::qt::RunStation(*backend, instanceLock, options)
                                : zt::qt::RunDialog(*backend, instanceLock, options);
    return 0;
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
    zt::qt::ChooseOperatorLanguage(options.language);

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
