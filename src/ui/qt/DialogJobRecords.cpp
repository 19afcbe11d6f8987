#include "ui/qt/DialogJobRecords.h"

#include <QMetaObject>
#include <QWidget>
#include <utility>

#include "station/StationRecordCollector.h"
#include "ui/qt/StationLogWarning.h"

namespace zt::qt {

DialogJobRecords::DialogJobRecords(station::StationLog& log, UsbTree& usb, QWidget* window,
                                   station::StationIdentity identity)
    : log_(log), usb_(usb), window_(window), identity_(std::move(identity)) {}

void DialogJobRecords::JobEnded(const JobReport& report, const std::string& port) {
    if (!log_.IsOpen()) return;
    const station::StationRecord record =
        station::CollectStationRecord({report, port, &usb_, report.start, report.end, "write", &identity_});
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
