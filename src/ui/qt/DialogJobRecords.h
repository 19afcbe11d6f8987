#pragma once
#include <QPointer>
#include <atomic>
#include <mutex>
#include <string>

#include "job/JobReport.h"
#include "platform/UsbTree.h"
#include "station/StationIdentity.h"
#include "station/StationLog.h"

class QWidget;

namespace zt::qt {

// The dialog's station log: one record per write job, made from the job's
// report as the station window and the command line make theirs. `usb` is
// the unit's view of the bus; `identity` who runs the station.
//
// Threads: JobEnded on whichever thread
// ends the job (the worker, or the UI thread for a preflight failure and
// for a job the close stopped). One job at a time.
class DialogJobRecords {
public:
    DialogJobRecords(station::StationLog& log, UsbTree& usb, QWidget* window,
                     station::StationIdentity identity = {});

    // Appends the job's record, synced before the window shows its end; a
    // line that was not written is told in a box on the window.
    void JobEnded(const JobReport& report, const std::string& port);

    // A line could not be written, during the whole run.
    bool Failed() const { return failed_.load(); }

private:
    station::StationLog& log_;
    UsbTree& usb_;
    QPointer<QWidget> window_;
    const station::StationIdentity identity_;
    std::mutex mutex_;
    std::atomic<bool> failed_{false};
};

}  // namespace zt::qt
