#pragma once
#include <optional>
#include <string>

#include "host/FileIdentity.h"

namespace zt::host_posix {

// The identity of the file `path` names, following links; none when it
// cannot be looked at (missing, not allowed).
std::optional<FileIdentity> IdentifyFile(const std::string& path);

}  // namespace zt::host_posix
