#pragma once
#include "host/StandardStreams.h"

namespace zt::host_windows {

// A console takes cursor moves once its output handle is switched to
// virtual-terminal processing (Windows 10 and later).
class WindowsStandardStreams final : public StandardStreams {
public:
    void ProtectStandardStreams() override;
    int RedrawableTerminalColumns() override;
    bool IsTerminal(StandardStream stream) override;
    int TerminalColumns() override;
    int TerminalLines() override;
};

}  // namespace zt::host_windows
