// Feeds image files to the checks `write --image` runs before it erases a
// unit. Whatever the file holds, no check may read past it (AddressSanitizer
// watches), every refusal is one line, and an image the checks let through
// must name the IDs of a device the tool looks for.
//
// Input layout:
//   0    bit 0: start from image B instead of image A; bit 1: take the rest
//        of the input as the whole file instead
//   1..  edits to the built-in image, 3 bytes each: offset (little-endian,
//        modulo the image size), then the new byte
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/ImageLayout.h"
#include "chip/KnownDeviceTable.h"
#include "station/image/ImageFileCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zt;
    if (size == 0) return 0;
    std::vector<uint8_t> file;
    if (data[0] & 2) {
        file.assign(data + 1, data + size);
    } else {
        const EepromImage& base = (data[0] & 1) ? kImageB : kImageA;
        file.assign(base.begin(), base.end());
        for (size_t i = 1; i + 3 <= size; i += 3)
            file[(data[i] | (data[i + 1] << 8)) % kImageSize] = data[i + 2];
    }

    std::string failure;
    const auto image = station::CheckImageFile(file, kInitialKnownDevices, &failure);
    if (!image) {
        if (failure.empty() || failure.find('\n') != std::string::npos) __builtin_trap();
        return 0;
    }
    const uint16_t vendorId = image::ReadLe16(*image, image::kTailVendorId);
    const uint16_t productId = image::ReadLe16(*image, image::kTailProductId);
    bool known = false;
    for (const KnownDevice& row : kInitialKnownDevices)
        known = known || (row.vendorId != 0 && row.vendorId == vendorId && row.productId == productId);
    if (!known) __builtin_trap();
    for (const EepromImage* chip : {&kImageA, &kImageB})
        if (station::CheckImageFitsChip(*image, *chip).find('\n') != std::string::npos) __builtin_trap();
    return 0;
}
