#pragma once
#include <cstddef>
#include <string>

#include "host/RegularFile.h"

namespace zt::host_windows {

// Checks the type on the open descriptor, then reads at most `maxBytes`.
RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes);

}  // namespace zt::host_windows
