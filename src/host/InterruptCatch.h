#pragma once

namespace zt {

// Ctrl-C and a request to terminate, caught for as long as this object lives.
// Instead of killing the process in the middle of a device exchange, the
// first one calls the handler, so the command can run its orderly close; after
// it the system's default comes back, so a second one ends the process at
// once (the close may wait up to a device time-out). Destroying the object
// brings back the handling from before it.
class InterruptCatch {
public:
    // SIGINT for Ctrl-C, SIGTERM or SIGHUP (the session that started the
    // program is gone) for a request to terminate. It runs in a
    // signal handler or on a thread of the system's, so it may do no more
    // than store into a lock-free atomic.
    using Handler = void (*)(int signal);

    virtual ~InterruptCatch() = default;
};

}  // namespace zt
