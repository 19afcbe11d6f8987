#include <span>

#include "chip/ImageLayout.h"
#include "job/ProgrammingJob.h"

namespace zt {

// Checks the tagged records of the image in imageBuffer before anything is
// written: the chip-class record must hold the one class this tool programs,
// and the high-speed descriptors must be present. The first occurrence of each
// tag counts. The scan runs on past the image into the zero area, which holds
// no tag.
Status ProgrammingJob::ParseImageTags() {
    const std::span<const uint8_t> buffer(imageBuffer);
    hasFirmwareTag = 0;
    hasChipClassTag = 0;
    hasHsDescriptorTag = 0;

    for (size_t p = 0; p < image::kTagScanEnd; ++p) {
        if (!hasFirmwareTag && image::TagEquals(buffer, p, image::kFirmwareTag)) {
            hasFirmwareTag = 1;
            imageFirmwareId = image::ReadLe16(buffer, p + image::kFirmwareIdField);
        }
        if (!hasChipClassTag && image::TagEquals(buffer, p, image::kChipClassTag)) {
            hasChipClassTag = 1;
            imageChipClass = buffer[p + image::kChipClassField];
        }
        if (!hasHsDescriptorTag && image::TagEquals(buffer, p, image::kHsDescriptorTag)) {
            hasHsDescriptorTag = 1;
        }
    }

    if (!hasChipClassTag || imageChipClass != image::kAcceptedChipClass) {
        RecordFailure(kOriginParseImageTags, kChipClassRecordWrong);
        return kFail;
    }
    if (!hasHsDescriptorTag) {
        RecordFailure(kOriginParseImageTags, kHsDescriptorsMissing);
        return kFail;
    }
    return kOk;
}

}  // namespace zt
