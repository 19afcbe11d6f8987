#pragma once
#include "host/StandardStreams.h"

namespace zt::host_posix {

// A closed descriptor 0, 1 or 2 gets /dev/null; SIGPIPE is ignored, so a
// vanished reader turns into EPIPE on the write. The terminal's width comes
// from TIOCGWINSZ; a "dumb" terminal cannot redraw.
class PosixStandardStreams final : public StandardStreams {
public:
    void ProtectStandardStreams() override;
    int RedrawableTerminalColumns() override;
    bool IsTerminal(StandardStream stream) override;
    int TerminalColumns() override;
    int TerminalLines() override;
};

}  // namespace zt::host_posix
