#pragma once
#include <cstdint>
#include <string>

#include "platform/Status.h"

namespace zt {

// Re-plugging a unit by switching its hub port off and on, instead of asking
// the operator to pull and push the cable. Only some hubs can switch the
// power of one port, and only some users may ask the system to do it, so a
// front end offers it per unit.
//
// Contract:
//  - Unavailable returns "" when the unit on `port` (as PortOf and the USB
//    walk name it) can be re-plugged this way, else one line for the operator
//    that says why not: its hub has no per-port power switching, or this user
//    may not switch it, or there is no such port.
//  - Cycle switches the port off, keeps it off for `offMs` on the backend's
//    clock, and switches it on again. kOk when both switches took: the device
//    then leaves and comes back just as after a re-plug by hand. When the
//    switch-off failed nothing happened; when the switch-on failed the port
//    is left off and the result says so.
//  - Callable from any thread, for different ports at once.
class PortPower {
public:
    virtual ~PortPower() = default;
    virtual std::string Unavailable(const std::string& port) = 0;
    virtual Status Cycle(const std::string& port, uint32_t offMs) = 0;
};

}  // namespace zt
