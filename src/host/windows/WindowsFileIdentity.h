#pragma once
#include <optional>
#include <string>

#include "host/FileIdentity.h"

namespace zt::host_windows {

// The identity of the file `path` names (its volume's serial number and its
// file index there), following links; none when it cannot be opened.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

}  // namespace zt::host_windows
