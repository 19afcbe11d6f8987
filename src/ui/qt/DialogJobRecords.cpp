#include "ui/qt/DialogJobRecords.h"

#include <QMetaObject>
#include <QWidget>

#include "station/StationRecordCollector.h"
#include "ui/qt/StationLogWarning.h"

namespace zt::qt {

DialogJobRecords::DialogJobRecords(station::StationLog& log, station::DeviceIdTrace& ids, UsbTree& usb,
                                   QWidget* window)
    : log_(log), ids_(ids), usb_(usb), window_(window) {}

void DialogJobRecords::CommandStarting() { ids_.Reset(); }

void DialogJobRecords::JobEnded(const JobReport& report, const std::string& port) {
    if (!log_.IsOpen()) return;
    const station::StationRecord record =
        station::CollectStationRecord({report, ids_, usb_, port, report.outcome, report.start, report.end});
    std::string error;
    {
        std::lock_guard lock(mutex_);
        if (log_.Append(station::FormatStationRecord(record), &error)) return;
    }
    failed_ = true;
    // On the console too: a window that is closing shows no box.
    qWarning("%s", error.c_str());
    const QString text = QString::fromStdString(error);
    if (window_)
        QMetaObject::invokeMethod(
            window_.data(),
            [window = window_, text] {
                if (window && window->isVisible()) WarnStationLogNotWritten(window, {text});
            },
            Qt::QueuedConnection);
}

}  // namespace zt::qt
