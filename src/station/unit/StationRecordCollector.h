#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "job/JobOutcome.h"
#include "job/JobReport.h"
#include "platform/UsbTree.h"
#include "station/records/StationIdentity.h"
#include "station/records/StationLog.h"
#include "station/unit/ConsoleView.h"

namespace zt::station {

// Everything a unit's record is made of: what the job reported of it and
// what the road around the job added. Every record, of whichever command and
// front end, is made from these by CollectStationRecord.
struct FinishedJob {
    // The job's report; its outcome is the unit's (a refusal's, when the
    // unit was turned away; INTERRUPTED when a signal cut the job short).
    const JobReport& report;
    std::string port;
    // The bus, asked for the unit's descriptor (release and serial string)
    // as it is now; none when the command does not look.
    UsbTree* usb = nullptr;
    std::chrono::system_clock::time_point start, end;
    // "write", "erase", "read" or "verify".
    std::string kind = "write";
    const StationIdentity* identity = nullptr;
    std::string barcode = "";
    std::string preCheck = "";
    // Serials entered in the ledger for the unit, in order; those it did not
    // get are named as spent.
    std::vector<std::string> serialsTaken = {};
};

StationRecord CollectStationRecord(const FinishedJob& job);

// The unit as the result event names it.
UnitFacts UnitFactsOf(const StationRecord& record);

}  // namespace zt::station
