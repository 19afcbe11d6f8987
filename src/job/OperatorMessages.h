#pragma once
#include <string_view>

namespace zt {

// The texts the job shows the operator. Front ends recognise the boxes by
// them (the re-plug prompt is the one box that waits for the operator to act).
inline constexpr std::string_view kJobMessageCaption = "Write to EEPROM...";
inline constexpr std::string_view kReplugPrompt =
    "Please re-plugin USB device and MUST wait for USB device being recognized.\n"
    "Then press button to continue writting EEPROM!!";
inline constexpr std::string_view kCompletionMessage = "Write to EEPROM OK! Please re-plugin USB device !!";
// A failure is this prefix, eight upper-case hexadecimal digits and "]".
inline constexpr std::string_view kFailureMessagePrefix = "Fail to Write EEPROM! [";

}  // namespace zt
