#include "station/unit/StationRecordCollector.h"

#include "chip/EepromImage.h"
#include "job/Sha256.h"

namespace zt::station {

StationRecord CollectStationRecord(const FinishedJob& job) {
    StationRecord record;
    record.start = job.start;
    record.end = job.end;
    record.port = job.port;
    if (const auto first = job.ids.First()) {
        record.vendorIdBefore = first->first;
        record.productIdBefore = first->second;
    }
    if (const auto last = job.ids.Last()) {
        record.vendorIdAfter = last->first;
        record.productIdAfter = last->second;
    }
    // The unit's descriptor as the bus shows it now, found by its port or,
    // when the port is unknown, by the IDs it ended with.
    for (const UsbDeviceEntry& device : job.usb.ListDevices()) {
        const bool match = !job.port.empty()
                               ? device.port == job.port
                               : record.vendorIdAfter && device.vendorId == *record.vendorIdAfter &&
                                     device.productId == *record.productIdAfter;
        if (!match || device.isHub) continue;
        record.bcdDevice = device.bcdDevice;
        record.serial = device.serial;
        break;
    }
    record.chipId = job.report.chipId;
    record.image = job.report.imageName;
    record.imageSha256 = job.report.imageSha256;
    if (job.report.imageIdentity) record.imageRelease = job.report.imageIdentity->bcdDevice;
    record.status = ResultName(job.outcome.kind);
    record.code = job.outcome.Code();
    record.restoreCode = job.report.restoreCode;
    record.rewritePasses = job.report.rewritePasses;
    record.serialWritten = job.report.serialWritten;
    return record;
}

UnitFacts UnitFactsOf(const StationRecord& record) {
    return {record.port,        record.vendorIdAfter, record.productIdAfter, record.chipId,
            record.restoreCode, record.confirmed,     record.cameBack,       record.serialWritten};
}

}  // namespace zt::station
