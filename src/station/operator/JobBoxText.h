#pragma once
#include <string>

namespace zt::station {

// A text of the job's boxes (the re-plug prompt, the completion, "Fail to
// Write EEPROM! [%08X]" with its code) in the operator's language, for a
// view that shows it to the operator; any other text comes back as it is.
// The code stays as the job wrote it.
std::string JobBoxText(const std::string& text);

}  // namespace zt::station
