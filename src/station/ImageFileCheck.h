#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "chip/EepromImage.h"

namespace zt {
class CZT51xxWriteEepromMPDlg;
}

namespace zt::station {

// The checks an image file passes before `write --image` may erase a unit
// for it: as thorough as the built-in images get.

// Length, header magic and the tag scan: the file on its own. The image, or
// nothing with the failed check in `*failure` (one line).
std::optional<EepromImage> CheckImageFile(std::span<const uint8_t> file, std::string* failure);

// Whether the image's firmware record and chip class are those of the chip's
// own built-in image. "" when they are.
std::string CheckImageFitsChip(const EepromImage& image, const EepromImage& chipImage);

// Opens the unit the job will write (the typed IDs), reads its chip identity
// and checks the image against it; "" when it fits. Also "" when the chip
// cannot be read or has no image of ours: the job then stops at that point
// with its own code, still before anything is erased.
std::string CheckImageFitsUnit(CZT51xxWriteEepromMPDlg& dlg, const EepromImage& image);

}  // namespace zt::station
