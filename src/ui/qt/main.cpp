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
#include "ui/qt/GuiOptions.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/ScreenshotOnProgress.h"
#include "ui/qt/SimulatedMachine.h"

#if defined(ZT_HAVE_LINUX_BACKEND)
#include "platform/linux/LinuxPlatform.h"
#endif

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitNoBackend = 3;

void PrintLine(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s%s", bytes.constData(), bytes.endsWith('\n') ? "" : "\n");
}

#if !defined(ZT_HAVE_LINUX_BACKEND)
// Tells the operator on the console and in a box, since a tool started from
// a desktop has no console to read.
void ShowStartError(const QString& text) {
    PrintLine(stderr, text);
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok);
    box.exec();
}
#endif

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

#if !defined(ZT_HAVE_LINUX_BACKEND)
    if (!options.simulate) {
        ShowStartError(QStringLiteral("This build has no device backend for this system. "
                                      "Start it with --simulate to use the simulated chip."));
        return kExitNoBackend;
    }
#endif

    int exitCode = 0;
    zt::qt::QtInstanceLock instanceLock;
    zt::CZT51xxWriteEepromMPApp app(instanceLock, [&]() -> int {
        std::unique_ptr<zt::qt::SimulatedMachine> machine;
#if defined(ZT_HAVE_LINUX_BACKEND)
        std::optional<zt::platform_linux::LinuxPlatform> linuxPlatform;
#endif
        std::optional<zt::Platform> platform;
        if (options.simulate) {
            std::string error;
            machine = zt::qt::SimulatedMachine::Create(options, &error);
            if (!machine) {
                PrintLine(stderr, QString::fromStdString(error));
                exitCode = 2;
                return 0;
            }
            platform.emplace(machine->AsPlatform());
        } else {
#if defined(ZT_HAVE_LINUX_BACKEND)
            linuxPlatform.emplace();
            platform.emplace(linuxPlatform->AsPlatform());
            const std::string hint = linuxPlatform->PermissionHint();
            if (!hint.empty()) PrintLine(stderr, QString::fromStdString(hint));
#endif
        }

        zt::qt::QtDialogWindow window;
        window.SetInstanceLock(&instanceLock);
        window.onMessageBoxShown = [&](QMessageBox& box) {
            if (machine) machine->OnMessageBox(box.text().toStdString());
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

        zt::CZT51xxWriteEepromMPDlg dialog(window, *platform);
        const int result = window.RunModal(dialog);
        if (screenshot && !screenshot->Saved()) {
            PrintLine(stderr, screenshot->Taken()
                                  ? QStringLiteral("could not write %1").arg(options.screenshotPath)
                                  : QStringLiteral("the job ended before the progress reached %1; no screenshot")
                                        .arg(options.screenshotAtProgress));
            exitCode = kExitFailure;
        }
        return result;
    });
    app.InitInstance();
    if (app.ActivatedOtherInstance()) PrintLine(stdout, QStringLiteral("zt51xx-mp-gui is already running; brought it to the front."));
    return exitCode;
}
