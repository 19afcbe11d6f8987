#include "station/ImageFileCheck.h"

#include <algorithm>
#include <cstdio>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "chip/HexId.h"
#include "chip/ImageLayout.h"
#include "station/ImageInspector.h"

namespace zt::station {

namespace {

std::string Hex(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::optional<EepromImage> CheckImageFile(std::span<const uint8_t> file, std::string* failure) {
    if (file.size() != kImageSize) {
        *failure = "length: the file holds " + std::to_string(file.size()) + " bytes, an image " +
                   std::to_string(kImageSize);
        return std::nullopt;
    }
    if (!image::TagEquals(file, image::kMagicOffset, image::kMagic)) {
        *failure = "header: the file does not start with \"WTC\" and a zero byte";
        return std::nullopt;
    }
    const ImageInspector inspector(file);
    const auto chipClass = inspector.ChipClass();
    if (chipClass != image::kAcceptedChipClass) {
        *failure = chipClass ? "tag scan: the chip-class record holds class " + Hex("%02X", *chipClass) +
                                   ", not " + Hex("%02X", image::kAcceptedChipClass)
                             : "tag scan: the file has no chip-class record";
        return std::nullopt;
    }
    if (!inspector.HasHsDescriptors()) {
        *failure = "tag scan: the file has no high-speed descriptor record";
        return std::nullopt;
    }
    if (!inspector.FirmwareId()) {
        *failure = "firmware record: the file has none, so it cannot be matched with a chip";
        return std::nullopt;
    }
    EepromImage image{};
    std::copy(file.begin(), file.end(), image.begin());
    return image;
}

std::string CheckImageFitsChip(const EepromImage& image, const EepromImage& chipImage) {
    const ImageInspector file(image), chip(chipImage);
    if (file.FirmwareId() != chip.FirmwareId())
        return "firmware record: the file's firmware ID " + Hex("%04X", file.FirmwareId().value_or(0)) +
               " is not the chip's " + Hex("%04X", chip.FirmwareId().value_or(0));
    if (file.ChipClass() != chip.ChipClass())
        return "chip class: the file's class " + Hex("%02X", file.ChipClass().value_or(0)) +
               " is not the chip's " + Hex("%02X", chip.ChipClass().value_or(0));
    return "";
}

std::string CheckImageFitsUnit(CZT51xxWriteEepromMPDlg& dlg, const EepromImage& image) {
    // The device the write request will open: the typed pair in row 0. The
    // link the dialog opened at start-up may be another unit's.
    dlg.knownDevices[0].vendorId = ParseHexId(dlg.window.GetControlText(kIdVendorId));
    dlg.knownDevices[0].productId = ParseHexId(dlg.window.GetControlText(kIdProductId));
    dlg.CloseDevice();
    if (Failed(dlg.OpenKnownDevice())) return "";
    uint32_t chipId = 0;
    uint8_t status = 0xFF;
    if (Failed(dlg.ReadChipIdentity(&chipId, &status))) return "";
    const EepromImage* chipImage = SelectImage(chipId);
    if (!chipImage || status != 0) return "";
    return CheckImageFitsChip(image, *chipImage);
}

}  // namespace zt::station
