#pragma once
#include <signal.h>

#include "platform/InterruptCatch.h"

namespace zt::platform_posix {

// SIGINT and SIGTERM, caught by a handler that resets itself on delivery
// (SA_RESETHAND): the second of a kind finds the default action and ends the
// process. Interrupted system calls restart (SA_RESTART), as with signal().
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
};

}  // namespace zt::platform_posix
