#pragma once
#include <chrono>
#include <string>

#include "job/JobOutcome.h"
#include "job/JobReport.h"
#include "platform/UsbTree.h"
#include "station/records/StationLog.h"
#include "station/unit/ConsoleView.h"
#include "station/unit/DeviceIdTrace.h"

namespace zt::station {

// Everything a finished write job leaves behind, gathered for the station
// log. Runs on the user-interface thread once the job has ended.
struct FinishedJob {
    const JobReport& report;  // the dialog's report of its last write job
    const DeviceIdTrace& ids;
    UsbTree& usb;
    std::string port;
    JobOutcome outcome;
    std::chrono::system_clock::time_point start, end;
};

StationRecord CollectStationRecord(const FinishedJob& job);

// The unit as the result event names it.
UnitFacts UnitFactsOf(const StationRecord& record);

}  // namespace zt::station
