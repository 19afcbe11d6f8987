#pragma once
#include "host/AtomicFileWriter.h"

namespace zt::host_posix {

// Writes a hidden temporary file beside the target, fsync()s it, rename()s it
// over the target and syncs the folder. A new file gets 0666 less the umask;
// a replaced one keeps its mode and, where we may hand it over, its owner.
class PosixAtomicFileWriter final : public AtomicFileWriter {
public:
    bool WriteFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                             std::string* error) override;
};

}  // namespace zt::host_posix
