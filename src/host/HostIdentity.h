#pragma once
#include <string>

namespace zt {

// What this machine is called, for records that trace a unit to the station
// that wrote it.
class HostIdentity {
public:
    virtual ~HostIdentity() = default;

    // The machine's network name; "" when the system does not tell.
    virtual std::string Name() const = 0;
};

}  // namespace zt
