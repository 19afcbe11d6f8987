#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chip/ChipIdentity.h"
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

// The same for the chip as it identified itself; "" when it fits. Also ""
// when it has no image of ours or its status is not ready: the job then stops
// at that point with its own code, still before anything is erased.
std::string CheckImageFitsChip(const EepromImage& image, const ChipIdentity& chip);

}  // namespace zt::station
