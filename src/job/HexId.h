#pragma once
#include <cstdint>
#include <string>

namespace zt {

// Converts typed ID text like an unsigned base-16 strtoul (leading blanks and a
// "0x" prefix accepted, stops at the first non-digit, no digits gives 0) and
// keeps the low 16 bits. At most the first 31 characters are read, as the
// boxes' 32-character buffers would.
uint16_t ParseHexId(const std::string& text);

// "%04X"
std::string FormatHexId(uint16_t id);

}  // namespace zt
