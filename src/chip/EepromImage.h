#pragma once
#include <array>
#include <cstdint>

namespace zt {

inline constexpr uint32_t kImageSize = 16400;
inline constexpr uint32_t kImageBufferSize = 32800;

// A complete EEPROM image: header (bytes 0..7), body with tagged records and
// USB descriptors, tail block at 0x4000.
using EepromImage = std::array<uint8_t, kImageSize>;

// The two images the tool carries, one per chip variant (generated from
// images/*.json by tools/mkimage at build time).
extern const EepromImage kImageA;
extern const EepromImage kImageB;

// Masked chip identifiers that select an image.
inline constexpr uint32_t kChipIdMask = 0xFFF0;
inline constexpr uint32_t kChipIdImageA = 0x73C0;
inline constexpr uint32_t kChipIdImageB = 0x73B0;

// The image for a chip identifier (masked here), or nullptr for an unknown chip.
const EepromImage* SelectImage(uint32_t chipId);

// EEPROM addresses the tool uses beyond the image.
inline constexpr uint16_t kHeaderBackupAddress = 0x4010;
inline constexpr uint16_t kProgressMarkerAddress = 0x401C;
inline constexpr uint16_t kFirmwareVersionAddress = 0x4074;

}  // namespace zt
