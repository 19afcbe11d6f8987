#pragma once
#include "host/AtomicFileWriter.h"

namespace zt::host_windows {

// Writes a temporary file beside the target, flushes it to the disk
// (FlushFileBuffers) and moves it over the target in one step (MoveFileEx,
// through to the disk before it returns). A read-only target is refused. The
// new file takes the permissions the folder hands down, as any new file there
// would; Windows keeps no mode bits to carry over.
class WindowsAtomicFileWriter final : public AtomicFileWriter {
public:
    bool WriteFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                             std::string* error) override;
};

}  // namespace zt::host_windows
