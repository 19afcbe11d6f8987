#pragma once
#include <cstddef>
#include <string>

#include "host/RegularFile.h"

namespace zt::host_posix {

// Opens with O_NONBLOCK (a FIFO does not block the open), checks the type on
// the descriptor, then reads at most `maxBytes`.
RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes);

}  // namespace zt::host_posix
