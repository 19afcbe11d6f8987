#include <span>
#include <utility>

#include "chip/ImageLayout.h"
#include "job/ProgrammingJob.h"

namespace zt {

// Checks the tagged records of the image in imageBuffer before anything is
// written: the chip-class record must hold the one class this tool programs,
// and the high-speed descriptors must be present. The first occurrence of each
// tag counts. The scan runs on past the image into the zero area, which holds
// no tag.
Status ProgrammingJob::ParseImageTags() {
    const std::span<const uint8_t> buffer = std::as_const(commands_).ImageBuffer();
    hasFirmwareTag_ = 0;
    hasChipClassTag_ = 0;
    hasHsDescriptorTag_ = 0;

    for (size_t p = 0; p < image::kTagScanEnd; ++p) {
        if (!hasFirmwareTag_ && image::TagEquals(buffer, p, image::kFirmwareTag)) {
            hasFirmwareTag_ = 1;
            imageFirmwareId_ = image::ReadLe16(buffer, p + image::kFirmwareIdField);
        }
        if (!hasChipClassTag_ && image::TagEquals(buffer, p, image::kChipClassTag)) {
            hasChipClassTag_ = 1;
            imageChipClass_ = buffer[p + image::kChipClassField];
        }
        if (!hasHsDescriptorTag_ && image::TagEquals(buffer, p, image::kHsDescriptorTag)) {
            hasHsDescriptorTag_ = 1;
        }
    }

    if (!hasChipClassTag_ || imageChipClass_ != image::kAcceptedChipClass) {
        RecordFailure(kOriginParseImageTags, kChipClassRecordWrong);
        return kFail;
    }
    if (!hasHsDescriptorTag_) {
        RecordFailure(kOriginParseImageTags, kHsDescriptorsMissing);
        return kFail;
    }
    return kOk;
}

}  // namespace zt
