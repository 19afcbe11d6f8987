#include "station/StationRecordCollector.h"

#include <algorithm>
#include <span>

#include "chip/EepromImage.h"
#include "job/Sha256.h"

namespace zt::station {

namespace {

// Which image the job put in its buffer: one of the embedded ones, another
// image ("file"), or none when it stopped before choosing.
std::string ImageName(std::span<const uint8_t> image) {
    if (std::equal(image.begin(), image.end(), kImageA.begin())) return "A";
    if (std::equal(image.begin(), image.end(), kImageB.begin())) return "B";
    if (std::all_of(image.begin(), image.end(), [](uint8_t byte) { return byte == 0; })) return "";
    return "file";
}

}  // namespace

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
    const CZT51xxWriteEepromMPDlg& dialog = job.dialog;
    if (dialog.chipId != 0xFFFFFFFF) record.chipId = dialog.chipId;
    const std::span<const uint8_t> image(dialog.imageBuffer.data(),
                                         std::min<size_t>(dialog.imageLength, kImageSize));
    record.image = ImageName(image);
    if (!record.image.empty()) record.imageSha256 = Sha256Hex(image);
    record.status = ResultName(job.outcome.kind);
    record.code = job.outcome.Code();
    record.rewritePasses = 2 - dialog.rewriteBudget;
    return record;
}

UnitFacts UnitFactsOf(const StationRecord& record) {
    return {record.port, record.vendorIdAfter, record.productIdAfter, record.chipId};
}

}  // namespace zt::station
