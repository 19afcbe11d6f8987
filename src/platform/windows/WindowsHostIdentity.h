#pragma once
#include "platform/HostIdentity.h"

namespace zt::platform_windows {

// The computer's NetBIOS name, as %COMPUTERNAME% gives it.
class WindowsHostIdentity final : public HostIdentity {
public:
    std::string Name() const override;
};

}  // namespace zt::platform_windows
