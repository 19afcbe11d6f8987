#pragma once
#include <memory>
#include <string>

#include "platform/DeviceBackend.h"
#include "platform/UsbPortName.h"
#include "sim/SimulatedMachine.h"

namespace zt {

class Clock;

struct BackendChoice {
    bool simulate = false;
    sim::SimulatedMachine::Options simulation;
    Clock* machineClock = nullptr;    // paces this machine's devices; null: the real clock
    std::string unitLockFolder = "";  // where claims on this machine's units live; "": the system's place
};

// The one place where a front end gets what its dialog runs against: the
// simulated machine with `simulate`, otherwise this PC's devices where the
// build has a backend for them. Null with a one-line reason when there is
// none.
//
// It also asks the operating system for exact timer wake-ups on the calling
// thread and the threads it starts afterwards, so call it on the
// user-interface thread before the dialog starts its worker. The job makes
// thousands of pauses of a few milliseconds; the default timer slack would
// add a few percent to every job.
std::unique_ptr<DeviceBackend> SelectBackend(const BackendChoice& choice, std::string* error);

// How the backend of `choice` names its ports, so that a port typed by the
// operator can be checked before any backend is made.
PortNaming PortNamingOf(const BackendChoice& choice);

}  // namespace zt
