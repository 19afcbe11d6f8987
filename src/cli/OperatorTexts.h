#pragma once
#include <string_view>

namespace zt::cli {

// The dialog's texts that the console front end has to recognise: the one box
// that waits for the operator to act, and the two that end a write job.
inline constexpr std::string_view kReplugPromptText =
    "Please re-plugin USB device and MUST wait for USB device being recognized.\n"
    "Then press button to continue writting EEPROM!!";
inline constexpr std::string_view kCompletionText = "Write to EEPROM OK! Please re-plugin USB device !!";
inline constexpr std::string_view kFailurePrefix = "Fail to Write EEPROM! [";

}  // namespace zt::cli
