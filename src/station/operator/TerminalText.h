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

// Whether `text` can stand in a record as it was given: valid UTF-8 without
// control characters (C0, DEL, C1), which a log or a terminal would show as
// something else or act on.
bool IsRecordText(const std::string& text);

}  // namespace zt::station
