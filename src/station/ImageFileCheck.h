#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "chip/EepromImage.h"
#include "chip/KnownDeviceTable.h"

namespace zt {
class CZT51xxWriteEepromMPDlg;
}

namespace zt::station {

// The checks an image file passes before `write --image` may erase a unit
// for it: as thorough as the built-in images get.

// The file on its own: length, header magic, the tag scan, and the IDs the
// unit will come up with. Those must be a real pair (neither 0000 nor FFFF),
// the same in the tail block, the device descriptors and the firmware record,
// and a device of `table` (the table the command searches): otherwise the
// written unit could never be found again. The image, or nothing with the
// failed check in `*failure` (one line).
std::optional<EepromImage> CheckImageFile(std::span<const uint8_t> file, const KnownDeviceTable& table,
                                          std::string* failure);

// Whether the image is one for the chip's variant: not the other variant's
// built-in image, and the chip's own firmware ID, chip class and release
// series. "" when it is.
std::string CheckImageFitsChip(const EepromImage& image, const EepromImage& chipImage);

// Opens the unit the job will write (the typed IDs), reads its chip identity
// and checks the image against it; "" when it fits. Also "" when the chip
// cannot be read or has no image of ours: the job then stops at that point
// with its own code, still before anything is erased.
std::string CheckImageFitsUnit(CZT51xxWriteEepromMPDlg& dlg, const EepromImage& image);

}  // namespace zt::station
