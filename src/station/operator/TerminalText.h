#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zt::station {

// Text that came from a unit or a file (a serial string read back over USB,
// an image's strings), made safe to print: printable ASCII stays as it is,
// a backslash is doubled, and every other byte is shown as \xNN, so that an
// escape sequence or a bell in a descriptor reaches the terminal as text.
std::string ForTerminal(std::string_view text);

// The same for a string descriptor's UTF-16 code units; a unit above 0xFF is
// shown as \uNNNN.
std::string ForTerminal(std::span<const uint16_t> units);

}  // namespace zt::station
