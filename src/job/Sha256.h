#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace zt {

// The SHA-256 digest of a byte string, as 64 lower-case hex digits. Station
// logs use it to say exactly which image went into a unit.
std::array<uint8_t, 32> Sha256(std::span<const uint8_t> data);
std::string Sha256Hex(std::span<const uint8_t> data);

}  // namespace zt
