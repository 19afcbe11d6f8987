#pragma once
#include <cstddef>
#include <string>

#include "platform/RegularFile.h"

namespace zt::platform_windows {

// Checks the type on the open descriptor, then reads at most `maxBytes`.
RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes);

}  // namespace zt::platform_windows
