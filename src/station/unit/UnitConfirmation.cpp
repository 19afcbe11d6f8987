#include "station/unit/UnitConfirmation.h"

#include "chip/HexId.h"
#include "device/FailureCodes.h"
#include "job/JobResult.h"
#include "station/operator/OperatorText.h"
#include "station/operator/TerminalText.h"
#include "station/ports/PowerReplug.h"

namespace zt::station {

namespace {

// The job has ended; the check comes after every stage of it.
constexpr uint32_t kStageAfterJob = 4;
// How long the USB walk may lag behind an arrival notice.
constexpr uint32_t kDescriptorWaitMs = 1000;

std::string Describe(const ImageIdentity& unit) {
    return FormatHexId(unit.vendorId) + ":" + FormatHexId(unit.productId) + " bcdDevice " +
           FormatHexId(unit.bcdDevice) + " serial \"" + ForTerminal(unit.serial) + "\"";
}

void ReadBack(DeviceBackend& backend, PortWatch& watch, const std::string& port,
              const std::function<bool()>& stop, Confirmation& confirmation) {
    auto look = [&](const PortState&) {
        for (const UsbDeviceEntry& device : backend.AsPlatform().usb.ListDevices())
            if (!device.isHub && device.port == port) {
                confirmation.cameBack =
                    ImageIdentity{device.vendorId, device.productId, device.bcdDevice, device.serial};
                confirmation.link = device.link;
                return true;
            }
        return false;
    };
    watch.WaitFor(port, look, stop, kDescriptorWaitMs);
}

}  // namespace

std::string Confirmation::MatchedIdentity(const ImageIdentity& expected) const {
    if (!cameBack) return "";
    if (link != UsbLink::Full && *cameBack == expected.AtHighSpeed()) return "high-speed";
    if (link != UsbLink::High && cameBack == expected.AtFullSpeed()) return "full-speed";
    return "";
}

Confirmation ConfirmUnit(DeviceBackend& backend, PortWatch& watch, const ConfirmRequest& request,
                         ConsoleView& view, const std::function<bool()>& stop) {
    const PortState before = watch.StateOf(request.port);
    const uint32_t limitMs = static_cast<uint32_t>(request.comeBackWithin.count());
    auto cameBack = [&](const PortState& now) { return now.present && now.arrivals > before.arrivals; };
    Confirmation confirmation;

    const bool byPower = request.replug == ReplugMode::Power &&
                         ReplugByPortPower(backend.Power(), request.port,
                                           [&view](const std::string& line) { view.Info(line); });
    if (!byPower) {
        view.Info(
            FillIn(OperatorText("Station", "re-plug the unit at port %1 to confirm it"), {request.port}));
        if (OperatorHands* hands = backend.Hands()) hands->Replug(request.port);
        const bool left = watch.WaitFor(
            request.port, [&](const PortState& now) { return now.removals > before.removals; }, stop);
        if (!left) return confirmation;
    }
    // Once out, the unit has its time to come back even when the station
    // is stopping: it is the last step of a job under way.
    if (!watch.WaitFor(
            request.port, cameBack, [] { return false; }, limitMs))
        return confirmation;
    ReadBack(
        backend, watch, request.port, [] { return false; }, confirmation);
    return confirmation;
}

JobOutcome ConfirmedOutcome(const JobOutcome& job, const ImageIdentity& expected,
                            const Confirmation& confirmation) {
    if (job.kind != ResultKind::Ok || !confirmation.cameBack || confirmation.Confirmed(expected)) return job;
    return JobOutcome::Failed(JobResult{kStageAfterJob, kOriginConfirmUnit, kCameBackAsOther.errorClass,
                                        kCameBackAsOther.errorDetail});
}

void ApplyConfirmation(const ImageIdentity& expected, const Confirmation& confirmation, JobOutcome& outcome,
                       StationRecord& record) {
    outcome = ConfirmedOutcome(outcome, expected, confirmation);
    record.confirmed = confirmation.Confirmed(expected);
    record.cameBack.reset();
    if (confirmation.cameBack) {
        record.cameBack = CameBack{*confirmation.cameBack, UsbLinkName(confirmation.link),
                                   confirmation.MatchedIdentity(expected)};
        record.vendorIdAfter = confirmation.cameBack->vendorId;
        record.productIdAfter = confirmation.cameBack->productId;
        record.bcdDevice = confirmation.cameBack->bcdDevice;
        record.serial = confirmation.cameBack->serial;
    }
    record.status = ResultName(outcome.kind);
    record.code = outcome.Code();
}

std::string DescribeConfirmation(const ImageIdentity& expected, const Confirmation& confirmation) {
    if (!confirmation.cameBack) return "not confirmed: the unit did not come back";
    const std::string link = confirmation.link == UsbLink::Unknown
                                 ? ""
                                 : std::string(" on a ") + UsbLinkName(confirmation.link) + "-speed link";
    const std::string identity = confirmation.MatchedIdentity(expected);
    if (!identity.empty())
        return "confirmed: " + Describe(*confirmation.cameBack) + link + " (the image's " + identity +
               " identity)";
    std::string wanted = Describe(expected.AtHighSpeed());
    if (const auto fullSpeed = expected.AtFullSpeed())
        wanted += " or, at full speed, " + Describe(*fullSpeed);
    return "came back as " + Describe(*confirmation.cameBack) + link + ", expected " + wanted;
}

}  // namespace zt::station
