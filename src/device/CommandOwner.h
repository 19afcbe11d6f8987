#pragma once
#include <cstdint>

#include "device/FailureCodes.h"

namespace zt {

// What the device operations and the commands built on them need of whoever
// runs them: where a failure is recorded (the owner adds the stage the device
// has reached), and whether they may still send. The job is the owner in the
// tool; a test may be one of its own.
//
// Threads: called on whichever thread runs the operation; both must be safe
// to call from the user-interface thread and the worker at once.
class CommandOwner {
public:
    virtual ~CommandOwner() = default;
    virtual void RecordFailure(uint32_t origin, Failure failure) = 0;
    // True once the tool is closing: the commands that check it then send
    // nothing and record that they were stopped.
    virtual bool StopRequested() const = 0;
};

}  // namespace zt
