#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "job/JobOutcome.h"
#include "job/JobRequest.h"
#include "platform/DeviceBackend.h"
#include "station/ports/PowerReplug.h"
#include "station/records/RecordKeeper.h"
#include "station/records/StationIdentity.h"
#include "station/records/StationLog.h"
#include "station/run/StationDisplay.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/PreCheck.h"
#include "station/unit/UnitResult.h"

namespace zt::station {

// Several units written at once: each unit gets its own port-scoped view of
// the machine, its own job runner (its own user-interface thread) and so
// its own worker, and they run in parallel. The re-plug prompt is shown once
// for all units; each unit then waits for its own port.
struct MultiUnitRequest {
    std::vector<std::string> ports;  // the units, in the order of the summary
    // Every unit's job asks for this, on its own port: the IDs, the re-plug
    // mode and an image file instead of the built-in images, checked against
    // each unit's chip before that unit is erased (a unit it does not fit
    // fails alone, untouched).
    JobRequest job;
    // How long each unit waits for its device once the prompt is answered.
    std::chrono::seconds replugWait{0};
    // Who runs the station, for every unit's record.
    StationIdentity identity;
    // Each unit's serial as its job starts; none keeps each image's own.
    SerialNumbers* serials = nullptr;
    // Asked before each unit is touched; none: nobody.
    const PreCheck* preCheck = nullptr;
};

// The default re-plug wait: the dialog's own 10 s for one unit, and 5 s more
// for each further unit an operator has to re-plug by hand.
std::chrono::seconds DefaultReplugWait(size_t units);

// Runs the units' jobs and returns one result per unit, in request order.
// Each unit reports to its own view of `display` and has its record kept by
// `records` as its job ends; the summary is left to the caller, and comes
// after every record. A unit that fails or is pulled never stops the others.
std::vector<UnitResult> WriteUnits(DeviceBackend& backend, const MultiUnitRequest& request,
                                   StationDisplay& display, RecordKeeper& records,
                                   const std::function<bool()>& interrupted);

}  // namespace zt::station
