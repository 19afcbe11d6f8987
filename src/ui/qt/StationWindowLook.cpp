#include "ui/qt/StationWindowLook.h"

#include <QCoreApplication>
#include <QString>

namespace zt::qt {

namespace {

// The window's texts are in its own translation context, wherever they are
// written down.
constexpr const char* kHeldByAnotherJob =
    QT_TRANSLATE_NOOP("zt::qt::StationWindow", "Held by another job; not written");
constexpr const char* kLockNotTaken =
    QT_TRANSLATE_NOOP("zt::qt::StationWindow", "Lock not taken; not written: ");

std::string Std(const QString& text) { return text.toStdString(); }

QString Window(const char* english) { return QCoreApplication::translate("zt::qt::StationWindow", english); }

}  // namespace

station::StationLook StationWindowLook() {
    station::StationLook look;
    look.rows.unplugged = Std(QCoreApplication::translate("zt::qt::StationWindow", "(unplugged)"));
    look.unitsPresent = [](size_t units) {
        return Std(units == 1
                       ? QCoreApplication::translate("zt::qt::StationWindow", "1 unit present")
                       : QCoreApplication::translate("zt::qt::StationWindow", "%1 units present").arg(units));
    };
    look.noKnownDevice =
        Std(QCoreApplication::translate("zt::qt::StationWindow", "No known device present."));
    look.writingUnits = [](size_t units) {
        return Std(QCoreApplication::translate("zt::qt::StationWindow", "Writing %1 units...").arg(units));
    };
    look.stationRunning = Std(QCoreApplication::translate(
        "zt::qt::StationWindow", "Station running: each unit is written as it arrives"));
    look.stationStopping = Std(QCoreApplication::translate(
        "zt::qt::StationWindow", "Station stopping: the units under way finish first"));
    look.counters = [](int passed, int failed, const std::string& rate) {
        return Std(QCoreApplication::translate("zt::qt::StationCounters",
                                               "Passed: %1   Failed: %2   Units per hour: %3")
                       .arg(passed)
                       .arg(failed)
                       .arg(QString::fromStdString(rate)));
    };
    look.heldByAnotherJob = Std(Window(kHeldByAnotherJob));
    look.lockNotTaken = Std(Window(kLockNotTaken));
    look.updater = Std(QCoreApplication::translate("zt::qt::StationWindow", " (updater)"));
    look.cannotBeOpened = Std(QCoreApplication::translate("zt::qt::StationWindow", " (cannot be opened)"));
    return look;
}

}  // namespace zt::qt
