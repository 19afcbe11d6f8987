#include "chip/ImageIdentity.h"

#include <algorithm>
#include <string_view>

#include "chip/ImageLayout.h"

namespace zt {

namespace {

constexpr uint8_t kStringDescriptorType = 3;
constexpr uint8_t kDeviceDescriptorType = 1;
constexpr size_t kDeviceDescriptorVendorId = 8;
constexpr size_t kDeviceDescriptorProductId = 10;

// The device descriptor that follows the first `tag`, as the boot code reads
// it; none when the tag is missing or no device descriptor starts there.
std::optional<UsbDeviceIds> DeviceDescriptorAfter(std::span<const uint8_t> image, std::string_view tag) {
    if (image.size() < image::kTagSize + image::kDeviceDescriptorSize) return std::nullopt;
    const auto searchEnd = image.end() - static_cast<std::ptrdiff_t>(image::kDeviceDescriptorSize);
    const auto found = std::search(image.begin(), searchEnd, tag.begin(), tag.end());
    if (found == searchEnd) return std::nullopt;
    const size_t at = static_cast<size_t>(found - image.begin()) + image::kTagSize;
    if (image[at] != image::kDeviceDescriptorSize || image[at + 1] != kDeviceDescriptorType)
        return std::nullopt;
    return UsbDeviceIds{image::ReadLe16(image, at + kDeviceDescriptorVendorId),
                        image::ReadLe16(image, at + kDeviceDescriptorProductId),
                        image::ReadLe16(image, at + image::kDeviceDescriptorBcdDevice)};
}

}  // namespace

std::optional<SerialStringPlace> FindSerialString(std::span<const uint8_t> image) {
    if (image.size() < image::kTailEnd) return std::nullopt;
    const size_t first = image::ReadLe16(image, image::kTailSerialOffset);
    if (first < 2) return std::nullopt;
    const size_t at = first - 2;
    // The descriptor sits in the program area, below the tail block. An
    // erased or foreign tail may point anywhere, so check before reading.
    if (at + 2 > image::kTailOffset) return std::nullopt;
    const size_t length = image[at];
    if (image[at + 1] != kStringDescriptorType || length < 2 || length % 2 != 0 ||
        at + length > image::kTailOffset)
        return std::nullopt;
    for (size_t i = 2; i < length; i += 2)
        if (image[at + i] == 0 || image[at + i + 1] != 0) return std::nullopt;
    return SerialStringPlace{at, (length - 2) / 2};
}

ImageIdentity IdentityOf(std::span<const uint8_t> image) {
    ImageIdentity identity;
    if (image.size() < image::kTailEnd) return identity;
    identity.vendorId = image::ReadLe16(image, image::kTailVendorId);
    identity.productId = image::ReadLe16(image, image::kTailProductId);
    // The release number comes from the high-speed device descriptor that
    // follows the first descriptor tag, as the boot code reads it.
    const auto& tag = image::kHsDescriptorTag;
    const auto searchEnd = image.end() - static_cast<std::ptrdiff_t>(image::kDeviceDescriptorSize);
    const auto hsTag = std::search(image.begin(), searchEnd, tag.begin(), tag.end());
    if (hsTag != searchEnd) {
        const size_t at =
            static_cast<size_t>(hsTag - image.begin()) + image::kTagSize + image::kDeviceDescriptorBcdDevice;
        identity.bcdDevice = image::ReadLe16(image, at);
    }
    identity.fullSpeed = DeviceDescriptorAfter(image, image::kFsDescriptorTag);
    if (const auto place = FindSerialString(image))
        for (size_t i = 0; i < place->characters; ++i)
            identity.serial += static_cast<char>(image[place->descriptorOffset + 2 + 2 * i]);
    return identity;
}

bool IsSerialText(const std::string& serial) {
    return !serial.empty() && std::all_of(serial.begin(), serial.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
    });
}

bool PutSerialString(std::span<uint8_t> image, const std::string& serial, std::string* why) {
    const auto place = FindSerialString(image);
    if (!place) {
        *why = "the image has no serial string to replace";
        return false;
    }
    if (!IsSerialText(serial)) {
        *why = "serial \"" + serial + "\" may hold only letters, digits and '-'";
        return false;
    }
    if (serial.size() != place->characters) {
        *why = "serial \"" + serial + "\" has " + std::to_string(serial.size()) +
               " characters; the image's has " + std::to_string(place->characters);
        return false;
    }
    for (size_t i = 0; i < serial.size(); ++i)
        image[place->descriptorOffset + 2 + 2 * i] = static_cast<uint8_t>(serial[i]);
    return true;
}

}  // namespace zt
