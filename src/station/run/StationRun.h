#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chip/KnownDeviceTable.h"
#include "job/JobRequest.h"
#include "platform/DeviceBackend.h"
#include "station/records/RecordKeeper.h"
#include "station/records/StationIdentity.h"
#include "station/run/MultiUnitWrite.h"
#include "station/run/StationDisplay.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/UnitPipeline.h"

namespace zt::station {

// A station that writes each unit as it arrives: every port goes on its own.
struct StationRequest {
    // The ports the station serves; empty: every port a known device shows up on.
    std::vector<std::string> ports;
    // What every unit's job asks for: the IDs, an image file, the re-plug mode.
    JobRequest job;
    // The known devices that start a job (row 0 with the typed IDs).
    KnownDeviceTable table = kInitialKnownDevices;
    // A unit starts its job once it has been there this long.
    std::chrono::milliseconds settle{200};
    // How long a unit has to come back from the job's re-plug.
    std::chrono::seconds replugWait{10};
    // Whether an OK unit is re-plugged once more and checked; how long it
    // has from leaving until it is back.
    bool confirm = true;
    std::chrono::milliseconds comeBackWithin{10000};
    SerialNumbers* serials = nullptr;  // none: each image keeps its own serial
    // The scanned code for the unit that starts at `port` now; "" for none.
    std::function<std::string(const std::string& port)> barcodeFor;
    StationIdentity identity;
    const PreCheck* preCheck = nullptr;  // asked before each unit is touched; none: nobody
};

// Runs a station until it is told to stop. Each port has its own thread:
// it waits for a known device, gives it a moment to stay, runs its job
// (re-plugged by port power or by the operator, for that unit alone), checks
// the unit after its last re-plug, reports the result, and waits for the unit
// to be taken out before it takes the next one. A unit that is still there
// after its result is never written again.
class StationRun {
public:
    // Hears every finished unit, on that unit's port thread, one call at a
    // time, before the port takes its next unit, once its record is kept.
    using OnUnit = std::function<void(const UnitResult&, const StationCounters&)>;

    // Every unit's record goes to `records` before its result is shown; once
    // one could not be written, the station takes no more units.
    StationRun(DeviceBackend& backend, StationRequest request, StationDisplay& display, RecordKeeper& records,
               OnUnit onUnit);
    ~StationRun();
    StationRun(const StationRun&) = delete;
    StationRun& operator=(const StationRun&) = delete;

    // Takes units until `stop` turns true, then lets the jobs under way end
    // (`interrupted` is what they look at to stop early) and returns. The
    // calling thread receives the backend's notices: a front end's
    // user-interface thread, or the command line's main thread.
    void Run(const std::function<bool()>& stop, const std::function<bool()>& interrupted);

    StationCounters Counters() const;

private:
    struct Port;
    void ServePort(Port& port, const std::function<bool()>& stop, const std::function<bool()>& interrupted);
    void WriteUnit(Port& port, const std::function<bool()>& stop, const std::function<bool()>& interrupted);
    void ShowResult(const UnitResult& result, Port& port);
    bool Known(uint16_t vendorId, uint16_t productId) const;

    DeviceBackend& backend_;
    const StationRequest request_;
    StationDisplay& display_;
    RecordKeeper& records_;
    OnUnit onUnit_;
    std::unique_ptr<class PortWatch> watch_;
    const UnitPipeline pipeline_;
    mutable std::mutex countersMutex_;
    StationCounters counters_;
    uint64_t firstArrivalUs_ = 0;
    std::mutex reportMutex_;  // one OnUnit at a time
};

}  // namespace zt::station
