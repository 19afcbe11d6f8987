#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What a unit shows on USB once it boots from an image: the tail block's IDs,
// the high-speed device descriptor's release number and the serial string the
// tail points to. On a full-speed link (a USB 1.1 hub on the way) the chip
// answers with the full-speed device descriptor instead, which carries a
// product ID of its own; the serial stays. The simulated chip boots from
// these, and a station checks a unit that came back against them.
namespace zt {

// A device descriptor's IDs and release number.
struct UsbDeviceIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;
    bool operator==(const UsbDeviceIds&) const = default;
};

struct ImageIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;  // 0 when the image has no high-speed descriptor record
    std::string serial;      // "" when the tail points at no string descriptor
    // The full-speed device descriptor's IDs; none when the image has no
    // full-speed record starting with a device descriptor, and none in what a
    // USB walk reads back from a unit.
    std::optional<UsbDeviceIds> fullSpeed = std::nullopt;
    bool operator==(const ImageIdentity&) const = default;

    // What the unit shows at high speed, and at full speed (nothing when the
    // image has no full-speed descriptor); neither carries `fullSpeed`.
    ImageIdentity AtHighSpeed() const { return {vendorId, productId, bcdDevice, serial}; }
    std::optional<ImageIdentity> AtFullSpeed() const {
        if (!fullSpeed) return std::nullopt;
        return ImageIdentity{fullSpeed->vendorId, fullSpeed->productId, fullSpeed->bcdDevice, serial};
    }
};

// Where the serial string sits: the offset of its descriptor (length and type
// bytes first) and the number of characters it holds.
struct SerialStringPlace {
    size_t descriptorOffset = 0;
    size_t characters = 0;
};

// The string descriptor the tail's serial offset points at; none when there
// is none, or when it runs past the tail block. Only single-byte characters
// count: a descriptor with any other character is no serial of ours.
std::optional<SerialStringPlace> FindSerialString(std::span<const uint8_t> image);

// The identity an image gives the unit (an image shorter than the tail block
// gives all zeros).
ImageIdentity IdentityOf(std::span<const uint8_t> image);

// A serial string the tool may write: letters, digits and '-' only.
bool IsSerialText(const std::string& serial);

// Puts `serial` into the image's serial string, in place: the same length as
// the string it replaces. False with a reason (nothing changed) when the
// image has no serial string, the length differs or a character is refused.
bool PutSerialString(std::span<uint8_t> image, const std::string& serial, std::string* why);

}  // namespace zt
