#include "station/image/ImageFileCheck.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <tuple>
#include <vector>

#include "chip/HexId.h"
#include "chip/ImageIdentity.h"
#include "chip/ImageLayout.h"
#include "station/image/ImageInspector.h"
#include "station/operator/TerminalText.h"

namespace zt::station {

namespace {

std::string Hex(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Pair(uint16_t vendorId, uint16_t productId) {
    return Hex("%04X", vendorId) + ":" + Hex("%04X", productId);
}

constexpr uint8_t kStringDescriptorType = 3;

// 0000 and FFFF are what blank or erased memory reads as; no device is
// looked for under them.
bool IsRealId(uint16_t id) { return id != 0x0000 && id != 0xFFFF; }

bool InTable(const KnownDeviceTable& table, uint16_t vendorId, uint16_t productId) {
    for (const KnownDevice& row : table) {
        if (row.vendorId == 0) break;
        if (row.vendorId == vendorId && row.productId == productId) return true;
    }
    return false;
}

// The IDs the written unit comes up with, high-speed and full-speed, and
// where else the image states them. "" when they agree and name a device the
// tool looks for.
std::string CheckDeviceIds(const ImageInspector& inspector, const KnownDeviceTable& table) {
    const ImageInspector::DeviceIds tail = inspector.TailIds();
    const auto hs = inspector.DescriptorIds(image::kHsDescriptorTag);
    const auto fs = inspector.DescriptorIds(image::kFsDescriptorTag);
    const auto firmware = inspector.FirmwareRecordIds();
    if (!IsRealId(tail.vendorId) || !IsRealId(tail.productId))
        return "IDs: the tail block names " + Pair(tail.vendorId, tail.productId) +
               ", which no unit can be found under";
    if (!hs) return "descriptors: the high-speed record does not start with a device descriptor";
    if (!fs) return "descriptors: the file has no full-speed record that starts with a device descriptor";
    if (!firmware) return "firmware record: the file ends inside it";

    struct Named {
        const char* where;
        uint16_t vendorId, productId;
    };
    const Named pairs[] = {{"the tail block", tail.vendorId, tail.productId},
                           {"the high-speed device descriptor", hs->vendorId, hs->productId},
                           {"the full-speed device descriptor", fs->vendorId, fs->productId}};
    for (const Named& p : {pairs[1], pairs[2]})
        if (!IsRealId(p.vendorId) || !IsRealId(p.productId))
            return std::string("IDs: ") + p.where + " names " + Pair(p.vendorId, p.productId) +
                   ", which no unit can be found under";
    if (hs->vendorId != tail.vendorId || hs->productId != tail.productId)
        return "descriptors: the high-speed device descriptor names " + Pair(hs->vendorId, hs->productId) +
               ", the tail block " + Pair(tail.vendorId, tail.productId);
    if (fs->vendorId != hs->vendorId)
        return "descriptors: the full-speed device descriptor names vendor " + Hex("%04X", fs->vendorId) +
               ", the high-speed one " + Hex("%04X", hs->vendorId);
    if (fs->bcdDevice != hs->bcdDevice || firmware->deviceRelease != hs->bcdDevice)
        return "descriptors: the device releases differ (high-speed " + Hex("%04X", hs->bcdDevice) +
               ", full-speed " + Hex("%04X", fs->bcdDevice) + ", firmware record " +
               Hex("%04X", firmware->deviceRelease) + ")";
    if (firmware->vendorId != hs->vendorId || firmware->hsProductId != hs->productId ||
        firmware->fsProductId != fs->productId)
        return "firmware record: it names " + Pair(firmware->vendorId, firmware->hsProductId) + "/" +
               Hex("%04X", firmware->fsProductId) + ", the descriptors " + Pair(hs->vendorId, hs->productId) +
               "/" + Hex("%04X", fs->productId);
    for (const Named& p : {pairs[0], pairs[2]})
        if (!InTable(table, p.vendorId, p.productId))
            return std::string("known devices: ") + p.where + " names " + Pair(p.vendorId, p.productId) +
                   ", a device the tool does not look for";
    return "";
}

// The serial string the tail points at, as the unit will show it: only the
// characters a --serial may hold (letters, digits, '-'). "" when it has
// none, or when the tail points at no string descriptor.
std::string CheckSerialString(std::span<const uint8_t> file) {
    const size_t first = image::ReadLe16(file, image::kTailSerialOffset);
    if (first < 2 || first > image::kTailOffset) return "";
    const size_t at = first - 2;
    const size_t length = file[at];
    if (file[at + 1] != kStringDescriptorType || length < 2 || at + length > image::kTailOffset) return "";
    std::vector<uint16_t> units;
    std::string text;
    bool ascii = length % 2 == 0;
    for (size_t i = 2; i + 1 < length; i += 2) {
        units.push_back(image::ReadLe16(file, at + i));
        ascii = ascii && units.back() < 0x80;
        text.push_back(static_cast<char>(units.back()));
    }
    if (ascii && (text.empty() || IsSerialText(text))) return "";
    return "serial string: \"" + ForTerminal(units) +
           "\" may hold only letters, digits and '-', as a --serial does";
}

}  // namespace

std::optional<EepromImage> CheckImageFile(std::span<const uint8_t> file, const KnownDeviceTable& table,
                                          std::string* failure) {
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
    if (std::string misfit = CheckDeviceIds(inspector, table); !misfit.empty()) {
        *failure = std::move(misfit);
        return std::nullopt;
    }
    if (std::string misfit = CheckSerialString(file); !misfit.empty()) {
        *failure = std::move(misfit);
        return std::nullopt;
    }
    EepromImage image{};
    std::copy(file.begin(), file.end(), image.begin());
    return image;
}

// The two built-in images differ only in the high byte of the release number
// (the firmware record's releaseNumber and deviceRelease, bcdDevice of both
// device descriptors: 01xx for image A, 02xx for image B), in the product
// string, and in the tail's serial-number offset that the longer string
// moves; their program is the same. So a file shows that it belongs to the
// other variant only by carrying one of that variant's own values: its whole
// built-in image, a release in its series, or its product string. A release
// or string that neither built-in image uses says nothing about the variant
// (an engineer's image for chip A may well be release 0300), and is written.
// Firmware ID and chip class are the same in both images; they keep out
// images of other chips altogether.
std::string CheckImageFitsChip(const EepromImage& image, const EepromImage& chipImage) {
    const bool chipIsB = chipImage == kImageB;
    const EepromImage& otherImage = chipIsB ? kImageA : kImageB;
    const std::string other = chipIsB ? "A" : "B";
    if (image == otherImage && chipImage != otherImage)
        return "built-in image: the file is image " + other + ", the image of the other chip variant";
    const ImageInspector file(image), chip(chipImage), otherVariant(otherImage);
    if (file.FirmwareId() != chip.FirmwareId())
        return "firmware record: the file's firmware ID " + Hex("%04X", file.FirmwareId().value_or(0)) +
               " is not the chip's " + Hex("%04X", chip.FirmwareId().value_or(0));
    if (file.ChipClass() != chip.ChipClass())
        return "chip class: the file's class " + Hex("%02X", file.ChipClass().value_or(0)) +
               " is not the chip's " + Hex("%02X", chip.ChipClass().value_or(0));

    const auto chipIds = chip.DescriptorIds(image::kHsDescriptorTag);
    const auto otherIds = otherVariant.DescriptorIds(image::kHsDescriptorTag);
    if (chipIds && otherIds && chipIds->bcdDevice >> 8 != otherIds->bcdDevice >> 8) {
        const unsigned otherSeries = otherIds->bcdDevice >> 8;
        std::vector<uint16_t> releases;
        if (const auto firmware = file.FirmwareRecordIds()) {
            releases.push_back(firmware->releaseNumber);
            releases.push_back(firmware->deviceRelease);
        }
        for (const std::string_view tag : {image::kHsDescriptorTag, image::kFsDescriptorTag})
            if (const auto ids = file.DescriptorIds(tag)) releases.push_back(ids->bcdDevice);
        for (const uint16_t release : releases)
            if (release >> 8 == otherSeries)
                return "release: the file's release " + Hex("%04X", release) + " is of chip " + other +
                       "'s series " + Hex("%02X", otherSeries) + "xx";
    }
    const std::string product = file.ProductString();
    if (!product.empty() && product == otherVariant.ProductString() && product != chip.ProductString())
        return "product string: the file's " + product + " is chip " + other + "'s";
    return "";
}

std::vector<std::string> DescribeImageFileChecks(std::span<const uint8_t> file,
                                                 const KnownDeviceTable& table) {
    std::string failure;
    const auto image = CheckImageFile(file, table, &failure);
    if (!image) return {"file check: refused, " + failure};
    std::vector<std::string> lines{"file check: passes"};
    for (const auto& [chipImage, name, chipId] :
         {std::tuple{&kImageA, "A", kChipIdImageA}, std::tuple{&kImageB, "B", kChipIdImageB}}) {
        const std::string misfit = CheckImageFitsChip(*image, *chipImage);
        lines.push_back(std::string("chip ") + name + " (" + Hex("0x%04X", chipId).substr(0, 5) +
                        "x): " + (misfit.empty() ? "written" : "refused, " + misfit));
    }
    return lines;
}

std::string CheckImageFitsChip(const EepromImage& image, const ChipIdentity& chip) {
    // A chip with no image of ours, or one that is not ready, is the job's
    // to refuse with its own code.
    const EepromImage* chipImage = SelectImage(chip.chipId);
    if (!chipImage || chip.status != 0) return "";
    return CheckImageFitsChip(image, *chipImage);
}

}  // namespace zt::station
