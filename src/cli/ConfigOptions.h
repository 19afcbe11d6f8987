#pragma once
#include <string>

#include "cli/Commands.h"

namespace zt::cli {

// Fills in each option of `command` that its command line left out from the
// station settings (`chosenFile`, or the system's and the user's files): a
// key names an option by its long name. A key that is an option of another
// command only is passed over; one that is no option of this program is
// named on standard error as a warning and passed over, so that a file
// written for a newer version still runs the station while a typo is seen.
// False, with the exit code set and one line on standard error naming the
// file and line, for a file that cannot be read (4) or a value the option
// refuses (2).
bool ApplyStationConfig(CLI::App* command, const std::string& chosenFile, CommandContext& ctx);

}  // namespace zt::cli
