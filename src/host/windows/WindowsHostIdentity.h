#pragma once
#include "host/HostIdentity.h"

namespace zt::host_windows {

// The computer's NetBIOS name, as %COMPUTERNAME% gives it.
class WindowsHostIdentity final : public HostIdentity {
public:
    std::string Name() const override;
};

}  // namespace zt::host_windows
