#pragma once
#include "platform/HostIdentity.h"

namespace zt::platform_posix {

// gethostname().
class PosixHostIdentity final : public HostIdentity {
public:
    std::string Name() const override;
};

}  // namespace zt::platform_posix
