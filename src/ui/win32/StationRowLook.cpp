#include "ui/win32/StationRowLook.h"

#include "platform/UsbPortName.h"
#include "station/operator/OperatorText.h"

namespace zt::win32 {

namespace {

constexpr const char* kContext = "Win32StationWindow";

// An operator-facing text of this window, in the operator's language.
std::string Text(const char* english) { return station::OperatorText(kContext, english); }

std::string Units(size_t count) { return std::to_string(count) + ' ' + Text(count == 1 ? "unit" : "units"); }

}  // namespace

station::StationLook StationWindowLook() {
    station::StationLook look;
    look.rows.meaningIsAction = false;
    look.rows.unplugged = Text("(unplugged)");
    look.rows.ready = Text("ready");
    look.writeAllFollowsState = false;
    look.unitsPresent = [](size_t units) { return Units(units) + ' ' + Text("present."); };
    look.noKnownDevice = Text("No known device present.");
    look.unitsLeftOut = [](size_t units) {
        return Units(units) + ' ' + Text("left out:") + ' ' + kPortUnknownText + '.';
    };
    look.writingUnits = [](size_t units) { return Text("Writing") + ' ' + Units(units) + "..."; };
    look.stationRunning = Text("Station running: each unit is written as it arrives");
    look.stationStopping = Text("Station stopping: the units under way finish first");
    look.counters = [](int passed, int failed, const std::string& rate) {
        return Text("Passed:") + ' ' + std::to_string(passed) + "   " + Text("Failed:") + ' ' +
               std::to_string(failed) + "   " + Text("Units per hour:") + ' ' + rate;
    };
    look.heldByAnotherJob = Text("Held by another job; not written");
    look.lockNotTaken = Text("Lock not taken; not written: ");
    look.updater = ' ' + Text("(updater)");
    look.cannotBeOpened = ' ' + Text("(cannot be opened)");
    return look;
}

station::RowShown LookOf(const station::StationRow& row) {
    static const station::RowStyle style = StationWindowLook().rows;
    return station::ShowRow(row, style);
}

}  // namespace zt::win32
