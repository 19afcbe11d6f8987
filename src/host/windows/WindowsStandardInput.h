#pragma once
#include "host/StandardInput.h"

namespace zt::host_windows {

// The console (or a pipe) has no poll(): the wait for the next character is a
// wait on the input handle with a short time-out, the cancel check between
// waits. A console gets the keys echoed, and Backspace takes one back.
class WindowsStandardInput final : public StandardInput {
public:
    using StandardInput::ReadLine;
    std::optional<std::string> ReadLine(const std::function<bool()>& cancelled, bool* cut) override;
};

}  // namespace zt::host_windows
