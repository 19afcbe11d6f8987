#pragma once
#include <string>

#include "platform/OperatorHands.h"
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
    // The hands that re-plug units and swap them at a station without a
    // person (the simulated machine's); nullptr where a person does it.
    virtual OperatorHands* Hands() { return nullptr; }
    // Switching a unit's hub port off and on to re-plug it; nullptr when
    // this backend cannot do that for any unit.
    virtual PortPower* Power() { return nullptr; }
    // A few words for the operator: which devices the command works on.
    virtual std::string Describe() const = 0;
};

}  // namespace zt
