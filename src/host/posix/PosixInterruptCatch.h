#pragma once
#include <signal.h>

#include "host/InterruptCatch.h"

namespace zt::host_posix {

// SIGINT, SIGTERM and SIGHUP (the terminal or the SSH session that started
// the command went away: a request to terminate like SIGTERM), caught by a handler that resets itself on
// delivery (SA_RESETHAND): the second of a kind finds the default action and ends the process. Interrupted
// system calls restart (SA_RESTART), as with signal().
class PosixInterruptCatch final : public InterruptCatch {
public:
    explicit PosixInterruptCatch(Handler handler);
    ~PosixInterruptCatch() override;
    PosixInterruptCatch(const PosixInterruptCatch&) = delete;
    PosixInterruptCatch& operator=(const PosixInterruptCatch&) = delete;

private:
    Handler previousHandler_;
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
    struct sigaction previousHup_ {};
};

}  // namespace zt::host_posix
