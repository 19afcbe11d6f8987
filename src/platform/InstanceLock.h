#pragma once
#include <string>

namespace zt {

// The single-instance rule. ActivateExisting looks for a running instance
// whose dialog has finished initialising under `windowTitle`; when there is
// one it brings that window to the front and returns true. The running
// instance makes itself findable when its window takes that title.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    virtual bool ActivateExisting(const std::string& windowTitle) = 0;
};

}  // namespace zt
