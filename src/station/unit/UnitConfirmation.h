#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "chip/ImageIdentity.h"
#include "job/JobOutcome.h"
#include "job/JobRequest.h"
#include "platform/DeviceBackend.h"
#include "platform/UsbTree.h"
#include "station/ports/PortWatch.h"
#include "station/records/StationLog.h"
#include "station/unit/ConsoleView.h"

namespace zt::station {

// The check of a written unit after its last re-plug: it must come back on
// its port as the device its image describes.
struct ConfirmRequest {
    std::string port;
    ImageIdentity expected;  // what the written image makes of the unit
    ReplugMode replug = ReplugMode::Operator;
    // From the unit leaving (or its port switching off) until it must be back.
    std::chrono::milliseconds comeBackWithin{10000};
};

struct Confirmation {
    // What came back on the port; none when the unit was taken out and did
    // not come back in time, or the station stopped first.
    std::optional<ImageIdentity> cameBack;
    // The link it came back on, where the system tells it.
    UsbLink link = UsbLink::Unknown;
    // Which of the image's identities came back: "high-speed" (the tail's
    // IDs and the high-speed descriptor's bcdDevice) or "full-speed" (the
    // full-speed descriptor's IDs and bcdDevice, as a unit behind a USB 1.1
    // hub shows itself), each with the image's serial; "" for neither. Where
    // the system tells the link, only that speed's identity counts: a unit
    // on a full-speed link that shows the high-speed IDs is not what the
    // image makes of it.
    std::string MatchedIdentity(const ImageIdentity& expected) const;
    bool Confirmed(const ImageIdentity& expected) const { return !MatchedIdentity(expected).empty(); }
};

// Re-plugs the unit by its port's power where asked to and possible, else
// asks the operator on `view` (and the backend's hands, where it has them),
// then waits on `watch` for the unit to leave and come back, and reads what it
// presents from the USB walk. Runs on the caller's thread; `stop` ends the
// wait for the unit to leave.
Confirmation ConfirmUnit(DeviceBackend& backend, PortWatch& watch, const ConfirmRequest& request,
                         ConsoleView& view, const std::function<bool()>& stop);

// The job's outcome once the check is in: an OK job whose unit came back as
// something else fails with its own code; everything else stays.
JobOutcome ConfirmedOutcome(const JobOutcome& job, const ImageIdentity& expected,
                            const Confirmation& confirmation);

// Puts the check into the job's outcome and its record: the outcome as
// ConfirmedOutcome makes it, and in the record `confirmed`, what came back
// (the IDs after, bcdDevice and serial become its own; with its link and
// which identity it matched), the status and code.
void ApplyConfirmation(const ImageIdentity& expected, const Confirmation& confirmation, JobOutcome& outcome,
                       StationRecord& record);

// One line for the operator: "confirmed: 3C4D:7351 bcdDevice 0100 serial ..."
std::string DescribeConfirmation(const ImageIdentity& expected, const Confirmation& confirmation);

}  // namespace zt::station
