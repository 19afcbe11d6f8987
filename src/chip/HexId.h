#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace zt {

// Converts text typed into an ID box as the dialog always has: like an
// unsigned base-16 strtoul on a 32-bit unsigned long (leading blanks, a sign
// and a "0x" prefix accepted, stops at the first non-digit, no digits gives
// 0, a value past 32 bits saturates), keeping the low 16 bits. At most the
// first 31 characters are read, as the boxes' 32-character buffers would.
uint16_t ParseHexId(const std::string& text);

// "%04X"
std::string FormatHexId(uint16_t id);

// An ID typed on a command line: 1 to 4 hexadecimal digits, optionally after
// 0x, and nothing else. Stricter than the boxes on purpose: a typo must not
// become an ID.
std::optional<uint16_t> ParseIdArgument(const std::string& text);

// A number typed on a command line or in a fault value: decimal, or
// hexadecimal after 0x; the whole text, no sign, no blanks. A leading zero is
// just a zero (never octal). None when it does not fit 64 bits.
std::optional<uint64_t> ParseNumberArgument(const std::string& text);

}  // namespace zt
