#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/KnownDeviceTable.h"
#include "platform/Status.h"

namespace zt::station {

// The checks an image file passes before `write --image` may erase a unit
// for it: as thorough as the built-in images get.

// The file on its own: length, header magic, the tag scan, and the IDs the
// unit will come up with. Those must be a real pair (neither 0000 nor FFFF),
// the same in the tail block, the device descriptors and the firmware record,
// and a device of `table` (the table the command searches): otherwise the
// written unit could never be found again. The serial string the tail points
// at holds only what a --serial may (letters, digits, '-'): the unit shows it
// to every program that lists USB devices. The image, or nothing with the
// failed check in `*failure` (one line).
std::optional<EepromImage> CheckImageFile(std::span<const uint8_t> file, const KnownDeviceTable& table,
                                          std::string* failure);

// Whether the image may go on a chip whose own built-in image is
// `chipImage`: the chip's firmware ID and chip class, and nothing that marks
// the other variant (its built-in image, a release of its series, its
// product string). "" when it may; else one line naming the check.
std::string CheckImageFitsChip(const EepromImage& image, const EepromImage& chipImage);

// What `write --image` would make of `file` on each chip variant: the file's
// own check first ("refused, ..." ends it there), then one line per variant,
// "chip A (0x73Cx): written" or "chip A (0x73Cx): refused, ...".
std::vector<std::string> DescribeImageFileChecks(std::span<const uint8_t> file,
                                                 const KnownDeviceTable& table);

// The image against the chip a unit reported (its chip ID and the status
// of that read): "" when it fits, and also when the status is not 0 or the
// chip has no image of ours.
std::string CheckImageFitsChipIdentity(const EepromImage& image, uint32_t chipId, uint8_t status);

// Opens the unit the job will write (the typed IDs), reads its chip identity
// and checks the image against it; "" when it fits. Also "" when the chip
// cannot be read or has no image of ours: the job then stops at that point
// with its own code, still before anything is erased. `dlg` is the dialog
// (OpenTypedUnit, ReadChipIdentity); taken as a template so that the image
// checks need nothing of the dialog's own header.
template <typename Dialog>
std::string CheckImageFitsUnit(Dialog& dlg, const EepromImage& image) {
    // The device the write request will open: the typed pair in row 0. The
    // link the dialog opened at start-up may be another unit's.
    if (Failed(dlg.OpenTypedUnit())) return "";
    uint32_t chipId = 0;
    uint8_t status = 0xFF;
    if (Failed(dlg.ReadChipIdentity(&chipId, &status))) return "";
    return CheckImageFitsChipIdentity(image, chipId, status);
}

}  // namespace zt::station
