#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "chip/EepromImage.h"

// Where things sit in an EEPROM image, as the controller boots it and as the
// tool scans it. The image generator (tools/mkimage), the tag scan and the
// image inspector all read these tables, so the three cannot drift apart.
namespace zt::image {

// Header: bytes 0..7. The write job handles them apart from the body.
inline constexpr size_t kMagicOffset = 0x0000;
inline constexpr std::string_view kMagic{"WTC\0", 4};
inline constexpr size_t kHeaderByteOffset = 0x0004;
inline constexpr size_t kResetVectorOffset = 0x0005;  // LJMP hi lo
inline constexpr size_t kHeaderSize = 8;

// The controller's program memory starts at the reset vector: image offset =
// program address + 5.
inline constexpr size_t kProgramBase = kResetVectorOffset;
inline constexpr size_t kProgramSize = kImageSize - kProgramBase;
inline constexpr uint8_t kOpLjmp = 0x02;
inline constexpr uint8_t kOpReti = 0x32;
// The classic 8051/8052 interrupt vectors, eight bytes apart from address 3.
inline constexpr std::array<uint16_t, 6> kInterruptVectors = {0x0003, 0x000B, 0x0013, 0x001B, 0x0023, 0x002B};

// Tail block.
inline constexpr size_t kTailOffset = 0x4000;
inline constexpr size_t kTailZeroSize = 8;
inline constexpr size_t kTailSerialOffset = 0x4008;  // offset of the serial string's first character
inline constexpr size_t kTailProductId = 0x400A;
inline constexpr size_t kTailVendorId = 0x400C;
inline constexpr size_t kTailEnd = 0x4010;
static_assert(kTailEnd == kImageSize);

// Tagged records: "ZT", three letters, "Tag", then the fields.
inline constexpr size_t kTagSize = 8;
inline constexpr std::string_view kFirmwareTag = "ZTFwLTag";
inline constexpr std::string_view kChipClassTag = "ZTCIdTag";
inline constexpr std::string_view kHsDescriptorTag = "ZTHsDTag";
inline constexpr std::string_view kFsDescriptorTag = "ZTFsDTag";
// The descriptor records start with a standard USB device descriptor; the
// chip reports its release number (bcdDevice) from the high-speed one.
inline constexpr size_t kDeviceDescriptorSize = 18;
inline constexpr size_t kDeviceDescriptorBcdDevice = 12;
// Records of our own images that the tool does not interpret: the USB string
// descriptors (index 0, the language IDs, first) and the HID report descriptor.
inline constexpr std::string_view kStringsTag = "ZTStrTag";
inline constexpr std::string_view kHidReportTag = "ZTRptTag";

// The scan covers positions 0..0x7FFF of the image buffer.
inline constexpr size_t kTagScanEnd = 0x8000;
inline constexpr uint8_t kAcceptedChipClass = 0x27;

// One field of a tagged record; offsets count from the tag's first byte.
struct RecordField {
    std::string_view name;
    uint8_t offset;
    uint8_t size;  // 1 and 2 are numbers (little-endian); larger sizes are byte strings
};

inline constexpr std::array<RecordField, 9> kFirmwareRecordFields = {{
    {"options", 8, 6},
    {"reserved1", 14, 2},
    {"reserved2", 16, 2},
    {"releaseNumber", 18, 2},
    {"vendorId", 20, 2},
    {"hsProductId", 22, 2},
    {"fsProductId", 24, 2},
    {"deviceRelease", 26, 2},
    {"firmwareId", 28, 2},
}};
inline constexpr size_t kFirmwareRecordSize = 30;
inline constexpr size_t kFirmwareIdField = 28;

inline constexpr std::array<RecordField, 2> kChipClassRecordFields = {{
    {"chipClass", 8, 1},
    {"classData", 9, 3},
}};
inline constexpr size_t kChipClassRecordSize = 12;
inline constexpr size_t kChipClassField = 8;

// Every read of the scan stays inside the image buffer, even for a tag found
// at the last position.
static_assert(kTagScanEnd - 1 + kFirmwareRecordSize <= kImageBufferSize);
static_assert(kTagScanEnd - 1 + kChipClassRecordSize <= kImageBufferSize);

// True when the 8 bytes at pos are a record tag of the "ZT", three letters,
// "Tag" form. Positions too close to the end never match.
inline bool IsRecordTagAt(std::span<const uint8_t> bytes, size_t pos) {
    if (pos > bytes.size() || bytes.size() - pos < kTagSize) return false;
    auto letter = [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return bytes[pos] == 'Z' && bytes[pos + 1] == 'T' && letter(bytes[pos + 2]) && letter(bytes[pos + 3]) &&
           letter(bytes[pos + 4]) && bytes[pos + 5] == 'T' && bytes[pos + 6] == 'a' && bytes[pos + 7] == 'g';
}

// True when the 8 bytes at pos equal tag. Positions too close to the end never match.
inline bool TagEquals(std::span<const uint8_t> bytes, size_t pos, std::string_view tag) {
    if (pos > bytes.size() || bytes.size() - pos < tag.size()) return false;
    for (size_t i = 0; i < tag.size(); ++i)
        if (bytes[pos + i] != static_cast<uint8_t>(tag[i])) return false;
    return true;
}

inline uint16_t ReadLe16(std::span<const uint8_t> bytes, size_t pos) {
    return static_cast<uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
}

}  // namespace zt::image
