#pragma once
#include "host/StandardInput.h"

namespace zt::host_posix {

// Descriptor 0, polled in short steps and read one byte at a time, so nothing
// beyond the line is taken from a pipe that a later prompt or process reads.
class PosixStandardInput final : public StandardInput {
public:
    using StandardInput::ReadLine;
    std::optional<std::string> ReadLine(const std::function<bool()>& cancelled, bool* cut) override;
};

}  // namespace zt::host_posix
