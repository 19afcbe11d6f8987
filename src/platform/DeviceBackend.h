#pragma once
#include <string>

#include "platform/Platform.h"
#include "platform/PortPower.h"
#include "platform/UnitLocks.h"

namespace zt {

// What a front end runs the dialog against: the simulated machine or this
// PC's own devices. It owns every capability of the Platform it hands out and
// outlives the dialog that uses them.
class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;
    virtual Platform AsPlatform() = 0;
    // Where jobs claim their unit: every job on this backend claims through
    // the same object.
    virtual UnitLocks& Locks() = 0;
    // One line for the operator when devices were there but could not be
    // opened for lack of permission; "" otherwise.
    virtual std::string PermissionHint() const { return ""; }
    // The job has asked the operator to re-plug the device. Called on the
    // worker thread before the prompt is shown; a backend that can re-plug by
    // itself (the simulated machine) does it here.
    virtual void ReplugRequested() {}
    // The same for the job on one unit: the unit at `port` ("" when the job
    // was never bound to a port).
    virtual void ReplugUnit(const std::string& port) {
        (void)port;
        ReplugRequested();
    }
    // A station is done with the unit at `port`: its result is shown. A
    // backend that plays the operator takes it out and later puts the next
    // unit in; real hardware waits for real hands.
    virtual void UnitDone(const std::string& port) { (void)port; }
    // Switching a unit's hub port off and on to re-plug it; nullptr when
    // this backend cannot do that for any unit.
    virtual PortPower* Power() { return nullptr; }
    // A few words for the operator: which devices the command works on.
    virtual std::string Describe() const = 0;
};

}  // namespace zt
