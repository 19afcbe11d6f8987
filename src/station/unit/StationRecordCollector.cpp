#include "station/unit/StationRecordCollector.h"

#include "chip/EepromImage.h"
#include "job/Sha256.h"

namespace zt::station {

StationRecord CollectStationRecord(const FinishedJob& job) {
    const JobReport& report = job.report;
    StationRecord record;
    record.kind = job.kind;
    record.start = job.start;
    record.end = job.end;
    record.port = job.port;
    // The unit as the job first opened it, and as it came back after the
    // re-plug; a unit not re-plugged (an updater device, a job that ended
    // before) came back as it was.
    if (const auto before = report.openedBefore) {
        record.vendorIdBefore = before->vendorId;
        record.productIdBefore = before->productId;
    }
    if (const auto after = report.openedAfter ? report.openedAfter : report.openedBefore) {
        record.vendorIdAfter = after->vendorId;
        record.productIdAfter = after->productId;
    }
    // The unit's descriptor as the bus shows it now, found by its port or,
    // when the port is unknown, by the IDs it ended with.
    for (const UsbDeviceEntry& device : job.usb ? job.usb->ListDevices() : std::vector<UsbDeviceEntry>{}) {
        const bool match = !job.port.empty()
                               ? device.port == job.port
                               : record.vendorIdAfter && device.vendorId == *record.vendorIdAfter &&
                                     device.productId == *record.productIdAfter;
        if (!match || device.isHub) continue;
        record.bcdDevice = device.bcdDevice;
        record.serial = device.serial;
        break;
    }
    record.chipId = report.chipId;
    record.image = report.imageName;
    record.imageSha256 = report.imageSha256;
    if (report.imageIdentity) record.imageRelease = report.imageIdentity->bcdDevice;
    record.status = ResultName(report.outcome.kind);
    record.code = report.outcome.Code();
    record.restoreCode = report.restoreCode;
    record.rewritePasses = report.rewritePasses;
    record.serialWritten = report.serialWritten;
    record.preCheck = job.preCheck;
    // A serial the unit was given but did not get stays used: its record
    // says so, and the ledger where it went.
    for (const std::string& serial : job.serialsTaken)
        if (serial != record.serialWritten) record.serialsSpent.push_back(serial);
    if (job.identity) StampIdentity(*job.identity, record);
    record.barcode = job.barcode;
    return record;
}

UnitFacts UnitFactsOf(const StationRecord& record) {
    return {record.port,        record.vendorIdAfter, record.productIdAfter, record.chipId,
            record.restoreCode, record.confirmed,     record.cameBack,       record.serialWritten};
}

}  // namespace zt::station
